#include "app/TransmitMeter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "calibration/TransmitScaleFile.h"
#include "display/NeedleGeometry.h"

namespace quendal {

namespace {

const char* const kBuiltInFace = ":/builtin-face/quendal.png";

// The built-in face's scale, compiled in beside its picture.
ScaleFile ReadBuiltInScale(TransmitReading reading) {
  const std::string name = TransmitScaleFileName(kBuiltInFace, reading);
  QFile file(QString::fromStdString(name));
  if (!file.open(QIODevice::ReadOnly)) return {};
  const QByteArray text = file.readAll();
  return ParseScaleFile(std::string_view(text.constData(), static_cast<std::size_t>(text.size())),
                        name);
}

}  // namespace

TransmitMeter::TransmitMeter(const MeterSettings& settings, const MeterCalibration& calibration,
                             TextLog& log)
    : settings_(settings), calibration_(calibration), log_(log) {}

std::vector<std::string> TransmitMeter::LoadScales(const std::string& FaceFileName,
                                                   bool BuiltInFace,
                                                   const std::string& SettingsFolder) {
  // The built-in face's files are named like its picture, in the settings folder.
  face_file_name_ = BuiltInFace
                        ? QDir(QString::fromStdString(SettingsFolder))
                              .filePath(QFileInfo(QString::fromUtf8(kBuiltInFace)).fileName())
                              .toStdString()
                        : FaceFileName;
  std::vector<std::string> problems;
  for (const TransmitReading reading : kTransmitReadings) {
    ScaleFile file = ReadScaleFile(ScaleFileName(reading));
    if (BuiltInFace && file.Marks.Empty() && file.Problem.empty()) file = ReadBuiltInScale(reading);
    if (!file.Problem.empty()) problems.push_back(file.Problem);
    scales_[IndexOf(reading)] = std::move(file.Marks);
    log_.Log([&] {
      return std::string("Transmit scale ") + std::string(TransmitReadingKey(reading)) + ": " +
             (HasScale(reading)
                  ? std::to_string(scales_[IndexOf(reading)].Marks().size()) + " marks"
                  : std::string("none"));
    });
  }
  return problems;
}

std::string TransmitMeter::ScaleFileName(TransmitReading Reading) const {
  return TransmitScaleFileName(face_file_name_, Reading);
}

void TransmitMeter::UseScale(TransmitReading Reading, const Scale& Marks) {
  scales_[IndexOf(Reading)] = Marks;
}

std::string TransmitMeter::SaveScale(TransmitReading Reading, const Scale& Marks) {
  UseScale(Reading, Marks);
  const std::string file = ScaleFileName(Reading);
  std::string problem = WriteScaleFile(Marks.Marks(), file);
  log_.Log(problem.empty() ? "Transmit scale written: " + file : problem);
  return problem;
}

double TransmitMeter::NeedlePositionOn(const Scale& Marks, double Value, QSize FaceSize) const {
  const TPoint center = MeterCenter(settings_, calibration_, FaceSize.width(), FaceSize.height());
  return SScalePositionFor(calibration_, Marks, Value, center);
}

std::optional<double> TransmitMeter::NeedleValue(const TransmitStatus& status,
                                                 TransmitReading reading, std::int64_t nowMs) {
  const std::optional<double> value = status.Value(reading);
  if (reading != TransmitReading::Power || !settings_.PeakHold || !value) return value;
  // A peak-reading wattmeter: the rig's own peak where it measures one.
  return pep_.Update(status.PeakPowerW.value_or(*value), nowMs);
}

std::optional<double> TransmitMeter::Follow(LevelSource& Source, std::int64_t NowMs, QSize FaceSize,
                                            const Scale* Trial) {
  const TransmitStatus status = Source.CurrentTransmit();
  const std::optional<TransmitReading> chosen = settings_.Transmit;
  const Scale* scale = Trial ? Trial : chosen ? &ScaleOf(*chosen) : nullptr;
  const bool hasScale = scale && !scale->Empty();
  corner_ = TransmitCornerTextFor(status, chosen, hasScale, settings_.SwrWarning);
  if (!status.StateKnown || !status.Transmitting) {
    pep_.Reset();
    return std::nullopt;
  }
  if (!chosen) return 0.0;
  const std::optional<double> value = NeedleValue(status, *chosen, NowMs);
  log_.Log([&] { return TransmitLogLine(*chosen, status.Value(*chosen)); });
  if (!value || !hasScale) return 0.0;
  return NeedlePositionOn(*scale, *value, FaceSize);
}

}  // namespace quendal
