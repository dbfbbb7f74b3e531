#include "app/WindowCaption.h"

namespace quendal {

namespace {

bool Connected(LinkState state) {
  switch (state) {
    case LinkState::Receiving:
    case LinkState::NoMeterData:
    case LinkState::SliceNotOpen:
    case LinkState::NotAnswering:
      return true;
    default:
      return false;
  }
}

QString Text(const std::string& text) { return QString::fromStdString(text); }

// "Main (aside)", or whichever of the two is known.
QString WithAside(const std::string& main, const std::string& aside) {
  if (main.empty()) return Text(aside);
  if (aside.empty()) return Text(main);
  return Text(main) + QStringLiteral(" (") + Text(aside) + QStringLiteral(")");
}

}  // namespace

QString WindowTitle(std::string_view Caption, LinkState State, const RadioIdentity& Radio) {
  const QString caption = QString::fromUtf8(Caption.data(), static_cast<qsizetype>(Caption.size()));
  if (!Connected(State)) return caption;
  // The radio's own name says enough beside its model; without one, where it is.
  const QString who = !Radio.Name.empty() ? WithAside(Radio.Name, Radio.Model)
                                          : WithAside(Radio.Model, Radio.Address);
  return who.isEmpty() ? caption : caption + QStringLiteral(" \u2013 ") + who;
}

}  // namespace quendal
