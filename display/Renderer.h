#pragma once

#include <QHash>
#include <QImage>
#include <QRect>
#include <QRegion>
#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

#include "calibration/Scale.h"
#include "display/CornerText.h"
#include "display/LineStroker.h"
#include "display/MeterSettings.h"
#include "display/NeedleStrokes.h"
#include "display/RowSpans.h"
#include "support/Clock.h"
#include "support/TextLog.h"

namespace quendal {

StrokeShift PerpendicularStrokeShift(double DirectionX, double DirectionY);

// The emblem shows on 1 August only.
bool IsEmblemDay(const LocalDateTime& Today);

// Draws the shadow (when enabled) and the needle at Value on NeedleScale about the
// meter centre into an ARGB32 premultiplied frame.
void DrawNeedle(QImage& Bitmap, const MeterSettings& Settings, const MeterCalibration& Calibration,
                const Scale& NeedleScale, double Value, std::int32_t CenterX, std::int32_t CenterY);

// The red circle of the scale arc and the blue pivot circle, as plain pixel writes,
// when ShowArcMarkings, ArcCalibrationDone and ArcRadius > 0; logs when it draws.
void DrawArcMarkings(QImage& Bitmap, const MeterSettings& Settings,
                     const MeterCalibration& Calibration, TextLog& Log);

// Pure black (RGB 0, 0, 0) becomes fully transparent; every other pixel keeps its
// alpha. Only inside Area.
void ApplyTransparencyKey(QImage& Bitmap, const QRect& Area);
void ApplyTransparencyKey(QImage& Bitmap);

// Whether a frame pixel shows through a window mask made from the alpha channel:
// at least half opaque, the threshold QImage::createAlphaMask applies.
inline bool ShownByMask(QRgb Pixel) { return (Pixel & 0x80000000u) != 0; }

// Where a frame shows differently through a window mask than the keyed face does.
struct MaskDifference {
  QRegion Shown;   // shown in the frame, see-through in the face
  QRegion Hidden;  // see-through in the frame, shown in the face
};

// Renders frames of the meter into one reused buffer.
class MeterRenderer {
 public:
  // Face at (0, 0), the emblem at the top-right corner on 1 August, the arc
  // markings, shadow, the peak marker at PeakValue (when PeakHold is on) and the
  // needle at NeedleValue, both on NeedleScale, then the transparency key. Each of the
  // needle's strokes is StrokeWidth pixels wide (ScaledMeter says how wide at a size).
  // The returned frame stays valid until the next call; the renderer keeps it between
  // calls and redraws only what changed.
  const QImage& RenderFrame(const MeterSettings& Settings, const MeterCalibration& Calibration,
                            const Scale& NeedleScale, double NeedleValue,
                            const QImage& BackgroundBitmap, const QImage& PNGImage,
                            std::int32_t ClientWidth, std::int32_t ClientHeight,
                            const LocalDateTime& Today, TextLog& Log,
                            std::optional<double> PeakValue = std::nullopt,
                            double StrokeWidth = 1.0);

  // A text over the face in frame pixels, placed clear of the needle (the readout). The
  // next frame draws it, and after that only when it changes, moves or the needle
  // passed over it; its box then counts in ChangedArea. No lines: none.
  // With WithNextChange, new lines in the same box and look wait for the next frame
  // that changes anyway (the needle's strokes moved) or for RedrawOverlay, so they cost
  // no frame of their own.
  void SetOverlay(const CornerText& Overlay, bool WithNextChange = false);
  // Lines set WithNextChange that no frame has drawn yet.
  bool OverlayPending() const { return pendingLines_.has_value(); }
  // Draws new lines of the overlay into the last frame, in the box it stands in, and
  // makes that box the changed area; false when the box is not that of the last frame
  // (RenderFrame draws it then).
  bool RedrawOverlay();

  // A picture drawn over the needle (a pivot cap, a cover, a glint), its top left
  // corner At frame pixels; its pure black is see-through. A null picture draws nothing.
  void SetForeground(const QImage& Foreground, QPoint At = {});

  const QImage& Frame() const { return frame_; }
  // The meter centre the last frame was drawn about.
  TPoint Center() const { return center_; }

