#include "tci/TciConfig.h"

#include <optional>
#include <string_view>

#include "support/IniSection.h"
#include "support/NumberFormat.h"

namespace quendal {

namespace {

// Receiver and Channel: 0 when missing.
std::int32_t ReadIndex(const IniSection& keys, std::string_view key, std::int32_t highest) {
  return keys.ReadNumber(key, 0, 0, highest,
                         highest == 1 ? "use 0 or 1" : "use a receiver number from 0 to 255");
}

}  // namespace

std::string TciConfig::Address() const { return Host + ":" + std::to_string(Port); }

TciConfig ReadTciConfig(const IniFile& ini, std::string_view section) {
  const IniSection keys{ini, section};
  TciConfig config;
  const std::string address = keys.ReadText("Address", "");
  if (!address.empty()) {
    const std::size_t colon = address.rfind(':');
    config.Host = address.substr(0, colon);
    if (colon != std::string::npos) {
      const std::optional<std::int32_t> port = ParseInt32(address.substr(colon + 1));
      if (!port || *port < 1 || *port > 65535)
        keys.Refuse("Address", address, "write host:port with a port from 1 to 65535");
      config.Port = static_cast<std::uint16_t>(*port);
    }
    if (config.Host.empty() || config.Host.find_first_of(" /[]") != std::string::npos)
      keys.Refuse("Address", address, "write host:port, e.g. 127.0.0.1:50001");
  }
  config.Target.Receiver = ReadIndex(keys, "Receiver", 255);
  config.Target.Channel = ReadIndex(keys, "Channel", 1);
  return config;
}

}  // namespace quendal
