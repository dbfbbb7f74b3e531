#include "tools/radiosim/SimMeters.h"

#include <QDateTime>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <numbers>

namespace quendal::radiosim {

namespace {
// Transmit-chain meters rest here while the radio receives (about -250 dBm or dBFS);
// its SWR meter reads 1.0.
constexpr std::int16_t kIdleTransmitRaw = -32000;
constexpr std::int16_t kIdleSwrRaw = 128;

void AppendWord(QByteArray& out, std::uint32_t word) {
  const std::uint32_t be = qToBigEndian(word);
  out.append(reinterpret_cast<const char*>(&be), 4);
}

std::int16_t ToRaw(double value, double scale) {
  const double raw = std::round(value * scale);
  return static_cast<std::int16_t>(std::clamp(raw, -32768.0, 32767.0));
}

double Wobble(double seconds, double period, double amplitude) {
  return amplitude * std::sin(2.0 * std::numbers::pi * seconds / period);
}
}  // namespace

std::vector<SimMeter> SimulatedMeters(int slices, int id_offset) {
  static const std::vector<SimMeter> kOneSlice = {
      {1, "COD-", 1, "MICPEAK", -150.0, 20.0, "Signal strength of MIC output in CODEC", "dBFS", 40},
      {2, "COD-", 1, "MIC", -150.0, 20.0, "Average Signal strength of MIC output in CODEC", "dBFS",
       40},
      {3, "TX-", 0, "CODEC", -150.0, 20.0, "Signal strength of CODEC output", "dBFS", 20},
      {4, "TX-", 0, "SC_MIC", -150.0, 20.0, "Signal strength of MIC output", "dBFS", 20},
      {5, "TX-", 0, "COMPPEAK", -150.0, 20.0, "Signal strength before the ALC", "dBFS", 20},
      {6, "TX-", 0, "SC_FILT_1", -150.0, 20.0, "Signal strength after the first TX filter", "dBFS",
       20},
      {7, "TX-", 0, "ALC", -150.0, 20.0, "Signal strength after the ALC", "dBFS", 20},
      {8, "TX-", 0, "HWALC", -150.0, 20.0, "Voltage at the hardware ALC RCA plug", "dBFS", 20},
      {9, "TX-", 0, "AFTEREQ", -150.0, 20.0, "Signal strength after the TX equalizer", "dBFS", 20},
      {10, "TX-", 0, "TX_AGC", -150.0, 20.0, "Signal strength after the TX AGC", "dBFS", 20},
      {11, "TX-", 0, "SC_FILT_2", -150.0, 20.0, "Signal strength after the second TX filter",
       "dBFS", 20},
      {12, "TX-", 0, "PRE_WAVE_AGC", -150.0, 20.0, "Signal strength before the wave AGC", "dBFS",
       20},
      {13, "TX-", 0, "PRE_WAVE", -150.0, 20.0, "Signal strength before the waveform", "dBFS", 20},
      {14, "TX-", 0, "GAIN", -150.0, 20.0, "Transmit gain stage output", "dBFS", 20},
      {15, "TX-", 0, "POST_P", -150.0, 20.0, "Signal strength after the processor", "dBFS", 20},
      {16, "RAD", 0, "+13.8A", 10.5, 15.0, "13.8V measured at the main power input", "Volts", 2},
      {17, "RAD", 0, "+13.8B", 10.5, 15.0, "13.8V measured after the main fuse", "Volts", 2},
      {18, "RAD", 0, "MAINFAN", 0.0, 6000.0, "Main fan speed", "RPM", 0},
      {19, "TX-", 0, "FWDPWR", 0.0, 53.0, "RF power forward", "dBm", 20},
      {20, "TX-", 0, "REFPWR", 0.0, 53.0, "RF power reflected", "dBm", 20},
      {21, "TX-", 0, "SWR", 1.0, 999.0, "RF SWR", "SWR", 20},
      {22, "TX-", 0, "PATEMP", 0.0, 100.0, "PA temperature", "degC", 0},
      {23, "SLC", 0, "24kHz", -150.0, 20.0, "Signal strength of the 24kHz band around the slice",
       "dBm", 10},
      {24, "SLC", 0, "LEVEL", -150.0, 20.0, "Signal strength of signals in the filter passband",
       "dBm", 10},
      {25, "SLC", 0, "NR/ANF", -150.0, 20.0, "Signal strength after the NR/ANF", "dBm", 10},
      {26, "SLC", 0, "AGC+", -150.0, 20.0, "Signal strength after the AGC", "dBm", 10},
  };
  std::vector<SimMeter> meters = kOneSlice;
  constexpr std::size_t kSliceMeters = 4;  // 24kHz, LEVEL, NR/ANF, AGC+ at the end
  int next_id = meters.back().id + 1;
  for (int slice = 1; slice < slices; ++slice) {
    for (std::size_t i = kOneSlice.size() - kSliceMeters; i < kOneSlice.size(); ++i) {
      SimMeter m = kOneSlice[i];
      m.id = next_id++;
      m.num = slice;
      meters.push_back(m);
    }
  }
  for (SimMeter& m : meters) m.id += id_offset;
  return meters;
}

std::string MeterDescription(const SimMeter& m) {
  const std::string id = std::to_string(m.id);
  char low[32];
  char high[32];
  std::snprintf(low, sizeof low, "%.1f", m.low);
  std::snprintf(high, sizeof high, "%.1f", m.high);
  return id + ".src=" + m.src + "#" + id + ".num=" + std::to_string(m.num) + "#" + id +
         ".nam=" + m.name + "#" + id + ".low=" + low + "#" + id + ".hi=" + high + "#" + id +
         ".desc=" + m.desc + "#" + id + ".unit=" + m.unit + "#" + id +
         ".fps=" + std::to_string(m.fps) + "#";
}

bool LevelModel::Parse(const std::string& text) {
  if (text == "qsb") {
    kind = Kind::Qsb;
    return true;
  }
  if (text == "sweep") {
    kind = Kind::Sweep;
    return true;
  }
  if (text.rfind("drop:", 0) == 0) {
    double values[3];
    std::size_t at = 5;
    for (double& value : values) {
      if (at > text.size()) return false;  // fewer than three fields
      const std::size_t end = std::min(text.find(':', at), text.size());
      const std::string number = text.substr(at, end - at);
      char* stop = nullptr;
      value = std::strtod(number.c_str(), &stop);
      if (number.empty() || stop != number.c_str() + number.size() || !std::isfinite(value))
        return false;
      at = end + 1;
    }
    if (at <= text.size()) return false;  // more than three fields
    kind = Kind::Drop;
    steady_dbm = values[0];
    drop_dbm = values[1];
    drop_after_s = values[2];
    return true;
  }
  const std::string prefix = "steady:";
  if (text.rfind(prefix, 0) != 0) return false;
  const std::string number = text.substr(prefix.size());
  char* end = nullptr;
  const double dbm = std::strtod(number.c_str(), &end);
  if (number.empty() || end != number.c_str() + number.size() || !std::isfinite(dbm)) return false;
  kind = Kind::Steady;
  steady_dbm = dbm;
  return true;
}

double LevelModel::LevelDbm(double seconds) const {
  switch (kind) {
    case Kind::Steady:
      return steady_dbm;
    case Kind::Drop:
      return seconds < drop_after_s ? steady_dbm : drop_dbm;
    case Kind::Sweep: {
      // S0 (-127 dBm) up to S9+60 (-13 dBm) in 10 s and back down in 10 s.
      const double phase = std::fmod(seconds, 20.0) / 10.0;
      const double up = phase <= 1.0 ? phase : 2.0 - phase;
      return -127.0 + 114.0 * up;
    }
    case Kind::Qsb:
      break;
  }
  // A fading signal between S3 (-109 dBm) and S9+20 (-53 dBm).
  const double level =
      -81.0 + Wobble(seconds, 6.0, 22.0) + Wobble(seconds, 1.7, 5.0) + Wobble(seconds, 0.37, 1.0);
  return std::clamp(level, -109.0, -53.0);
}

bool TransmitModel::ParseCycle(const std::string& text) {
  const std::size_t colon = text.find(':');
  if (colon == std::string::npos) return false;
  double values[2];
  const std::string parts[2] = {text.substr(0, colon), text.substr(colon + 1)};
  for (int i = 0; i < 2; ++i) {
    char* end = nullptr;
    values[i] = std::strtod(parts[i].c_str(), &end);
    if (parts[i].empty() || end != parts[i].c_str() + parts[i].size() ||
        !std::isfinite(values[i]) || !(values[i] > 0.0))
      return false;
  }
  on_s = values[0];
  off_s = values[1];
  return true;
}

namespace {

double DbmOfWatts(double watts) { return 10.0 * std::log10(watts) + 30.0; }

std::int16_t TransmitRaw(const SimMeter& m, const TransmitModel& on_air) {
  const std::string name = m.name;
  if (name == "FWDPWR") return ToRaw(DbmOfWatts(on_air.power_w), 128.0);
  if (name == "REFPWR") {
    // The share of the power a mismatch of this SWR sends back.
    const double gamma = (on_air.swr - 1.0) / (on_air.swr + 1.0);
    const double reflected = on_air.power_w * gamma * gamma;
    return reflected > 0.0 ? ToRaw(DbmOfWatts(reflected), 128.0) : kIdleTransmitRaw;
  }
  if (name == "SWR") return ToRaw(on_air.swr, 128.0);
  if (name == "ALC") return ToRaw(on_air.alc_db, 128.0);
  if (name == "COMPPEAK") return ToRaw(on_air.compression_db, 128.0);
  return kIdleTransmitRaw;
}

}  // namespace

std::int16_t RawValue(const SimMeter& m, const LevelModel& level, double seconds,
                      const TransmitModel* on_air) {
  const std::string src = m.src;
  const std::string name = m.name;
  // The PA temperature is listed with the transmit meters but is read all the time.
  if (name == "PATEMP") return ToRaw(34.5 + Wobble(seconds, 60.0, 0.5), 64.0);
  if (src == "TX-" && on_air) return TransmitRaw(m, *on_air);
  if (src == "TX-") return name == "SWR" ? kIdleSwrRaw : kIdleTransmitRaw;
  if (src == "SLC") {
    double dbm = level.LevelDbm(seconds) - kSliceStepDb * m.num;
    if (name == "24kHz") dbm += 4.0;
    if (name == "AGC+") dbm -= 1.5;
    return ToRaw(dbm, 128.0);
  }
  if (name == "MICPEAK") return ToRaw(-96.0 + Wobble(seconds, 0.9, 4.0), 128.0);
  if (name == "MIC") return ToRaw(-104.0 + Wobble(seconds, 1.3, 2.0), 128.0);
  if (name == "+13.8A") return ToRaw(13.8 + Wobble(seconds, 9.0, 0.02), 256.0);
  if (name == "+13.8B") return ToRaw(13.7 + Wobble(seconds, 9.0, 0.02), 256.0);
  if (name == "MAINFAN") return 1250;
  return 0;
}

QByteArray VitaPacket(std::uint32_t stream_id, std::uint32_t class_word, int counter,
                      QByteArray payload) {
  while (payload.size() % 4 != 0) payload += '\0';
  const auto words = static_cast<std::uint32_t>(7 + payload.size() / 4);
  QByteArray out;
  out.reserve(28 + payload.size());
  AppendWord(out,
             0x38500000u | (static_cast<std::uint32_t>(counter & 0x0F) << 16) | (words & 0xFFFFu));
  AppendWord(out, stream_id);
  AppendWord(out, 0x00001C2Du);
  AppendWord(out, class_word);
  AppendWord(out, static_cast<std::uint32_t>(QDateTime::currentSecsSinceEpoch()));
  AppendWord(out, 0);
  AppendWord(out, 0);
  return out + payload;
}

QByteArray MeterPacket(const std::vector<std::pair<std::uint16_t, std::int16_t>>& pairs,
                       int counter) {
  QByteArray payload;
  payload.reserve(static_cast<qsizetype>(pairs.size() * 4));
  for (const auto& [id, raw] : pairs) {
    const std::uint16_t be_id = qToBigEndian(id);
    const std::uint16_t be_raw = qToBigEndian(static_cast<std::uint16_t>(raw));
    payload.append(reinterpret_cast<const char*>(&be_id), 2);
    payload.append(reinterpret_cast<const char*>(&be_raw), 2);
  }
  return VitaPacket(0x00000700u, 0x534C8002u, counter, std::move(payload));
}

namespace {

QByteArray RandomBytes(std::mt19937& rng, int count) {
  QByteArray out(count, '\0');
  std::uniform_int_distribution<int> byte(0, 255);
  for (char& c : out) c = static_cast<char>(byte(rng));
  return out;
}

void SetSizeWords(QByteArray& packet, std::uint32_t words) {
  packet[2] = static_cast<char>((words >> 8) & 0xFF);
  packet[3] = static_cast<char>(words & 0xFF);
}

}  // namespace

QByteArray GarbageDatagram(std::mt19937& rng, int counter) {
  enum Kind { Random, CutHeader, SizeTooLarge, SizeTooSmall, OddPayload, UnknownIds, Jumbo, Empty };
  // Mostly the cheap kinds; a large datagram now and then.
  static constexpr Kind kKinds[] = {Random,       CutHeader,  SizeTooLarge, SizeTooSmall,
                                    OddPayload,   UnknownIds, Random,       CutHeader,
                                    SizeTooLarge, OddPayload, UnknownIds,   Random,
                                    SizeTooSmall, CutHeader,  Jumbo,        Empty};
  std::uniform_int_distribution<int> pick(0, static_cast<int>(std::size(kKinds)) - 1);
  std::uniform_int_distribution<int> small(1, 400);
  // IDs no radio uses: whatever the client keeps of these must not move a real meter.
  const QByteArray good = MeterPacket({{60001, -9344}, {60002, -9200}}, counter);
  const Kind kind = kKinds[pick(rng)];
  switch (kind) {
    case Random:
      return RandomBytes(rng, small(rng));
    case CutHeader:
      return good.left(std::uniform_int_distribution<int>(1, 27)(rng));
    case SizeTooLarge: {
      QByteArray packet = good;
      SetSizeWords(packet, std::uniform_int_distribution<std::uint32_t>(10, 0xFFFF)(rng));
      return packet;
    }
    case SizeTooSmall: {
      QByteArray packet = good;
      SetSizeWords(packet, std::uniform_int_distribution<std::uint32_t>(0, 6)(rng));
      return packet;
    }
    case OddPayload:
      return good + RandomBytes(rng, std::uniform_int_distribution<int>(1, 3)(rng));
    case UnknownIds:
    case Jumbo: {
      const int count = kind == Jumbo ? 2048 : std::uniform_int_distribution<int>(1, 60)(rng);
      std::vector<std::pair<std::uint16_t, std::int16_t>> pairs(static_cast<std::size_t>(count));
      std::uniform_int_distribution<int> id(60000, 65535);
      std::uniform_int_distribution<int> raw(-32768, 32767);
      for (auto& [i, r] : pairs) {
        i = static_cast<std::uint16_t>(id(rng));
        r = static_cast<std::int16_t>(raw(rng));
      }
      return MeterPacket(pairs, counter);
    }
    case Empty:
      break;
  }
  return QByteArray();
}

}  // namespace quendal::radiosim
