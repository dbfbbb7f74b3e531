#include "app/TickScheduler.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <vector>

namespace quendal {
namespace {

using std::chrono::milliseconds;

class TickSchedulerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char arg0[] = "tick_scheduler_test";
    static char* argv[] = {arg0, nullptr};
    static QCoreApplication app(argc, argv);
  }

  void SetUp() override {
    timer_.setInterval(60000);  // no tick of its own comes during a test
    scheduler_.Start();
  }

  // Runs the event loop until another tick has run (at most two seconds).
  void UntilTick() {
    const std::size_t before = ticks_.size();
    QElapsedTimer waited;
    waited.start();
    while (ticks_.size() == before && waited.elapsed() < 2000)
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
  }

  QTimer timer_;
  std::vector<bool> ticks_;  // AfterRest of each tick
  TickScheduler scheduler_{timer_, [this](bool AfterRest) { ticks_.push_back(AfterRest); }};
};

TEST_F(TickSchedulerTest, RestStopsTheTickAndAWakeRunsOneTickAtOnce) {
  EXPECT_TRUE(timer_.isActive());
  scheduler_.Rest(milliseconds(60000));
  EXPECT_TRUE(scheduler_.Asleep());
  EXPECT_FALSE(timer_.isActive());
  // Several changes before the loop turns: one tick.
  scheduler_.Wake();
  scheduler_.Wake();
  QCoreApplication::processEvents();
  EXPECT_EQ(ticks_, std::vector<bool>{true});
  scheduler_.Rest(std::nullopt);  // that tick moved the needle: ticking again
  EXPECT_FALSE(scheduler_.Asleep());
  EXPECT_TRUE(timer_.isActive());
  scheduler_.Wake();  // awake: the next tick comes on time anyway
  QCoreApplication::processEvents();
  EXPECT_EQ(ticks_.size(), 1u);
}

TEST_F(TickSchedulerTest, ARestEndsWithATick) {
  scheduler_.Rest(milliseconds(5));
  UntilTick();
  EXPECT_EQ(ticks_, std::vector<bool>{true});
  EXPECT_FALSE(timer_.isActive());
}

TEST_F(TickSchedulerTest, StoppedNothingWakesIt) {
  scheduler_.Rest(milliseconds(60000));
  scheduler_.Stop();
  scheduler_.Wake();
  scheduler_.Rest(std::nullopt);
  QCoreApplication::processEvents();
  EXPECT_TRUE(ticks_.empty());
  EXPECT_FALSE(timer_.isActive());
}

}  // namespace
}  // namespace quendal
