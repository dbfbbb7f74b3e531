#include "app/LevelHistoryWindow.h"

#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "meters/LevelCsv.h"

namespace quendal {

namespace {

constexpr int kMarginLeft = 58;
constexpr int kMarginRight = 58;
constexpr int kMarginTop = 14;
constexpr int kMarginBottom = 30;
// The chart never spans less than a minute, so the first seconds do not fill it.
constexpr std::int64_t kShortestSeconds = 60;
constexpr double kDbStep = 10.0;
constexpr double kDbPerSUnit = 6.0;

const QColor kBand(170, 200, 240);
const QColor kMean(20, 80, 200);
const QColor kTransmit(255, 214, 214);
const QColor kFrequencyMark(220, 120, 0);
const QColor kSpanA(80, 160, 255, 70);
const QColor kSpanB(40, 190, 110, 70);
const QColor kGrid(225, 225, 225);

QString TimeText(std::int64_t utcSecond) {
  return QDateTime::fromSecsSinceEpoch(utcSecond, Qt::UTC).toString(QStringLiteral("HH:mm:ss"));
}

QString Dbm(double dbm) {
  return QString::fromStdString(CsvNumber(dbm, 1)).replace(u'-', QChar(0x2212)) +
         QStringLiteral(" dBm");
}

QString AskForPictureFile(QWidget& parent) {
  return QFileDialog::getSaveFileName(&parent, QStringLiteral("Save picture"),
                                      QStringLiteral("level-history.png"),
                                      QStringLiteral("PNG pictures (*.png)"));
}

}  // namespace

LevelHistoryChart::LevelHistoryChart(const LevelHistory& history, const SUnitRule& rule,
                                     QWidget* parent)
    : QWidget(parent), history_(history), rule_(rule) {
  setMinimumSize(480, 240);
  setCursor(Qt::CrossCursor);
}

void LevelHistoryChart::Follow() {
  const auto& seconds = history_.Seconds();
  const std::int64_t newest = seconds.empty() ? -1 : seconds.back().UtcSecond;
  // Once a second: the newest second's samples still come in, but a line a second is
  // what the chart shows.
  if (newest == drawn_second_) return;
  drawn_second_ = newest;
  update();
}

QRect LevelHistoryChart::Plot() const {
  return rect().adjusted(kMarginLeft, kMarginTop, -kMarginRight, -kMarginBottom);
}

std::pair<std::int64_t, std::int64_t> LevelHistoryChart::TimeRange() const {
  const auto& seconds = history_.Seconds();
  if (seconds.empty()) return {0, kShortestSeconds - 1};
  const std::int64_t newest = seconds.back().UtcSecond;
  const std::int64_t oldest = std::min(seconds.front().UtcSecond, newest - kShortestSeconds + 1);
  return {oldest, newest};
}

std::pair<double, double> LevelHistoryChart::LevelRange() const {
  double low = 0.0, high = 0.0;
  bool any = false;
  for (const LevelSecond& s : history_.Seconds()) {
    if (s.Levels == 0) continue;
    low = any ? std::min(low, s.MinDbm) : s.MinDbm;
    high = any ? std::max(high, s.MaxDbm) : s.MaxDbm;
    any = true;
  }
  if (!any) return {-130.0, -30.0};
  low = std::floor(low / kDbStep) * kDbStep;
  high = std::ceil(high / kDbStep) * kDbStep;
  if (high - low < 4 * kDbStep) {
    const double middle = std::round((low + high) / 2.0 / kDbStep) * kDbStep;
    low = middle - 2 * kDbStep;
    high = middle + 2 * kDbStep;
  }
  return {low, high};
}

double LevelHistoryChart::XOf(double utcSecond) const {
  const QRect plot = Plot();
  const auto [oldest, newest] = TimeRange();
  // Each second owns a column from its start to the next second's.
  return plot.left() + (utcSecond - static_cast<double>(oldest)) * plot.width() /
                           static_cast<double>(newest - oldest + 1);
}

double LevelHistoryChart::YOf(double dbm) const {
  const QRect plot = Plot();
  const auto [low, high] = LevelRange();
  return plot.bottom() - (dbm - low) * plot.height() / (high - low);
}

std::int64_t LevelHistoryChart::SecondAt(int x) const {
  const QRect plot = Plot();
  const auto [oldest, newest] = TimeRange();
  const double fraction =
      std::clamp((x - plot.left()) / static_cast<double>(plot.width()), 0.0, 0.999999);
  return oldest + static_cast<std::int64_t>(fraction * static_cast<double>(newest - oldest + 1));
}

void LevelHistoryChart::DrawAxes(QPainter& painter) const {
  const QRect plot = Plot();
  const auto [low, high] = LevelRange();
  const auto [oldest, newest] = TimeRange();
  const QFontMetrics metrics(painter.font());
  painter.setPen(kGrid);
  for (double dbm = low; dbm <= high + 0.5; dbm += kDbStep) {
    const int y = static_cast<int>(std::lround(YOf(dbm)));
    painter.setPen(kGrid);
    painter.drawLine(plot.left(), y, plot.right(), y);
    painter.setPen(Qt::black);
    painter.drawText(QRect(0, y - 8, kMarginLeft - 6, 16), Qt::AlignRight | Qt::AlignVCenter,
                     QString::number(dbm, 'f', 0).replace(u'-', QChar(0x2212)));
  }
  painter.save();
  painter.translate(12, plot.center().y());
  painter.rotate(-90);
  painter.drawText(QRect(-40, -12, 80, 16), Qt::AlignCenter, QStringLiteral("dBm"));
  painter.restore();

  // S units by the rule at the newest frequency: S1 to S9 every 6 dB, then +20, +40, +60.
  const auto& seconds = history_.Seconds();
  const bool vhf = !seconds.empty() && VhfSUnits(rule_, seconds.back().FrequencyHz);
  const double s9 = vhf ? -93.0 : -73.0;
  const auto sLabel = [&](double dbm, const QString& text) {
    if (dbm < low || dbm > high) return;
    const int y = static_cast<int>(std::lround(YOf(dbm)));
    painter.drawLine(plot.right(), y, plot.right() + 4, y);
    painter.drawText(QRect(plot.right() + 6, y - 8, kMarginRight - 6, 16),
                     Qt::AlignLeft | Qt::AlignVCenter, text);
  };
  for (int s = 1; s <= 9; s += 2) sLabel(s9 - kDbPerSUnit * (9 - s), QStringLiteral("S%1").arg(s));
  for (int plus = 20; plus <= 60; plus += 20) sLabel(s9 + plus, QStringLiteral("+%1").arg(plus));

  // A time label every minute, or every 10 s on a short chart.
  const std::int64_t step = newest - oldest + 1 > 180 ? 60 : 10;
  painter.setPen(Qt::black);
  for (std::int64_t t = (oldest + step - 1) / step * step; t <= newest; t += step) {
    const int x = static_cast<int>(std::lround(XOf(static_cast<double>(t))));
    painter.drawLine(x, plot.bottom(), x, plot.bottom() + 4);
    const int width = metrics.horizontalAdvance(QStringLiteral("00:00:00"));
    painter.drawText(QRect(x - width / 2 - 2, plot.bottom() + 5, width + 4, 16), Qt::AlignCenter,
                     TimeText(t));
  }
  painter.drawText(QRect(plot.right() + 2, plot.bottom() + 5, kMarginRight, 16),
                   Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("UTC"));
  painter.setPen(Qt::gray);
  painter.drawRect(plot.adjusted(0, 0, -1, -1));
}

void LevelHistoryChart::DrawSpan(QPainter& painter, const DraggedSpan& span, const QColor& color,
                                 const QString& name) const {
  const QRect plot = Plot();
  const double left = XOf(static_cast<double>(span.First));
  const double right = XOf(static_cast<double>(span.Last + 1));
  painter.fillRect(QRectF(left, plot.top(), std::max(1.0, right - left), plot.height()), color);
  QFont bold = painter.font();
  bold.setBold(true);
  painter.save();
  painter.setFont(bold);
  painter.setPen(color.darker(250));
  painter.drawText(QRectF(left, plot.top() + 2, std::max(14.0, right - left), 16),
                   Qt::AlignHCenter | Qt::AlignTop, name);
  painter.restore();
}

void LevelHistoryChart::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), QColor(250, 250, 250));
  const QRect plot = Plot();
  painter.fillRect(plot, Qt::white);
  const auto& seconds = history_.Seconds();

  for (const LevelSecond& s : seconds) {
    if (!s.Transmitting) continue;
    const double left = XOf(static_cast<double>(s.UtcSecond));
    painter.fillRect(QRectF(left, plot.top(), XOf(s.UtcSecond + 1.0) - left, plot.height()),
                     kTransmit);
  }
  DrawAxes(painter);
  if (a_) DrawSpan(painter, *a_, kSpanA, QStringLiteral("A"));
  if (b_) DrawSpan(painter, *b_, kSpanB, QStringLiteral("B"));

  painter.setClipRect(plot);
  for (const LevelSecond& s : seconds) {
    if (s.Levels == 0) continue;
    const double left = XOf(static_cast<double>(s.UtcSecond));
    const double right = XOf(s.UtcSecond + 1.0);
    const double top = YOf(s.MaxDbm), bottom = YOf(s.MinDbm);
    painter.fillRect(QRectF(left, top - 0.5, right - left, bottom - top + 1.0), kBand);
  }
  painter.setRenderHint(QPainter::Antialiasing, true);
  QPainterPath mean;
  bool open = false;
  std::int64_t previous = 0;
  for (const LevelSecond& s : seconds) {
    const std::optional<double> average = s.AverageDbm();
    if (!average) {
      open = false;
      continue;
    }
    const QPointF point(XOf(s.UtcSecond + 0.5), YOf(*average));
    // A gap in the readings leaves a gap in the line.
    if (open && s.UtcSecond == previous + 1) {
      mean.lineTo(point);
    } else {
      mean.moveTo(point);
    }
    open = true;
    previous = s.UtcSecond;
  }
  painter.setPen(QPen(kMean, 2.0));
  painter.drawPath(mean);

  painter.setRenderHint(QPainter::Antialiasing, false);
  for (const LevelSecond& s : seconds) {
    if (!s.FrequencyChanged) continue;
    const int x = static_cast<int>(std::lround(XOf(static_cast<double>(s.UtcSecond))));
    painter.setPen(QPen(kFrequencyMark, 1.0, Qt::DashLine));
    painter.drawLine(x, plot.top(), x, plot.bottom());
    painter.setPen(kFrequencyMark);
    painter.drawText(QRect(x + 3, plot.bottom() - 18, 120, 16), Qt::AlignLeft | Qt::AlignVCenter,
                     QString::number(s.FrequencyHz / 1e6, 'f', 3) + QStringLiteral(" MHz"));
  }
}

