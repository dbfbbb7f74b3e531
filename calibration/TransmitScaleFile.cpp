#include "calibration/TransmitScaleFile.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <optional>
#include <system_error>
#include <utility>

#include "calibration/CalibrationFile.h"
#include "support/NumberFormat.h"
#include "support/Utf8Path.h"

namespace quendal {

namespace {

constexpr std::string_view kBlanks = " \t";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kInfinitySign = "\xE2\x88\x9E";

std::vector<std::string_view> Words(std::string_view text) {
  std::vector<std::string_view> words;
  while (true) {
    const std::size_t start = text.find_first_not_of(kBlanks);
    if (start == std::string_view::npos) return words;
    text.remove_prefix(start);
    const std::size_t end = std::min(text.find_first_of(kBlanks), text.size());
    words.push_back(text.substr(0, end));
    text.remove_prefix(end);
  }
}

// In quotes, control characters shown as "?": the text goes to messages and logs.
std::string Quoted(std::string_view text) {
  std::string quoted = "\"";
  for (const char c : text) {
    const bool control = static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
    quoted.push_back(control ? '?' : c);
  }
  return quoted + "\"";
}

std::string ValueText(double value) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

std::optional<double> FiniteNumber(std::string_view text) {
  const std::optional<double> value = ParseDouble(text);
  if (!value || !std::isfinite(*value)) return std::nullopt;
  return value;
}

// The file's bytes, or a problem: a folder, unreadable or too large.
std::pair<std::string, std::string> FileContents(const std::string& fileName) {
  const std::filesystem::path path = PathFromUtf8(fileName);
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) return {{}, "is a folder"};
  std::ifstream in(path, std::ios::binary);
  if (!in) return {{}, "cannot be opened"};
  std::string text(kMaxScaleFileBytes + 1, '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  if (in.bad()) return {{}, "cannot be read"};
  text.resize(static_cast<std::size_t>(in.gcount()));
  if (text.size() > kMaxScaleFileBytes) {
    return {{}, "is larger than " + std::to_string(kMaxScaleFileBytes / 1024) + " KiB"};
  }
  return {std::move(text), std::string()};
}

// One "value x y" line; a problem, or "" with the mark filled in.
std::string ParseMarkLine(std::string_view line, ScaleMark& mark) {
  const std::vector<std::string_view> words = Words(line);
  if (words.size() != 3) return "expected \"value x y\", found " + Quoted(line);
  const std::optional<double> value = FiniteNumber(words[0]);
  if (!value) return "the value " + Quoted(words[0]) + " is not a number";
  const std::optional<std::int32_t> x = ParseInt32(words[1]);
  const std::optional<std::int32_t> y = ParseInt32(words[2]);
  if (!x || !y)
    return "the point " +
           Quoted(line.substr(static_cast<std::size_t>(words[1].data() - line.data()))) +
           " is not two whole pixel numbers";
  mark = {*value, {*x, *y}};
  return {};
}

// The marks of the file's text, or the problem with the line it names.
std::string ParseMarks(std::string_view text, std::vector<ScaleMark>& marks) {
  if (text.starts_with(kUtf8Bom)) text.remove_prefix(kUtf8Bom.size());
  for (std::size_t number = 1; !text.empty(); ++number) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    std::string_view line = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    if (line.ends_with('\r')) line.remove_suffix(1);
    const std::string where = "line " + std::to_string(number) + ": ";
    if (line.size() > kMaxScaleLineLength) {
      return where + "longer than " + std::to_string(kMaxScaleLineLength) + " characters";
    }
    const std::size_t first = line.find_first_not_of(kBlanks);
    if (first == std::string_view::npos || line[first] == '#') continue;
    if (marks.size() == kMaxScaleMarks) {
      return where + "more than " + std::to_string(kMaxScaleMarks) + " marks";
    }
    ScaleMark mark;
    if (std::string problem = ParseMarkLine(line, mark); !problem.empty()) return where + problem;
    if (!marks.empty() && !(mark.Value > marks.back().Value)) {
      return where + "the value " + ValueText(mark.Value) + " is not above the " +
             ValueText(marks.back().Value) + " before it";
    }
    marks.push_back(mark);
  }
  if (marks.size() < 2)
    return "a scale needs at least two marks, found " + std::to_string(marks.size());
  return {};
}

}  // namespace

