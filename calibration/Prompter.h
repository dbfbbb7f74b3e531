#pragma once

#include <optional>
#include <string>
#include <vector>

namespace quendal {

// Modal questions to the user: the window answers with message boxes, tests with a script.
class Prompter {
 public:
  virtual ~Prompter() = default;
  virtual void info(const std::string& text) = 0;
  virtual bool confirm(const std::string& text) = 0;
  // One of Items, or with Typed also a text of the user's own; none when cancelled.
  virtual std::optional<std::string> choose(const std::string& text,
                                            const std::vector<std::string>& Items, bool Typed) = 0;
};

}  // namespace quendal
