#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quendal {

// The receiver (trx) and its channel whose S-meter the meter shows.
struct TciTarget {
  std::int32_t Receiver = 0;
  std::int32_t Channel = 0;
};

// What the server said about itself in its start-up sequence.
struct TciServerInfo {
  std::string Protocol;  // "ExpertSDR3"
  std::string Version;   // "1.9"
  std::string Device;
  std::int32_t TrxCount = 0;       // 0: not told
  std::int32_t ChannelsCount = 0;  // 0: not told
  bool Ready = false;
};

// What one frame brought for the target.
struct TciFrameResult {
  std::optional<double> LevelDbm;  // the last reading of the frame
  std::optional<std::int64_t> FrequencyHz;
  // The target receiver's transmitter, as the frame last said: keyed or not.
  std::optional<bool> Transmitting;
  std::optional<double> TxPowerW;  // RMS
  std::optional<double> TxPeakPowerW;
  std::optional<double> TxSwr;  // as sent: SwrReading tells whether it is a reading
  bool BecameReady = false;
  // Lines for the log about commands that could not be read, at most
  // kMaxReportedProblems; MoreProblems counts the rest.
  std::vector<std::string> Problems;
  std::size_t MoreProblems = 0;
};

// Reads the text frames of a TCI server: commands "name:arg,arg;" or "name;",
// several to a frame, names in any letter case. A command cut at the end of a
// frame is completed by the next one. Plain C++, so it can be tested and fuzzed
// without a socket.
class TciReader {
 public:
  // A command longer than this is no command of this protocol: dropped whole.
  static constexpr std::size_t kMaxCommandBytes = 4096;
  static constexpr std::size_t kMaxReportedProblems = 8;

  explicit TciReader(TciTarget target) : target_(target) {}

  TciFrameResult Feed(std::string_view frame);
  // Forgets the server and any partial command: a new connection starts afresh.
  void Reset();

  const TciServerInfo& Server() const { return server_; }
  TciTarget Target() const { return target_; }
  // Protocol 1.9 and later push channel sensors once asked to.
  bool SupportsSensors() const;

 private:
  void HandleCommand(std::string_view command, TciFrameResult& result);
  void Report(TciFrameResult& result, std::string problem) const;

  TciTarget target_;
  TciServerInfo server_;
  std::string pending_;
  bool discarding_ = false;  // inside a command that grew past kMaxCommandBytes
};

// The SWR a server sent as the needle may show it: below 1 is how servers say they
// measure none.
std::optional<double> SwrReading(double ratio);

// "rx_smeter:0,1;": asks a server that does not push the S-meter.
std::string TciSmeterQuery(TciTarget target);
// "rx_sensors_enable:true,200;"
std::string TciSensorsEnable(std::int32_t intervalMs);
// "tx_sensors_enable:true,100;": power and SWR pushed while transmitting.
std::string TciTxSensorsEnable(std::int32_t intervalMs);

}  // namespace quendal
