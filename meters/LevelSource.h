#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "meters/MeterList.h"
#include "meters/TransmitReading.h"

namespace quendal {

// Where a level source stands with its radio. The window shows it on the face;
// the needle follows only a source that is Receiving.
enum class LinkState : std::uint8_t {
  NotConnected,  // not started, stopped, or given up
  Searching,     // waiting for the radio to announce itself
  Connecting,    // an attempt to Address is under way
  NoMeterData,   // connected, but no reading arrives
  SliceNotOpen,  // connected, the chosen slice has no level meter
  Receiving,     // readings flow
  Lost,          // the link was lost; the next attempt is RetryInSeconds away
  NotAnswering,  // connected, but the radio leaves a ping unanswered
  GaveUp,        // lost (Address) or never found, and no reconnection is wanted
};

struct LinkStatus {
  LinkState State = LinkState::NotConnected;
  std::string Address;              // Connecting: where to
  std::int32_t RetryInSeconds = 0;  // Lost
  std::uint16_t MeterPort = 0;      // NoMeterData: the UDP port the stream should reach
  std::int32_t Slice = -1;          // SliceNotOpen
  std::string Reason;               // NotConnected: why, when it is for good
  // NoMeterData: whole seconds since the last reading; -1 while none has arrived.
  std::int32_t SilentForSeconds = -1;
};

// Who is at the other end, as far as the source knows; empty fields are unknown.
struct RadioIdentity {
  std::string Name;  // the operator's nickname for the radio
  std::string Model;
  std::string Serial;
  std::string Address;
};

// One reading of the receive level.
struct LevelReading {
  TMeter Meter;  // Value in dBm; an empty Name while the source has no level meter
  std::int32_t FrequencyHz = 0;
  // Since the level meter's own last value arrived; empty while none has.
  std::optional<std::chrono::milliseconds> Age;
};

// How long a reading stays fresh, moving the needle and counting as receiving, for a
// source that updates every `updateInterval` (zero: it cannot say): never under a
// second, and three intervals, so that one or two late updates do not drop the needle.
constexpr std::chrono::milliseconds FreshFor(std::chrono::milliseconds updateInterval) {
  return std::max(std::chrono::milliseconds{1000}, 3 * updateInterval);
}

// Whether a reading of age `age` (empty: none has arrived) is still fresh.
constexpr bool ReadingIsFresh(std::optional<std::chrono::milliseconds> age,
                              std::chrono::milliseconds updateInterval) {
  return age && *age <= FreshFor(updateInterval);
}

// LinkStatus::SilentForSeconds for a last reading of age `age`; empty: none has arrived.
inline std::int32_t SilentForSeconds(std::optional<std::chrono::milliseconds> age) {
  if (!age) return -1;
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(age->count() / 1000, 0, INT32_MAX));
}

// Whole milliseconds from `then` to `now`.
inline std::chrono::milliseconds Since(std::chrono::steady_clock::time_point then,
                                       std::chrono::steady_clock::time_point now) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(now - then);
}

// The reading of a source whose one meter is the level in dBm, which arrived at
// `arrived`; no value yet gives the empty meter.
inline LevelReading LevelInDbm(std::optional<double> dbm,
                               std::chrono::steady_clock::time_point arrived,
                               std::chrono::steady_clock::time_point now,
                               std::int32_t frequencyHz) {
  LevelReading reading;
  reading.FrequencyHz = frequencyHz;
  if (!dbm) return reading;
  reading.Meter.Name = "LEVEL";
  reading.Meter.UnitStr = "dBm";
  reading.Meter.Value = *dbm;
  reading.Age = Since(arrived, now);
  return reading;
}

// What the window reads from a radio of any family, on its own thread, every tick.
class LevelSource {
 public:
  virtual ~LevelSource() = default;

  // Begins finding and connecting to the radio; returns at once. Throws
  // std::runtime_error when the source cannot start at all.
  virtual void Start() = 0;
  // Drops every connection. Harmless when repeated.
  virtual void Stop() = 0;

  virtual LevelReading CurrentLevel() = 0;
  // How often a new reading is due while all is well; zero when the source cannot say.
  // ReadingIsFresh judges every reading by it.
  virtual std::chrono::milliseconds UpdateInterval() const = 0;
  virtual LinkStatus Status() const = 0;
  virtual RadioIdentity Identity() const = 0;
  // The transmitter, read like the level every tick. A source that cannot see it
  // never transmits.
  virtual TransmitStatus CurrentTransmit() { return {}; }

  // Whether the source tells its listener of every change the window reads: a level
  // value arriving, the link's state, the radio's identity, the transmitter. Only then
  // may the window's tick sleep while nothing moves; a source that cannot say is read
  // every tick.
  virtual bool TellsChanges() const { return false; }
  // The listener runs on the window's thread, at once (during the change) or later;
  // it must not call back into the source.
  void OnChange(std::function<void()> listener) { change_listener_ = std::move(listener); }

 protected:
  void TellChange() const {
    if (change_listener_) change_listener_();
  }

 private:
  std::function<void()> change_listener_;
};

}  // namespace quendal
