#pragma once

#include <QString>

#include "meters/LevelSource.h"

namespace quendal {

// The link's state in words, with what the state knows: "Connecting to 192.168.1.50…".
QString LinkStateText(const LinkStatus& Status);

// What the face says about the link: those words, but nothing while readings flow or
// before the link has started, unless it cannot start.
QString LinkStatusText(const LinkStatus& Status);

}  // namespace quendal
