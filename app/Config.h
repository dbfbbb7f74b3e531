#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "display/MeterSettings.h"
#include "display/Types.h"
#include "support/IniFile.h"

namespace quendal {

// A setting that must stop the start-up (ill-formed colour, negative interval).
class ConfigError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The window's own settings; the meter's are MeterSettings and MeterCalibration.
struct WindowSettings {
  std::int32_t Top = 0;
  std::int32_t Left = 0;
  bool Borderless = false;
  bool AlwaysOnTop = false;
  bool ClickThrough = false;
  bool TrackSmartSDRWindowOn = false;
  std::string BackgroundImageFileName = "quendal.png";
  // Empty: the face's own foreground, when there is one (see ForegroundFileName).
  std::string ForegroundImageFileName;
  std::int32_t TimerInterval = 10;  // ms
  bool EnableLogging = false;
  // A CSV file the readings are appended to; empty: none.
  std::string LevelFile;
  // Marks clicked on the face with an instruction and markers; false: one dialog per mark.
  bool GuidedCalibration = true;
};

struct AppConfig {
  WindowSettings window;
  MeterSettings meter;
  MeterCalibration calibration;
  // [Radio] Type as written; the table of radio families knows the names. Read only:
  // [Radio] is the user's, like [Network], and is never rewritten.
  std::string radio;
};

// Reads every key in the order the file is documented, each from its own
// section, else from [Settings], else keeping the value `config` already holds
// (its defaults, and the window's current position for Top and Left). Returns the
// values that could not be read as their type, one line each, such as
// "config.ini [Visual] NeedleLength=long: not a whole number". Throws ConfigError
// naming file, section, key and value for an ill-formed colour or an interval below 1.
std::vector<std::string> ReadConfig(const IniFile& ini, AppConfig& config,
                                    std::string_view file = "config.ini");

// What the user is told about those values before the meter runs, since closing writes
// the defaults over them.
std::string UnreadableSettingsText(const std::vector<std::string>& unreadable,
                                   std::string_view file);

// Erases the program's sections and writes them again at the end of the file;
// other sections (such as [Network]) stay where they are.
void WriteConfig(IniFile& ini, const AppConfig& config);

TColor32 StringToColor32(std::string_view text);
std::string Color32ToString(TColor32 color);

}  // namespace quendal
