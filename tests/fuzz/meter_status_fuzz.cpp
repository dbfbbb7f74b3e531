// Meter status text from the command channel.
#include <cstddef>
#include <cstdint>
#include <stdexcept>

#include "meters/MeterDatagram.h"
#include "meters/MeterStatus.h"
#include "tests/fuzz/FuzzSupport.h"

using namespace quendal;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TMeterList meters;
  try {
    ParseMeterData(fuzz::AsText(data, size), meters, fuzz::NullLog(size));
  } catch (const std::logic_error& e) {
    // out_of_range and friends mean a slicing mistake, not bad text.
    fuzz::Fail(e.what());
  } catch (const std::exception&) {
    // Bad numbers are reported by the caller; the line is skipped.
  }
  LogMeterList(meters, fuzz::NullLog(size));
  for (const TMeter& m : meters.Items())
    if (!meters.IndexOfId(m.ID)) fuzz::Fail("meter missing from the ID index");
  return 0;
}
