#include "app/MeterFrame.h"

#include <QTransform>
#include <chrono>
#include <cmath>

#include "calibration/Scale.h"
#include "display/CornerText.h"
#include "display/MeterScale.h"

namespace quendal {

MeterFrame::MeterFrame(const AppConfig& config, const Clock& clock, TextLog& log)
    : config_(config), clock_(clock), log_(log) {}

std::optional<double> MeterFrame::PeakPosition() const {
  if (!config_.meter.PeakHold) return std::nullopt;
  return peak_hold_.Position();
}

std::int64_t MeterFrame::NowMs() const {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             clock_.MonotonicNow().time_since_epoch())
      .count();
}

bool MeterFrame::UpdatePeakHold(double Needle) {
  if (!config_.meter.PeakHold) return false;
  const double before = peak_hold_.Position();
  return peak_hold_.Update(Needle, NowMs(), config_.meter) != before;
}

void MeterFrame::RenewPeakHold(std::chrono::milliseconds Tick) {
  peak_hold_.RenewHold(NowMs() - Tick.count());
}

bool MeterFrame::Moved(double Needle) const {
  return Needle != drawn_needle_ || PeakPosition().value_or(-1.0) != drawn_peak_;
}

void MeterFrame::Render(FacePictures& pictures, bool Calibrating, QSize Client, double Ratio,
                        double Needle, const MeterCalibration* Preview) {
  const double factor = config_.meter.Scale / 100.0 * Ratio;
  const ScaledMeter drawn =
      ScaleMeter(config_.meter, Preview ? *Preview : config_.calibration, factor);
  const QSize frame = ScaleSize(Client, Ratio);
  pictures.ApplyForeground(renderer_, factor);
  // While calibrating, black ticks must take clicks: the clickable face is drawn.
  const QImage& face = pictures.Drawn(factor, Calibrating);
  renderer_.RenderFrame(drawn.Settings, drawn.Calibration, SScale(drawn.Calibration), Needle, face,
                        pictures.PNGImage(), frame.width(), frame.height(), clock_.LocalNow(), log_,
                        Preview ? std::nullopt : PeakPosition(), drawn.StrokeWidth);
  center_ = {static_cast<std::int32_t>(std::lround(renderer_.Center().X / Ratio)),
             static_cast<std::int32_t>(std::lround(renderer_.Center().Y / Ratio))};
  // Only a new size, calibration or setting moves the needle's path.
  if (stale_) {
    sweep_ = QTransform::fromScale(1.0 / Ratio, 1.0 / Ratio)
                 .map(quendal::NeedleSweep(drawn.Settings, drawn.Calibration,
                                           SScale(drawn.Calibration), renderer_.Center()));
  }
  drawn_peak_ = PeakPosition().value_or(-1.0);
  drawn_needle_ = Needle;
  stale_ = false;
}

void MeterFrame::Paint(QPainter& painter, const QRect& Area, double Ratio) const {
  painter.setCompositionMode(QPainter::CompositionMode_Source);
  painter.drawImage(
      QRectF(Area), renderer_.Frame(),
      QRectF(Area.x() * Ratio, Area.y() * Ratio, Area.width() * Ratio, Area.height() * Ratio));
  painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

}  // namespace quendal
