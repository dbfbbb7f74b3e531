#pragma once

#include <string>

namespace quendal {

// Modal questions to the user: the window answers with message boxes, tests with a script.
class Prompter {
 public:
  virtual ~Prompter() = default;
  virtual void info(const std::string& text) = 0;
  virtual bool confirm(const std::string& text) = 0;
};

}  // namespace quendal
