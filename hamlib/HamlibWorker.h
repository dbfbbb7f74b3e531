#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <array>

#include "hamlib/HamlibConfig.h"
#include "meters/TransmitReading.h"
#include "support/ReconnectBackoff.h"

struct s_rig;  // Hamlib's RIG

namespace quendal {

// Owns the Hamlib rig and makes every libhamlib call, all of them on the one
// worker thread it is moved to: they block on serial ports and sockets for as
// long as the rig's time-outs allow. It reports to the main thread through its
// signals only, which arrive there queued.
class HamlibWorker : public QObject {
  Q_OBJECT

 public:
  explicit HamlibWorker(HamlibConfig config);
  ~HamlibWorker() override;

  // Run on the worker thread: Begin opens the rig, End closes it and stops the timers.
  void Begin();
  void End();
  // One attempt to open, and one reading; the timers call them after Begin.
  void Open();
  void Poll();

 signals:
  void Opening();
  // The rig answered; `model` is its maker and name, `hasStrength` whether it reports STRENGTH.
  void Opened(const QString& model, bool hasStrength);
  void Reading(double dbm, qint64 frequencyHz);
  // Each poll's transmitter; values only while it transmits.
  void Transmit(const quendal::TransmitStatus& status);
  // The rig could not be opened or stopped answering; the next open is `retrySeconds` away.
  void Lost(const QString& why, int retrySeconds);

 private:
  // False when the poll lost the rig.
  bool ReadTransmit();
  void ReadStrength(qint64 frequencyHz);
  TransmitStatus TransmitLevels() const;
  void CloseAfter(const QString& why);
  void Close();

  HamlibConfig config_;
  s_rig* rig_ = nullptr;
  bool has_strength_ = false;
  bool ptt_readable_ = true;
  std::array<bool, kTransmitReadings.size()> offered_{};
  bool read_once_ = false;
  ReconnectBackoff backoff_;
  QTimer* poll_timer_ = nullptr;
  QTimer* reopen_timer_ = nullptr;
};

}  // namespace quendal
