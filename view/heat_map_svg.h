#pragma once

#include <string>

#include "view/decision.h"

namespace view {

enum class HeatMapKind { RAW, SMOOTHED };

// The ratings of a search over spin × row × vx as one picture: a panel per
// spin, a row per vy, a column per vx; cells that equal the best smoothed
// value (the plateau) outlined and the chosen shot marked. Raw cells the
// sweep did not simulate are grey. Both kinds share one colour scale, so
// they compare at a glance. Empty when no search ran.
std::string heat_map_svg(const Decision& decision, HeatMapKind kind);

}  // namespace view
