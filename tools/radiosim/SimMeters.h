#pragma once

#include <QByteArray>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace quendal::radiosim {

// One meter as the radio describes it in its status text.
struct SimMeter {
  int id;
  const char* src;
  int num;
  const char* name;
  double low;
  double high;
  const char* desc;
  const char* unit;
  int fps;
};

// The meters of a FLEX-6600M on firmware 3.x, receiving, with `slices` open slices
// (each has its four slice meters; slice 0's LEVEL is meter 24). A rebooted radio
// numbers its meters afresh: `id_offset` is added to every ID.
std::vector<SimMeter> SimulatedMeters(int slices = 1, int id_offset = 0);

// Each further slice hears its signal this much weaker than the one before.
inline constexpr double kSliceStepDb = 24.0;

// "24.src=SLC#24.num=0#...#24.fps=10#"
std::string MeterDescription(const SimMeter& meter);

// How the LEVEL meter moves.
struct LevelModel {
  enum class Kind { Qsb, Sweep, Steady, Drop };
  Kind kind = Kind::Qsb;
  double steady_dbm = -73.0;
  // Drop: steady_dbm until drop_after_s, then drop_dbm.
  double drop_dbm = -121.0;
  double drop_after_s = 0.0;

  // Parses "qsb", "sweep", "steady:<dBm>" or "drop:<dBm>:<dBm>:<seconds>"; false for
  // anything else.
  bool Parse(const std::string& text);
  double LevelDbm(double seconds) const;
};

// What the transmitter puts out while it is on the air, and how it keys.
struct TransmitModel {
  double on_s = 0.0;  // 0: it never transmits
  double off_s = 0.0;
  double power_w = 50.0;
  double swr = 1.5;
  double alc_db = -3.0;
  double compression_db = 6.0;

  // Parses "<on s>:<off s>", both positive; false for anything else.
  bool ParseCycle(const std::string& text);
};

// The raw 16-bit value the radio sends for `meter` at `seconds` into the stream; the
// transmit meters carry `on_air`'s values, or their meaningless receive values without it.
std::int16_t RawValue(const SimMeter& meter, const LevelModel& level, double seconds,
                      const TransmitModel* on_air = nullptr);

// VITA-49 framing as the radio uses it: type 3 with class id, integer and
// fractional time stamps; the payload padded to whole words.
QByteArray VitaPacket(std::uint32_t stream_id, std::uint32_t class_word, int counter,
                      QByteArray payload);
QByteArray MeterPacket(const std::vector<std::pair<std::uint16_t, std::int16_t>>& pairs,
                       int counter);

// A datagram a broken or hostile sender might put on the meter port: random bytes,
// a header cut short, a size field that overstates or understates the datagram, a
// payload of odd length, or well-formed pairs for IDs no radio uses.
QByteArray GarbageDatagram(std::mt19937& rng, int counter);

}  // namespace quendal::radiosim
