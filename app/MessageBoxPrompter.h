#pragma once

#include <optional>
#include <string>
#include <vector>

#include "calibration/Prompter.h"

namespace quendal {

// Modal message boxes at the default screen position. Messages that come while the
// window is not yet shown wait for it, so that a prompt such as "click S0" comes with
// the face it speaks of in view; questions cannot wait and come at once.
class MessageBoxPrompter final : public Prompter {
 public:
  explicit MessageBoxPrompter(std::string title) : title_(std::move(title)) {}
  void info(const std::string& text) override;
  bool confirm(const std::string& text) override;
  std::optional<std::string> choose(const std::string& text, const std::vector<std::string>& Items,
                                    bool Typed) override;

  // Shows the messages held so far, in order, and every later one at once.
  void Release();

 private:
  void Show(const std::string& text);

  std::string title_;
  bool held_ = true;
  std::vector<std::string> waiting_;
};

}  // namespace quendal
