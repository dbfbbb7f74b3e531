#pragma once

namespace quendal {

// The program's name as its windows and message boxes show it.
inline constexpr char kWindowCaption[] = "Quendal for FlexRadio";

}  // namespace quendal
