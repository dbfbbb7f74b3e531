#include "hamlib/HamlibLibrary.h"

#include <QLibrary>
#include <stdexcept>
#include <string>

namespace quendal {

namespace {

template <typename Function>
void Resolve(QLibrary& library, const char* path, const char* name, Function& function) {
  function = reinterpret_cast<Function>(library.resolve(name));
  if (function == nullptr) {
    throw std::runtime_error("Hamlib (" + std::string(path) + ") lacks " + name +
                             ": it is older than this build of Quendal needs.");
  }
}

}  // namespace

HamlibLibrary OpenHamlibLibrary(const char* Path) {
  // QLibrary leaves the library loaded when it goes: the functions stay callable.
  QLibrary library(QString::fromUtf8(Path));
  if (!library.load()) {
    throw std::runtime_error("Hamlib (" + std::string(Path) +
                             ") could not be loaded: " + library.errorString().toStdString() +
                             ". Install Hamlib's library to use [Radio] Type=hamlib.");
  }
  HamlibLibrary functions{};
#define QUENDAL_RESOLVE(name) Resolve(library, Path, #name, functions.name)
  QUENDAL_RESOLVE(rig_set_debug);
  QUENDAL_RESOLVE(rig_check_backend);
  QUENDAL_RESOLVE(rig_get_caps);
  QUENDAL_RESOLVE(rig_init);
  QUENDAL_RESOLVE(rig_token_lookup);
  QUENDAL_RESOLVE(rig_set_conf);
  QUENDAL_RESOLVE(rig_open);
  QUENDAL_RESOLVE(rig_has_get_level);
  QUENDAL_RESOLVE(rig_get_level);
  QUENDAL_RESOLVE(rig_get_freq);
  QUENDAL_RESOLVE(rig_get_ptt);
  QUENDAL_RESOLVE(rig_close);
  QUENDAL_RESOLVE(rig_cleanup);
  QUENDAL_RESOLVE(rigerror);
  QUENDAL_RESOLVE(rigerror2);
#undef QUENDAL_RESOLVE
  return functions;
}

const HamlibLibrary& Hamlib() {
  // First called on the main thread when the family is made, before its worker starts;
  // a failed opening is tried again on the next call.
  static const HamlibLibrary library = OpenHamlibLibrary(QUENDAL_HAMLIB_LIBRARY);
  return library;
}

}  // namespace quendal
