#pragma once

#include <QString>

#include "meters/LevelSource.h"

namespace quendal {

// What the face says about the link; empty while readings flow (or nothing is to be said).
QString LinkStatusText(const LinkStatus& Status);

}  // namespace quendal
