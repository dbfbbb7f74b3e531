#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace quendal {

// Raised when the file cannot be read or written; the text names the path.
class IniFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A small order-preserving ini file. Section and key names match ignoring
// ASCII case; lines it does not understand (comments, blanks) are kept as they
// are, so a rewrite changes only what was written.
class IniFile {
 public:
  // What a message says about a value that holds a comment.
  static constexpr std::string_view kInlineCommentAdvice =
      "a comment needs a line of its own (one that starts with ;)";

  IniFile() = default;
  // Loads `path`; a missing file reads as empty. Throws IniFileError when an
  // existing file cannot be read or is larger than 16 MiB.
  explicit IniFile(std::string path);

  static IniFile FromText(std::string_view text);

  const std::string& Path() const { return path_; }

  bool SectionExists(std::string_view section) const;

  // The value with surrounding blanks and one pair of quotes removed, or
  // nothing when the key is missing.
  std::optional<std::string> ReadString(std::string_view section, std::string_view key) const;
  // Decimal, or hexadecimal after "$" or "0x"; nothing when missing or not an integer.
  std::optional<std::int32_t> ReadInteger(std::string_view section, std::string_view key) const;
  // An integer, non-zero meaning true; "true" is not an integer.
  std::optional<bool> ReadBool(std::string_view section, std::string_view key) const;
  // With the user's decimal separator.
  std::optional<double> ReadFloat(std::string_view section, std::string_view key) const;

  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view fallback) const;
  std::int32_t ReadInteger(std::string_view section, std::string_view key,
                           std::int32_t fallback) const;
  bool ReadBool(std::string_view section, std::string_view key, bool fallback) const;
  double ReadFloat(std::string_view section, std::string_view key, double fallback) const;

  void EraseSection(std::string_view section);
  // A new section goes to the end of the file, a new key to the end of its section.
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, std::int32_t value);
  void WriteBool(std::string_view section, std::string_view key, bool value);
  void WriteFloat(std::string_view section, std::string_view key, double value);

  std::string ToText() const;
  // Writes a temporary file beside the target and renames it over the old one,
  // so a failed save leaves the old file whole. Throws IniFileError
  // "Unable to write to <path>".
  void Save() const;
  void SaveAs(const std::string& path) const;

  // General format, at most 15 significant digits, user's decimal separator.
  static std::string FormatFloat(double value);
  static std::optional<std::int32_t> ParseInteger(std::string_view text);
  static std::optional<double> ParseFloat(std::string_view text);
  // Whether a value read whole holds a ';' or '#' after a blank: a comment written on the
  // key's line, which this format keeps as part of the value.
  static bool HoldsInlineComment(std::string_view value);

 private:
  struct Line {
    std::string text;  // the line as written, without its line break
    std::string key;   // empty for lines that hold no key
  };
  struct Section {
    std::string name;  // empty for the lines before the first section header
    bool has_header = false;
    std::vector<Line> lines;
  };

  void Parse(std::string_view text);
  const Section* FindSection(std::string_view name) const;
  Section* FindSection(std::string_view name);
  const Line* FindKey(const Section& section, std::string_view key) const;
  static std::string Unquote(std::string_view value);

  // Line ends of a file that has none yet: the system's text convention.
#ifdef _WIN32
  static constexpr std::string_view kNewFileLineBreak = "\r\n";
#else
  static constexpr std::string_view kNewFileLineBreak = "\n";
#endif

  std::string path_;
  std::vector<Section> sections_;
  std::string line_break_{kNewFileLineBreak};
  bool bom_ = false;
};

}  // namespace quendal
