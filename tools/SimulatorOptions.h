#pragma once

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QString>
#include <cstdio>
#include <cstdlib>
#include <limits>

// Command-line handling shared by the simulators.
namespace quendal::simulator {

// Ends the program on a bad option, naming the program as its application name.
[[noreturn]] inline void Fail(const QString& message) {
  std::fprintf(stderr, "%s: %s\n", QCoreApplication::applicationName().toLocal8Bit().constData(),
               message.toLocal8Bit().constData());
  std::exit(2);
}

// The option's value as a number from `minimum` to `maximum`; anything else ends the program.
inline double NumberValue(const QCommandLineParser& parser, const QString& name, double minimum,
                          double maximum = std::numeric_limits<double>::infinity()) {
  bool ok = false;
  const double value = parser.value(name).toDouble(&ok);
  if (!ok || !(value >= minimum) || value > maximum)
    Fail("--" + name + " needs a number, not " + parser.value(name));
  return value;
}

}  // namespace quendal::simulator
