#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "support/TextLog.h"

namespace quendal::fuzz {

// A log to /dev/null, switched on for one input size in eight: the logging paths
// run too, while most inputs skip the file opened for every line.
TextLog& NullLog(std::size_t input_size);

// The input as text, bytes unchanged.
std::string_view AsText(const std::uint8_t* data, std::size_t size);

// A private file path for this process, in a directory made on first use.
const std::string& ScratchFile(std::string_view name);

// Replaces the file's contents with the bytes; aborts when that fails, since
// the target would then test nothing.
void WriteScratchFile(const std::string& path, const std::uint8_t* data, std::size_t size);

// Stops the run with a message: an invariant the code promises does not hold.
[[noreturn]] void Fail(std::string_view what);

}  // namespace quendal::fuzz
