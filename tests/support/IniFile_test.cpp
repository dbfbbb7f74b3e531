#include "support/IniFile.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/NumberFormat.h"

namespace quendal {
namespace {

// A file written from scratch has the system's line ends.
#ifdef _WIN32
const std::string kNewLine = "\r\n";
#else
const std::string kNewLine = "\n";
#endif

TEST(IniFileTest, ReadsValuesByTheirRules) {
  const IniFile ini = IniFile::FromText(
      "; settings\n"
      "[Window]\n"
      "Top = 120 \n"
      "left=$1F\n"
      "Hex=0x10\n"
      "Minus=-7\n"
      "AllBits=$FFFFFFFF\n"
      "TooBig=2147483648\n"
      "Borderless=true\n"
      "OnTop=5\n"
      "Off=0\n"
      "Quoted=\"  a b \"\n"
      "Single='x'\n"
      "Lonely=\"abc\n"
      "Empty=\n"
      "Eq=a=b\n"
      "[VISUAL]\r\n"
      "Factor=0.25\n"
      "Tiny=1E-5\n"
      "Word=abc\n");
  struct IntCase {
    const char* section;
    const char* key;
    std::optional<std::int32_t> expected;
  };
  const IntCase ints[] = {
      {"window", "TOP", 120},
      {"Window", "Left", 31},
      {"Window", "Hex", 16},
      {"Window", "Minus", -7},
      {"Window", "AllBits", -1},
      {"Window", "TooBig", std::nullopt},
      {"Window", "Borderless", std::nullopt},
      {"Window", "Nope", std::nullopt},
      {"Nowhere", "Top", std::nullopt},
      {"Window", "Empty", std::nullopt},
  };
  for (const IntCase& c : ints) EXPECT_EQ(ini.ReadInteger(c.section, c.key), c.expected) << c.key;

  EXPECT_EQ(ini.ReadBool("Window", "Borderless", true), true);  // "true" counts as missing
  EXPECT_EQ(ini.ReadBool("Window", "Borderless", false), false);
  EXPECT_EQ(ini.ReadBool("Window", "OnTop", false), true);
  EXPECT_EQ(ini.ReadBool("Window", "Off", true), false);

  struct StringCase {
    const char* key;
    std::optional<std::string> expected;
  };
  const StringCase strings[] = {
      {"Quoted", "  a b "}, {"Single", "x"}, {"Lonely", "\"abc"},
      {"Empty", ""},        {"Eq", "a=b"},   {"Missing", std::nullopt},
  };
  for (const StringCase& c : strings)
    EXPECT_EQ(ini.ReadString("Window", c.key), c.expected) << c.key;

  EXPECT_EQ(ini.ReadFloat("visual", "Factor"), 0.25);
  EXPECT_EQ(ini.ReadFloat("Visual", "Tiny"), 1e-5);
  EXPECT_EQ(ini.ReadFloat("Visual", "Word"), std::nullopt);
  EXPECT_TRUE(ini.SectionExists("visual"));
  EXPECT_FALSE(ini.SectionExists("Timer"));
}

// Values are taken whole; a ';' or '#' after a blank is a comment the user meant.
TEST(IniFileTest, InlineCommentIsTheOneAfterABlank) {
  const struct {
    const char* value;
    bool comment;
  } cases[] = {
      {"127.0.0.1:50001  ; some consoles use port 40001", true},
      {"/dev/ttyUSB0\t# or COM3", true},
      {"#FF0000", false},
      {"C:\\Faces\\dial;2.png", false},
      {"a#b", false},
      {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IniFile::HoldsInlineComment(c.value), c.comment) << c.value;
}

TEST(IniFileTest, FloatsFollowTheUserSeparator) {
  const IniFile ini = IniFile::FromText("[N]\nPoint=0.5\nComma=0,5\n");
  SetDecimalSeparator(',');
  EXPECT_EQ(ini.ReadFloat("N", "Point"), std::nullopt);
  EXPECT_EQ(ini.ReadFloat("N", "Comma"), 0.5);
  EXPECT_EQ(IniFile::FormatFloat(0.15), "0,15");
  SetDecimalSeparator('.');
  EXPECT_EQ(ini.ReadFloat("N", "Point"), 0.5);
  EXPECT_EQ(ini.ReadFloat("N", "Comma"), std::nullopt);
}

TEST(IniFileTest, FormatsFloatsInGeneralFormat) {
  struct Case {
    double value;
    const char* expected;
  };
  const Case cases[] = {
      {0.5, "0.5"},
      {0.2, "0.2"},
      {0.15, "0.15"},
      {0.001, "0.001"},
      {0.0001, "0.0001"},
      {0.00001, "1E-5"},
      {0.000012345, "1.2345E-5"},
      {0.0, "0"},
      {-2.5, "-2.5"},
      {10.0, "10"},
      {1.0 / 3.0, "0.333333333333333"},
      {123456789012345.0, "123456789012345"},
      {1e15, "1000000000000000"},
      {1e16, "1E16"},
      {2.5e20, "2.5E20"},
      {0.1 + 0.2, "0.3"},
  };
  for (const Case& c : cases) EXPECT_EQ(IniFile::FormatFloat(c.value), c.expected) << c.value;
}

TEST(IniFileTest, WritesInPlaceAndAppendsNewSectionsAtTheEnd) {
  IniFile ini = IniFile::FromText(
      "[Settings]\n"
      "Top=5\n"
      "\n"
      "[Network]\n"
      "; the radio\n"
      "FlexIP=192.168.1.20\n"
      "\n"
      "[Window]\n"
      "Top=1\n"
      "Other=x\n");
  ini.EraseSection("SETTINGS");
  ini.EraseSection("Window");
  ini.EraseSection("PivotPoint");
  ini.WriteInteger("Window", "Top", 40);
  ini.WriteBool("Window", "Borderless", true);
  ini.WriteFloat("NeedleMovement", "SmoothingFactor", 0.5);
  ini.WriteString("network", "FLEXIP", "10.0.0.2");
  ini.WriteString("Network", "Port", "4992");
  ini.WriteInteger("window", "top", 41);
  EXPECT_EQ(ini.ToText(),
            "[Network]\n"
            "; the radio\n"
            "FlexIP=10.0.0.2\n"
            "Port=4992\n"
            "\n"
            "[Window]\n"
            "Top=41\n"
            "Borderless=1\n"
            "[NeedleMovement]\n"
            "SmoothingFactor=0.5\n");
}

// Found by fuzzing: a face file name with a leading blank lost it on the next save.
TEST(IniFileTest, StringsReadBackAsWritten) {
  struct Case {
    std::string value;
    std::string line;
  };
  const Case cases[] = {
      {"quendal.png", "Face=quendal.png"},
      {"my face.png", "Face=my face.png"},
      {" leading.png", "Face=\" leading.png\""},
      {"trailing.png\t", "Face=\"trailing.png\t\""},
      {"\"quoted\"", "Face=\"\"quoted\"\""},
      {"'single'", "Face=\"'single'\""},
      {"\"", "Face=\""},
      {"a\"b'", "Face=a\"b'"},
      {"", "Face="},
  };
  for (const Case& c : cases) {
    IniFile ini;
    ini.WriteString("Visual", "Face", c.value);
    EXPECT_EQ(ini.ToText(), "[Visual]" + kNewLine + c.line + kNewLine) << c.value;
    EXPECT_EQ(IniFile::FromText(ini.ToText()).ReadString("Visual", "Face"), c.value) << c.value;
    ini.WriteString("Visual", "Face", c.value);  // in place, same text
    EXPECT_EQ(ini.ToText(), "[Visual]" + kNewLine + c.line + kNewLine) << c.value;
  }
}

TEST(IniFileTest, KeepsCrLfAndUnknownLines) {
  const std::string text = "junk before\r\n[A]\r\n; note\r\nno equals here\r\nk=v\r\n";
  IniFile ini = IniFile::FromText(text);
  EXPECT_EQ(ini.ToText(), text);
  ini.WriteString("B", "x", "1");
  EXPECT_EQ(ini.ToText(), text + "[B]\r\nx=1\r\n");
}

class IniFileDiskTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("inifile_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override {
    std::filesystem::permissions(dir_, std::filesystem::perms::owner_all);
    std::filesystem::remove_all(dir_);
  }
  std::string ReadAll(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  std::filesystem::path dir_;
};

TEST_F(IniFileDiskTest, MissingFileIsEmptyAndSaveReplacesTheFile) {
  const std::string path = (dir_ / "config.ini").string();
  IniFile ini(path);
  EXPECT_EQ(ini.ToText(), "");
  EXPECT_FALSE(std::filesystem::exists(path));
  ini.WriteInteger("Timer", "Interval", 10);
  ini.Save();
  EXPECT_EQ(ReadAll(path), "[Timer]" + kNewLine + "Interval=10" + kNewLine);

  IniFile again(path);
  again.WriteInteger("Timer", "Interval", 20);
  again.Save();
  EXPECT_EQ(ReadAll(path), "[Timer]" + kNewLine + "Interval=20" + kNewLine);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), {}), 1);
}

