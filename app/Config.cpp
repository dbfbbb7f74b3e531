#include "app/Config.h"

#include <cstdio>
#include <optional>

namespace quendal {

namespace {

constexpr std::string_view kLegacySection = "Settings";

// The key's own section first, then the legacy [Settings] section.
template <typename T, typename Reader>
std::optional<T> ReadWithFallback(const IniFile& ini, std::string_view section,
                                  std::string_view key, std::string_view legacy_key, Reader read) {
  if (std::optional<T> own = read(ini, section, key)) return own;
  return read(ini, kLegacySection, legacy_key);
}

class Reader {
 public:
  explicit Reader(const IniFile& ini) : ini_(ini) {}

  void Int(std::string_view section, std::string_view key, std::int32_t& field,
           bool fallback = true) {
    Assign(Read<std::int32_t>(section, key, fallback,
                              [](const IniFile& f, std::string_view s, std::string_view k) {
                                return f.ReadInteger(s, k);
                              }),
           field);
  }
  void Bool(std::string_view section, std::string_view key, bool& field, bool fallback = true) {
    Assign(Read<bool>(section, key, fallback,
                      [](const IniFile& f, std::string_view s, std::string_view k) {
                        return f.ReadBool(s, k);
                      }),
           field);
  }
  void Float(std::string_view section, std::string_view key, double& field) {
    Assign(Read<double>(section, key, true,
                        [](const IniFile& f, std::string_view s, std::string_view k) {
                          return f.ReadFloat(s, k);
                        }),
           field);
  }
  void String(std::string_view section, std::string_view key, std::string& field) {
    Assign(Read<std::string>(section, key, true,
                             [](const IniFile& f, std::string_view s, std::string_view k) {
                               return f.ReadString(s, k);
                             }),
           field);
  }
  // A present colour is converted even when empty: an ill-formed one is an error.
  void Color(std::string_view section, std::string_view key, TColor32& field) {
    std::string text;
    bool present = false;
    if (auto v = ini_.ReadString(section, key)) {
      text = *v;
      present = true;
    } else if (auto legacy = ini_.ReadString(kLegacySection, key)) {
      text = *legacy;
      present = true;
    }
    if (present) field = StringToColor32(text);
  }
  std::optional<std::int32_t> TimerInterval() {
    return ReadWithFallback<std::int32_t>(ini_, "Timer", "Interval", "TimerInterval",
                                          [](const IniFile& f, std::string_view s,
                                             std::string_view k) { return f.ReadInteger(s, k); });
  }

 private:
  template <typename T, typename F>
  std::optional<T> Read(std::string_view section, std::string_view key, bool fallback, F read) {
    if (!fallback) return read(ini_, section, key);
    return ReadWithFallback<T>(ini_, section, key, key, read);
  }
  template <typename T, typename U>
  static void Assign(const std::optional<T>& value, U& field) {
    if (value) field = *value;
  }

