#include "app/Config.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <type_traits>
#include <variant>
#include <vector>

#include "display/TransmitText.h"

namespace quendal {

namespace {

constexpr std::string_view kLegacySection = "Settings";
// A section whose other keys belong to a radio family ([Meter] Slice): a save writes the
// table's keys into it where they stand and keeps the rest.
constexpr std::string_view kSharedSection = "Meter";

// Where a key's value may also be found, for files of older versions.
enum class Fallback {
  None,          // only the key's own section
  SameKey,       // else the same key in [Settings]
  TimerInterval  // else [Settings] TimerInterval
};

// When a key is read and written at all.
enum class Condition {
  Always,
  OwnShadowColor,
  ArcCalibrated,
  IndependentPivot,
  PeakHoldColorChosen  // always read, written only when chosen
};

using Field = std::variant<std::int32_t*, bool*, double*, std::string*, TColor32*,
                           TNeedleMovementMode*, std::optional<TransmitReading>*>;

struct Setting {
  std::string_view section;
  std::string_view key;
  Fallback fallback;
  Condition when;
  Field (*field)(AppConfig&);
};

// Every key of the program's sections once, in file order: reading and writing both
// walk it. Defaults are the fields' own initial values.
const Setting kSettings[] = {
    {"Window", "Top", Fallback::SameKey, Condition::Always,
     [](AppConfig& c) -> Field { return &c.window.Top; }},
    {"Window", "Left", Fallback::SameKey, Condition::Always,
     [](AppConfig& c) -> Field { return &c.window.Left; }},
    {"Window", "Borderless", Fallback::SameKey, Condition::Always,
     [](AppConfig& c) -> Field { return &c.window.Borderless; }},
    {"Window", "AlwaysOnTop", Fallback::SameKey, Condition::Always,
     [](AppConfig& c) -> Field { return &c.window.AlwaysOnTop; }},
    {"Window", "ClickThrough", Fallback::SameKey, Condition::Always,
     [](AppConfig& c) -> Field { return &c.window.ClickThrough; }},
    {"Window", "TrackSmartSDRWindow", Fallback::None, Condition::Always,
     [](AppConfig& c) -> Field { return &c.window.TrackSmartSDRWindowOn; }},

    {"Visual", "BackgroundImageFileName", Fallback::SameKey, Condition::Always,
     [](AppConfig& c) -> Field { return &c.window.BackgroundImageFileName; }},
    {"Visual", "ForegroundImageFileName", Fallback::None, Condition::Always,
     [](AppConfig& c) -> Field { return &c.window.ForegroundImageFileName; }},
    {"Visual", "NeedleLength", Fallback::SameKey, Condition::Always,
     [](AppConfig& c) -> Field { return &c.meter.NeedleLength; }},
    {"Visual", "NeedleThickness", Fallback::SameKey, Condition::Always,
     [](AppConfig& c) -> Field { return &c.meter.NeedleThickness; }},
    {"Visual", "NeedleColor", Fallback::SameKey, Condition::Always,
     [](AppConfig& c) -> Field { return &c.meter.NeedleColor; }},
    {"Visual", "ImageBottomOffset", Fallback::SameKey, Condition::Always,
     [](AppConfig& c) -> Field { return &c.meter.ImageBottomOffset; }},
    {"Visual", "ShowArcMarkings", Fallback::SameKey, Condition::Always,
     [](AppConfig& c) -> Field { return &c.meter.ShowArcMarkings; }},
    {"Visual", "EnableShadow", Fallback::SameKey, Condition::Always,
     [](AppConfig& c) -> Field { return &c.meter.EnableShadow; }},
    {"Visual", "ShadowOffset", Fallback::SameKey, Condition::Always,
     [](AppConfig& c) -> Field { return &c.meter.ShadowOffset; }},
    {"Visual", "ShadowTransparency", Fallback::SameKey, Condition::Always,
     [](AppConfig& c) -> Field { return &c.meter.ShadowTransparency; }},
    {"Visual", "UseNeedleColorForShadow", Fallback::SameKey, Condition::Always,
     [](AppConfig& c) -> Field { return &c.meter.UseNeedleColorForShadow; }},
    {"Visual", "ShadowColor", Fallback::SameKey, Condition::OwnShadowColor,
     [](AppConfig& c) -> Field { return &c.meter.ShadowColor; }},
    {"Visual", "PeakHold", Fallback::None, Condition::Always,
     [](AppConfig& c) -> Field { return &c.meter.PeakHold; }},
    {"Visual", "PeakHoldMs", Fallback::None, Condition::Always,
     [](AppConfig& c) -> Field { return &c.meter.PeakHoldMs; }},
    {"Visual", "PeakHoldColor", Fallback::None, Condition::PeakHoldColorChosen,
     [](AppConfig& c) -> Field { return &c.meter.PeakHoldColor; }},
    {"Visual", "Scale", Fallback::None, Condition::Always,
     [](AppConfig& c) -> Field { return &c.meter.Scale; }},
    {"Visual", "Readout", Fallback::None, Condition::Always,
     [](AppConfig& c) -> Field { return &c.meter.Readout; }},

    {"NeedleMovement", "SmoothingFactor", Fallback::SameKey, Condition::Always,
     [](AppConfig& c) -> Field { return &c.meter.SmoothingFactor; }},
    {"NeedleMovement", "DecayFactor", Fallback::SameKey, Condition::Always,
     [](AppConfig& c) -> Field { return &c.meter.DecayFactor; }},
    {"NeedleMovement", "DampingFactor", Fallback::SameKey, Condition::Always,
     [](AppConfig& c) -> Field { return &c.meter.DampingFactor; }},
    {"NeedleMovement", "MinimumMoveThreshold", Fallback::SameKey, Condition::Always,
     [](AppConfig& c) -> Field { return &c.meter.MinimumMoveThreshold; }},
    {"NeedleMovement", "NeedleMovementMode", Fallback::SameKey, Condition::Always,
     [](AppConfig& c) -> Field { return &c.meter.NeedleMovementMode; }},

    {"ArcCalibration", "UseArcCalibration", Fallback::SameKey, Condition::Always,
     [](AppConfig& c) -> Field { return &c.calibration.UseArcCalibration; }},
    {"ArcCalibration", "ArcCalibrationDone", Fallback::SameKey, Condition::Always,
     [](AppConfig& c) -> Field { return &c.calibration.ArcCalibrationDone; }},
    {"ArcCalibration", "NeedleLengthOffset", Fallback::SameKey, Condition::Always,
     [](AppConfig& c) -> Field { return &c.calibration.NeedleLengthOffset; }},
    {"ArcCalibration", "PivotArcRadius", Fallback::SameKey, Condition::Always,
     [](AppConfig& c) -> Field { return &c.calibration.PivotArcRadius; }},
    {"ArcCalibration", "ArcCenterOffsetX", Fallback::SameKey, Condition::Always,
     [](AppConfig& c) -> Field { return &c.calibration.ArcCenterOffsetX; }},
    {"ArcCalibration", "ArcCenterOffsetY", Fallback::SameKey, Condition::Always,
     [](AppConfig& c) -> Field { return &c.calibration.ArcCenterOffsetY; }},
    {"ArcCalibration", "CenterX", Fallback::SameKey, Condition::ArcCalibrated,
     [](AppConfig& c) -> Field { return &c.calibration.ArcCenter.X; }},
    {"ArcCalibration", "CenterY", Fallback::SameKey, Condition::ArcCalibrated,
     [](AppConfig& c) -> Field { return &c.calibration.ArcCenter.Y; }},
    {"ArcCalibration", "Radius", Fallback::SameKey, Condition::ArcCalibrated,
     [](AppConfig& c) -> Field { return &c.calibration.ArcRadius; }},
    {"ArcCalibration", "EnableArcIndependentPivot", Fallback::None, Condition::Always,
     [](AppConfig& c) -> Field { return &c.calibration.IndependentPivotSet; }},
    {"ArcCalibration", "ArcIndependentPivotPointX", Fallback::None, Condition::IndependentPivot,
     [](AppConfig& c) -> Field { return &c.calibration.IndependentPivot.X; }},
    {"ArcCalibration", "ArcIndependentPivotPointY", Fallback::None, Condition::IndependentPivot,
     [](AppConfig& c) -> Field { return &c.calibration.IndependentPivot.Y; }},

    {"Timer", "Interval", Fallback::TimerInterval, Condition::Always,
     [](AppConfig& c) -> Field { return &c.window.TimerInterval; }},
    {"Logging", "EnableLogging", Fallback::SameKey, Condition::Always,
     [](AppConfig& c) -> Field { return &c.window.EnableLogging; }},
    {"Logging", "LevelFile", Fallback::None, Condition::Always,
     [](AppConfig& c) -> Field { return &c.window.LevelFile; }},
    {"Calibration", "Guided", Fallback::None, Condition::Always,
     [](AppConfig& c) -> Field { return &c.window.GuidedCalibration; }},

    {kSharedSection, "Transmit", Fallback::None, Condition::Always,
     [](AppConfig& c) -> Field { return &c.meter.Transmit; }},
    {kSharedSection, "SwrWarning", Fallback::None, Condition::Always,
     [](AppConfig& c) -> Field { return &c.meter.SwrWarning; }},
    {kSharedSection, "IaruVhf", Fallback::None, Condition::Always,
     [](AppConfig& c) -> Field { return &c.meter.SUnits.IaruVhf; }},
    {kSharedSection, "VhfFromMHz", Fallback::None, Condition::Always,
     [](AppConfig& c) -> Field { return &c.meter.SUnits.VhfFromMHz; }},
};

// Sections of older versions that a save drops: their keys moved to the table's sections.
constexpr std::string_view kOldSections[] = {kLegacySection, "PivotPoint"};

constexpr std::string_view kSmoothingName = "ExponentialSmoothing";
constexpr std::string_view kFastAttackName = "FastAttackSlowDecay";

bool Applies(Condition when, const AppConfig& c, bool writing) {
  switch (when) {
    case Condition::PeakHoldColorChosen:
      return !writing || c.meter.PeakHoldColor != 0;
    case Condition::Always:
      return true;
    case Condition::OwnShadowColor:
      return !c.meter.UseNeedleColorForShadow;
    case Condition::ArcCalibrated:
      return c.calibration.ArcCalibrationDone;
    case Condition::IndependentPivot:
      return c.calibration.IndependentPivotSet;
  }
  return false;
}

// Where older files kept the key, if anywhere.
std::string_view LegacyKey(const Setting& s) {
  return s.fallback == Fallback::TimerInterval ? std::string_view("TimerInterval") : s.key;
}

std::optional<std::string> LegacyText(const IniFile& ini, const Setting& s) {
  if (s.fallback == Fallback::None) return std::nullopt;
  return ini.ReadString(kLegacySection, LegacyKey(s));
}

// The raw text of a key: its own section first, then where older files kept it.
std::optional<std::string> FindText(const IniFile& ini, const Setting& s) {
  if (auto own = ini.ReadString(s.section, s.key)) return own;
  return LegacyText(ini, s);
}

// Reading one file, with what could not be read so far.
struct Reading {
  const IniFile& ini;
  std::string_view file;
  std::vector<std::string>& unreadable;

