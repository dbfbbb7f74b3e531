#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace quendal {

// File names travel through the program as UTF-8 text (Qt hands them over that way).
// A std::filesystem::path made from a plain std::string would read them in the
// Windows ANSI code page instead, and miss every folder with a non-ASCII name.
std::filesystem::path PathFromUtf8(std::string_view utf8);
std::string PathToUtf8(const std::filesystem::path& path);

// The file opened for appending bytes ("ab"), created when missing; null on failure.
std::FILE* OpenForAppending(const std::filesystem::path& file);

}  // namespace quendal
