#include "tci/TciProtocol.h"

#include <array>
#include <charconv>
#include <cmath>
#include <string>

#include "support/AsciiText.h"
#include "support/NumberFormat.h"

namespace quendal {

namespace {

// A level outside this is no S-meter reading, whatever the server meant.
constexpr double kLowestDbm = -200.0;
constexpr double kHighestDbm = 100.0;
// Beyond any transmitter a console drives.
constexpr double kMostWatts = 100000.0;
constexpr std::size_t kMaxArguments = 64;
constexpr std::size_t kMaxQuotedBytes = 80;

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\r' ||
                           text.front() == '\n'))
    text.remove_prefix(1);
  while (!text.empty() &&
         (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' || text.back() == '\n'))
    text.remove_suffix(1);
  return text;
}

// The command as a log line can show it: short, printable ASCII only.
std::string Quoted(std::string_view command) {
  std::string text;
  for (char c : command.substr(0, kMaxQuotedBytes)) {
    const auto b = static_cast<unsigned char>(c);
    text += (b >= 0x20 && b < 0x7F) ? c : '?';
  }
  if (command.size() > kMaxQuotedBytes) text += "...";
  return "'" + text + "'";
}

std::optional<std::int32_t> Index(std::string_view text) {
  const std::optional<std::int32_t> value = ParseInt32(Trim(text));
  if (!value || *value < 0) return std::nullopt;
  return value;
}

std::optional<double> Level(std::string_view text) {
  const std::optional<double> value = ParseDouble(Trim(text));
  if (!value || !std::isfinite(*value) || *value < kLowestDbm || *value > kHighestDbm)
    return std::nullopt;
  return value;
}

std::optional<double> Watts(std::string_view text) {
  const std::optional<double> value = ParseDouble(Trim(text));
  if (!value || !(*value >= 0.0 && *value <= kMostWatts)) return std::nullopt;
  return value;
}

std::optional<double> Ratio(std::string_view text) {
  const std::optional<double> value = ParseDouble(Trim(text));
  if (!value || !(*value >= 0.0 && std::isfinite(*value))) return std::nullopt;
  return value;
}

// Whole hertz; some servers write a fraction.
std::optional<std::int64_t> Hertz(std::string_view text) {
  text = Trim(text);
  std::int64_t whole = 0;
  const char* end = text.data() + text.size();
  const auto r = std::from_chars(text.data(), end, whole);
  if (!text.empty() && r.ec == std::errc() && r.ptr == end) {
    if (whole < 0) return std::nullopt;
    return whole;
  }
  const std::optional<double> value = ParseDouble(text);
  if (!value || !(*value >= 0.0 && *value < 1e12)) return std::nullopt;
  return static_cast<std::int64_t>(std::llround(*value));
}

using Args = std::vector<std::string_view>;

struct CommandContext {
  TciTarget target;
  TciServerInfo& server;
  TciFrameResult& result;
};

// Each handler returns a problem for the log, or nothing.
using Handler = std::optional<std::string> (*)(const Args&, CommandContext&);

std::optional<std::string> OnProtocol(const Args& args, CommandContext& c) {
  c.server.Protocol = std::string(Trim(args.at(0)));
  c.server.Version = args.size() > 1 ? std::string(Trim(args[1])) : std::string();
  return std::nullopt;
}

std::optional<std::string> OnDevice(const Args& args, CommandContext& c) {
  c.server.Device = std::string(Trim(args.at(0)));
  return std::nullopt;
}

std::optional<std::string> OnTrxCount(const Args& args, CommandContext& c) {
  const std::optional<std::int32_t> n = Index(args.at(0));
  if (!n) return "a trx count that is no count";
  c.server.TrxCount = *n;
  return std::nullopt;
}

std::optional<std::string> OnChannelsCount(const Args& args, CommandContext& c) {
  const std::optional<std::int32_t> n = Index(args.at(0));
  if (!n) return "a channel count that is no count";
  c.server.ChannelsCount = *n;
  return std::nullopt;
}

std::optional<std::string> OnReady(const Args&, CommandContext& c) {
  if (!c.server.Ready) c.result.BecameReady = true;
  c.server.Ready = true;
  return std::nullopt;
}

bool IsTarget(const Args& args, TciTarget target) {
  const std::optional<std::int32_t> trx = Index(args.at(0));
  const std::optional<std::int32_t> channel = Index(args.at(1));
  return trx && channel && *trx == target.Receiver && *channel == target.Channel;
}

// rx_smeter:<trx>,<channel>,<dBm>; and rx_channel_sensors:<trx>,<channel>,<dBm>;
std::optional<std::string> OnLevel(const Args& args, CommandContext& c) {
  if (args.size() < 3) return std::nullopt;  // an echo of our own query
  if (!Index(args[0]) || !Index(args[1])) return "a receiver or channel that is no index";
  if (!IsTarget(args, c.target)) return std::nullopt;
  const std::optional<double> level = Level(args[2]);
  if (!level) return "a level that is no dBm value";
  c.result.LevelDbm = *level;
  return std::nullopt;
}

// vfo:<trx>,<channel>,<Hz>;
std::optional<std::string> OnVfo(const Args& args, CommandContext& c) {
  if (args.size() < 3) return std::nullopt;
  if (!Index(args[0]) || !Index(args[1])) return "a receiver or channel that is no index";
  if (!IsTarget(args, c.target)) return std::nullopt;
  const std::optional<std::int64_t> hz = Hertz(args[2]);
  if (!hz) return "a frequency that is no frequency";
  c.result.FrequencyHz = *hz;
  return std::nullopt;
}

// trx:<trx>,true|false[,<source>];
std::optional<std::string> OnTrx(const Args& args, CommandContext& c) {
  const std::optional<std::int32_t> trx = Index(args[0]);
  if (!trx) return "a receiver that is no index";
  if (*trx != c.target.Receiver) return std::nullopt;
  const std::string_view state = Trim(args[1]);
  if (EqualsIgnoringAsciiCase(state, "true"))
    c.result.Transmitting = true;
  else if (EqualsIgnoringAsciiCase(state, "false"))
    c.result.Transmitting = false;
  else
    return "a transmit state that is neither true nor false";
  return std::nullopt;
}

// tx_sensors:<trx>,<mic dBm>,<power W>,<peak W>,<SWR>;
std::optional<std::string> OnTxSensors(const Args& args, CommandContext& c) {
  const std::optional<std::int32_t> trx = Index(args[0]);
  if (!trx) return "a receiver that is no index";
  if (*trx != c.target.Receiver) return std::nullopt;
  const std::optional<double> power = Watts(args[2]);
  const std::optional<double> peak = Watts(args[3]);
  if (!power || !peak) return "a power that is no power in watts";
  const std::optional<double> swr = Ratio(args[4]);
  if (!swr) return "an SWR that is no ratio";
  c.result.TxPowerW = power;
  c.result.TxPeakPowerW = peak;
  c.result.TxSwr = swr;
  return std::nullopt;
}

// tx_power:<W>; from servers before channel sensors, which have one transmitter.
std::optional<std::string> OnTxPower(const Args& args, CommandContext& c) {
  const std::optional<double> power = Watts(args[0]);
  if (!power) return "a power that is no power in watts";
  c.result.TxPowerW = power;
  return std::nullopt;
}

// tx_swr:<ratio>;
std::optional<std::string> OnTxSwr(const Args& args, CommandContext& c) {
  const std::optional<double> swr = Ratio(args[0]);
  if (!swr) return "an SWR that is no ratio";
  c.result.TxSwr = swr;
  return std::nullopt;
}

struct CommandEntry {
  std::string_view name;  // lower case
  std::size_t min_args;
  Handler handler;
};

// Every command the meter reads; the many others a server sends are ignored.
constexpr std::array<CommandEntry, 12> kCommands{{
    {"protocol", 1, OnProtocol},
    {"device", 1, OnDevice},
    {"trx_count", 1, OnTrxCount},
    {"channels_count", 1, OnChannelsCount},
    {"ready", 0, OnReady},
    {"rx_smeter", 2, OnLevel},
    {"rx_channel_sensors", 3, OnLevel},
    {"vfo", 2, OnVfo},
    {"trx", 2, OnTrx},
    {"tx_sensors", 5, OnTxSensors},
    {"tx_power", 1, OnTxPower},
    {"tx_swr", 1, OnTxSwr},
}};

const CommandEntry* FindCommand(std::string_view name) {
  for (const CommandEntry& entry : kCommands)
    if (EqualsIgnoringAsciiCase(entry.name, name)) return &entry;
  return nullptr;
}

bool SplitArguments(std::string_view text, Args& args) {
  if (text.empty()) return true;
  std::size_t start = 0;
  while (true) {
    if (args.size() == kMaxArguments) return false;
    const std::size_t comma = text.find(',', start);
    args.push_back(text.substr(start, comma == std::string_view::npos ? comma : comma - start));
    if (comma == std::string_view::npos) return true;
    start = comma + 1;
  }
}

}  // namespace

