#include "app/StatusLabels.h"

#include <QBitmap>
#include <QImage>

#include "app/WindowCaption.h"
#include "display/BuildLabel.h"
#include "display/CornerText.h"
#include "display/LinkStatusText.h"
#include "platform/FileVersion.h"

namespace quendal {

namespace {

// The caption, and once the radio is known, who it is: "Quendal for FlexRadio – Shack
// (FLEX-6600M)".
QString WindowTitle(LinkState state, const RadioIdentity& radio) {
  QString title = QString::fromUtf8(kWindowCaption);
  const bool connected = state == LinkState::Receiving || state == LinkState::NoMeterData ||
                         state == LinkState::SliceNotOpen;
  if (!connected || (radio.Name.empty() && radio.Model.empty())) return title;
  title += QStringLiteral(" \u2013 ") + QString::fromStdString(radio.Name);
  if (!radio.Model.empty())
    title += (radio.Name.empty() ? QStringLiteral("") : QStringLiteral(" ")) + QStringLiteral("(") +
             QString::fromStdString(radio.Model) + QStringLiteral(")");
  return title;
}

}  // namespace

std::int32_t BuildNumber() {
  // Windows programs carry it in their version resource; elsewhere it is compiled in.
  const std::int32_t fromResource = ReadOwnFileBuildNumber();
  return fromResource >= 0 ? fromResource : GetBuildNumber();
}

StatusLabels::StatusLabels(QWidget& window, TextLog& log) : window_(window), log_(log) {}

bool StatusLabels::FollowLink(const LevelSource& source) {
  const LinkStatus status = source.Status();
  if (status.State != shown_state_) {
    shown_state_ = status.State;
    window_.setWindowTitle(WindowTitle(status.State, source.Identity()));
  }
  const QString text = LinkStatusText(status);
  if (text == link_text_) return false;
  link_text_ = text;
  log_.Log("Link state shown: " + (text.isEmpty() ? std::string("(none)") : text.toStdString()));
  Place();
  return true;
}

bool StatusLabels::FollowFace(const QPolygonF& Sweep, double Factor) {
  if (Sweep == sweep_ && Factor == factor_ && window_.size() == placed_for_) return false;
  sweep_ = Sweep;
  factor_ = Factor;
  return Place();
}

bool StatusLabels::Place() {
  placed_for_ = window_.size();
  const CornerText link = PlaceCornerText(link_text_, placed_for_, sweep_, factor_);
  const bool moved = link.Box != link_.Box || link.Lines != link_.Lines;
  link_ = link;
  return moved;
}

void StatusLabels::Draw(QPainter& painter, bool BuildLabelShown) const {
  // A state to tell takes the place of the build label.
  if (!link_text_.isEmpty()) {
    DrawCornerText(painter, link_);
  } else if (BuildLabelShown) {
    DrawBuildNumber(painter, window_.width(), window_.height(), BuildNumber());
  }
}

QRegion StatusLabels::Region(bool BuildLabelShown) const {
  if (!BuildLabelShown && link_text_.isEmpty()) return {};
  QImage label(window_.size(), QImage::Format_ARGB32_Premultiplied);
  label.fill(0u);
  QPainter painter(&label);
  Draw(painter, BuildLabelShown);
  painter.end();
  return QRegion(QBitmap::fromImage(label.createAlphaMask()));
}

}  // namespace quendal
