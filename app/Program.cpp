// Program entry: options, platform choice, the window and its message loop.
#include <QApplication>
#include <QLocale>
#include <QMessageBox>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/main.h"
#include "display/BuildLabel.h"
#include "support/NumberFormat.h"

#ifndef QUENDAL_VERSION
#define QUENDAL_VERSION "0.0.0.0"
#endif

namespace {

const char* const kUsage =
    "Usage: quendal [--help] [--version]\n"
    "An analog S-meter for FlexRadio radios. It finds the radio on the LAN by itself.\n"
    "Settings live in config.ini beside the program; calibration.txt, the face picture\n"
    "and the logs in the folder it is started from.\n";

// Returns an exit status when an option asks to print and leave, else -1.
int HandleOptions(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("quendal %s\n", QUENDAL_VERSION);
      return 0;
    }
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
  }
  return -1;
}

// Positioning itself and finding the SmartSDR window need X11; under Wayland
// ask for XWayland unless the user chose a platform.
void PreferX11UnderWayland() {
#if defined(__linux__)
  if (std::getenv("QT_QPA_PLATFORM") == nullptr && std::getenv("WAYLAND_DISPLAY") != nullptr)
    setenv("QT_QPA_PLATFORM", "xcb", 1);
#endif
}

}  // namespace

int main(int argc, char** argv) {
  if (const int status = HandleOptions(argc, argv); status >= 0) return status;
  PreferX11UnderWayland();

  QApplication app(argc, argv);
  QApplication::setApplicationName("Quendal for FlexRadio");
  const QString separator = QLocale::system().decimalPoint();
  if (separator.size() == 1 && separator[0].unicode() < 128)
    quendal::SetDecimalSeparator(static_cast<char>(separator[0].unicode()));

  quendal::TForm1 form;
  try {
    form.FormCreate();
  } catch (const std::exception& e) {
    // The settings are left as the user wrote them: nothing is saved.
    std::fprintf(stderr, "quendal: %s\n", e.what());
    QMessageBox::critical(nullptr, "Quendal for FlexRadio", QString::fromStdString(e.what()));
    return 1;
  }
  form.ApplyWindowSettings();
  form.show();
  return QApplication::exec();
}
