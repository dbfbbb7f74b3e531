#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <deque>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/main.h"
#include "tests/calibration/ScriptedPrompter.h"
#include "tests/flex/FakeRadio.h"

namespace quendal {
namespace {

class FakeWindowFinder final : public WindowFinder {
 public:
  std::optional<ScreenRect> rect;
  std::optional<std::uintptr_t> FindTopLevelWindow(const std::string& title) override {
    if (title != "SmartSDR-Win" || !rect) return std::nullopt;
    return 42;
  }
  std::optional<ScreenRect> GetOuterRect(std::uintptr_t) override { return rect; }
};

// Every reading moves the clock on by a millisecond, so log lines of both logs
// can be put in order.
class TickingClock final : public Clock {
 public:
  LocalDateTime LocalNow() const override {
    LocalDateTime t{2026, 12, 8, 10, 0, 0, 0};
    const int n = ++ticks_;
    t.second = n / 1000;
    t.millisecond = n % 1000;
    return t;
  }
  std::chrono::steady_clock::time_point MonotonicNow() const override {
    return std::chrono::steady_clock::now();
  }
  std::int64_t UtcMillisecondsNow() const override {
    return SystemClock::Instance().UtcMillisecondsNow();
  }

 private:
  mutable int ticks_ = 0;
};

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const std::filesystem::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

void WriteFace(const std::filesystem::path& path, int width, int height) {
  QImage face(width, height, QImage::Format_ARGB32);
  face.fill(qRgb(200, 190, 150));
  ASSERT_TRUE(face.save(QString::fromStdString(path.string())));
}

class FormTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char arg0[] = "form_test";
    static char* argv[] = {arg0, nullptr};
    static QApplication app(argc, argv);
  }

