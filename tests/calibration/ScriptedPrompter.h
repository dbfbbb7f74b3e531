#pragma once

#include <deque>
#include <string>
#include <vector>

#include "calibration/Prompter.h"

namespace quendal::testing {

// Answers confirmations from a script (Yes once it runs out) and records every
// text shown, as "info: ..." or "ask: ...".
class ScriptedPrompter final : public Prompter {
 public:
  std::deque<bool> answers;
  std::vector<std::string> shown;

  void info(const std::string& text) override { shown.push_back("info: " + text); }
  bool confirm(const std::string& text) override {
    shown.push_back("ask: " + text);
    if (answers.empty()) return true;
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
  }
};

}  // namespace quendal::testing
