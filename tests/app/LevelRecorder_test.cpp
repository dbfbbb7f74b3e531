#include "app/LevelRecorder.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include "tests/support/FakeClock.h"
#include "tests/support/TestLog.h"

namespace quendal {
namespace {

using std::chrono::milliseconds;

// A receiving source at -73 dBm on 14.074 MHz whose reading is as old as a test says.
class AgedSource : public LevelSource {
 public:
  milliseconds age{0};

  void Start() override {}
  void Stop() override {}
  LevelReading CurrentLevel() override {
    LevelReading reading;
    reading.FrequencyHz = 14074000;
    reading.Meter.Name = "LEVEL";
    reading.Meter.Value = -73.0;
    reading.Age = age;
    return reading;
  }
  milliseconds UpdateInterval() const override { return milliseconds(100); }
  LinkStatus Status() const override {
    LinkStatus status;
    status.State = LinkState::Receiving;
    return status;
  }
  RadioIdentity Identity() const override { return {}; }
};

constexpr milliseconds kStale{5000};

// What a step does: a meter tick, or waiting for the level log's timer.
enum class By { Tick, LogTimer };

struct Step {
  int advanceMs;
  bool fresh;
  By by;
  int samples;  // samples taken so far
  bool logTimer;
};

class LevelRecorderTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char arg0[] = "level_recorder_test";
    static char* argv[] = {arg0, nullptr};
    static QCoreApplication app(argc, argv);
  }

  void Run(const Step* steps, std::size_t count) {
    recorder_.Start(source_);
    for (std::size_t i = 0; i < count; ++i) {
      const Step& s = steps[i];
      clock_.Advance(milliseconds(s.advanceMs));
      source_.age = s.fresh ? milliseconds(0) : kStale;
      if (s.by == By::Tick) {
        recorder_.FollowTick();
      } else {
        UntilSampled();
      }
      EXPECT_EQ(samples_, s.samples) << "step " << i;
      EXPECT_EQ(recorder_.LogTimerRunning(), s.logTimer) << "step " << i;
      EXPECT_EQ(recorder_.Latest().has_value(), s.fresh) << "step " << i;
    }
  }

  // Runs the event loop until the level log's timer took a sample (at most two seconds).
  void UntilSampled() {
    const int before = samples_;
    QElapsedTimer waited;
    waited.start();
    while (samples_ == before && waited.elapsed() < 2000)
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
  }

  testing::TempDir dir_{"level_recorder"};
  testing::TestLog log_{"level_recorder"};
  testing::FakeClock clock_;
  AppConfig config_;
  AgedSource source_;
  int samples_ = 0;
  LevelRecorder recorder_{config_, clock_, log_.Log(), [this] { ++samples_; }};
};

TEST_F(LevelRecorderTest, WithoutALevelLogTicksBringASampleEvery100Ms) {
  const Step steps[] = {
      {0, true, By::Tick, 1, false},    {50, true, By::Tick, 1, false},
      {49, true, By::Tick, 1, false},   {1, true, By::Tick, 2, false},
      {300, false, By::Tick, 3, false}, {100, true, By::Tick, 4, false},
  };
  Run(steps, std::size(steps));
  // 09.042, 09.142 and 09.542 fresh; the stale sample at 09.442 counts for nothing.
  ASSERT_EQ(recorder_.History().Seconds().size(), 1u);
  EXPECT_EQ(recorder_.History().Seconds()[0].Levels, 3);
}

TEST_F(LevelRecorderTest, ALevelLogTimesItsRowsWhileReadingsAreFresh) {
  config_.window.LevelFile = dir_.File("levels.csv");
  const Step steps[] = {
      {0, true, By::Tick, 1, true},    // fresh: the log's timer takes over
      {100, true, By::Tick, 1, true},  // and the ticks leave it the samples
      {0, true, By::LogTimer, 2, true},
      {100, false, By::LogTimer, 3, false},  // stale: the timer stops
      {100, false, By::Tick, 4, false},      // ticks sample again
      {100, true, By::Tick, 5, true},        // fresh again
  };
  Run(steps, std::size(steps));
  recorder_.Stop();
  EXPECT_EQ(testing::ReadFile(config_.window.LevelFile),
            "time_utc,frequency_hz,dbm,s_units,transmit,transmit_unit\r\n"
            "2026-12-08T17:05:09.042Z,14074000,-73.0,S9,,\r\n"
            "2026-12-08T17:05:09.142Z,14074000,-73.0,S9,,\r\n"
            "2026-12-08T17:05:09.442Z,14074000,-73.0,S9,,\r\n");
}

}  // namespace
}  // namespace quendal