  const IniFile& ini_;
};

void ReadWindowSection(Reader& r, WindowSettings& w) {
  r.Int("Window", "Top", w.Top);
  r.Int("Window", "Left", w.Left);
  r.Bool("Window", "Borderless", w.Borderless);
  r.Bool("Window", "AlwaysOnTop", w.AlwaysOnTop);
  r.Bool("Window", "ClickThrough", w.ClickThrough);
  r.Bool("Window", "TrackSmartSDRWindow", w.TrackSmartSDRWindowOn, false);
}

void ReadVisualSection(Reader& r, AppConfig& c) {
  MeterState& m = c.meter;
  r.String("Visual", "BackgroundImageFileName", c.window.BackgroundImageFileName);
  r.Int("Visual", "NeedleLength", m.NeedleLength);
  r.Int("Visual", "NeedleThickness", m.NeedleThickness);
  r.Color("Visual", "NeedleColor", m.NeedleColor);
  r.Int("Visual", "ImageBottomOffset", m.ImageBottomOffset);
  r.Bool("Visual", "ShowArcMarkings", m.ShowArcMarkings);
  r.Bool("Visual", "EnableShadow", m.EnableShadow);
  r.Int("Visual", "ShadowOffset", m.ShadowOffset);
  r.Int("Visual", "ShadowTransparency", m.ShadowTransparency);
  r.Bool("Visual", "UseNeedleColorForShadow", m.UseNeedleColorForShadow);
  if (!m.UseNeedleColorForShadow) r.Color("Visual", "ShadowColor", m.ShadowColor);
}

void ReadNeedleMovementSection(Reader& r, MeterState& m) {
  r.Float("NeedleMovement", "SmoothingFactor", m.SmoothingFactor);
  r.Float("NeedleMovement", "DecayFactor", m.DecayFactor);
  r.Float("NeedleMovement", "DampingFactor", m.DampingFactor);
  r.Float("NeedleMovement", "MinimumMoveThreshold", m.MinimumMoveThreshold);
  std::string mode = "ExponentialSmoothing";
  r.String("NeedleMovement", "NeedleMovementMode", mode);
  m.NeedleMovementMode =
      mode == "FastAttackSlowDecay" ? nmFastAttackSlowDecay : nmExponentialSmoothing;
}

void ReadArcCalibrationSection(Reader& r, MeterState& m) {
  r.Bool("ArcCalibration", "UseArcCalibration", m.UseArcCalibration);
  r.Bool("ArcCalibration", "ArcCalibrationDone", m.ArcCalibrationDone);
  r.Int("ArcCalibration", "NeedleLengthOffset", m.NeedleLengthOffset);
  r.Int("ArcCalibration", "PivotArcRadius", m.PivotArcRadius);
  r.Int("ArcCalibration", "ArcCenterOffsetX", m.ArcCenterOffsetX);
  r.Int("ArcCalibration", "ArcCenterOffsetY", m.ArcCenterOffsetY);
  if (m.ArcCalibrationDone) {
    r.Int("ArcCalibration", "CenterX", m.ArcCenter.X);
    r.Int("ArcCalibration", "CenterY", m.ArcCenter.Y);
    r.Int("ArcCalibration", "Radius", m.ArcRadius);
  }
  r.Bool("ArcCalibration", "EnableArcIndependentPivot", m.IndependentPivotSet, false);
  if (m.IndependentPivotSet) {
    r.Int("ArcCalibration", "ArcIndependentPivotPointX", m.IndependentPivot.X, false);
    r.Int("ArcCalibration", "ArcIndependentPivotPointY", m.IndependentPivot.Y, false);
  }
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

void ReadConfig(const IniFile& ini, AppConfig& config) {
  Reader reader(ini);
  ReadWindowSection(reader, config.window);
  ReadVisualSection(reader, config);
  ReadNeedleMovementSection(reader, config.meter);
  ReadArcCalibrationSection(reader, config.meter);
  if (std::optional<std::int32_t> interval = reader.TimerInterval()) {
    if (*interval < 0) throw ConfigError("Range check error");
    config.window.TimerInterval = *interval;
  }
  reader.Bool("Logging", "EnableLogging", config.window.EnableLogging);
  config.radio = ParseRadioType(ini.ReadString("Radio", "Type", ""));
}

void WriteConfig(IniFile& ini, const AppConfig& config) {
  for (std::string_view section : {"Settings", "Window", "ArcCalibration", "NeedleMovement",
                                   "Visual", "Timer", "Logging", "PivotPoint"}) {
    ini.EraseSection(section);
  }
  const WindowSettings& w = config.window;
  const MeterState& m = config.meter;

  ini.WriteInteger("Window", "Top", w.Top);
  ini.WriteInteger("Window", "Left", w.Left);
  ini.WriteBool("Window", "Borderless", w.Borderless);
  ini.WriteBool("Window", "AlwaysOnTop", w.AlwaysOnTop);
  ini.WriteBool("Window", "ClickThrough", w.ClickThrough);
  ini.WriteBool("Window", "TrackSmartSDRWindow", w.TrackSmartSDRWindowOn);

  ini.WriteString("Visual", "BackgroundImageFileName", w.BackgroundImageFileName);
  ini.WriteInteger("Visual", "NeedleLength", m.NeedleLength);
  ini.WriteInteger("Visual", "NeedleThickness", m.NeedleThickness);
  ini.WriteString("Visual", "NeedleColor", Color32ToString(m.NeedleColor));
  ini.WriteInteger("Visual", "ImageBottomOffset", m.ImageBottomOffset);
  ini.WriteBool("Visual", "ShowArcMarkings", m.ShowArcMarkings);
  ini.WriteBool("Visual", "EnableShadow", m.EnableShadow);
  ini.WriteInteger("Visual", "ShadowOffset", m.ShadowOffset);
  ini.WriteInteger("Visual", "ShadowTransparency", m.ShadowTransparency);
  ini.WriteBool("Visual", "UseNeedleColorForShadow", m.UseNeedleColorForShadow);
  if (!m.UseNeedleColorForShadow)
    ini.WriteString("Visual", "ShadowColor", Color32ToString(m.ShadowColor));

  ini.WriteFloat("NeedleMovement", "SmoothingFactor", m.SmoothingFactor);
  ini.WriteFloat("NeedleMovement", "DecayFactor", m.DecayFactor);
  ini.WriteFloat("NeedleMovement", "DampingFactor", m.DampingFactor);
  ini.WriteFloat("NeedleMovement", "MinimumMoveThreshold", m.MinimumMoveThreshold);
  ini.WriteString("NeedleMovement", "NeedleMovementMode",
                  m.NeedleMovementMode == nmFastAttackSlowDecay ? "FastAttackSlowDecay"
                                                                : "ExponentialSmoothing");

  ini.WriteBool("ArcCalibration", "UseArcCalibration", m.UseArcCalibration);
  ini.WriteBool("ArcCalibration", "ArcCalibrationDone", m.ArcCalibrationDone);
  ini.WriteInteger("ArcCalibration", "NeedleLengthOffset", m.NeedleLengthOffset);
  ini.WriteInteger("ArcCalibration", "PivotArcRadius", m.PivotArcRadius);
  ini.WriteInteger("ArcCalibration", "ArcCenterOffsetX", m.ArcCenterOffsetX);
  ini.WriteInteger("ArcCalibration", "ArcCenterOffsetY", m.ArcCenterOffsetY);
  if (m.ArcCalibrationDone) {
    ini.WriteInteger("ArcCalibration", "CenterX", m.ArcCenter.X);
    ini.WriteInteger("ArcCalibration", "CenterY", m.ArcCenter.Y);
    ini.WriteInteger("ArcCalibration", "Radius", m.ArcRadius);
  }
  ini.WriteBool("ArcCalibration", "EnableArcIndependentPivot", m.IndependentPivotSet);
  if (m.IndependentPivotSet) {
    ini.WriteInteger("ArcCalibration", "ArcIndependentPivotPointX", m.IndependentPivot.X);
    ini.WriteInteger("ArcCalibration", "ArcIndependentPivotPointY", m.IndependentPivot.Y);
  }

  ini.WriteInteger("Timer", "Interval", w.TimerInterval);
  ini.WriteBool("Logging", "EnableLogging", w.EnableLogging);
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
