#pragma once

#include <hamlib/rig.h>

namespace quendal {

// The libhamlib functions this family calls. The library is opened when the family is
// chosen, not when the program starts: its rig tables take some 4 MB of memory that a
// FlexRadio or TCI user would carry for nothing.
struct HamlibLibrary {
  decltype(&::rig_set_debug) rig_set_debug;
  decltype(&::rig_check_backend) rig_check_backend;
  decltype(&::rig_get_caps) rig_get_caps;
  decltype(&::rig_init) rig_init;
  decltype(&::rig_token_lookup) rig_token_lookup;
  decltype(&::rig_set_conf) rig_set_conf;
  decltype(&::rig_open) rig_open;
  decltype(&::rig_has_get_level) rig_has_get_level;
  decltype(&::rig_get_level) rig_get_level;
  decltype(&::rig_get_freq) rig_get_freq;
  decltype(&::rig_get_ptt) rig_get_ptt;
  decltype(&::rig_close) rig_close;
  decltype(&::rig_cleanup) rig_cleanup;
  decltype(&::rigerror) rigerror;
  decltype(&::rigerror2) rigerror2;
};

// libhamlib, opened on the first call and kept open. Throws std::runtime_error naming
// the library when it cannot be opened or lacks one of the functions.
const HamlibLibrary& Hamlib();

// The functions of the library at Path; throws as Hamlib() does.
HamlibLibrary OpenHamlibLibrary(const char* Path);

}  // namespace quendal