std::string TransmitScaleFileName(const std::string& FaceFileName, TransmitReading Reading) {
  return FileBesideFace(FaceFileName, "." + std::string(TransmitReadingKey(Reading)) + ".txt");
}

ScaleFile ReadScaleFile(const std::string& FileName) {
  std::error_code ec;
  if (!std::filesystem::exists(PathFromUtf8(FileName), ec) && !ec) return {};
  auto [text, problem] = FileContents(FileName);
  if (!problem.empty()) return {Scale(), FileName + ": " + problem};
  return ParseScaleFile(text, FileName);
}

ScaleFile ParseScaleFile(std::string_view Text, const std::string& FileName) {
  std::vector<ScaleMark> marks;
  std::string problem = ParseMarks(Text, marks);
  if (!problem.empty()) {
    const char* const separator = problem.starts_with("line ") ? ", " : ": ";
    return {Scale(), FileName + separator + problem};
  }
  return {Scale(std::move(marks), ScaleInterpolation::Angle), {}};
}

std::string WriteScaleFile(const std::vector<ScaleMark>& Marks, const std::string& FileName) {
  if (std::string problem = ScaleMarksProblem(Marks); !problem.empty()) {
    return FileName + " not written: " + problem;
  }
  std::string text = "# value x y: the mark's value and its point on the face in pixels\r\n";
  for (const ScaleMark& mark : Marks) {
    text += ValueText(mark.Value) + " " + std::to_string(mark.Point.X) + " " +
            std::to_string(mark.Point.Y) + "\r\n";
  }
  const std::filesystem::path target = PathFromUtf8(FileName);
  std::filesystem::path temporary = target;
  temporary += ".tmp";
  std::string failure = FileName + " could not be written";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.close();
    if (!out) {
      std::error_code ignored;
      std::filesystem::remove(temporary, ignored);
      return failure;
    }
  }
  std::error_code ec;
  std::filesystem::rename(temporary, target, ec);
  if (ec) {
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    return failure + ": " + ec.message();
  }
  return {};
}

std::vector<std::vector<double>> ScalePresets(TransmitReading Reading) {
  switch (Reading) {
    case TransmitReading::Power:
      return {{0, 25, 50, 75, 100},
              {0, 50, 100, 150, 200},
              {0, 250, 500, 750, 1000},
              {0, 500, 1000, 1500}};
    case TransmitReading::Swr:
      return {{1, 1.5, 2, 3, kSwrInfinity}};
    case TransmitReading::Alc:
    case TransmitReading::Compression:
      return {};
  }
  return {};
}

std::string TransmitMarkValue(TransmitReading Reading, double Value) {
  if (Reading == TransmitReading::Swr && Value == kSwrInfinity) return std::string(kInfinitySign);
  return ValueText(Value);
}

std::string TransmitMarkName(TransmitReading Reading, double Value) {
  const std::string value = TransmitMarkValue(Reading, Value);
  const std::string unit(TransmitUnit(Reading));
  // A ratio has no unit: its reading's name goes first, as the face prints it.
  return Reading == TransmitReading::Swr ? unit + " " + value : value + " " + unit;
}

std::string ScaleValuesText(const std::vector<double>& Values, TransmitReading Reading) {
  std::string text;
  for (const double value : Values) {
    if (!text.empty()) text += ' ';
    text += TransmitMarkValue(Reading, value);
  }
  return text;
}

ScaleValues ParseScaleValues(std::string_view Text, TransmitReading Reading) {
  if (Text.size() > kMaxScaleLineLength) {
    return {{}, "longer than " + std::to_string(kMaxScaleLineLength) + " characters"};
  }
  std::vector<double> values;
  for (std::string_view word : Words(Text)) {
    const bool infinity = word == kInfinitySign || word == "inf";
    if (infinity && Reading != TransmitReading::Swr) {
      return {{}, Quoted(word) + " is a mark of the SWR scale only"};
    }
    const std::optional<double> value = infinity ? kSwrInfinity : FiniteNumber(word);
    if (!value) return {{}, Quoted(word) + " is not a number"};
    if (!values.empty() && !(*value > values.back())) {
      return {{},
              ValueText(*value) + " is not above the " + ValueText(values.back()) + " before it"};
    }
    values.push_back(*value);
  }
  if (values.size() < 2) return {{}, "a scale needs at least two marks"};
  return {std::move(values), {}};
}

}  // namespace quendal
