#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "calibration/Prompter.h"

namespace quendal::testing {

// Answers confirmations and choices from a script (Yes, and the first item, once it runs
// out) and records every text shown, as "info: ...", "ask: ..." or "choose: ... [a|b]".
class ScriptedPrompter final : public Prompter {
 public:
  std::deque<bool> answers;
  std::deque<std::optional<std::string>> choices;
  std::vector<std::string> shown;

  void info(const std::string& text) override { shown.push_back("info: " + text); }
  bool confirm(const std::string& text) override {
    shown.push_back("ask: " + text);
    if (answers.empty()) return true;
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
  }
  std::optional<std::string> choose(const std::string& text, const std::vector<std::string>& items,
                                    bool typed) override {
    std::string list;
    for (const std::string& item : items) list += (list.empty() ? "" : "|") + item;
    shown.push_back("choose: " + text + " [" + list + "]" + (typed ? " or typed" : ""));
    if (choices.empty()) return items.empty() ? std::nullopt : std::optional(items.front());
    std::optional<std::string> choice = choices.front();
    choices.pop_front();
    return choice;
  }
};

}  // namespace quendal::testing
