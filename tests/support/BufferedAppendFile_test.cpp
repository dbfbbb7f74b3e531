#include "support/BufferedAppendFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace quendal {
namespace {

using std::chrono::milliseconds;

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class BufferedAppendFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ =
        std::filesystem::temp_directory_path() /
        ("quendal-append-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
         ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }
  std::filesystem::path folder_;
};

TEST_F(BufferedAppendFileTest, WritesOnceASecondAndAppendsAfterWhatIsThere) {
  const std::filesystem::path path = folder_ / "levels.csv";
  const std::chrono::steady_clock::time_point start{};
  {
    BufferedAppendFile file(path.string(), "a,b", nullptr);
    file.Add("1,2");
    file.FlushIfDue(start);
    EXPECT_EQ(ReadAll(path), "a,b\r\n1,2\r\n");
    file.Add("3,4");
    file.FlushIfDue(start + milliseconds(999));
    EXPECT_EQ(ReadAll(path), "a,b\r\n1,2\r\n");
    file.FlushIfDue(start + milliseconds(1000));
    EXPECT_EQ(ReadAll(path), "a,b\r\n1,2\r\n3,4\r\n");
    file.Add("5,6");
  }
  EXPECT_EQ(ReadAll(path), "a,b\r\n1,2\r\n3,4\r\n5,6\r\n");
  BufferedAppendFile again(path.string(), "a,b", nullptr);
  again.Add("7,8");
  again.Flush();
  EXPECT_EQ(ReadAll(path), "a,b\r\n1,2\r\n3,4\r\n5,6\r\n7,8\r\n");
}

TEST_F(BufferedAppendFileTest, AFailedWriteIsReportedOnce) {
  std::vector<std::string> reports;
  const std::string path = (folder_ / "missing" / "levels.csv").string();
  BufferedAppendFile file(path, "a,b", [&](const std::string& text) { reports.push_back(text); });
  for (int i = 0; i < 3; ++i) {
    file.Add("1,2");
    file.Flush();
  }
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0], path + " cannot be written (No such file or directory)");
}

}  // namespace
}  // namespace quendal
