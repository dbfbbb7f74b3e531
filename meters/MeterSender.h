#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "support/TextLog.h"

namespace quendal {

// Meter datagrams move the needle only when they come from the radio the command
// channel is connected to: anyone on the network can reach the stream port.
class MeterSenderFilter {
 public:
  // The radio's address; empty while there is no connection, and then nothing is accepted.
  void ExpectFrom(std::string radio_address) { radio_ = std::move(radio_address); }
  const std::string& Radio() const { return radio_; }

  // True for a datagram from the radio. Any other is counted, and reported with its
  // sender and the count since the last report, at most once a minute.
  bool Accept(std::string_view sender, std::chrono::steady_clock::time_point now, TextLog& log);
  std::uint64_t Dropped() const { return dropped_; }

 private:
  std::string radio_;
  std::uint64_t dropped_ = 0;
  std::uint64_t unreported_ = 0;
  std::optional<std::chrono::steady_clock::time_point> last_report_;
};

}  // namespace quendal
