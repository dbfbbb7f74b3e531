#include "flex/LinkLifecycle.h"

namespace quendal {

namespace {

LinkPhase AfterFailure(bool reconnect, LinkPhase one_shot) {
  return reconnect ? LinkPhase::WaitingToRetry : one_shot;
}

}  // namespace

LinkPhase NextLinkPhase(LinkPhase phase, LinkEvent event, bool reconnect) {
  if (event == LinkEvent::Stop) return LinkPhase::Stopped;
  switch (phase) {
    case LinkPhase::Idle:
      return event == LinkEvent::Start ? LinkPhase::Searching : phase;
    case LinkPhase::Searching:
      if (event == LinkEvent::RadioHeard) return LinkPhase::Connecting;
      if (event == LinkEvent::DiscoveryTimedOut && !reconnect) return LinkPhase::GivenUp;
      return phase;
    case LinkPhase::Connecting:
      if (event == LinkEvent::Connected) return LinkPhase::Connected;
      // One-shot: the listener stays open and the next datagram tries again.
      if (event == LinkEvent::ConnectFailed) return AfterFailure(reconnect, LinkPhase::Searching);
      return phase;
    case LinkPhase::Connected:
      if (event == LinkEvent::ChannelClosed) return AfterFailure(reconnect, LinkPhase::ChannelLost);
      if (event == LinkEvent::PingUnanswered && reconnect) return LinkPhase::WaitingToRetry;
      return phase;
    case LinkPhase::WaitingToRetry:
      return event == LinkEvent::RetryDue ? LinkPhase::Searching : phase;
    case LinkPhase::ChannelLost:
    case LinkPhase::GivenUp:
    case LinkPhase::Stopped:
      return phase;
  }
  return phase;
}

LinkStatus DescribeLink(const LinkFacts& facts) {
  LinkStatus status;
  switch (facts.Phase) {
    case LinkPhase::Searching:
      status.State = LinkState::Searching;
      return status;
    case LinkPhase::Connecting:
      status.State = LinkState::Connecting;
      status.Address = facts.Address;
      return status;
    case LinkPhase::WaitingToRetry:
      status.State = LinkState::Lost;
      status.RetryInSeconds = facts.RetryInSeconds;
      return status;
    case LinkPhase::ChannelLost:
      status.State = LinkState::GaveUp;
      status.Address = facts.Address;
      return status;
    case LinkPhase::GivenUp:
      status.State = LinkState::GaveUp;
      return status;
    case LinkPhase::Connected:
      break;
    default:
      return status;
  }
  if (ReadingIsFresh(facts.LevelAge, facts.LevelInterval)) {
    status.State = LinkState::Receiving;
  } else if (facts.PingUnanswered && *facts.PingUnanswered > kPingAnswerGrace) {
    status.State = LinkState::NotAnswering;
  } else if (facts.MetersKnown && !facts.LevelMeterKnown) {
    status.State = LinkState::SliceNotOpen;
    status.Slice = facts.Slice < 0 ? 0 : facts.Slice;
  } else if (facts.SinceSubscribed < kFirstValueGrace) {
    // Just subscribed: the meter list and the first values are on their way.
    status.State = LinkState::Connecting;
    status.Address = facts.Address;
  } else {
    status.State = LinkState::NoMeterData;
    status.MeterPort = facts.MeterPort;
    status.SilentForSeconds =
        SilentForSeconds(facts.LevelAge ? facts.LevelAge : facts.StreamSilence);
  }
  return status;
}

}  // namespace quendal
