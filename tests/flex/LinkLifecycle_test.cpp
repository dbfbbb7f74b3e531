#include "flex/LinkLifecycle.h"

#include <gtest/gtest.h>

namespace quendal {
namespace {

using namespace std::chrono_literals;
using P = LinkPhase;
using E = LinkEvent;

TEST(LinkLifecycleTest, PhasesFollowEventsWithAndWithoutReconnection) {
  struct Case {
    P from;
    E event;
    P with_reconnect;
    P one_shot;
  };
  const Case cases[] = {
      {P::Idle, E::Start, P::Searching, P::Searching},
      {P::Idle, E::RadioHeard, P::Idle, P::Idle},
      {P::Searching, E::RadioHeard, P::Connecting, P::Connecting},
      {P::Searching, E::DiscoveryTimedOut, P::Searching, P::GivenUp},
      {P::Connecting, E::RadioHeard, P::Connecting, P::Connecting},
      {P::Connecting, E::Connected, P::Connected, P::Connected},
      {P::Connecting, E::ConnectFailed, P::WaitingToRetry, P::Searching},
      {P::Connected, E::RadioHeard, P::Connected, P::Connected},
      {P::Connected, E::ChannelClosed, P::WaitingToRetry, P::ChannelLost},
      {P::Connected, E::PingUnanswered, P::WaitingToRetry, P::Connected},
      {P::WaitingToRetry, E::RadioHeard, P::WaitingToRetry, P::WaitingToRetry},
      {P::WaitingToRetry, E::RetryDue, P::Searching, P::Searching},
      {P::ChannelLost, E::RetryDue, P::ChannelLost, P::ChannelLost},
      {P::GivenUp, E::RadioHeard, P::GivenUp, P::GivenUp},
      {P::Connected, E::Stop, P::Stopped, P::Stopped},
      {P::WaitingToRetry, E::Stop, P::Stopped, P::Stopped},
      {P::Stopped, E::Start, P::Stopped, P::Stopped},
  };
  for (const Case& c : cases) {
    const int line = static_cast<int>(&c - cases);
    EXPECT_EQ(NextLinkPhase(c.from, c.event, true), c.with_reconnect) << "case " << line;
    EXPECT_EQ(NextLinkPhase(c.from, c.event, false), c.one_shot) << "case " << line;
  }
}

TEST(LinkLifecycleTest, StateShownFollowsPhaseAndFreshness) {
  LinkFacts connected;
  connected.Phase = P::Connected;
  connected.Address = "192.168.1.50";
  connected.MetersKnown = true;
  connected.LevelMeterKnown = true;
  connected.SinceSubscribed = 5000ms;
  connected.MeterPort = 51234;
  connected.Slice = 1;

  struct Case {
    const char* name;
    LinkFacts facts;
    LinkState state;
    std::string address;
    std::int32_t retry;
    std::uint16_t port;
    std::int32_t slice;
    std::int32_t silent = -1;
  };
  auto with = [&](auto change) {
    LinkFacts f = connected;
    change(f);
    return f;
  };
  const Case cases[] = {
      {"idle", with([](LinkFacts& f) { f.Phase = P::Idle; }), LinkState::NotConnected, "", 0, 0,
       -1},
      {"searching", with([](LinkFacts& f) { f.Phase = P::Searching; }), LinkState::Searching, "", 0,
       0, -1},
      {"connecting", with([](LinkFacts& f) { f.Phase = P::Connecting; }), LinkState::Connecting,
       "192.168.1.50", 0, 0, -1},
      {"waiting", with([](LinkFacts& f) {
         f.Phase = P::WaitingToRetry;
         f.RetryInSeconds = 4;
       }),
       LinkState::Lost, "", 4, 0, -1},
      {"one-shot channel lost", with([](LinkFacts& f) { f.Phase = P::ChannelLost; }),
       LinkState::GaveUp, "192.168.1.50", 0, 0, -1},
      {"one-shot discovery gave up", with([](LinkFacts& f) { f.Phase = P::GivenUp; }),
       LinkState::GaveUp, "", 0, 0, -1},
      {"stopped", with([](LinkFacts& f) { f.Phase = P::Stopped; }), LinkState::NotConnected, "", 0,
       0, -1},
      {"fresh value", with([](LinkFacts& f) { f.LevelAge = 1000ms; }), LinkState::Receiving, "", 0,
       0, -1},
      {"stale value", with([](LinkFacts& f) { f.LevelAge = 7999ms; }), LinkState::NoMeterData, "",
       0, 51234, -1, 7},
      {"stream stopped before a level value came",
       with([](LinkFacts& f) { f.StreamSilence = 12000ms; }), LinkState::NoMeterData, "", 0, 51234,
       -1, 12},
      {"ping out for a moment", with([](LinkFacts& f) { f.PingUnanswered = 1000ms; }),
       LinkState::NoMeterData, "", 0, 51234, -1},
      {"ping unanswered", with([](LinkFacts& f) {
         f.LevelAge = 6000ms;
         f.PingUnanswered = 1001ms;
       }),
       LinkState::NotAnswering, "", 0, 0, -1},
      {"fresh value of a meter at 1 fps", with([](LinkFacts& f) {
         f.LevelAge = 3000ms;
         f.LevelInterval = 1000ms;
       }),
       LinkState::Receiving, "", 0, 0, -1},
      {"no value yet, just subscribed", with([](LinkFacts& f) { f.SinceSubscribed = 1999ms; }),
       LinkState::Connecting, "192.168.1.50", 0, 0, -1},
      {"no value after the grace", with([](LinkFacts& f) { f.SinceSubscribed = 2000ms; }),
       LinkState::NoMeterData, "", 0, 51234, -1},
      {"slice closed", with([](LinkFacts& f) { f.LevelMeterKnown = false; }),
       LinkState::SliceNotOpen, "", 0, 0, 1},
      {"no slice chosen, none open", with([](LinkFacts& f) {
         f.LevelMeterKnown = false;
         f.Slice = -1;
       }),
       LinkState::SliceNotOpen, "", 0, 0, 0},
      {"no meters described", with([](LinkFacts& f) {
         f.MetersKnown = false;
         f.LevelMeterKnown = false;
       }),
       LinkState::NoMeterData, "", 0, 51234, -1},
  };
  for (const Case& c : cases) {
    const LinkStatus status = DescribeLink(c.facts);
    EXPECT_EQ(status.State, c.state) << c.name;
    EXPECT_EQ(status.Address, c.address) << c.name;
    EXPECT_EQ(status.RetryInSeconds, c.retry) << c.name;
    EXPECT_EQ(status.MeterPort, c.port) << c.name;
    EXPECT_EQ(status.Slice, c.slice) << c.name;
    EXPECT_EQ(status.SilentForSeconds, c.silent) << c.name;
  }
}

}  // namespace
}  // namespace quendal
