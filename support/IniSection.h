#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

#include "support/IniFile.h"

namespace quendal {

// A key of a family's own section that cannot be used; the text names the section, the
// key, the value and what to write instead.
class IniKeyError : public std::runtime_error {
 public:
  IniKeyError(const std::string& message, std::string key)
      : std::runtime_error(message), key_(std::move(key)) {}
  // "[TCI] Address": the key, where it stands.
  const std::string& Key() const { return key_; }

 private:
  std::string key_;
};

// The keys of one section of an already-read ini file, with the one wording every
// family uses for a value it refuses.
struct IniSection {
  const IniFile& ini;
  std::string_view name;

  // Throws "[<name>] <key>=<value> is not usable: <wanted>.", or says instead that a
  // comment needs a line of its own when the value holds one.
  [[noreturn]] void Refuse(std::string_view key, const std::string& value,
                           std::string_view wanted) const;

  // The key's integer; `fallback` when it is missing or empty. Refuses anything that is
  // not an integer from `lowest` to `highest` with `wanted`.
  std::int32_t ReadNumber(std::string_view key, std::int32_t fallback, std::int32_t lowest,
                          std::int32_t highest, std::string_view wanted) const;
  // The key's text, `fallback` when it is missing; refuses a value that holds a comment.
  std::string ReadText(std::string_view key, std::string_view fallback) const;
};

}  // namespace quendal
