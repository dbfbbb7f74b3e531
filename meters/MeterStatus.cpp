#include "meters/MeterStatus.h"

#include <array>
#include <cstddef>
#include <optional>
#include <vector>

#include "meters/LevelConversions.h"
#include "meters/MeterDatagram.h"
#include "support/AsciiText.h"
#include "support/NumberFormat.h"

namespace quendal {

namespace {

constexpr std::string_view kMeterMarker = "|meter";

bool IsLineBreak(char c) { return c == '\r' || c == '\n'; }
bool IsQuote(char c) { return c == '"' || c == '\''; }
bool IsBlankChar(char c) { return static_cast<unsigned char>(c) <= ' ' || c == 0x7F; }

bool IsBlank(std::string_view text) {
  for (char c : text)
    if (!IsBlankChar(c)) return false;
  return true;
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlankChar(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlankChar(text.back())) text.remove_suffix(1);
  return text;
}

// Cuts a line at "#" outside quotes; quotes stay in the pieces. A quote groups only
// when the same quote closes it later in the line: a lone apostrophe ("Operator's mic")
// is plain text and must not swallow the meters after it.
std::vector<std::string_view> SplitSegments(std::string_view line) {
  std::vector<std::string_view> pieces;
  std::size_t start = 0;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (IsQuote(c)) {
      const std::size_t close = line.find(c, i + 1);
      if (close != std::string_view::npos) i = close;
    } else if (c == '#') {
      pieces.push_back(line.substr(start, i - start));
      start = i + 1;
    }
  }
  pieces.push_back(line.substr(start));
  return pieces;
}

// Line breaks always end a line, quoted or not.
std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (!IsLineBreak(text[i])) continue;
    lines.push_back(text.substr(start, i - start));
    start = i + 1;
  }
  lines.push_back(text.substr(start));
  return lines;
}

bool IsReplyLine(std::string_view line, std::size_t firstBar) {
  if (line.size() < 2 || line[0] != 'R' || firstBar == std::string_view::npos || firstBar < 2)
    return false;
  for (std::size_t i = 1; i < firstBar; ++i)
    if (line[i] < '0' || line[i] > '9') return false;
  return line.find('|', firstBar + 1) != std::string_view::npos;
}

