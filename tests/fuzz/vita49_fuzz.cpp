// Meter stream datagrams: the VITA-49 decoder and the meter updates behind it.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "meters/MeterDatagram.h"
#include "meters/MeterSender.h"
#include "meters/MeterStatus.h"
#include "meters/Vita49Tools.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

using namespace quendal;

// A radio's usual meters, so datagram pairs find something to update.
const TMeterList& KnownMeters() {
  static const TMeterList meters = [] {
    TMeterList list;
    ParseMeterData(
        "R3|0|meter 1.src=COD-#1.num=1#1.nam=MICPEAK#1.low=-150.0#1.hi=20.0#1.desc=Signal "
        "strength of MIC output in CODEC#1.unit=dBFS#1.fps=40#2.src=RAD#2.num=0#2.nam=+13.8A#2."
        "low=10.5#2.hi=15.0#2.unit=Volts#2.fps=2#3.src=RAD#3.num=1#3.nam=MAINFAN#3.low=0.0#3.hi="
        "5000.0#3.unit=RPM#3.fps=1#4.src=TX-#4.num=0#4.nam=SWR#4.low=1.0#4.hi=999.0#4.unit=SWR#4."
        "fps=20#5.src=TX-#5.num=1#5.nam=PATEMP#5.low=0.0#5.hi=100.0#5.unit=degC#5.fps=0#24.src="
        "SLC#24.num=0#24.nam=LEVEL#24.low=-150.0#24.hi=20.0#24.desc=Signal strength of signals "
        "in the filter passband#24.unit=dBm#24.fps=10#25.src=SLC#25.num=0#25.nam=NR/ANF#25.low="
        "-150.0#25.hi=20.0#25.unit=dB#25.fps=10#26.src=TX-#26.num=2#26.nam=FWDPWR#26.low=0.0#26."
        "hi=53.0#26.unit=dBm#26.fps=20#\n",
        list, fuzz::NullLog(1));
    return list;
  }();
  return meters;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> datagram(data, size);
  try {
    // A short datagram's payload reads as zero up to the declared size, which the
    // 16-bit word count keeps under 256 KiB; only the bytes that arrived are stored.
    const TVita vita = vita49_decode(datagram);
    if (vita.payload.size() > 65535u * 4) fuzz::Fail("payload beyond the declared size");
    if (vita.payload.Present().size() > size) fuzz::Fail("payload stores more than arrived");
  } catch (const Vita49Error&) {
  }

  // As the link reads them: the sender first, then the datagram, from the radio only.
  static MeterSenderFilter senders = [] {
    MeterSenderFilter filter;
    filter.ExpectFrom("192.0.2.1");
    return filter;
  }();
  static std::chrono::steady_clock::time_point now{};
  now += std::chrono::seconds(1);
  // Whole-word datagrams, the radio's shape, all go through to the decoder below.
  const bool from_radio = size % 8 != 7;
  const std::uint64_t dropped_before = senders.Dropped();
  if (senders.Accept(from_radio ? "192.0.2.1" : "192.0.2.2", now, fuzz::NullLog(size)) !=
          from_radio ||
      senders.Dropped() != dropped_before + (from_radio ? 0 : 1))
    fuzz::Fail("the sender filter let another host in or kept the radio out");
  if (!from_radio) return 0;

  TMeterList meters = KnownMeters();
  // As the radio link watches: the level first, then transmit meters.
  const std::string_view watched[] = {"24", "26", "4", ""};
  meters.Watch(watched);
  try {
    const WatchedValues values = ApplyMeterDatagram(datagram, meters, fuzz::NullLog(size));
    if ((values.Arrived & ~0b0111u) != 0 || (values.Changed & ~values.Arrived) != 0)
      fuzz::Fail("a value reported for a meter nobody watches, or changed without arriving");
  } catch (const Vita49Error&) {
  }
  // An unknown ID leaves one entry with an empty ID behind, never more.
  if (meters.Count() > KnownMeters().Count() + 1) fuzz::Fail("datagrams grew the meter list");
  return 0;
}
