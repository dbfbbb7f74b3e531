#include "support/TextLog.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/support/FakeClock.h"

namespace quendal {
namespace {

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

class TextLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("textlog_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::filesystem::path dir_;
  testing::FakeClock clock_;
};

TEST_F(TextLogTest, WritesStampedLinesAndAppends) {
  const auto path = dir_ / "a.log";
  { std::ofstream(path, std::ios::binary) << "old\r\n"; }
  TextLog log(path.string(), clock_);
  log.SetEnabled(true);
  log.Log("first");
  clock_.local.millisecond = 7;
  log.Log("two\r\nlines");
  EXPECT_EQ(ReadAll(path),
            "old\r\n"
            "2026-12-08 17:05:09.042: first\r\n"
            "2026-12-08 17:05:09.007: two\r\nlines\r\n");
}

// Qt hands over file names as UTF-8, whatever the system's code page.
TEST_F(TextLogTest, Utf8PathNamesTheFileOnDisk) {
  const std::filesystem::path folder = dir_ / u8"Z\u00e4hler \u041c";
  std::filesystem::create_directories(folder);
  TextLog log(dir_.string() + "/Z\xC3\xA4hler \xD0\x9C/radio.log", clock_);
  log.SetEnabled(true);
  log.Log("line");
  EXPECT_EQ(ReadAll(folder / "radio.log"), "2026-12-08 17:05:09.042: line\r\n");
}

TEST_F(TextLogTest, DisabledLogTouchesNothing) {
  const auto path = dir_ / "off.log";
  TextLog log(path.string(), clock_);
  log.Log("nothing");
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(TextLogTest, BuildsLazyTextOnlyWhenEnabled) {
  for (const bool enabled : {false, true}) {
    const auto path = dir_ / (enabled ? "on.log" : "off.log");
    TextLog log(path.string(), clock_);
    log.SetEnabled(enabled);
    int built = 0;
    log.Log([&] {
      ++built;
      return std::string("built");
    });
    EXPECT_EQ(built, enabled ? 1 : 0);
    EXPECT_EQ(ReadAll(path), enabled ? "2026-12-08 17:05:09.042: built\r\n" : "");
  }
}

// Each stamped line here is 30 bytes; the log holds two of them, the line too long for
// any log goes whole into an empty one.
TEST_F(TextLogTest, FullLogMovesToPreviousFileWithLinesWhole) {
  const auto path = dir_ / "cap.log";
  auto previous = path;
  previous += ".1";
  TextLog log(path.string(), clock_, 60);
  log.SetEnabled(true);
  const std::string stamp = "2026-12-08 17:05:09.042: ";
  struct Step {
    const char* message;
    std::string log;
    std::string previous;
  };
  const Step steps[] = {
      {"one", stamp + "one\r\n", ""},
      {"two", stamp + "one\r\n" + stamp + "two\r\n", ""},
      {"six", stamp + "six\r\n", stamp + "one\r\n" + stamp + "two\r\n"},
      {"a line longer than the limit", stamp + "a line longer than the limit\r\n",
       stamp + "six\r\n"},
      {"ten", stamp + "ten\r\n", stamp + "a line longer than the limit\r\n"},
  };
  for (const Step& step : steps) {
    log.Log(step.message);
    EXPECT_EQ(ReadAll(path), step.log) << step.message;
    EXPECT_EQ(ReadAll(previous), step.previous) << step.message;
  }
}

TEST_F(TextLogTest, UnwritableFileIsReportedOnceAndDropped) {
  TextLog log((dir_ / "missing-dir" / "x.log").string(), clock_);
  log.SetEnabled(true);
  ::testing::internal::CaptureStderr();
  log.Log("one");
  log.Log("two");
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("Cannot write log file"), std::string::npos);
  EXPECT_EQ(err.find("Cannot write log file"), err.rfind("Cannot write log file"));
}

}  // namespace
}  // namespace quendal