TciFrameResult TciReader::Feed(std::string_view frame) {
  TciFrameResult result;
  std::size_t start = 0;
  while (start < frame.size()) {
    const std::size_t end = frame.find(';', start);
    const std::string_view piece =
        frame.substr(start, end == std::string_view::npos ? end : end - start);
    if (discarding_) {
      // The rest of an overlong command, up to its ';'.
    } else if (pending_.size() + piece.size() > kMaxCommandBytes) {
      Report(result, "Dropped a command longer than " + std::to_string(kMaxCommandBytes) +
                         " bytes: " + Quoted(pending_.empty() ? piece : pending_));
      pending_.clear();
      discarding_ = true;
    } else if (end == std::string_view::npos) {
      pending_.append(piece);
    } else if (pending_.empty()) {
      HandleCommand(piece, result);
    } else {
      pending_.append(piece);
      HandleCommand(pending_, result);
      pending_.clear();
    }
    if (end == std::string_view::npos) break;
    discarding_ = false;
    start = end + 1;
  }
  return result;
}

void TciReader::Reset() {
  server_ = TciServerInfo{};
  pending_.clear();
  discarding_ = false;
}

bool TciReader::SupportsSensors() const {
  const std::string_view version = server_.Version;
  const std::size_t dot = version.find('.');
  const std::optional<std::int32_t> major = ParseInt32(version.substr(0, dot));
  if (!major) return false;
  std::optional<std::int32_t> minor = 0;
  if (dot != std::string_view::npos) {
    const std::string_view rest = version.substr(dot + 1);
    minor = ParseInt32(rest.substr(0, rest.find('.')));
  }
  return minor && (*major > 1 || (*major == 1 && *minor >= 9));
}

