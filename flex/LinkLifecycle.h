#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "meters/LevelSource.h"

namespace quendal {

// Where the radio link stands in its own lifecycle.
enum class LinkPhase : std::uint8_t {
  Idle,            // built, not started
  Searching,       // discovery listener open, waiting for the radio
  Connecting,      // one attempt on the command channel
  Connected,       // command channel up, subscribed
  WaitingToRetry,  // lost or refused; the next attempt follows the backoff pause
  ChannelLost,     // the radio closed the channel and no reconnection is wanted
  GivenUp,         // discovery timed out and no reconnection is wanted
  Stopped,         // disconnected by the program
};

enum class LinkEvent : std::uint8_t {
  Start,
  RadioHeard,  // a discovery datagram, or the configured address is to be tried
  Connected,
  ConnectFailed,
  ChannelClosed,      // by the radio, or reset
  PingUnanswered,     // the radio stopped answering on an open channel
  RetryDue,           // the backoff pause is over
  DiscoveryTimedOut,  // the first check found no radio
  Stop,
};

// The phase after `event`. With `reconnect` off the link keeps its one-shot rules: a
// failed attempt waits for the next discovery datagram, a lost channel stays lost.
LinkPhase NextLinkPhase(LinkPhase phase, LinkEvent event, bool reconnect);

// What the link knows at one moment, for the state it shows.
struct LinkFacts {
  LinkPhase Phase = LinkPhase::Idle;
  std::string Address;                                // the host of the current or last attempt
  std::int32_t RetryInSeconds = 0;                    // WaitingToRetry
  bool MetersKnown = false;                           // the radio has described at least one meter
  bool LevelMeterKnown = false;                       // the chosen LEVEL meter is among them
  std::optional<std::chrono::milliseconds> LevelAge;  // since its last value
  std::chrono::milliseconds LevelInterval{0};         // how often its values come; 0: unknown
  std::chrono::milliseconds SinceSubscribed{0};  // since connect, or since the LEVEL meter came
  // Since the last meter datagram of this connection; empty while none has come.
  std::optional<std::chrono::milliseconds> StreamSilence;
  // Since the ping that is still unanswered was sent; empty while none is.
  std::optional<std::chrono::milliseconds> PingUnanswered;
  std::uint16_t MeterPort = 0;
  std::int32_t Slice = -1;  // the configured slice; -1 for the first LEVEL meter
};

// How long a new connection (or a new LEVEL meter) may take to deliver its first value.
inline constexpr std::chrono::milliseconds kFirstValueGrace{2000};
// How long a ping may go unanswered before the radio is said not to answer: a radio on
// the network answers in milliseconds.
inline constexpr std::chrono::milliseconds kPingAnswerGrace{1000};

LinkStatus DescribeLink(const LinkFacts& facts);

}  // namespace quendal
