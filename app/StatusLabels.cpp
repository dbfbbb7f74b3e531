#include "app/StatusLabels.h"

#include <QBitmap>
#include <QImage>

#include "app/WindowCaption.h"
#include "display/BuildLabel.h"
#include "display/CornerText.h"
#include "display/LinkStatusText.h"
#include "platform/FileVersion.h"

namespace quendal {

std::int32_t BuildNumber() {
  // Windows programs carry it in their version resource; elsewhere it is compiled in.
  const std::int32_t fromResource = ReadOwnFileBuildNumber();
  return fromResource >= 0 ? fromResource : GetBuildNumber();
}

StatusLabels::StatusLabels(QWidget& window, TextLog& log) : window_(window), log_(log) {}

void StatusLabels::SetCaption(std::string_view Caption) {
  caption_ = Caption;
  window_.setWindowTitle(WindowTitle(caption_, LinkState::NotConnected, {}));
}

bool StatusLabels::FollowLink(const LevelSource& source, bool VhfSUnits) {
  const LinkStatus status = source.Status();
  if (status.State != shown_state_) {
    shown_state_ = status.State;
    window_.setWindowTitle(WindowTitle(caption_, status.State, source.Identity()));
  }
  QString text = LinkStatusText(status);
  if (text.isEmpty() && VhfSUnits) text = QStringLiteral("VHF S units");
  if (text == link_text_) return false;
  link_text_ = text;
  log_.Log("Link state shown: " + (text.isEmpty() ? std::string("(none)") : text.toStdString()));
  Place();
  return true;
}

bool StatusLabels::FollowTransmit(const TransmitCornerText& Text) {
  if (Text == transmit_text_) return false;
  // The numbers change every tick and have their own log line; the words are logged.
  if (!Text.Numbers || !transmit_text_.Numbers || Text.Warning != transmit_text_.Warning) {
    log_.Log("Transmit text shown: " +
             (Text.Text.isEmpty() ? std::string("(none)") : Text.Text.toStdString()));
  }
  transmit_text_ = Text;
  Place();
  return true;
}

bool StatusLabels::FollowFace(const QPolygonF& Sweep, double Factor, const QRect& Readout) {
  if (Sweep == sweep_ && Factor == factor_ && Readout == readout_ && window_.size() == placed_for_)
    return false;
  sweep_ = Sweep;
  factor_ = Factor;
  readout_ = Readout;
  return Place();
}

bool StatusLabels::Place() {
  placed_for_ = window_.size();
  // Each keeps clear of the readout and of the texts placed before it.
  const QRect readout[] = {readout_};
  const CornerText link = PlaceCornerText(link_text_, placed_for_, sweep_, factor_, readout);
  const QRect taken[] = {readout_, link.Box};
  CornerText transmit = PlaceCornerText(transmit_text_.Text, placed_for_, sweep_, factor_, taken);
  // Red, as an SWR meter's warning lamp.
  if (transmit_text_.Warning) transmit.Ink = QColor(255, 90, 90);
  const QRect all[] = {readout_, link.Box, transmit.Box};
  const CornerText note = PlaceCornerText(note_text_, placed_for_, sweep_, factor_, all);
  const bool moved = link.Box != link_.Box || link.Lines != link_.Lines ||
                     transmit.Box != transmit_.Box || transmit.Lines != transmit_.Lines ||
                     note.Box != note_.Box || note.Lines != note_.Lines;
  link_ = link;
  transmit_ = transmit;
  note_ = note;
  return moved;
}

bool StatusLabels::Telling() const {
  return !link_text_.isEmpty() || !transmit_text_.Text.isEmpty() || !note_text_.isEmpty();
}

void StatusLabels::Draw(QPainter& painter, bool BuildLabelShown) const {
  // Any text to tell, and the readout, take the place of the build label: the first of
  // them stands in its corner.
  if (BuildLabelDrawn(BuildLabelShown)) {
    DrawBuildNumber(painter, window_.width(), window_.height(), BuildNumber());
  }
  DrawCornerText(painter, link_);
  DrawCornerText(painter, transmit_);
  DrawCornerText(painter, note_);
}

bool StatusLabels::SetCalibrationNote(const QString& Note) {
  if (Note == note_text_) return false;
  note_text_ = Note;
  log_.Log("Calibration note shown: " +
           (Note.isEmpty() ? std::string("(none)") : Note.toStdString()));
  Place();
  return true;
}

bool StatusLabels::BuildLabelDrawn(bool BuildLabelShown) const {
  return BuildLabelShown && !Telling() && readout_.isEmpty();
}

QRegion StatusLabels::Region(bool BuildLabelShown) const {
  // Drawn on a picture only as large as the texts: one of the whole window would be the
  // largest thing the program holds, for a mask of a few small boxes.
  QRect area = link_.Box | transmit_.Box | note_.Box;
  if (BuildLabelDrawn(BuildLabelShown)) {
    area |= BuildNumberArea(&window_, window_.width(), window_.height(), BuildNumber());
  }
  // Anti-aliased edges may reach a pixel past a box.
  area = area.adjusted(-1, -1, 1, 1) & window_.rect();
  if (area.isEmpty()) return {};
  QImage label(area.size(), QImage::Format_ARGB32_Premultiplied);
  label.fill(0u);
  QPainter painter(&label);
  painter.translate(-area.topLeft());
  Draw(painter, BuildLabelShown);
  painter.end();
  return QRegion(QBitmap::fromImage(label.createAlphaMask())).translated(area.topLeft());
}

}  // namespace quendal
