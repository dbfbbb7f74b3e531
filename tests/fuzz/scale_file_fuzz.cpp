// Transmit scale files: "value x y" lines a user may have edited by hand.
#include <cstddef>
#include <cstdint>

#include "calibration/TransmitScaleFile.h"
#include "tests/fuzz/FuzzSupport.h"

using namespace quendal;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string& path = fuzz::ScratchFile("face.power.txt");
  fuzz::WriteScratchFile(path, data, size);
  const ScaleFile read = ReadScaleFile(path);
  if (read.Problem.empty() == read.Marks.Empty())
    fuzz::Fail("a scale and a problem, or neither for a file that exists");
  if (!read.Problem.empty() && !read.Problem.starts_with(path)) {
    fuzz::Fail("the problem does not name the file");
  }
  if (read.Marks.Marks().size() > kMaxScaleMarks) fuzz::Fail("more marks than the limit");
  return 0;
}
