#include <gtest/gtest.h>

#include "tests/flex/FakeRadio.h"

namespace quendal::testing {
namespace {

// The application must exist before any fixture builds its sockets. Tests of widgets
// make a QApplication of their own instead.
class ApplicationEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { EnsureApplication(); }
};
[[maybe_unused]] ::testing::Environment* const kApplicationEnvironment =
    ::testing::AddGlobalTestEnvironment(new ApplicationEnvironment);

}  // namespace
}  // namespace quendal::testing
