#include "display/LinkStatusText.h"

namespace quendal {

QString LinkStateText(const LinkStatus& Status) {
  switch (Status.State) {
    case LinkState::NotConnected:
      if (Status.Reason.empty()) return QStringLiteral("Not connected");
      return QStringLiteral("Not connected \u2013 %1").arg(QString::fromStdString(Status.Reason));
    case LinkState::Searching:
      return QStringLiteral("Searching for radio\u2026");
    case LinkState::Connecting:
      return QStringLiteral("Connecting to %1\u2026").arg(QString::fromStdString(Status.Address));
    case LinkState::Lost:
      return QStringLiteral("Radio lost \u2013 retrying in %1 s").arg(Status.RetryInSeconds);
    case LinkState::NoMeterData:
      // Readings that stopped are the radio's doing; a stream that never came, the firewall's.
      if (Status.SilentForSeconds >= 0)
        return QStringLiteral("No meter data for %1 s").arg(Status.SilentForSeconds);
      // Only a radio that streams to a port of ours can be blocked by the firewall.
      if (Status.MeterPort == 0) return QStringLiteral("No meter data");
      return QStringLiteral("No meter data \u2013 check the firewall (UDP %1)")
          .arg(Status.MeterPort);
    case LinkState::NotAnswering:
      return QStringLiteral("Radio not answering");
    case LinkState::GaveUp:
      if (Status.Address.empty())
        return QStringLiteral("No radio found \u2013 not searching again (Reconnect=0)");
      return QStringLiteral("Radio lost \u2013 not reconnecting (Reconnect=0)");
    case LinkState::SliceNotOpen:
      return QStringLiteral("Slice %1 not open").arg(Status.Slice);
    case LinkState::Receiving:
      return QStringLiteral("Receiving");
  }
  return QStringLiteral("Unknown");
}

QString LinkStatusText(const LinkStatus& Status) {
  const bool quiet = (Status.State == LinkState::NotConnected && Status.Reason.empty()) ||
                     Status.State == LinkState::Receiving;
  return quiet ? QString() : LinkStateText(Status);
}

}  // namespace quendal
