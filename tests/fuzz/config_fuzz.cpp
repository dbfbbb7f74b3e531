// config.ini: the ini codec and the settings read from it.
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/Config.h"
#include "support/IniFile.h"
#include "tests/fuzz/FuzzSupport.h"

using namespace quendal;

namespace {

std::string WithoutCR(std::string text) {
  std::erase(text, '\r');
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  IniFile ini = IniFile::FromText(fuzz::AsText(data, size));

  // Rewriting what was read changes nothing more. Stray CRs before a line
  // break are shed one per rewrite, which is harmless.
  const std::string text = ini.ToText();
  if (WithoutCR(IniFile::FromText(text).ToText()) != WithoutCR(text))
    fuzz::Fail("ini text not stable on rewrite");

  AppConfig config;
  try {
    ReadConfig(ini, config);
  } catch (const ConfigError&) {
    return 0;  // start-up stops with a message
  }

  // What we write we read back the same.
  WriteConfig(ini, config);
  AppConfig again;
  try {
    ReadConfig(IniFile::FromText(ini.ToText()), again);
  } catch (const ConfigError& e) {
    fuzz::Fail(std::string("written settings rejected: ") + e.what());
  }
  const WindowSettings& a = config.window;
  const WindowSettings& b = again.window;
  if (a.Top != b.Top || a.Left != b.Left || a.Borderless != b.Borderless ||
      a.AlwaysOnTop != b.AlwaysOnTop || a.ClickThrough != b.ClickThrough ||
      a.TrackSmartSDRWindowOn != b.TrackSmartSDRWindowOn ||
      a.BackgroundImageFileName != b.BackgroundImageFileName ||
      a.TimerInterval != b.TimerInterval || a.EnableLogging != b.EnableLogging)
    fuzz::Fail("window settings changed on a write and read");
  if (config.meter.NeedleColor != again.meter.NeedleColor ||
      config.meter.NeedleLength != again.meter.NeedleLength ||
      config.meter.NeedleMovementMode != again.meter.NeedleMovementMode)
    fuzz::Fail("meter settings changed on a write and read");
  return 0;
}
