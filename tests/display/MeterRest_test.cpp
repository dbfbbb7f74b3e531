#include "display/MeterRest.h"

#include <gtest/gtest.h>

#include <vector>

#include "display/Ballistics.h"
#include "display/PeakHold.h"

namespace quendal {
namespace {

using std::chrono::milliseconds;

constexpr std::int64_t kTickMs = 10;

// What reaches the source at a moment: a level value, or the link's state.
struct Arrival {
  std::int64_t ms;
  std::optional<double> dbm;  // empty: only the state changes
  LinkState state = LinkState::Receiving;
};

// A source that plays arrivals back as time passes and tells them as the radio link
// does: every state, and a level only when it changed or the last one had gone stale.
class PlayedSource : public LevelSource {
 public:
  explicit PlayedSource(std::vector<Arrival> arrivals) : arrivals_(std::move(arrivals)) {}

  // Takes what has arrived by NowMs; true when any of it was told.
  bool AdvanceTo(std::int64_t NowMs) {
    now_ = NowMs;
    bool told = false;
    while (next_ < arrivals_.size() && arrivals_[next_].ms <= NowMs) {
      const Arrival& a = arrivals_[next_++];
      state_ = a.state;
      if (!a.dbm) {
        told = true;
        continue;
      }
      const bool repeated = arrivedMs_ && *a.dbm == dbm_ && a.ms - *arrivedMs_ <= 1000;
      dbm_ = *a.dbm;
      arrivedMs_ = a.ms;
      told = told || !repeated;
    }
    return told;
  }

  void Start() override {}
  void Stop() override {}
  LevelReading CurrentLevel() override {
    LevelReading reading;
    reading.FrequencyHz = 14074000;
    if (!arrivedMs_) return reading;
    reading.Meter.Name = "LEVEL";
    reading.Meter.Value = dbm_;
    reading.Age = milliseconds(now_ - *arrivedMs_);
    return reading;
  }
  std::chrono::milliseconds UpdateInterval() const override { return milliseconds(50); }
  LinkStatus Status() const override {
    LinkStatus status;
    status.State = state_;
    return status;
  }
  RadioIdentity Identity() const override { return {}; }
  bool TellsChanges() const override { return true; }

