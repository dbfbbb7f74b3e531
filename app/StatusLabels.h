#pragma once

#include <QPainter>
#include <QRegion>
#include <QString>
#include <QWidget>
#include <cstdint>

#include "meters/LevelSource.h"
#include "support/TextLog.h"

namespace quendal {

// The number the build label shows.
std::int32_t BuildNumber();

// What the window says about itself: the build label in the corner of the face for
// its first seconds, then the link's state in that corner, and the radio in the title
// once connected.
class StatusLabels {
 public:
  StatusLabels(QWidget& window, TextLog& log);

  // Follows the source's link: sets the title when the state changed; true when the
  // corner's text changed. BuildLabelShown: the build label has the corner.
  bool FollowLink(const LevelSource& source, bool BuildLabelShown);
  // Draws the labels over the frame in client pixels, and where they lie.
  void Draw(QPainter& painter, bool BuildLabelShown) const;
  QRegion Region(bool BuildLabelShown) const;

 private:
  QWidget& window_;
  TextLog& log_;
  QString link_text_;
  LinkState shown_state_ = LinkState::NotConnected;
};

}  // namespace quendal
