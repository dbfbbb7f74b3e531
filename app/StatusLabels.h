#pragma once

#include <QPainter>
#include <QPolygonF>
#include <QRegion>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/WindowCaption.h"
#include "display/CornerText.h"
#include "display/TransmitText.h"
#include "meters/LevelSource.h"
#include "support/TextLog.h"

namespace quendal {

// The number the build label shows.
std::int32_t BuildNumber();

// What the window says about itself: the link's state over the face, clear of the
// needle, and beside it the transmitter's, the build label in the corner for its first seconds
// while there is nothing to tell, and the radio in the title once connected.
class StatusLabels {
 public:
  StatusLabels(QWidget& window, TextLog& log);

  // The title's first part, the radio family's; the title shows it at once.
  void SetCaption(std::string_view Caption);

  // Follows the source's link: sets the title when the state changed; true when the
  // text over the face changed. VhfSUnits: S9 is the VHF one, which the face says while
  // the link has nothing to tell.
  bool FollowLink(const LevelSource& source, bool VhfSUnits = false);
  // Shows what the corner says while the rig transmits (nothing while receiving); true
  // when it changed.
  bool FollowTransmit(const TransmitCornerText& Text);
  // The needle's path in client pixels on a face drawn at Factor, and the readout's box
  // (empty without one), which the texts keep clear of; true when a text moved.
  bool FollowFace(const QPolygonF& Sweep, double Factor, const QRect& Readout = {});
  // A note about the face's calibration beside the link's state; empty for none. True
  // when it changed.
  bool SetCalibrationNote(const QString& Note);
  const QString& CalibrationNote() const { return note_text_; }
  // Draws the labels over the frame in client pixels, and where they lie.
  // BuildLabelShown: the build label's first seconds are not over.
  void Draw(QPainter& painter, bool BuildLabelShown) const;
  QRegion Region(bool BuildLabelShown) const;

 private:
  bool Place();
  // Whether Draw writes the build label.
  bool BuildLabelDrawn(bool BuildLabelShown) const;
  // Whether any text is over the face.
  bool Telling() const;

  QWidget& window_;
  TextLog& log_;
  std::string caption_ = kWindowCaption;
  QString link_text_;
  LinkState shown_state_ = LinkState::NotConnected;
  QPolygonF sweep_;
  double factor_ = 1.0;
  QRect readout_;
  QSize placed_for_;
  CornerText link_;
  QString note_text_;
  CornerText note_;
  TransmitCornerText transmit_text_;
  CornerText transmit_;
};

}  // namespace quendal
