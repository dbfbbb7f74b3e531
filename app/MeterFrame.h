#pragma once

#include <QPainter>
#include <QPolygonF>
#include <QRect>
#include <QSize>
#include <chrono>
#include <cstdint>
#include <optional>

#include "app/Config.h"
#include "app/FacePictures.h"
#include "display/PeakHold.h"
#include "display/Renderer.h"
#include "support/Clock.h"
#include "support/TextLog.h"

namespace quendal {

// The frame the window shows, with the peak marker drawn on it: rendered at device
// pixels, and again only when something changed or the needle or its peak moved, so a
// needle at rest costs nothing.
class MeterFrame {
 public:
  MeterFrame(const AppConfig& config, const Clock& clock, TextLog& log);

  // One meter tick of the peak marker with the needle at Needle; true when it moved.
  bool UpdatePeakHold(double Needle);
  void ResetPeakHold() { peak_hold_.Reset(); }
  // After the tick slept with the marker on the needle: its hold renewed as by the
  // tick Tick ago.
  void RenewPeakHold(std::chrono::milliseconds Tick);
  // The peak marker's position while peak hold is on.
  std::optional<double> PeakPosition() const;
  // True when the needle or its peak stands elsewhere than in the last frame drawn.
  bool Moved(double Needle) const;
  // The next paint draws the frame anew (size, calibration or settings changed).
  void Invalidate() { stale_ = true; }
  bool Stale() const { return stale_; }

  // Draws the client area Client at Ratio device pixels per client pixel: the face
  // (clickable while Calibrating) and the needle at Needle; with a Preview, on its marks
  // and without the peak marker.
  void Render(FacePictures& pictures, bool Calibrating, QSize Client, double Ratio, double Needle,
              const MeterCalibration* Preview);
  // The readout's Text (empty: none), placed clear of the needle, drawn from the next
  // frame on; WithNeedle, a new text in the same box waits for the next frame in which
  // the needle moves, or for RedrawReadout. True when the text changed.
  bool SetReadout(const QString& Text, bool WithNeedle = false);
  // Writes a new readout text into the last frame, in the box the old one stood in; false
  // when that takes a Render (a readout that comes, goes or moves).
  bool RedrawReadout();
  // A readout text set and not yet drawn.
  bool ReadoutDue() const { return readout_lines_due_ || renderer_.OverlayPending(); }
  // Where the readout stands, in client pixels; empty without one.
  QRect ReadoutBox() const { return readout_text_.isEmpty() ? QRect() : readout_box_; }
  // Copies the frame's Area (client pixels) to the window as it is, see-through pixels
  // included.
  void Paint(QPainter& painter, const QRect& Area, double Ratio) const;
  // The meter centre of the last frame in client pixels.
  TPoint Center() const { return center_; }
  // Where the needle can go, in client pixels, as of the last frame drawn anew.
  const QPolygonF& NeedleSweep() const { return sweep_; }
  const MeterRenderer& Renderer() const { return renderer_; }
  MeterRenderer& Renderer() { return renderer_; }

 private:
  std::int64_t NowMs() const;
  // Places the readout for the frame Frame pixels large at Factor, Ratio device pixels a
  // client pixel, and hands it to the renderer.
  void PlaceReadout(QSize Frame, double Factor, double Ratio);
  // Hands the readout's text to the renderer, in the lines of its place.
  void ShowReadoutLines();

  const AppConfig& config_;
  const Clock& clock_;
  TextLog& log_;
  MeterRenderer renderer_;
  PeakHold peak_hold_;
  bool stale_ = true;
  double drawn_needle_ = -1.0;
  double drawn_peak_ = -1.0;
  TPoint center_{};
  QPolygonF sweep_;
  QPolygonF device_sweep_;
  QString readout_text_;
  CornerText readout_place_;  // frame pixels
  QRect readout_box_;         // client pixels
  // The frame size the readout was last placed for.
  QSize readout_frame_;
  bool readout_placed_ = false;
  // The text changed or was placed anew since the renderer was given its lines.
  bool readout_lines_due_ = false;
  bool readout_with_needle_ = false;
};

}  // namespace quendal
