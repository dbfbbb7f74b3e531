#include "tci/TciConfig.h"

#include <optional>
#include <string_view>

#include "support/NumberFormat.h"

namespace quendal {

namespace {

// The keys of one section, and how to say which of them is unusable.
struct Section {
  const IniFile& ini;
  std::string_view name;

  [[noreturn]] void Fail(const char* key, const std::string& value, const char* wanted) const {
    throw TciConfigError("[" + std::string(name) + "] " + key + "=" + value +
                         " is not usable: " + wanted + ".");
  }

  std::int32_t ReadIndex(const char* key, std::int32_t highest) const {
    const std::optional<std::string> text = ini.ReadString(name, key);
    if (!text || text->empty()) return 0;
    const std::optional<std::int32_t> value = ParseInt32(*text);
    if (!value || *value < 0 || *value > highest)
      Fail(key, *text, highest == 1 ? "use 0 or 1" : "use a receiver number from 0 to 255");
    return *value;
  }
};

}  // namespace

std::string TciConfig::Address() const { return Host + ":" + std::to_string(Port); }

TciConfig ReadTciConfig(const IniFile& ini, std::string_view section) {
  const Section keys{ini, section};
  TciConfig config;
  const std::string address = ini.ReadString(section, "Address", "");
  if (!address.empty()) {
    const std::size_t colon = address.rfind(':');
    config.Host = address.substr(0, colon);
    if (colon != std::string::npos) {
      const std::optional<std::int32_t> port = ParseInt32(address.substr(colon + 1));
      if (!port || *port < 1 || *port > 65535)
        keys.Fail("Address", address, "write host:port with a port from 1 to 65535");
      config.Port = static_cast<std::uint16_t>(*port);
    }
    if (config.Host.empty() || config.Host.find_first_of(" /[]") != std::string::npos)
      keys.Fail("Address", address, "write host:port, e.g. 127.0.0.1:50001");
  }
  config.Target.Receiver = keys.ReadIndex("Receiver", 255);
  config.Target.Channel = keys.ReadIndex("Channel", 1);
  return config;
}

}  // namespace quendal