  void SetUp() override {
    old_dir_ = std::filesystem::current_path();
    dir_ = std::filesystem::temp_directory_path() /
           ("form_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    std::filesystem::current_path(dir_);
    // A face of the design size: without one the built-in face and calibration stand in.
    WriteFace(dir_ / "quendal.png", 345, 200);
  }
  void TearDown() override {
    std::filesystem::current_path(old_dir_);
    std::filesystem::remove_all(dir_);
  }

  FormEnvironment Environment(bool radio = false) {
    FormEnvironment env;
    env.ConfigPath = (dir_ / "config.ini").string();
    env.prompter = &prompter_;
    env.CreateRadioLink = radio;
    env.FlexLink.DiscoveryPort = 0;
    env.clock = &clock_;
    env.FlexLink.clock = clock_;
    env.MakeWindowFinder = [this] {
      auto finder = std::make_unique<FakeWindowFinder>();
      finder_ = finder.get();
      return finder;
    };
    return env;
  }

  std::filesystem::path old_dir_;
  std::filesystem::path dir_;
  testing::ScriptedPrompter prompter_;
  TickingClock clock_;
  FakeWindowFinder* finder_ = nullptr;
};

TEST_F(FormTest, MissingFaceShowsTheBuiltInFaceWithItsCalibration) {
  WriteFile(dir_ / "config.ini", "[Visual]\nBackgroundImageFileName=gone.png\n");
  TForm1 form(Environment());
  form.FormCreate();
  EXPECT_TRUE(prompter_.shown.empty());
  EXPECT_EQ(form.BackgroundBitmap().size(), QSize(480, 260));
  EXPECT_EQ(form.size(), QSize(480, 260));
  EXPECT_TRUE(form.MeterCalibrationData().CalibrationDone);
  EXPECT_EQ(form.MeterCalibrationData().CalibrationPoints[9], (TPoint{240, 90}));
  // The notice band across the top, near-black rather than see-through.
  const QRgb band = form.BackgroundBitmap().pixel(3, 3);
  EXPECT_LT(qRed(band), 60);
  EXPECT_NE(band & 0xFFFFFFu, 0u);
  EXPECT_EQ(form.Timer1().interval(), 10);
  EXPECT_TRUE(form.Timer1().isActive());
  EXPECT_FALSE(form.Timer3().isActive());
  form.close();
  std::ifstream in(dir_ / "config.ini", std::ios::binary);
  const std::string saved((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(saved.find("BackgroundImageFileName=gone.png"), std::string::npos) << saved;
}

TEST_F(FormTest, FaceSizesTheWindowAndValidCalibrationIsUsed) {
  WriteFace(dir_ / "face.png", 400, 220);
  std::string points;
  for (int i = 0; i < 16; ++i) points += std::to_string(20 + i * 20) + " 100\r\n";
  WriteFile(dir_ / "calibration.txt", points);
  WriteFile(dir_ / "config.ini",
            "[Visual]\nBackgroundImageFileName=face.png\n[Timer]\nInterval=50\n"
            "[Window]\nTrackSmartSDRWindow=1\n");
  TForm1 form(Environment());
  form.FormCreate();
  EXPECT_TRUE(prompter_.shown.empty());
  EXPECT_EQ(form.size(), QSize(400, 220));
  EXPECT_TRUE(form.MeterCalibrationData().CalibrationDone);
  EXPECT_EQ(form.Needle().ImageCenterX, 200);
  EXPECT_EQ(form.Needle().ImageCenterY, 270);
  EXPECT_EQ(form.Timer1().interval(), 10);
  EXPECT_TRUE(form.Timer3().isActive());

  // A resize by any means is undone.
  form.resize(500, 300);
  EXPECT_EQ(form.size(), QSize(400, 220));

  // The SmartSDR window from 100 to 1700, top 50: the meter's right edge 500 px in.
  finder_->rect = ScreenRect{100, 50, 1700, 900};
  form.TrackSmartSDRWindow();
  EXPECT_EQ(form.pos(), QPoint(800, 170));
}

TEST_F(FormTest, UnreadableSettingsAreToldOnceAtStartAndLogged) {
  WriteFace(dir_ / "face.png", 400, 220);
  std::string points;
  for (int i = 0; i < 16; ++i) points += std::to_string(20 + i * 20) + " 100\r\n";
  WriteFile(dir_ / "calibration.txt", points);
  WriteFile(dir_ / "config.ini",
            "[Visual]\nBackgroundImageFileName=face.png\nNeedleLength=long\nEnableShadow=true\n"
            "[Logging]\nEnableLogging=1\n");
  TForm1 form(Environment());
  form.FormCreate();
  EXPECT_EQ(prompter_.shown,
            std::vector<std::string>{
                "info: These settings could not be read. Their defaults are used, and config.ini "
                "gets them when the meter closes:\n\n"
                "config.ini [Visual] NeedleLength=long: not a whole number\n"
                "config.ini [Visual] EnableShadow=true: not 0 or 1"});
  std::ifstream in(dir_ / "application.log", std::ios::binary);
  const std::string log((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(log.find("Setting not read, default used: config.ini [Visual] EnableShadow=true: not "
                     "0 or 1\r\n"),
            std::string::npos);
}

TEST_F(FormTest, BlackTicksTakeClicksWhileCalibrating) {
  QImage face(345, 200, QImage::Format_ARGB32);
  face.fill(qRgb(200, 190, 150));
  QPainter(&face).fillRect(10, 10, 20, 20, Qt::black);
  ASSERT_TRUE(face.save(QString::fromStdString((dir_ / "quendal.png").string())));
  WriteFile(dir_ / "config.ini", "[Calibration]\nGuided=0\n");
  TForm1 form(Environment());
  form.FormCreate();
  ASSERT_FALSE(form.MeterCalibrationData().CalibrationDone);
  form.grab();
  EXPECT_EQ(form.RenderedFrame().pixel(15, 15), 0xFF101010u) << "near-black, clickable";
  for (int i = 0; i < 16; ++i) form.FormMouseDown(0, 15 + i, 15);
  ASSERT_TRUE(form.MeterCalibrationData().CalibrationDone);
  EXPECT_EQ(form.MeterCalibrationData().CalibrationPoints[0], (TPoint{15, 15}));
  form.grab();
  EXPECT_EQ(qAlpha(form.RenderedFrame().pixel(15, 15)), 0) << "see-through again";
}

TEST_F(FormTest, InvalidCalibrationFileStartsCalibrationAndClicksSaveIt) {
  WriteFile(dir_ / "calibration.txt", "10 20\r\n");
  WriteFile(dir_ / "config.ini", "[Calibration]\nGuided=0\n");
  TForm1 form(Environment());
  form.FormCreate();
  ASSERT_FALSE(form.MeterCalibrationData().CalibrationDone);
  form.FormMouseDown(1, 3, 4);  // right click: ignored
  EXPECT_EQ(form.Calibration()->CalibrationIndex(), 0);
  for (int i = 0; i < 16; ++i) form.FormMouseDown(0, 30 + i, 40 + i);
  EXPECT_TRUE(form.MeterCalibrationData().CalibrationDone);
  std::string expected;
  for (int i = 0; i < 16; ++i)
    expected += std::to_string(30 + i) + " " + std::to_string(40 + i) + "\r\n";
  EXPECT_EQ(ReadFile(dir_ / "calibration.txt"), expected);
}

TEST_F(FormTest, ClickThroughWaitsForThePendingCalibration) {
  WriteFile(dir_ / "config.ini", "[Window]\nClickThrough=1\n[Calibration]\nGuided=0\n");
  TForm1 form(Environment());
  form.FormCreate();
  form.ApplyWindowSettings();
  EXPECT_FALSE(form.ClickThroughApplied());
  EXPECT_FALSE(form.windowFlags().testFlag(Qt::WindowTransparentForInput));
  for (int i = 0; i < 16; ++i) form.FormMouseDown(0, 30 + i, 40 + i);
  EXPECT_TRUE(form.ClickThroughApplied());
  EXPECT_TRUE(form.windowFlags().testFlag(Qt::WindowTransparentForInput));
}

TEST_F(FormTest, ArcCalibrationClicksSaveTheConfig) {
  std::string points;
  for (int i = 0; i < 16; ++i) points += "5 5\r\n";
  WriteFile(dir_ / "calibration.txt", points);
  WriteFile(dir_ / "config.ini",
            "[ArcCalibration]\nUseArcCalibration=1\n[Calibration]\nGuided=0\n");
  TForm1 form(Environment());
  form.FormCreate();
  form.FormMouseDown(0, 200, 100);
  form.FormMouseDown(0, 100, 200);
  form.FormMouseDown(0, 300, 200);
  const std::string config = ReadFile(dir_ / "config.ini");
  EXPECT_NE(config.find("ArcCalibrationDone=1"), std::string::npos) << config;
  EXPECT_NE(config.find("CenterX=200"), std::string::npos);
  EXPECT_NE(config.find("CenterY=200"), std::string::npos);
  EXPECT_NE(config.find("Radius=100"), std::string::npos);
}

void RunPreview(const TForm1& form) {
  // The meter tick sweeps the needle; the deadline only keeps a fault from hanging.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (form.Guided().Stage() == GuidedStage::Preview &&
         std::chrono::steady_clock::now() < deadline)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

TEST_F(FormTest, GuidedCalibrationOnTheFace) {
  std::string old;
  for (int i = 0; i < 16; ++i) old += std::to_string(20 + i * 20) + " 100\r\n";
  struct Case {
    const char* name;
    bool firstRun;
    std::vector<int> answers;  // keys after the preview
    bool saved;
  };
  const Case cases[] = {
      {"first run, yes", true, {Qt::Key_Y}, true},
      {"from the menu, no then yes", false, {Qt::Key_N}, true},
      {"from the menu, esc keeps the old one", false, {Qt::Key_Escape}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFile(dir_ / "calibration.txt", c.firstRun ? "" : old);
    prompter_.shown.clear();
    TForm1 form(Environment());
    form.FormCreate();
    if (!c.firstRun) form.StartScaleCalibration();
    EXPECT_TRUE(prompter_.shown.empty()) << "no box before the face";
    ASSERT_EQ(form.Guided().Stage(), GuidedStage::Clicking);
    EXPECT_EQ(form.Guided().Instruction().substr(0, 8), "Click S0");
    form.FormMouseDown(0, 1, 1);
    form.FormMouseDown(1, 1, 1);  // right click takes it back
    form.FormMouseDown(0, 2, 2);
    form.GuidedKey(Qt::Key_Backspace);
    ASSERT_TRUE(form.Guided().Points().empty());
    for (int i = 0; i < 16; ++i) form.FormMouseDown(0, 30 + i, 40 + i);
    EXPECT_EQ(form.MeterCalibrationData().CalibrationDone, !c.firstRun) << "old one in use";
    RunPreview(form);
    ASSERT_EQ(form.Guided().Stage(), GuidedStage::Question);
    for (int key : c.answers) form.GuidedKey(key);
    if (c.answers.front() == Qt::Key_N) {
      EXPECT_EQ(form.Guided().Stage(), GuidedStage::Clicking);
      for (int i = 0; i < 16; ++i) form.FormMouseDown(0, 30 + i, 40 + i);
      RunPreview(form);
      form.GuidedKey(Qt::Key_Return);
    }
    EXPECT_FALSE(form.CalibrationPending());
    std::string expected;
    for (int i = 0; i < 16; ++i)
      expected += std::to_string(30 + i) + " " + std::to_string(40 + i) + "\r\n";
    EXPECT_EQ(ReadFile(dir_ / "calibration.txt"), c.saved ? expected : (c.firstRun ? "" : old));
    EXPECT_EQ(std::filesystem::exists(dir_ / "quendal.calibration.txt"), c.saved);
    EXPECT_EQ(form.MeterCalibrationData().CalibrationPoints[0],
              c.saved ? (TPoint{30, 40}) : (TPoint{20, 100}));
    // A straight scale has no pivot to offer: no box at all.
    EXPECT_TRUE(prompter_.shown.empty());
    std::filesystem::remove(dir_ / "quendal.calibration.txt");
  }
}

TEST_F(FormTest, ATransmitScaleCalibratedFromTheMenuIsWrittenBesideTheFace) {
  std::string points;
  for (int i = 0; i < 16; ++i) points += std::to_string(20 + i * 20) + " 100\r\n";
  WriteFile(dir_ / "calibration.txt", points);
  const char* const kHeader =
      "# value x y: the mark's value and its point on the face in pixels\r\n";
  struct Case {
    const char* name;
    const char* config;
    std::deque<std::optional<std::string>> choices;
    const char* file;
    std::string written;  // "": a folder stands in the file's way
    std::size_t asked;
  };
  const Case cases[] = {
      {"nothing shown: asked which",
       "[Meter]\nTransmit=Off\n",
       {"SWR", "1 2 inf"},
       "quendal.swr.txt",
       std::string(kHeader) + "1 30 40\r\n2 31 41\r\n10 32 42\r\n",
       2},
      {"power shown, not written", "", {"0 100"}, "quendal.power.txt", "", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFile(dir_ / "config.ini", c.config);
    prompter_.shown.clear();
    prompter_.choices = c.choices;
    TForm1 form(Environment());
    form.FormCreate();
    if (c.written.empty()) std::filesystem::create_directory(dir_ / c.file);
    form.StartTransmitCalibration();
    ASSERT_EQ(form.Guided().Kind(), GuidedKind::Transmit);
    for (int i = 0; i < form.Guided().Needed(); ++i) form.FormMouseDown(0, 30 + i, 40 + i);
    RunPreview(form);
    form.GuidedKey(Qt::Key_Y);
    EXPECT_FALSE(form.CalibrationPending());
    if (c.written.empty()) {
      ASSERT_EQ(prompter_.shown.size(), c.asked + 1);
      const std::string told =
          "info: The new power scale is in use until the meter closes, but it was not saved: "
          "quendal.power.txt could not be written";
      EXPECT_EQ(prompter_.shown.back().substr(0, told.size()), told);
    } else {
      EXPECT_EQ(prompter_.shown.size(), c.asked);
      EXPECT_EQ(ReadFile(dir_ / c.file), c.written);
    }
  }
}

TEST_F(FormTest, ConfigErrorStopsBeforeAnythingIsCreatedOrSaved) {
  for (const std::string text : {"[Visual]\nNeedleColor=red\n[Network]\nFlexIP=1.2.3.4\n",
                                 "[Radio]\nType=icom\n[Network]\nFlexIP=1.2.3.4\n"}) {
    WriteFile(dir_ / "config.ini", text);
    {
      TForm1 form(Environment(true));
      EXPECT_THROW(form.FormCreate(), ConfigError) << text;
      EXPECT_EQ(form.Radio(), nullptr);
      EXPECT_FALSE(form.Timer1().isActive()) << text;
    }
    EXPECT_EQ(ReadFile(dir_ / "config.ini"), text);
  }
}

// A comment after a value, as some ini files have them: the box says what to do, and the
// meter stays up, saying in its corner why it is not connected.
TEST_F(FormTest, AFamilyThatCannotStartSaysWhatToDoAndWhy) {
  WriteFile(dir_ / "config.ini",
            "[Radio]\nType=tci\n[TCI]\nAddress=127.0.0.1:50001  ; some consoles use port 40001\n");
  TForm1 form(Environment(true));
  form.FormCreate();
  EXPECT_EQ(prompter_.shown,
            std::vector<std::string>{
                "info: Error connecting to the radio: [TCI] Address=127.0.0.1:50001  ; some "
                "consoles use port 40001 is not usable: a comment needs a line of its own (one "
                "that starts with ;)."});
  ASSERT_NE(form.Radio(), nullptr);
  EXPECT_EQ(form.Radio()->Status().State, LinkState::NotConnected);
  EXPECT_EQ(form.Radio()->Status().Reason, "[TCI] Address not usable");
}

TEST_F(FormTest, CloseSavesConfigBeforeTheRadioLinkDisconnects) {
  WriteFile(dir_ / "config.ini", "[Logging]\nEnableLogging=1\n[Network]\nFlexIP=127.0.0.1\n");
  {
    TForm1 form(Environment(true));
    form.FormCreate();
    ASSERT_NE(form.Radio(), nullptr);
    form.close();
  }
  const std::string app_log = ReadFile(dir_ / "application.log");
  const std::string radio_log = ReadFile(dir_ / "FlexRadioLib.log");
  const auto saved = app_log.find(": Configuration saved.");
  const auto disconnect = radio_log.find(": TFlexRadioLib.DisconnectRadio: Disconnecting radio.");
  ASSERT_NE(saved, std::string::npos) << app_log;
  ASSERT_NE(disconnect, std::string::npos) << radio_log;
  // Both logs share the ticking clock: the stamps give the order.
  EXPECT_LT(app_log.substr(saved - 23, 23), radio_log.substr(disconnect - 23, 23));
  const std::string config = ReadFile(dir_ / "config.ini");
  EXPECT_EQ(config.rfind("[Network]\nFlexIP=127.0.0.1\n[Window]\n", 0), 0u) << config;
}

TEST_F(FormTest, EachFaceUsesItsOwnCalibrationElseTheCommonOne) {
  WriteFace(dir_ / "a.png", 300, 200);
  WriteFace(dir_ / "b.png", 300, 200);
  const auto points = [](int y) {
    std::string text;
    for (int i = 0; i < 16; ++i)
      text += std::to_string(10 + i * 10) + " " + std::to_string(y) + "\r\n";
    return text;
  };
  WriteFile(dir_ / "a.calibration.txt", points(40));
  WriteFile(dir_ / "calibration.txt", points(90));
  WriteFile(dir_ / "config.ini",
            "[Visual]\nBackgroundImageFileName=a.png\n[Network]\nFlexIP=127.0.0.1\n");
  testing::FakeRadio radio;
  FormEnvironment env = Environment(true);
  env.FlexLink.CommandPort = radio.CommandPort();
  TForm1 form(env);
  form.FormCreate();
  EXPECT_EQ(form.MeterCalibrationData().CalibrationPoints[3], (TPoint{40, 40}));
  ASSERT_TRUE(testing::WaitUntil([&] { return radio.ClientConnected(); }));
  radio.SendText(
      "V1.4.0.0\nH2A3B4C5D\nS2A3B4C5D|meter 24.src=SLC#24.num=0#24.nam=LEVEL#24.unit=dBm#\n");
  const auto* link = dynamic_cast<const TFlexRadioLib*>(form.Radio());
  ASSERT_NE(link, nullptr);
  // The radio reads S9 (-73 dBm) all along.
  const auto needleHeadsFor = [&](double target) {
    return testing::WaitUntil([&] {
      radio.SendDatagram(link->MeterListenerPort(), testing::MeterDatagram({{24, -9344}}));
      return form.Needle().TargetPosition == target;
    });
  };
  EXPECT_TRUE(needleHeadsFor(9.0));

  prompter_.answers = {false};  // no calibration of its own: not now
  form.ChangeFace("b.png");
  EXPECT_EQ(prompter_.shown.back(),
            "ask: This face has no calibration of its own yet. Calibrate its scale now?");
  EXPECT_TRUE(form.MeterCalibrationData().CalibrationDone);
  EXPECT_EQ(form.MeterCalibrationData().CalibrationPoints[3], (TPoint{40, 90}));
  EXPECT_FALSE(form.CalibrationPending());
  EXPECT_EQ(form.CalibrationNote().toStdString(),
            "Not calibrated for this face \u2013 Calibrate scale\u2026 from the menu");
  EXPECT_TRUE(needleHeadsFor(0.0)) << "another face's marks are not passed off as this face's";

  prompter_.shown.clear();
  form.ChangeFace("a.png");
  EXPECT_TRUE(prompter_.shown.empty());
  EXPECT_EQ(form.MeterCalibrationData().CalibrationPoints[3], (TPoint{40, 40}));
  EXPECT_EQ(form.Config().window.BackgroundImageFileName, "a.png");
  EXPECT_TRUE(form.CalibrationNote().isEmpty());
  EXPECT_TRUE(needleHeadsFor(9.0));
}

}  // namespace
}  // namespace quendal
