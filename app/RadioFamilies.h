#pragma once

#include <exception>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "flex/FlexRadioLib_v3_1.h"
#include "meters/LevelSource.h"
#include "support/IniFile.h"

namespace quendal {

// What the window hands a family to make its source.
struct SourceInputs {
  const IniFile& ini;        // config.ini, read once by the window
  std::string_view section;  // the family's own section there
  bool EnableLogging;        // [Logging] EnableLogging
  // Ports and clock the window's tests set; only the FlexRadio family has such.
  const RadioLinkSettings& FlexLink;
};

// A radio family: a folder that implements the level source, and its row here.
struct RadioFamily {
  std::string_view Type;     // its name in [Radio] Type
  std::string_view Section;  // its own section of config.ini
  // Reads the family's keys and makes its source; throws std::runtime_error for keys
  // it cannot use. Null when this build was made without Library.
  std::unique_ptr<LevelSource> (*Make)(const SourceInputs& in);
  // The start error names the peer so: "Error connecting to FlexRadio: …".
  std::string_view Peer = "the radio";
  // The window title's first part (WindowTitle).
  std::string_view Caption = "Quendal";
  // What a build of the program may lack, and the family with it.
  std::string_view Library = {};
};

// Every family, the default first.
std::span<const RadioFamily> RadioFamilies();

// The source of a family that could not start: it reads nothing, and its state says why.
std::unique_ptr<LevelSource> MakeNotStartedSource(const std::exception& why);

// The family [Radio] Type names in any letter case; empty names the first. Throws
// ConfigError naming the value when no family has that name or this build lacks it.
const RadioFamily& FindRadioFamily(std::string_view type,
                                   std::span<const RadioFamily> families = RadioFamilies());

}  // namespace quendal
