#include "app/WindowBehaviour.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTransform>
#include <optional>
#include <string>

#include "display/MeterScale.h"

namespace quendal {

namespace {

// The meter's right edge 500 px left of the SmartSDR window's, its top 120 px below.
constexpr int kSmartSdrOffsetX = -500;
constexpr int kSmartSdrOffsetY = 120;
// A press that moves no further than this is a click.
constexpr int kClickSlopPx = 3;

}  // namespace

WindowBehaviour::WindowBehaviour(QWidget& window, WindowSettings& settings, TextLog& log,
                                 std::unique_ptr<WindowFinder> finder,
                                 std::function<QRegion()> labels)
    : window_(window),
      settings_(settings),
      log_(log),
      finder_(std::move(finder)),
      labels_(std::move(labels)) {}

void WindowBehaviour::ResetWindowPlace() {
  settings_.ClickThrough = false;
  settings_.AlwaysOnTop = false;
  const QScreen* primary = QGuiApplication::primaryScreen();
  if (primary && !primary->availableGeometry().contains(QRect(window_.pos(), window_.size())))
    window_.move(primary->availableGeometry().topLeft());
  log_.Log("Window reset: click-through and always on top off, on the primary screen.");
}

void WindowBehaviour::ApplyWindowSettings(bool Calibrating) {
  BringOntoScreen();
  if (settings_.AlwaysOnTop) window_.setWindowFlag(Qt::WindowStaysOnTopHint, true);
  ApplyClickThrough(Calibrating);
}

void WindowBehaviour::BringOntoScreen() {
  const QRect frame(window_.pos(), window_.frameGeometry().size());
  for (const QScreen* screen : QGuiApplication::screens()) {
    if (screen->availableGeometry().intersects(frame)) return;
  }
  if (const QScreen* primary = QGuiApplication::primaryScreen())
    window_.move(primary->availableGeometry().topLeft());
}

void WindowBehaviour::ApplyBorderAndTransparencyKey() {
  // Pure black shows the desktop: per-pixel alpha where a compositor blends
  // frameless windows, a window mask of the visible pixels elsewhere.
  const bool translucent = settings_.Borderless && DesktopCompositorActive();
  use_mask_ = !translucent;
  window_.setAttribute(Qt::WA_TranslucentBackground, translucent);
  window_.setAttribute(Qt::WA_NoSystemBackground, true);
  window_.setAttribute(Qt::WA_OpaquePaintEvent, !translucent);
  window_.setAutoFillBackground(false);
}

void WindowBehaviour::SetWindowFlagShown(Qt::WindowType flag, bool on) {
  if (window_.windowFlags().testFlag(flag) == on) return;
  const bool wasVisible = window_.isVisible();
  window_.setWindowFlag(flag, on);
  if (wasVisible) window_.show();  // changing flags hides a shown window
}

void WindowBehaviour::ApplyAlwaysOnTop() {
  SetWindowFlagShown(Qt::WindowStaysOnTopHint, settings_.AlwaysOnTop);
}

void WindowBehaviour::ApplyBorderless(const MeterRenderer& renderer) {
  SetWindowFlagShown(Qt::FramelessWindowHint, settings_.Borderless);
  ApplyBorderAndTransparencyKey();
  shape_ = WindowShape();
  if (!use_mask_) {
    window_.clearMask();
  } else if (shape_.Update(renderer)) {
    ApplyWindowMask();
  }
}

void WindowBehaviour::ApplyClickThrough(bool Calibrating) {
  const bool wanted = settings_.ClickThrough && !Calibrating;
  if (wanted == click_through_applied_) return;
  click_through_applied_ = wanted;
  SetWindowFlagShown(Qt::WindowTransparentForInput, wanted);
}

void WindowBehaviour::LockClientSize(const QImage& face, double Factor) {
  // Without a face the design size is locked the same way.
  const QSize client = ScaleSize(face.isNull() ? kDesignClientSize : face.size(), Factor);
  window_.setFixedSize(client);
  if (window_.size() != client) window_.resize(client);
}

void WindowBehaviour::FollowFrame(const MeterRenderer& renderer) {
  if (use_mask_ && !renderer.ChangedArea().isEmpty() && shape_.Update(renderer)) ApplyWindowMask();
}

void WindowBehaviour::LabelsChanged() {
  if (use_mask_) ApplyWindowMask();
  window_.update();
}

void WindowBehaviour::RepaintChanged(const MeterRenderer& renderer) {
  // Each part on its own: the bounding rectangle of a needle's strip and a readout's box
  // may be most of the window.
  for (const QRect& changed : ToClient(renderer.ChangedArea()))
    window_.update(changed.adjusted(-1, -1, 1, 1));
}

void WindowBehaviour::ApplyWindowMask() {
  // The labels are written over the frame, also where the face is see-through.
  window_.setMask(ToClient(shape_.WindowMask()) + labels_());
}

QRegion WindowBehaviour::ToClient(const QRegion& framePixels) const {
  const qreal ratio = window_.devicePixelRatioF();
  if (ratio == 1.0) return framePixels;
  return QTransform::fromScale(1.0 / ratio, 1.0 / ratio).map(framePixels);
}

void WindowBehaviour::TrackSmartSDRWindow() {
  const std::optional<std::uintptr_t> smartsdr = finder_->FindTopLevelWindow("SmartSDR-Win");
  if (!smartsdr) return;
  const std::optional<ScreenRect> rect = finder_->GetOuterRect(*smartsdr);
  if (!rect) return;
  window_.move(rect->right + kSmartSdrOffsetX - window_.frameGeometry().width(),
               rect->top + kSmartSdrOffsetY);
}

void WindowBehaviour::PressLeft(QPoint global) {
  drag_armed_ = true;
  dragging_ = false;
  drag_press_ = global;
  drag_origin_ = window_.pos();
}

void WindowBehaviour::MoveTo(QPoint global, bool leftHeld) {
  if (!drag_armed_ || !leftHeld) return;
  const QPoint moved = global - drag_press_;
  // Up to 3 px a press is still a click.
  if (!dragging_ && moved.x() * moved.x() + moved.y() * moved.y() <= kClickSlopPx * kClickSlopPx)
    return;
  dragging_ = true;
  window_.move(drag_origin_ + moved);
}

void WindowBehaviour::ReleaseLeft() {
  if (dragging_)
    log_.Log("Window moved to (" + std::to_string(window_.x()) + ", " +
             std::to_string(window_.y()) + ").");
  drag_armed_ = false;
  dragging_ = false;
}

}  // namespace quendal
