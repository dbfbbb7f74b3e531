// Program entry: options, platform choice, the window and its message loop.
#include <QApplication>
#include <QFileInfo>
#include <QLocale>
#include <QMessageBox>
#include <QPointer>
#include <QSocketNotifier>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#if defined(_WIN32)
#include <windows.h>
#endif

#include "app/main.h"
#include "display/BuildLabel.h"
#include "platform/ShutdownSignals.h"
#include "support/NumberFormat.h"

#ifndef QUENDAL_VERSION
#define QUENDAL_VERSION "0.0.0.0"
#endif

namespace {

const char* const kUsage =
    "Usage: quendal [--help] [--version] [--config <path>] [--reset-window]\n"
    "An analog S-meter for FlexRadio radios, which it finds on the LAN by itself, and for\n"
    "other rigs through Hamlib or TCI ([Radio] Type in config.ini).\n"
    "Settings live in config.ini beside the program; calibration.txt, the face picture\n"
    "and the logs in the folder it is started from.\n"
    "\n"
    "Options:\n"
    "  --config <path>  read and write the settings in <path> instead of config.ini beside "
    "the program\n"
    "  --reset-window   switch click-through and always-on-top off, put the window on the\n"
    "                   primary screen, and save that\n"
    "  -h, --help       show this help and leave\n"
    "  --version        show the version and leave\n";

struct Options {
  int exit_status = -1;  // >= 0: print and leave
  std::string config_path;
  bool reset_window = false;
};

// On Windows a GUI program has no console of its own: print into the caller's.
void AttachToParentConsole() {
#if defined(_WIN32)
  if (AttachConsole(ATTACH_PARENT_PROCESS)) {
    std::freopen("CONOUT$", "w", stdout);
    std::freopen("CONOUT$", "w", stderr);
  }
#endif
}

// --version and --help print and leave whatever else is given; the last
// --config wins.
Options ParseOptions(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--version") == 0) {
      AttachToParentConsole();
      std::printf("quendal %s\n", QUENDAL_VERSION);
      options.exit_status = 0;
      return options;
    }
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      AttachToParentConsole();
      std::fputs(kUsage, stdout);
      options.exit_status = 0;
      return options;
    }
  }
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--reset-window") == 0) {
      options.reset_window = true;
      continue;
    }
    if (std::strcmp(argv[i], "--config") != 0) continue;
    if (i + 1 >= argc || argv[i + 1][0] == '\0') {
      AttachToParentConsole();
      std::fputs("quendal: --config needs a file path\n", stderr);
      std::fputs(kUsage, stderr);
      options.exit_status = 2;
      return options;
    }
    options.config_path = argv[++i];
  }
  return options;
}

// Positioning itself and finding the SmartSDR window need X11; under Wayland
// ask for XWayland unless the user chose a platform.
void PreferX11UnderWayland() {
#if defined(__linux__)
  if (std::getenv("QT_QPA_PLATFORM") == nullptr && std::getenv("WAYLAND_DISPLAY") != nullptr)
    setenv("QT_QPA_PLATFORM", "xcb", 1);
#endif
}

// The window the system's request to end closes.
QPointer<QWidget> shutdown_window;

// As the user's close, so the session's settings are saved; the quit also ends the loops
// of a message box left open.
void CloseForShutdown() {
  if (shutdown_window) shutdown_window->close();
  QCoreApplication::quit();
}

// Signals and the console's requests to end arrive on the main thread as a close.
void CloseOnShutdownRequest(QWidget& window) {
  shutdown_window = &window;
  // The end of a Windows session reaches Qt as a message, and Qt quits: the window closes first.
  QObject::connect(qApp, &QCoreApplication::aboutToQuit, [] {
    if (shutdown_window) shutdown_window->close();
  });
  const int descriptor = quendal::CatchShutdownSignals(
      [] { QMetaObject::invokeMethod(qApp, CloseForShutdown, Qt::QueuedConnection); });
  if (descriptor < 0) return;
  auto* notifier = new QSocketNotifier(descriptor, QSocketNotifier::Read, &window);
  QObject::connect(notifier, &QSocketNotifier::activated, [descriptor] {
    quendal::TakeShutdownSignals(descriptor);
    CloseForShutdown();
  });
}

}  // namespace

int main(int argc, char** argv) {
  const Options options = ParseOptions(argc, argv);
  if (options.exit_status >= 0) return options.exit_status;
  PreferX11UnderWayland();

  QApplication app(argc, argv);
  // Qt took the user's locale. Numbers printed and read through the C library keep their
  // C form, and Hamlib's rig_open, which switches to "C" and back while holding the old
  // locale's name, never meets a freed name.
  std::setlocale(LC_NUMERIC, "C");
  QApplication::setApplicationName(quendal::kWindowCaption);
  QApplication::setApplicationVersion(QUENDAL_VERSION);
  const QString separator = QLocale::system().decimalPoint();
  if (separator.size() == 1 && separator[0].unicode() < 128)
    quendal::SetDecimalSeparator(static_cast<char>(separator[0].unicode()));

  quendal::FormEnvironment environment;
  environment.ResetWindow = options.reset_window;
  if (!options.config_path.empty()) {
    // Made absolute once, so later saves do not depend on the working folder.
    environment.ConfigPath = QFileInfo(QString::fromLocal8Bit(options.config_path.c_str()))
                                 .absoluteFilePath()
                                 .toStdString();
  }
  quendal::TForm1 form(std::move(environment));
  try {
    form.FormCreate();
  } catch (const std::exception& e) {
    // The settings are left as the user wrote them: nothing is saved.
    std::fprintf(stderr, "quendal: %s\n", e.what());
    QMessageBox::critical(nullptr, quendal::kWindowCaption, QString::fromStdString(e.what()));
    return 1;
  }
  form.ApplyWindowSettings();
  CloseOnShutdownRequest(form);
  form.show();
  return QApplication::exec();
}
