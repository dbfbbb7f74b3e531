#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "support/IniFile.h"
#include "tci/TciProtocol.h"

namespace quendal {

// A [TCI] key the source cannot use; the text names the key and the value.
class TciConfigError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The user's [TCI] section.
struct TciConfig {
  std::string Host = "127.0.0.1";
  std::uint16_t Port = 50001;
  TciTarget Target;

  // "host:port", as the link state shows it.
  std::string Address() const;
};

// Reads Address (host or host:port, default 127.0.0.1:50001), Receiver (default
// 0) and Channel (0 or 1, default 0) from `section`. Throws TciConfigError for
// values it cannot use.
TciConfig ReadTciConfig(const IniFile& ini, std::string_view section);

}  // namespace quendal
