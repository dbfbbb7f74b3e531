#include "meters/MeterSender.h"

namespace quendal {

namespace {

constexpr std::chrono::minutes kReportInterval{1};

}  // namespace

bool MeterSenderFilter::Accept(std::string_view sender, std::chrono::steady_clock::time_point now,
                               TextLog& log) {
  if (!radio_.empty() && sender == radio_) return true;
  ++dropped_;
  ++unreported_;
  if (last_report_ && now - *last_report_ < kReportInterval) return false;
  last_report_ = now;
  log.Log([&] {
    return "TFlexRadioLib.IdUDPServer1UDPRead: Ignored " + std::to_string(unreported_) +
           " meter datagram(s), the last from " + std::string(sender) + ": not the radio (" +
           (radio_.empty() ? std::string("none connected") : radio_) + ").";
  });
  unreported_ = 0;
  return false;
}

}  // namespace quendal
