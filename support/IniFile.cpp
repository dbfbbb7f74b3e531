#include "support/IniFile.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <system_error>
#include <utility>

#include "support/AsciiText.h"
#include "support/NumberFormat.h"
#include "support/Utf8Path.h"

namespace quendal {

namespace {

constexpr std::uintmax_t kMaxFileSize = std::uintmax_t{16} * 1024 * 1024;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && (IsBlank(s.back()) || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

// "[name]" -> name; nothing when the line is no section header.
std::optional<std::string> SectionHeaderName(std::string_view line) {
  line = Trim(line);
  if (line.size() < 2 || line.front() != '[') return std::nullopt;
  const std::size_t close = line.find(']');
  if (close == std::string_view::npos) return std::nullopt;
  return std::string(Trim(line.substr(1, close - 1)));
}

// The key of a "key=value" line; empty for comments and lines without "=".
std::string KeyOfLine(std::string_view line) {
  const std::string_view trimmed = Trim(line);
  if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '#') return {};
  const std::size_t eq = trimmed.find('=');
  if (eq == std::string_view::npos) return {};
  return std::string(Trim(trimmed.substr(0, eq)));
}

std::string_view ValueOfLine(std::string_view line) {
  const std::size_t eq = line.find('=');
  return eq == std::string_view::npos ? std::string_view{} : line.substr(eq + 1);
}

}  // namespace

IniFile::IniFile(std::string path) : path_(std::move(path)) {
  const std::filesystem::path file = PathFromUtf8(path_);
  std::error_code ec;
  if (!std::filesystem::exists(file, ec)) return;
  const std::uintmax_t size = std::filesystem::file_size(file, ec);
  if (ec) throw IniFileError("Unable to read " + path_);
  if (size > kMaxFileSize) throw IniFileError("File too large: " + path_);
  std::ifstream in(file, std::ios::binary);
  if (!in) throw IniFileError("Unable to read " + path_);
  std::ostringstream content;
  content << in.rdbuf();
  if (in.bad()) throw IniFileError("Unable to read " + path_);
  Parse(content.str());
}

IniFile IniFile::FromText(std::string_view text) {
  IniFile ini;
  ini.Parse(text);
  return ini;
}

void IniFile::Parse(std::string_view text) {
  sections_.clear();
  if (text.substr(0, 3) == "\xEF\xBB\xBF") {
    bom_ = true;
    text.remove_prefix(3);
  }
  // The file keeps the line ends it has; only a file without any gets the system's.
  const std::size_t first_lf = text.find('\n');
  if (first_lf != std::string_view::npos)
    line_break_ = first_lf > 0 && text[first_lf - 1] == '\r' ? "\r\n" : "\n";

  sections_.push_back(Section{});
  while (!text.empty()) {
    const std::size_t lf = text.find('\n');
    std::string_view line = text.substr(0, lf);
    text = lf == std::string_view::npos ? std::string_view{} : text.substr(lf + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

    if (std::optional<std::string> name = SectionHeaderName(line)) {
      sections_.push_back(Section{*name, true, {}});
      sections_.back().lines.push_back(Line{std::string(line), {}});
    } else {
      sections_.back().lines.push_back(Line{std::string(line), KeyOfLine(line)});
    }
  }
}

const IniFile::Section* IniFile::FindSection(std::string_view name) const {
  for (const Section& s : sections_)
    if (s.has_header && EqualsIgnoringAsciiCase(s.name, name)) return &s;
  return nullptr;
}

IniFile::Section* IniFile::FindSection(std::string_view name) {
  for (Section& s : sections_)
    if (s.has_header && EqualsIgnoringAsciiCase(s.name, name)) return &s;
  return nullptr;
}

const IniFile::Line* IniFile::FindKey(const Section& section, std::string_view key) const {
  for (const Line& line : section.lines)
    if (!line.key.empty() && EqualsIgnoringAsciiCase(line.key, key)) return &line;
  return nullptr;
}

bool IniFile::SectionExists(std::string_view section) const {
  return FindSection(section) != nullptr;
}

std::string IniFile::Unquote(std::string_view value) {
  value = Trim(value);
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return std::string(value);
}

std::optional<std::string> IniFile::ReadString(std::string_view section,
                                               std::string_view key) const {
  const Section* s = FindSection(section);
  if (s == nullptr) return std::nullopt;
  const Line* line = FindKey(*s, key);
  if (line == nullptr) return std::nullopt;
  return Unquote(ValueOfLine(line->text));
}

std::optional<std::int32_t> IniFile::ParseInteger(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  int base = 10;
  if (!text.empty() && text.front() == '$') {
    base = 16;
    text.remove_prefix(1);
  } else if (text.size() > 1 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty()) return std::nullopt;
  std::uint64_t magnitude = 0;
  const char* end = text.data() + text.size();
  auto r = std::from_chars(text.data(), end, magnitude, base);
  if (r.ec != std::errc() || r.ptr != end) return std::nullopt;

  if (base == 16) {
    // Hex spells the 32 bits, so $FFFFFFFF is -1.
    if (magnitude > 0xFFFFFFFFull) return std::nullopt;
    auto bits = static_cast<std::uint32_t>(magnitude);
    if (negative) bits = 0u - bits;
    return static_cast<std::int32_t>(bits);
  }
  const std::int64_t value =
      negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
  if (magnitude > 0x80000000ull || value < std::numeric_limits<std::int32_t>::min() ||
      value > std::numeric_limits<std::int32_t>::max())
    return std::nullopt;
  return static_cast<std::int32_t>(value);
}

std::optional<double> IniFile::ParseFloat(std::string_view text) {
  const char separator = DecimalSeparator();
  std::string normalized(text);
  for (char& c : normalized) {
    if (c == separator) {
      c = '.';
    } else if (c == '.') {
      return std::nullopt;  // not the user's separator
    }
  }
  std::optional<double> value = ParseDouble(normalized);
  if (!value || !std::isfinite(*value)) return std::nullopt;
  return value;
}

bool IniFile::HoldsInlineComment(std::string_view value) {
  for (std::size_t i = 1; i < value.size(); ++i) {
    if ((value[i] == ';' || value[i] == '#') && IsBlank(value[i - 1])) return true;
  }
  return false;
}

std::optional<std::int32_t> IniFile::ReadInteger(std::string_view section,
                                                 std::string_view key) const {
  const std::optional<std::string> text = ReadString(section, key);
  return text ? ParseInteger(*text) : std::nullopt;
}

std::optional<bool> IniFile::ReadBool(std::string_view section, std::string_view key) const {
  const std::optional<std::int32_t> value = ReadInteger(section, key);
  if (!value) return std::nullopt;
  return *value != 0;
}

std::optional<double> IniFile::ReadFloat(std::string_view section, std::string_view key) const {
  const std::optional<std::string> text = ReadString(section, key);
  return text ? ParseFloat(*text) : std::nullopt;
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view fallback) const {
  return ReadString(section, key).value_or(std::string(fallback));
}

std::int32_t IniFile::ReadInteger(std::string_view section, std::string_view key,
                                  std::int32_t fallback) const {
  return ReadInteger(section, key).value_or(fallback);
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool fallback) const {
  return ReadBool(section, key).value_or(fallback);
}

double IniFile::ReadFloat(std::string_view section, std::string_view key, double fallback) const {
  return ReadFloat(section, key).value_or(fallback);
}

void IniFile::EraseSection(std::string_view section) {
  std::erase_if(sections_, [&](const Section& s) {
    return s.has_header && EqualsIgnoringAsciiCase(s.name, section);
  });
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  Section* s = FindSection(section);
  if (s == nullptr) {
    sections_.push_back(Section{std::string(section), true, {}});
    s = &sections_.back();
    std::string header = "[";
    header += section;
    header += ']';
    s->lines.push_back(Line{std::move(header), {}});
  }
  // A value that would lose blanks or quotes on reading goes out in double quotes.
  const std::string text =
      Unquote(value) == value ? std::string(value) : '"' + std::string(value) + '"';
  for (Line& line : s->lines) {
    if (!line.key.empty() && EqualsIgnoringAsciiCase(line.key, key)) {
      line.text = line.key + "=" + text;
      return;
    }
  }
  // After the last key, so blank lines that part sections stay between them.
  std::size_t insert_at = s->lines.size();
  while (insert_at > 1 && Trim(s->lines[insert_at - 1].text).empty()) --insert_at;
  s->lines.insert(s->lines.begin() + static_cast<std::ptrdiff_t>(insert_at),
                  Line{std::string(key) + "=" + text, std::string(key)});
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, std::int32_t value) {
  WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void IniFile::WriteFloat(std::string_view section, std::string_view key, double value) {
  WriteString(section, key, FormatFloat(value));
}

std::string IniFile::FormatFloat(double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  if (value == 0.0) return "0";

  // Round to 15 significant digits first; the exponent is that of the rounded value.
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.14e", value);
  std::string text(buffer);
  const std::size_t e_pos = text.find('e');
  const int exponent = std::atoi(text.c_str() + e_pos + 1);
  std::string digits;
  for (std::size_t i = 0; i < e_pos; ++i)
    if (text[i] >= '0' && text[i] <= '9') digits += text[i];
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

  std::string out = value < 0 ? "-" : "";
  const std::string separator(1, DecimalSeparator());
  if (exponent < -4 || exponent > 15) {
    out += digits.substr(0, 1);
    if (digits.size() > 1) out += separator + digits.substr(1);
    out += 'E';
    out += std::to_string(exponent);
  } else if (exponent < 0) {
    const int zeros = -exponent - 1;  // 0 to 3 here
    out += "0" + separator + std::string(static_cast<std::size_t>(zeros), '0') + digits;
  } else {
    const auto whole = static_cast<std::size_t>(exponent) + 1;  // exponent is 0 to 15 here
    if (digits.size() <= whole) {
      out += digits + std::string(whole - digits.size(), '0');
    } else {
      out += digits.substr(0, whole) + separator + digits.substr(whole);
    }
  }
  return out;
}

std::string IniFile::ToText() const {
  std::string out = bom_ ? "\xEF\xBB\xBF" : "";
  for (const Section& s : sections_)
    for (const Line& line : s.lines) out += line.text + line_break_;
  return out;
}

void IniFile::Save() const { SaveAs(path_); }

void IniFile::SaveAs(const std::string& path) const {
  const std::filesystem::path target = PathFromUtf8(path);
  std::filesystem::path temp = target;
  temp += ".tmp";
  const std::string failure = "Unable to write to " + path;
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) throw IniFileError(failure);
    const std::string text = ToText();
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.close();
    if (!out) {
      std::error_code ignored;
      std::filesystem::remove(temp, ignored);
      throw IniFileError(failure);
    }
  }
  std::error_code ec;
  std::filesystem::rename(temp, target, ec);
  if (ec) {
    std::error_code ignored;
    std::filesystem::remove(temp, ignored);
    throw IniFileError(failure);
  }
}

}  // namespace quendal
