#pragma once

#include <QSize>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "calibration/Scale.h"
#include "display/MeterSettings.h"
#include "display/TransmitNeedle.h"
#include "display/TransmitText.h"
#include "meters/LevelSource.h"
#include "support/TextLog.h"

namespace quendal {

// The needle while the rig transmits: the face's transmit scales, and on each tick
// where the needle heads, what the corner says and the log's line.
class TransmitMeter {
 public:
  TransmitMeter(const MeterSettings& settings, const MeterCalibration& calibration, TextLog& log);

  // Reads the scales beside the face picture FaceFileName; for the built-in face, those
  // calibrated in SettingsFolder, else its own compiled in. Returns what is wrong with
  // each bad file (naming file and line); that scale is not used. A missing file is no
  // fault: the reading has no scale.
  std::vector<std::string> LoadScales(const std::string& FaceFileName, bool BuiltInFace,
                                      const std::string& SettingsFolder);
  // Where the scale of Reading is read from and written to: beside the face picture,
  // or for the built-in face in the settings folder, where the operator's files are.
  std::string ScaleFileName(TransmitReading Reading) const;
  // A scale calibrated anew.
  void UseScale(TransmitReading Reading, const Scale& Marks);
  // Uses a scale calibrated anew and writes its file; "" or why the file was not written.
  std::string SaveScale(TransmitReading Reading, const Scale& Marks);
  bool HasScale(TransmitReading Reading) const { return !scales_[IndexOf(Reading)].Empty(); }
  const Scale& ScaleOf(TransmitReading Reading) const { return scales_[IndexOf(Reading)]; }

  // One meter tick of a face of FaceSize pixels at monotonic NowMs: reads the source's
  // transmitter. While it transmits, returns the S scale position the needle heads for
  // (S0 with nothing chosen, no scale or no value) and logs the reading; else empty,
  // and the needle reads S units. Trial: marks that stand in for the chosen reading's.
  std::optional<double> Follow(LevelSource& Source, std::int64_t NowMs, QSize FaceSize,
                               const Scale* Trial = nullptr);
  // The S scale position at which the needle shows Value on Marks, on a face of FaceSize.
  double NeedlePositionOn(const Scale& Marks, double Value, QSize FaceSize) const;
  // What the corner says since the last tick.
  const TransmitCornerText& Corner() const { return corner_; }

 private:
  // The chosen reading's value as the needle shows it: power through the PEP hold
  // while peak hold is on.
  std::optional<double> NeedleValue(const TransmitStatus& status, TransmitReading reading,
                                    std::int64_t nowMs);

  const MeterSettings& settings_;
  const MeterCalibration& calibration_;
  TextLog& log_;
  std::array<Scale, kTransmitReadings.size()> scales_;
  // The face picture the scale files are named after.
  std::string face_file_name_;
  PowerPeakHold pep_;
  TransmitCornerText corner_;
};

}  // namespace quendal