void LevelHistoryChart::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !Plot().contains(event->position().toPoint())) return;
  drag_from_ = SecondAt(event->position().toPoint().x());
  // The first drag marks A, the second B; a third starts again with A.
  dragging_b_ = a_ && !b_;
  if (!dragging_b_) {
    a_.reset();
    b_.reset();
  }
  mouseMoveEvent(event);
}

void LevelHistoryChart::mouseMoveEvent(QMouseEvent* event) {
  if (!drag_from_) return;
  const std::int64_t at = SecondAt(event->position().toPoint().x());
  const DraggedSpan span{std::min(*drag_from_, at), std::max(*drag_from_, at)};
  (dragging_b_ ? b_ : a_) = span;
  update();
}

void LevelHistoryChart::mouseReleaseEvent(QMouseEvent* event) {
  if (!drag_from_ || event->button() != Qt::LeftButton) return;
  mouseMoveEvent(event);
  drag_from_.reset();
  if (spans_changed_) spans_changed_();
}

LevelHistoryWindow::LevelHistoryWindow(const LevelHistory& history, const SUnitRule& rule,
                                       Prompter& prompter, PictureFileChooser ChoosePictureFile)
    : history_(history),
      prompter_(prompter),
      choose_picture_file_(ChoosePictureFile ? std::move(ChoosePictureFile) : AskForPictureFile) {
  setWindowTitle(QStringLiteral("Level history"));
  chart_ = new LevelHistoryChart(history, rule, this);
  comparison_ =
      new QLabel(QStringLiteral("Drag over the chart to mark span A, then span B."), this);
  comparison_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto* save = new QPushButton(QStringLiteral("&Save picture\u2026"), this);
  auto* copy = new QPushButton(QStringLiteral("&Copy"), this);
  connect(save, &QPushButton::clicked, this, [this] { SavePicture(); });
  connect(copy, &QPushButton::clicked, this, [this] { CopyRows(); });
  chart_->SetSpansChanged([this] { ShowComparison(); });

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(comparison_, 1);
  buttons->addWidget(save);
  buttons->addWidget(copy);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(chart_, 1);
  layout->addLayout(buttons);
  resize(760, 420);
}

