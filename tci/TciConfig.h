#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "support/IniSection.h"
#include "tci/TciProtocol.h"

namespace quendal {

// A key of the section that the source cannot use.
using TciConfigError = IniKeyError;

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
