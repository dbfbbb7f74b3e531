#include "support/IniSection.h"

#include <optional>

#include "support/NumberFormat.h"

namespace quendal {

void IniSection::Refuse(std::string_view key, const std::string& value,
                        std::string_view wanted) const {
  if (IniFile::HoldsInlineComment(value)) wanted = IniFile::kInlineCommentAdvice;
  std::string where = "[" + std::string(name) + "] " + std::string(key);
  const std::string message = where + "=" + value + " is not usable: " + std::string(wanted) + ".";
  throw IniKeyError(message, std::move(where));
}

std::int32_t IniSection::ReadNumber(std::string_view key, std::int32_t fallback,
                                    std::int32_t lowest, std::int32_t highest,
                                    std::string_view wanted) const {
  const std::optional<std::string> text = ini.ReadString(name, key);
  if (!text || text->empty()) return fallback;
  const std::optional<std::int32_t> value = ParseInt32(*text);
  if (!value || *value < lowest || *value > highest) Refuse(key, *text, wanted);
  return *value;
}

std::string IniSection::ReadText(std::string_view key, std::string_view fallback) const {
  const std::string text = ini.ReadString(name, key, fallback);
  if (IniFile::HoldsInlineComment(text)) Refuse(key, text, IniFile::kInlineCommentAdvice);
  return text;
}

}  // namespace quendal