void TciReader::HandleCommand(std::string_view command, TciFrameResult& result) {
  command = Trim(command);
  if (command.empty()) return;
  const std::size_t colon = command.find(':');
  const std::string_view name = Trim(command.substr(0, colon));
  const CommandEntry* entry = FindCommand(name);
  if (entry == nullptr) return;

  Args args;
  if (colon != std::string_view::npos && !SplitArguments(command.substr(colon + 1), args)) {
    Report(result, "Too many arguments in " + Quoted(command));
    return;
  }
  if (args.size() < entry->min_args) {
    Report(result, "Too few arguments in " + Quoted(command));
    return;
  }
  CommandContext context{target_, server_, result};
  if (const std::optional<std::string> problem = entry->handler(args, context))
    Report(result, "Ignored " + Quoted(command) + ": " + *problem);
}

void TciReader::Report(TciFrameResult& result, std::string problem) const {
  if (result.Problems.size() < kMaxReportedProblems)
    result.Problems.push_back(std::move(problem));
  else
    ++result.MoreProblems;
}

std::optional<double> SwrReading(double ratio) {
  if (ratio < 1.0) return std::nullopt;
  return ratio;
}

std::string TciSmeterQuery(TciTarget target) {
  return "rx_smeter:" + std::to_string(target.Receiver) + "," + std::to_string(target.Channel) +
         ";";
}

std::string TciSensorsEnable(std::int32_t intervalMs) {
  return "rx_sensors_enable:true," + std::to_string(intervalMs) + ";";
}

std::string TciTxSensorsEnable(std::int32_t intervalMs) {
  return "tx_sensors_enable:true," + std::to_string(intervalMs) + ";";
}

}  // namespace quendal