  // "config.ini [Visual] NeedleColor=red": where a value was found, as the user wrote it.
  std::string Where(std::string_view section, std::string_view key, std::string_view text) const {
    return std::string(file) + " [" + std::string(section) + "] " + std::string(key) + "=" +
           std::string(text);
  }

  // Notes a text that is not `expected`; a comment after the value is the likely cause.
  void NoteUnreadable(std::string_view section, std::string_view key, std::string_view text,
                      std::string_view expected) const {
    if (IniFile::HoldsInlineComment(text)) expected = IniFile::kInlineCommentAdvice;
    unreadable.push_back(Where(section, key, text) + ": " + std::string(expected));
  }
};

// An integer, boolean or float that does not parse in its own section is looked
// for again where older files kept it; each text that does not parse is noted.
template <typename T, typename Parse>
std::optional<T> ReadTyped(const Reading& r, const Setting& s, Parse parse, const char* expected) {
  if (auto own = r.ini.ReadString(s.section, s.key)) {
    if (std::optional<T> value = parse(*own)) return value;
    r.NoteUnreadable(s.section, s.key, *own, expected);
  }
  if (auto legacy = LegacyText(r.ini, s)) {
    if (std::optional<T> value = parse(*legacy)) return value;
    r.NoteUnreadable(kLegacySection, LegacyKey(s), *legacy, expected);
  }
  return std::nullopt;
}

std::optional<bool> ParseBool(std::string_view text) {
  if (auto number = IniFile::ParseInteger(text)) return *number != 0;
  return std::nullopt;
}

std::optional<TNeedleMovementMode> ParseMode(std::string_view text) {
  if (text == kFastAttackName) return nmFastAttackSlowDecay;
  if (text == kSmoothingName) return nmExponentialSmoothing;
  return std::nullopt;
}

// The section a present text came from: its own, else the legacy one.
std::string_view FoundIn(const IniFile& ini, const Setting& s) {
  return ini.ReadString(s.section, s.key) ? s.section : kLegacySection;
}

void ReadSetting(const Reading& r, const Setting& s, AppConfig& config) {
  std::visit(
      [&](auto* field) {
        using T = std::remove_pointer_t<decltype(field)>;
        if constexpr (std::is_same_v<T, std::int32_t>) {
          if (auto v = ReadTyped<std::int32_t>(r, s, IniFile::ParseInteger, "not a whole number"))
            *field = *v;
        } else if constexpr (std::is_same_v<T, bool>) {
          if (auto v = ReadTyped<bool>(r, s, ParseBool, "not 0 or 1")) *field = *v;
        } else if constexpr (std::is_same_v<T, double>) {
          if (auto v = ReadTyped<double>(r, s, IniFile::ParseFloat, "not a number")) *field = *v;
        } else if constexpr (std::is_same_v<T, std::string>) {
          if (auto v = FindText(r.ini, s)) *field = *v;
        } else if constexpr (std::is_same_v<T, TColor32>) {
          // A present colour is converted even when empty: an ill-formed one is an error.
          if (auto v = FindText(r.ini, s)) {
            try {
              *field = StringToColor32(*v);
            } catch (const ConfigError& e) {
              throw ConfigError(r.Where(FoundIn(r.ini, s), s.key, *v) + ": " + e.what());
            }
          }
        } else if constexpr (std::is_same_v<T, std::optional<TransmitReading>>) {
          if (auto v = ReadTyped<std::optional<TransmitReading>>(
                  r, s, ParseTransmitChoice, "not Power, SWR, ALC, Compression or Off"))
            *field = *v;
        } else {
          if (auto v = ReadTyped<TNeedleMovementMode>(
                  r, s, ParseMode, "neither ExponentialSmoothing nor FastAttackSlowDecay")) {
            *field = *v;
          } else {
            *field = nmExponentialSmoothing;
          }
        }
      },
      s.field(config));
}

void WriteSetting(IniFile& ini, const Setting& s, AppConfig& config) {
  std::visit(
      [&](auto* field) {
        using T = std::remove_pointer_t<decltype(field)>;
        if constexpr (std::is_same_v<T, std::int32_t>) {
          ini.WriteInteger(s.section, s.key, *field);
        } else if constexpr (std::is_same_v<T, bool>) {
          ini.WriteBool(s.section, s.key, *field);
        } else if constexpr (std::is_same_v<T, double>) {
          ini.WriteFloat(s.section, s.key, *field);
        } else if constexpr (std::is_same_v<T, std::string>) {
          ini.WriteString(s.section, s.key, *field);
        } else if constexpr (std::is_same_v<T, TColor32>) {
          ini.WriteString(s.section, s.key, Color32ToString(*field));
        } else if constexpr (std::is_same_v<T, std::optional<TransmitReading>>) {
          ini.WriteString(s.section, s.key, TransmitChoiceName(*field));
        } else {
          ini.WriteString(s.section, s.key,
                          *field == nmFastAttackSlowDecay ? kFastAttackName : kSmoothingName);
        }
      },
      s.field(config));
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::uint32_t HexPair(std::string_view pair) {
  const int high = HexDigit(pair[0]);
  const int low = HexDigit(pair[1]);
  if (high < 0 || low < 0)
    throw ConfigError("'$" + std::string(pair) + "' is not a valid integer value");
  return static_cast<std::uint32_t>(high * 16 + low);
}

}  // namespace

std::vector<std::string> ReadConfig(const IniFile& ini, AppConfig& config, std::string_view file) {
  std::vector<std::string> unreadable;
  const Reading reading{ini, file, unreadable};
  for (const Setting& s : kSettings) {
    if (Applies(s.when, config, false)) ReadSetting(reading, s, config);
  }
  if (config.window.TimerInterval < 1) {
    const Setting& interval = *std::find_if(std::begin(kSettings), std::end(kSettings),
                                            [](const Setting& s) { return s.key == "Interval"; });
    const std::string_view section = FoundIn(ini, interval);
    const std::string_view key = section == interval.section ? interval.key : LegacyKey(interval);
    throw ConfigError(reading.Where(section, key, FindText(ini, interval).value_or("")) +
                      ": must be 1 or more");
  }
  MeterSettings& meter = config.meter;
  meter.Scale = std::clamp(meter.Scale, kMinScalePercent, kMaxScalePercent);
  meter.PeakHoldMs = std::clamp(meter.PeakHoldMs, 0, kMaxPeakHoldMs);
  if (!(meter.SwrWarning >= 0.0)) meter.SwrWarning = 0.0;
  meter.SUnits.VhfFromMHz = std::clamp(meter.SUnits.VhfFromMHz, 1, kMaxVhfFromMHz);
  config.radio = ini.ReadString("Radio", "Type", "");
  return unreadable;
}

std::string UnreadableSettingsText(const std::vector<std::string>& unreadable,
                                   std::string_view file) {
  std::string text = "These settings could not be read. Their defaults are used, and " +
                     std::string(file) + " gets them when the meter closes:\n";
  for (const std::string& line : unreadable) text += "\n" + line;
  return text;
}

void WriteConfig(IniFile& ini, const AppConfig& config) {
  for (std::string_view section : kOldSections) ini.EraseSection(section);
  for (const Setting& s : kSettings) {
    if (s.section != kSharedSection) ini.EraseSection(s.section);
  }
  // The table hands out writable fields; writing reads them from a copy.
  AppConfig fields = config;
  for (const Setting& s : kSettings) {
    if (Applies(s.when, fields, true)) WriteSetting(ini, s, fields);
  }
}

TColor32 StringToColor32(std::string_view text) {
  if (text.size() != 7 || text[0] != '#')
    throw ConfigError("Invalid hex color format. Use #RRGGBB.");
  const std::uint32_t red = HexPair(text.substr(1, 2));
  const std::uint32_t green = HexPair(text.substr(3, 2));
  const std::uint32_t blue = HexPair(text.substr(5, 2));
  return 0xFF000000u | (red << 16) | (green << 8) | blue;
}

std::string Color32ToString(TColor32 color) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "#%02X%02X%02X", (color >> 16) & 0xFFu, (color >> 8) & 0xFFu,
                color & 0xFFu);
  return buffer;
}

}  // namespace quendal