// Qt hands over file names as UTF-8, whatever the system's code page.
TEST_F(IniFileDiskTest, Utf8PathNamesTheFileOnDisk) {
  const std::filesystem::path folder = dir_ / u8"Z\u00e4hler \u041c";
  std::filesystem::create_directories(folder);
  const std::string path = dir_.string() + "/Z\xC3\xA4hler \xD0\x9C/config.ini";
  IniFile ini(path);
  ini.WriteInteger("Timer", "Interval", 10);
  ini.Save();
  EXPECT_EQ(IniFile(path).ReadInteger("Timer", "Interval"), 10);
  EXPECT_TRUE(std::filesystem::exists(folder / "config.ini"));
}

TEST_F(IniFileDiskTest, FailedSaveThrowsAndLeavesNoTemporaryFile) {
  // A folder that does not exist, and a target that is a folder: both cannot be written.
  std::filesystem::create_directories(dir_ / "folder" / "inside");
  const std::string paths[] = {(dir_ / "missing" / "config.ini").string(),
                               (dir_ / "folder").string()};
  for (const std::string& path : paths) {
    IniFile ini = IniFile::FromText("[Timer]\nInterval=10\n");
    try {
      ini.SaveAs(path);
      ADD_FAILURE() << "no error for " << path;
    } catch (const IniFileError& e) {
      EXPECT_EQ(std::string(e.what()), "Unable to write to " + path);
    }
  }
  EXPECT_TRUE(std::filesystem::is_directory(dir_ / "folder" / "inside"));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "folder.tmp"));
}

TEST_F(IniFileDiskTest, UnreadableOrHugeFileIsAnError) {
  const std::filesystem::path huge = dir_ / "huge.ini";
  std::filesystem::resize_file((std::ofstream(huge), huge), 17u * 1024u * 1024u);
  EXPECT_THROW(IniFile(huge.string()), IniFileError);
}

}  // namespace
}  // namespace quendal
