// Calibration files: sixteen "X Y" lines a user may have edited by hand.
#include <cstddef>
#include <cstdint>

#include "calibration/CalibrationFile.h"
#include "tests/fuzz/FuzzSupport.h"

using namespace quendal;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string& path = fuzz::ScratchFile("calibration.txt");
  fuzz::WriteScratchFile(path, data, size);
  TCalibrationPoints points{};
  try {
    LoadCalibrationFromFile(points, path, fuzz::NullLog(size));
  } catch (const CalibrationFileError&) {
  }
  return 0;
}
