#include "app/MeterFrame.h"

#include <QTransform>
#include <chrono>
#include <cmath>

#include "calibration/Scale.h"
#include "display/CornerText.h"
#include "display/MeterScale.h"
#include "display/NeedleGeometry.h"
#include "display/Readout.h"

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
  // Only a new size, calibration or setting moves the needle's path.
  if (stale_) {
    const TPoint center =
        MeterCenter(drawn.Settings, drawn.Calibration, frame.width(), frame.height());
    device_sweep_ =
        quendal::NeedleSweep(drawn.Settings, drawn.Calibration, SScale(drawn.Calibration), center);
    sweep_ = QTransform::fromScale(1.0 / Ratio, 1.0 / Ratio).map(device_sweep_);
    readout_placed_ = false;
  }
  PlaceReadout(frame, factor, Ratio);
  renderer_.RenderFrame(drawn.Settings, drawn.Calibration, SScale(drawn.Calibration), Needle, face,
                        pictures.PNGImage(), frame.width(), frame.height(), clock_.LocalNow(), log_,
                        Preview ? std::nullopt : PeakPosition(), drawn.StrokeWidth);
  center_ = {static_cast<std::int32_t>(std::lround(renderer_.Center().X / Ratio)),
             static_cast<std::int32_t>(std::lround(renderer_.Center().Y / Ratio))};
  drawn_peak_ = PeakPosition().value_or(-1.0);
  drawn_needle_ = Needle;
  stale_ = false;
}

bool MeterFrame::SetReadout(const QString& Text, bool WithNeedle) {
  if (Text == readout_text_) return false;
  readout_text_ = Text;
  readout_with_needle_ = WithNeedle;
  readout_lines_due_ = true;
  return true;
}

bool MeterFrame::RedrawReadout() {
  if (stale_ || !readout_placed_ || !ReadoutDue()) return false;
  if (readout_lines_due_) ShowReadoutLines();
  return renderer_.RedrawOverlay();
}

void MeterFrame::PlaceReadout(QSize Frame, double Factor, double Ratio) {
  // The first choice of corner: the texts over the face keep clear of it.
  if (!readout_placed_ || Frame != readout_frame_) {
    readout_place_ = PlaceCornerText(WidestReadoutText(), Frame, device_sweep_, Factor);
    readout_box_ = QRectF(QPointF(readout_place_.Box.topLeft()) / Ratio,
                          QSizeF(readout_place_.Box.size()) / Ratio)
                       .toAlignedRect();
    readout_frame_ = Frame;
    readout_placed_ = true;
    readout_lines_due_ = true;
  }
  if (readout_lines_due_) ShowReadoutLines();
}

void MeterFrame::ShowReadoutLines() {
  CornerText shown = readout_place_;
  // The widest text may have needed two lines; the reading then breaks where it does.
  shown.Lines = readout_text_.isEmpty()  ? QStringList()
                : shown.Lines.size() > 1 ? readout_text_.split(QStringLiteral("  "))
                                         : QStringList{readout_text_};
  renderer_.SetOverlay(shown, readout_with_needle_);
  readout_lines_due_ = false;
}

void MeterFrame::Paint(QPainter& painter, const QRect& Area, double Ratio) const {
  // Clipped to Area alone: under the clip of a paint of several parts, the raster
  // engine leaves its plain copy of rows for blending span by span on other threads.
  painter.save();
  painter.setClipRect(Area);
  painter.setCompositionMode(QPainter::CompositionMode_Source);
  painter.drawImage(
      QRectF(Area), renderer_.Frame(),
      QRectF(Area.x() * Ratio, Area.y() * Ratio, Area.width() * Ratio, Area.height() * Ratio));
  painter.restore();
}

}  // namespace quendal
