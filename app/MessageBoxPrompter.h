#pragma once

#include <string>

#include "display/Prompter.h"

namespace quendal {

// Modal message boxes at the default screen position.
class MessageBoxPrompter final : public Prompter {
 public:
  explicit MessageBoxPrompter(std::string title) : title_(std::move(title)) {}
  void info(const std::string& text) override;
  bool confirm(const std::string& text) override;

 private:
  std::string title_;
};

}  // namespace quendal