// What stands in front of a line's first segment: "S<handle>|meter " of a status line,
// "R<seq>|<code>|" of a reply; otherwise the first "|" and two characters after it.
std::string_view StripLinePrefix(std::string_view line) {
  const std::size_t marker = FindIgnoringAsciiCase(line, kMeterMarker);
  if (marker != std::string_view::npos) {
    std::string_view rest = line.substr(marker + kMeterMarker.size());
    if (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
    return rest;
  }
  const std::size_t firstBar = line.find('|');
  if (IsReplyLine(line, firstBar)) return line.substr(line.find('|', firstBar + 1) + 1);
  const std::size_t cut = firstBar == std::string_view::npos ? 2 : firstBar + 3;
  return cut >= line.size() ? std::string_view() : line.substr(cut);
}

// "9 removed": the radio dropped meter 9 (its slice closed); the ID, or nothing.
std::optional<std::string_view> RemovedMeterId(std::string_view rest) {
  rest = TrimBlanks(rest);
  const std::size_t blank = rest.find(' ');
  if (blank == 0 || blank == std::string_view::npos) return std::nullopt;
  const std::string_view id = rest.substr(0, blank);
  if (id.find_first_of(".=#") != std::string_view::npos) return std::nullopt;
  if (TrimBlanks(rest.substr(blank)) != "removed") return std::nullopt;
  return id;
}

std::string_view MeterSegmentId(std::string_view segment) {
  const std::size_t dot = segment.find('.');
  if (dot == std::string_view::npos) return {};
  std::string_view id = segment.substr(0, dot);
  const std::size_t hash = id.find('#');
  return hash == std::string_view::npos ? id : id.substr(hash + 1);
}

std::string_view SegmentAttribute(std::string_view segment) {
  const std::size_t dot = segment.find('.');
  return dot == std::string_view::npos ? segment : segment.substr(dot + 1);
}

struct KeyValue {
  std::string_view key;
  std::string_view value;
};

// "key=value" counts only as exactly two non-empty pieces between the "=" signs.
std::optional<KeyValue> SplitAttribute(std::string_view attribute) {
  std::array<std::string_view, 2> pieces;
  std::size_t count = 0;
  std::size_t start = 0;
  while (start <= attribute.size()) {
    std::size_t end = attribute.find('=', start);
    if (end == std::string_view::npos) end = attribute.size();
    if (end > start) {
      if (count == pieces.size()) return std::nullopt;
      pieces[count++] = attribute.substr(start, end - start);
    }
    start = end + 1;
  }
  if (count != 2) return std::nullopt;
  return KeyValue{pieces[0], pieces[1]};
}

double ToFloat(std::string_view text) {
  if (std::optional<double> v = ParseDouble(TrimBlanks(text))) return *v;
  throw ConversionError("'" + std::string(text) + "' is not a valid floating point value");
}

std::int32_t ToInteger(std::string_view text) {
  if (std::optional<std::int32_t> v = ParseInt32(TrimBlanks(text))) return *v;
  throw ConversionError("'" + std::string(text) + "' is not a valid integer value");
}

// The first key rule that matches sets one field; other keys change nothing.
void ApplyMeterAttribute(TMeter& meter, std::string_view key, std::string_view value) {
  if (key == "src")
    meter.Src = value;
  else if (key.ends_with("num"))
    meter.Num = value;
  else if (key.ends_with("nam"))
    meter.Name = value;
  else if (key.ends_with("low"))
    meter.Low = ToFloat(value);
  else if (key.ends_with("hi"))
    meter.High = ToFloat(value);
  else if (key.ends_with("desc"))
    meter.Desc = value;
  else if (key.ends_with("unit"))
    meter.UnitStr = value;
  else if (key.ends_with("fps"))
    meter.FPS = ToInteger(value);
  else if (key.ends_with("group"))
    meter.Group = value;
  else if (key.ends_with("value"))
    meter.Value = ToFloat(value) / UnitScale(meter.UnitStr);
  else if (key.ends_with("peak"))
    meter.Peak = ToFloat(value) / UnitScale(meter.UnitStr);
}

}  // namespace

TMeterList& ParseMeterData(std::string_view MeterData, TMeterList& meters, TextLog& log) {
  log.Log("TFlexRadioLib.ParseMeterData: Parsing meter data.");

  // Each meter's attributes build on its own entry, never on the previous meter's.
  TMeter working;
  bool haveWorking = false;
  for (std::string_view line : SplitLines(MeterData)) {
    const std::string_view rest = StripLinePrefix(line);
    if (const std::optional<std::string_view> removed = RemovedMeterId(rest)) {
      // Its value is stale from now on and its ID may come back for another meter.
      meters.Remove(*removed);
      haveWorking = false;
      continue;
    }
    for (std::string_view segment : SplitSegments(rest)) {
      if (IsBlank(segment)) continue;
      const std::string_view id = MeterSegmentId(segment);
      if (!haveWorking || id != working.ID) {
        working = meters.FindById(id);
        haveWorking = true;
      }
      if (ParseMeterSegment(segment, working, log)) meters.AddOrUpdateMeter(working);
    }
  }

  log.Log("TFlexRadioLib.ParseMeterData: Meter data parsed successfully.");
  return meters;
}

bool ParseMeterSegment(std::string_view Segment, TMeter& Meter, TextLog& log) {
  log.Log("TFlexRadioLib.ParseMeterSegment: Parsing meter segment.");
  bool result = false;
  Meter.ID = MeterSegmentId(Segment);
  if (std::optional<KeyValue> attribute = SplitAttribute(SegmentAttribute(Segment))) {
    result = true;
    ApplyMeterAttribute(Meter, attribute->key, attribute->value);
  }
  log.Log("TFlexRadioLib.ParseMeterSegment: Meter segment parsed and scaled successfully.");
  return result;
}

std::string GetValueFromAttributeString(std::string_view Source, std::string_view Attribute) {
  std::string pattern;
  pattern.reserve(Attribute.size() + 2);
  pattern.append(" ").append(Attribute).append("=");
  const std::size_t hit = Source.rfind(pattern);
  if (hit == std::string_view::npos) return {};
  const std::string_view value = Source.substr(hit + pattern.size());
  return std::string(value.substr(0, value.find(' ')));
}

}  // namespace quendal
