#include "app/StatusLabels.h"

#include <QBitmap>
#include <QImage>

#include "app/WindowCaption.h"
#include "display/BuildLabel.h"
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

bool StatusLabels::FollowLink(const LevelSource& source, bool BuildLabelShown) {
  const LinkStatus status = source.Status();
  if (status.State != shown_state_) {
    shown_state_ = status.State;
    window_.setWindowTitle(WindowTitle(status.State, source.Identity()));
  }
  // The build label has the corner first; the state follows once it has gone.
  const QString text = BuildLabelShown ? QString() : LinkStatusText(status);
  if (text == link_text_) return false;
  link_text_ = text;
  log_.Log("Link state shown: " + (text.isEmpty() ? std::string("(none)") : text.toStdString()));
  return true;
}

void StatusLabels::Draw(QPainter& painter, bool BuildLabelShown) const {
  if (BuildLabelShown) DrawBuildNumber(painter, window_.width(), window_.height(), BuildNumber());
  if (!link_text_.isEmpty())
    DrawCornerLabel(painter, window_.width(), window_.height(), link_text_);
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