  // The face alone, keyed. A window shaped to its visible pixels fits every frame
  // for which KeyedLikeFace() holds.
  const QImage& KeyedFace() const { return keyedBase_; }
  // True when the last frame's see-through pixels are exactly the keyed face's,
  // i.e. nothing was drawn over pure black.
  bool KeyedLikeFace() const { return keyedLikeFace_; }
  // The part of the frame the last call changed: what the previous frame drew
  // and what this one drew (the whole frame after a new face or size), and the
  // overlay's box as a rectangle of its own. Empty when the frame came out as the
  // one before, which is then left as it was.
  const QRegion& ChangedArea() const { return changedArea_; }
  // The last frame against the keyed face, pixel by pixel through ShownByMask. Only
  // what the frame drew is looked at, since everywhere else it is the keyed face.
  MaskDifference MaskDifferenceFromFace() const;

 private:
  // What a frame drew over the keyed face: its rows and their finished pixels.
  struct Patch {
    struct Run {
      int y, left, right;
    };
    std::vector<Run> runs;
    std::vector<QRgb> pixels;
    bool keyedLikeFace = true;
  };
  struct StrokesHash {
    std::size_t operator()(const NeedleStrokes& strokes) const noexcept;
  };

  bool PrepareBase(const QImage& face, QSize size);
  void CopyBase(const QImage& base, const RowSpans& spans);
  void DrawForeground(QImage& target, const RowSpans& spans);
  bool DrawFromPatch(const NeedleStrokes& strokes);
  void KeepPatch(const NeedleStrokes& strokes);
  // The overlay takes the lines that waited for this frame.
  void TakePendingOverlay();
  // Where the overlay stands in this frame; empty without lines.
  QRect OverlayBox() const;
  // Takes away an overlay that moved or went, with the face it covered; true when the
  // needle stood there and must be drawn again.
  bool ClearMovedOverlay(bool whole);
  // Draws the overlay where it is due: new, or where the needle that moved (NeedleMoved)
  // was taken away or drawn.
  void DrawOverlay(bool whole, bool NeedleMoved);
  // The overlay's lines over the keyed face in Box, from the patches drawn before.
  QImage OverlayPatch(const QRect& Box);

  QImage frame_;
  // The face on a cleared frame, as drawn (the face itself when it fits); rebuilt when
  // the face, the foreground or the size changes, so most of a frame is one copy.
  QImage base_;
  // The face with the foreground over it, keyed.
  QImage keyedBase_;
  // Only the part of the foreground that is not see-through, and where it stands.
  QImage foreground_;
  QPoint foregroundAt_;
  qint64 baseFaceKey_ = -1;
  bool keyedLikeFace_ = true;
  // The strokes of the last frame, and whether it drew emblem or markings: a frame
  // with the same strokes and neither is the same frame.
  NeedleStrokes strokes_;
  bool extras_ = true;
  QRegion changedArea_;
  TPoint center_{};
  // What the last frame drew over the keyed face.
  RowSpans touched_;
  // Frames drawn before, by their strokes: the needle comes back to the same few
  // hundred positions, and a patch copied back costs a fraction of drawing it.
  // Dropped with the face, and all at once when they outgrow their budget.
  std::unordered_map<NeedleStrokes, Patch, StrokesHash> patches_;
  std::size_t patchPixels_ = 0;
  // The runs of the patch being kept, reused from frame to frame.
  std::vector<Patch::Run> patchRuns_;
  LineStroker stroker_;
  CornerText overlay_;
  // The overlay over the keyed face, as copied into the frame.
  QImage overlayPatch_;
  // Patches drawn before, by their lines: a level that comes and goes writes the same few
  // dozen texts again and again, and text costs ten times a copy. Dropped when the
  // overlay's box or look or the face changes, and all at once past kOverlayPatches.
  static constexpr qsizetype kOverlayPatches = 64;
  QHash<QString, QImage> overlayPatches_;
  QRect overlayShown_;
  // Whether the needle of the last frame was drawn over the overlay's box.
  bool overlayUnderNeedle_ = false;
  // Where an overlay that moved or went was taken away, for the changed area.
  QRect overlayGone_;
  bool overlayDirty_ = false;
  std::optional<QStringList> pendingLines_;
};

}  // namespace quendal
