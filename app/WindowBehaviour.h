#pragma once

#include <QImage>
#include <QPoint>
#include <QRegion>
#include <QSize>
#include <QWidget>
#include <functional>
#include <memory>

#include "app/Config.h"
#include "app/WindowShape.h"
#include "display/Renderer.h"
#include "platform/WindowFinder.h"
#include "support/TextLog.h"

namespace quendal {

// The client size of the window before a face is loaded, and while none could be.
inline constexpr QSize kDesignClientSize{345, 200};

// How the meter window sits on the desk: its flags (always on top, borderless,
// click-through), pure black seen through (per-pixel alpha, else a window mask), its
// size locked to the face, dragging it by the face, and following the SmartSDR window.
class WindowBehaviour {
 public:
  // labels: the region drawn over the frame, shown also where the face is see-through.
  WindowBehaviour(QWidget& window, WindowSettings& settings, TextLog& log,
                  std::unique_ptr<WindowFinder> finder, std::function<QRegion()> labels);

  // Click-through and always-on-top off, the window on the primary screen.
  void ResetWindowPlace();
  // Moves a position that lies on no screen back, then applies AlwaysOnTop and
  // ClickThrough (held back while Calibrating).
  void ApplyWindowSettings(bool Calibrating);
  void ApplyBorderAndTransparencyKey();
  void ApplyAlwaysOnTop();
  // Frame and see-through follow Borderless; the mask is taken from the renderer's frame.
  void ApplyBorderless(const MeterRenderer& renderer);
  // Clicks must reach a pending calibration; pass-through starts once it is done.
  void ApplyClickThrough(bool Calibrating);
  bool ClickThroughApplied() const { return click_through_applied_; }
  // The client area is the face at Factor, whatever tries to size the window.
  void LockClientSize(const QImage& face, double Factor);

  // The mask follows the renderer's last frame.
  void FollowFrame(const MeterRenderer& renderer);
  // The labels changed: the mask follows, and the window is repainted.
  void LabelsChanged();
  // Repaints what the renderer's last frame changed.
  void RepaintChanged(const MeterRenderer& renderer);

  // Puts the window at its place beside the SmartSDR window, when there is one.
  void TrackSmartSDRWindow();

  // A left press on the face moves the window once it has gone further than a click may.
  void PressLeft(QPoint global);
  void MoveTo(QPoint global, bool leftHeld);
  void ReleaseLeft();

 private:
  // Window flags changed on a shown window hide it; shown again at once.
  void SetWindowFlagShown(Qt::WindowType flag, bool on);
  void BringOntoScreen();
  void ApplyWindowMask();
  // Frame (device) pixels to client pixels.
  QRegion ToClient(const QRegion& framePixels) const;

  QWidget& window_;
  WindowSettings& settings_;
  TextLog& log_;
  std::unique_ptr<WindowFinder> finder_;
  std::function<QRegion()> labels_;
  bool use_mask_ = false;
  bool click_through_applied_ = false;
  WindowShape shape_;
  bool drag_armed_ = false;
  bool dragging_ = false;
  QPoint drag_press_;
  QPoint drag_origin_;
};

}  // namespace quendal
