#include "display/Ballistics.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>
#include <stdexcept>
#include <string>

#include "meters/LevelConversions.h"
#include "meters/LevelSample.h"
#include "support/NumberFormat.h"
#include "support/Rounding.h"

namespace quendal {

namespace {

void LogMeterRecord(const TMeter& meter, TextLog& log) {
  log.Log(
      [&] { return "Immediately after retrieval - Meter Value: " + FormatFixed2(meter.Value); });
  log.Log([&] {
    return "Meter details - ID: " + meter.ID + ", Src: " + meter.Src + ", Num: " + meter.Num +
           ", Name: " + meter.Name + ", Low: " + FormatFixed2(meter.Low) +
           ", High: " + FormatFixed2(meter.High) + ", Desc: " + meter.Desc +
           ", UnitStr: " + meter.UnitStr + ", FPS: " + std::to_string(meter.FPS) +
           ", Value: " + FormatFixed2(meter.Value) + ", Group: " + meter.Group +
           ", Peak: " + FormatFixed2(meter.Peak);
  });
}

// The level in whole dBm, a half to the even neighbour. A value that no 32-bit
// level can hold (or that is not a number) is an error, not undefined behaviour.
std::int32_t RoundLevel(double value) {
  const double rounded = RoundHalfEven(value);
  constexpr double kLowest = std::numeric_limits<std::int32_t>::min() + 73.0;
  constexpr double kHighest = std::numeric_limits<std::int32_t>::max() - 73.0;
  if (!(rounded >= kLowest && rounded <= kHighest)) {
    throw std::range_error("Level out of range: " + FormatFixed2(value));
  }
  return static_cast<std::int32_t>(rounded);
}

double TargetFor(double sUnit, std::int32_t plusDB) {
  if (sUnit <= 0.0) return 0.0;
  if (sUnit < 9.0) return sUnit;
  return 9.0 + plusDB / 10.0;
}

bool ReadLevelAndMove(NeedleState& needle, const MeterSettings& settings, LevelSource& radio,
                      TextLog& log, std::optional<double> targetInstead) {
  const LevelReading reading = radio.CurrentLevel();
  const TMeter& meter = reading.Meter;
  LogMeterRecord(meter, log);

  std::int32_t plusDB = 0;
  const std::int32_t freq = reading.FrequencyHz;
  const double sUnit = DBMtoSUnits(RoundLevel(meter.Value), plusDB, freq, settings.SUnits);

  log.Log([&] {
    std::string message = "Received S-Value: S-Meter Value: " + FormatFixed(meter.Value, 1) +
                          " dBm, S-Unit: " + FormatFixed(sUnit, 1);
    if (sUnit >= 9.0) message += ", Plus dB: " + std::to_string(plusDB);
    return message;
  });
  log.Log([&] { return "Received Frequency: " + std::to_string(freq); });

  // Only a fresh reading moves the needle: with no LEVEL value yet, an old one, or a
  // link that is not receiving, it falls to S0 rather than show what is not there.
  needle.TargetPosition = LevelIsFresh(reading, radio) ? TargetFor(sUnit, plusDB) : 0.0;
  if (targetInstead) needle.TargetPosition = *targetInstead;
  return UpdateNeedlePosition(needle, settings, log);
}

void LogNeedle(TextLog& log, const char* prefix, const NeedleState& state) {
  log.Log([&] {
    return prefix + FormatFixed2(state.NeedlePosition) +
           ", Target: " + FormatFixed2(state.TargetPosition);
  });
}

}  // namespace

bool UpdateSMeter(NeedleState& Needle, const MeterSettings& Settings, LevelSource* Radio,
                  TextLog& Log, std::optional<double> TargetInstead) {
  if (Radio == nullptr) return false;
  try {
    return ReadLevelAndMove(Needle, Settings, *Radio, Log, TargetInstead);
  } catch (const std::exception& e) {
    Log.Log(std::string("Error retrieving S-Meter: ") + e.what());
    return false;
  }
}

bool UpdateNeedlePosition(NeedleState& Needle, const MeterSettings& Settings, TextLog& Log) {
  switch (Settings.NeedleMovementMode) {
    case nmExponentialSmoothing:
      return UpdateNeedlePositionExponentialSmoothing(Needle, Settings, Log);
    case nmFastAttackSlowDecay:
      return UpdateNeedlePositionFastAttackSlowDecay(Needle, Log);
  }
  return false;
}

bool UpdateNeedlePositionExponentialSmoothing(NeedleState& State, const MeterSettings& Settings,
                                              TextLog& Log) {
  const double delta = State.TargetPosition - State.NeedlePosition;
  if (Settings.MinimumMoveThreshold >= std::abs(delta)) {
    State.NeedlePosition = State.TargetPosition;
    return true;
  }
  if (State.NeedlePosition < State.TargetPosition) {
    State.NeedlePosition += delta * Settings.SmoothingFactor * (1.0 - Settings.DampingFactor);
  } else if (State.NeedlePosition > State.TargetPosition) {
    State.NeedlePosition += delta * Settings.DecayFactor * (1.0 - Settings.DampingFactor);
  }
  if (std::abs(State.TargetPosition - State.NeedlePosition) < Settings.MinimumMoveThreshold) {
    State.NeedlePosition = State.TargetPosition;
  }
  LogNeedle(Log, "Needle updated with fast attack/slow decay and damping. Current: ", State);
  return true;
}

bool UpdateNeedlePositionFastAttackSlowDecay(NeedleState& State, TextLog& Log) {
  if (std::abs(State.NeedlePosition - State.TargetPosition) <= FastAttackSnapTolerance) {
    State.NeedlePosition = State.TargetPosition;
    return true;
  }
  if (State.TargetPosition > State.NeedlePosition) {
    State.NeedlePosition += FastAttackStep;
  } else if (State.TargetPosition < State.NeedlePosition) {
    // Never decay past the target, or a target off the 0.1 grid is circled forever.
    State.NeedlePosition = std::max(State.TargetPosition, State.NeedlePosition - SlowDecayStep);
  }
  if (std::abs(State.NeedlePosition - State.TargetPosition) < FastAttackSnapTolerance) {
    State.NeedlePosition = State.TargetPosition;
  }
  LogNeedle(Log, "Needle position updated. Current: ", State);
  return true;
}

}  // namespace quendal