void LevelHistoryWindow::Follow() {
  if (!isVisible()) return;
  chart_->Follow();
  ShowComparison();
}

void LevelHistoryWindow::ShowComparison() {
  const auto average = [this](const std::optional<DraggedSpan>& span) {
    return span ? AverageOver(history_.Seconds(), span->First, span->Last)
                : std::optional<SpanAverage>();
  };
  const std::optional<SpanAverage> a = average(chart_->SpanA());
  const std::optional<SpanAverage> b = average(chart_->SpanB());
  if (!chart_->SpanA()) return;
  QString text = QStringLiteral("A: ") + (a ? Dbm(a->Dbm) : QStringLiteral("no reading"));
  if (chart_->SpanB())
    text += QStringLiteral("    B: ") + (b ? Dbm(b->Dbm) : QStringLiteral("no reading"));
  if (a && b) text += QStringLiteral("    ") + QString::fromStdString(CompareSpans(a->Dbm, b->Dbm));
  comparison_->setText(text);
}

void LevelHistoryWindow::SavePicture() {
  const QString file = choose_picture_file_(*this);
  if (file.isEmpty()) return;
  if (!chart_->grab().save(file, "PNG"))
    prompter_.info(QStringLiteral("%1 could not be written.").arg(file).toStdString());
}

void LevelHistoryWindow::CopyRows() {
  QApplication::clipboard()->setText(QString::fromStdString(HistoryCsv(history_.Seconds())));
}

}  // namespace quendal