 private:
  std::vector<Arrival> arrivals_;
  std::size_t next_ = 0;
  std::int64_t now_ = 0;
  double dbm_ = 0.0;
  std::optional<std::int64_t> arrivedMs_;
  LinkState state_ = LinkState::Connecting;
};

// The same level every 36 ms from FromMs to before ToMs.
void Stream(std::vector<Arrival>& arrivals, std::int64_t FromMs, std::int64_t ToMs, double dbm) {
  for (std::int64_t t = FromMs; t < ToMs; t += 36) arrivals.push_back({t, dbm});
}

// The needle and its peak marker on every 10 ms tick, and how many ticks ran.
struct Played {
  std::vector<double> needle;
  std::vector<double> peak;
  std::vector<bool> ticked;
};

// Ticks every 10 ms, or (Sleeping) only while something moves, when an arrival wakes
// the meter and when its rest runs out, as the window's scheduler does.
Played Play(const std::vector<Arrival>& arrivals, const MeterSettings& settings, bool Sleeping,
            std::int64_t EndMs) {
  PlayedSource source(arrivals);
  TextLog log("meter_rest_test.log");  // off
  NeedleState needle;
  PeakHold peak;
  Played played;
  bool asleep = false;
  std::int64_t restEndsMs = 0;
  for (std::int64_t t = 0; t <= EndMs; t += kTickMs) {
    const bool told = source.AdvanceTo(t);
    const bool tick = !Sleeping || !asleep || told || t >= restEndsMs;
    if (tick) {
      if (asleep) peak.RenewHold(t - kTickMs);
      UpdateSMeter(needle, settings, &source, log);
      peak.Update(needle.NeedlePosition, t, settings);
      asleep = NeedleSettled(needle, peak.Position());
      if (asleep) restEndsMs = t + RestFor(source.CurrentLevel(), source.UpdateInterval()).count();
    }
    played.needle.push_back(needle.NeedlePosition);
    played.peak.push_back(peak.Position());
    played.ticked.push_back(tick);
  }
  return played;
}

int TicksBetween(const Played& played, std::int64_t FromMs, std::int64_t ToMs) {
  int ticks = 0;
  for (std::int64_t t = FromMs; t < ToMs; t += kTickMs) ticks += played.ticked[t / kTickMs];
  return ticks;
}

TEST(MeterRest, SleepingBetweenChangesMovesTheNeedleAndPeakExactlyAsTickingOn) {
  std::vector<Arrival> arrivals = {{0, std::nullopt, LinkState::Receiving}};
  Stream(arrivals, 0, 3000, -73.0);     // up to S9, then the same value again and again
  Stream(arrivals, 3000, 6000, -97.0);  // down to S5: the peak holds, then falls
  // 6000: the stream stops; a second later the reading is stale and the needle falls.
  Stream(arrivals, 9000, 10000, -97.0);  // back with the value it had
  arrivals.push_back({10000, std::nullopt, LinkState::Lost});
  arrivals.push_back({14000, std::nullopt, LinkState::Receiving});
  Stream(arrivals, 14000, 15000, -50.0);
  constexpr std::int64_t kEndMs = 21000;
  MeterSettings smooth;
  smooth.PeakHold = true;
  MeterSettings stepped = smooth;
  stepped.NeedleMovementMode = nmFastAttackSlowDecay;

  for (const MeterSettings* settings : {&smooth, &stepped}) {
    const Played ticking = Play(arrivals, *settings, false, kEndMs);
    const Played sleeping = Play(arrivals, *settings, true, kEndMs);
    ASSERT_EQ(ticking.needle.size(), sleeping.needle.size());
    for (std::size_t i = 0; i < ticking.needle.size(); ++i) {
      ASSERT_EQ(ticking.needle[i], sleeping.needle[i])
          << "mode " << settings->NeedleMovementMode << " at " << i * kTickMs << " ms";
      ASSERT_EQ(ticking.peak[i], sleeping.peak[i])
          << "mode " << settings->NeedleMovementMode << " at " << i * kTickMs << " ms";
    }
    // The path went everywhere: S9 +0, S5, S0 when stale, S9 +23.
    EXPECT_EQ(ticking.needle[2900 / kTickMs], 9.0);
    EXPECT_EQ(ticking.needle[5900 / kTickMs], 5.0);
    EXPECT_EQ(ticking.needle[8900 / kTickMs], 0.0);
    EXPECT_EQ(ticking.needle[14900 / kTickMs], 9.0 + 23 / 10.0);
    EXPECT_EQ(ticking.needle.back(), 0.0);  // stale again after the last value
    // Settled on a steady S9, and on S0 with nothing arriving: a tick a second.
    EXPECT_EQ(TicksBetween(sleeping, 1500, 2500), 1);
    EXPECT_EQ(TicksBetween(sleeping, 12500, 13500), 1);
    EXPECT_EQ(TicksBetween(sleeping, 19500, 20500), 1);
  }
}

TEST(MeterRest, RestLastsUntilTheReadingGoesStaleAtMostASecond) {
  const milliseconds interval{50};  // fresh for 1000 ms
  const struct {
    std::optional<std::int64_t> ageMs;
    std::int64_t restMs;
  } cases[] = {
      {std::nullopt, 1000}, {0, 1000}, {1, 1000}, {400, 601}, {999, 2}, {1000, 1}, {1001, 1000},
  };
  for (const auto& c : cases) {
    LevelReading reading;
    if (c.ageMs) reading.Age = milliseconds(*c.ageMs);
    EXPECT_EQ(RestFor(reading, interval), milliseconds(c.restMs)) << "age " << c.ageMs.value_or(-1);
  }
}

TEST(MeterRest, SettledOnlyWithTheNeedleOnItsTargetAndThePeakOnTheNeedle) {
  const struct {
    double needle, target;
    std::optional<double> peak;
    bool settled;
  } cases[] = {
      {5, 5, std::nullopt, true}, {5, 5, 5, true}, {5, 5.001, std::nullopt, false},
      {5, 5, 5.1, false},         {0, 0, 0, true},
  };
  for (const auto& c : cases) {
    NeedleState needle;
    needle.NeedlePosition = c.needle;
    needle.TargetPosition = c.target;
    EXPECT_EQ(NeedleSettled(needle, c.peak), c.settled)
        << c.needle << " " << c.target << " " << c.peak.value_or(-1);
  }
}

}  // namespace
}  // namespace quendal
