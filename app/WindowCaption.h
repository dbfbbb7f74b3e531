#pragma once

#include <QString>
#include <string_view>

#include "meters/LevelSource.h"

namespace quendal {

// The program's name as its windows and message boxes show it.
inline constexpr char kWindowCaption[] = "Quendal for FlexRadio";

// The window's title: the family's Caption, and once connected, what it is connected to.
// A radio with a name: "Quendal for FlexRadio – Shack (FLEX-6600M)"; else its model (maker
// and model, as the family knows them) and address: "Quendal – Hamlib NET rigctl
// (127.0.0.1:4532)"; else the address alone.
QString WindowTitle(std::string_view Caption, LinkState State, const RadioIdentity& Radio);

}  // namespace quendal
