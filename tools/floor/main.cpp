// quendal-floor: a bare translucent frameless window the size of the meter face
// that repaints one ready picture every 10 ms. Whatever it costs, the meter
// cannot cost less; performance runs set the meter beside it.
#include <QApplication>
#include <QCommandLineParser>
#include <QImage>
#include <QPainter>
#include <QTimer>
#include <QWidget>
#include <cstdio>

namespace quendal {
namespace {

constexpr int kRepaintMs = 10;

// The face with its pure-black pixels see-through, as the meter shows it.
QImage ReadyPicture(const QString& path, QSize fallback) {
  QImage picture;
  if (!path.isEmpty() && !picture.load(path)) {
    std::fprintf(stderr, "quendal-floor: cannot read %s\n", path.toLocal8Bit().constData());
    std::exit(2);
  }
  if (picture.isNull()) {
    picture = QImage(fallback, QImage::Format_ARGB32);
    picture.fill(QColor(243, 233, 206));
  }
  picture = picture.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < picture.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
    for (int x = 0; x < picture.width(); ++x)
      if ((row[x] & 0x00FFFFFFu) == 0) row[x] = 0;
  }
  return picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

class FloorWindow : public QWidget {
 public:
  explicit FloorWindow(QImage picture) : picture_(std::move(picture)) {
    setWindowTitle(QStringLiteral("Quendal floor"));
    setWindowFlag(Qt::FramelessWindowHint, true);
    setAttribute(Qt::WA_TranslucentBackground, true);
    setAttribute(Qt::WA_NoSystemBackground, true);
    setFixedSize(picture_.size());
    timer_.setInterval(kRepaintMs);
    connect(&timer_, &QTimer::timeout, this, [this] { update(); });
    timer_.start();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(0, 0, picture_);
  }

 private:
  QImage picture_;
  QTimer timer_;
};

}  // namespace
}  // namespace quendal

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QCoreApplication::setApplicationName("quendal-floor");
  QCommandLineParser parser;
  parser.setApplicationDescription(
      "A translucent frameless window repainting a ready picture every 10 ms.");
  parser.addHelpOption();
  parser.addOption({"size", "Window size without a picture (default 480x260).", "WxH", "480x260"});
  parser.addPositionalArgument("picture", "The face to show (PNG); pure black is see-through.");
  parser.process(app);

  const QStringList size = parser.value("size").split('x');
  const QSize fallback(size.value(0).toInt(), size.value(1).toInt());
  if (fallback.isEmpty()) {
    std::fprintf(stderr, "quendal-floor: --size needs WxH\n");
    return 2;
  }
  quendal::FloorWindow window(
      quendal::ReadyPicture(parser.positionalArguments().value(0), fallback));
  window.move(0, 0);
  window.show();
  return QApplication::exec();
}
