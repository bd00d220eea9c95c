#pragma once

#include <optional>
#include <string>

#include "simulator/simulator_loader.h"
#include "view/record_reader.h"

// The picture of one shot of a record: the stones where the shot left them
// and the paths they took (recomputed through the library when it offers the
// trajectory export), or with `before` the position the thrower faced.
SheetScene shot_scene(const MatchRecord& record, int game, int end, int shot, bool before,
                      const SimulatorApi* api);

// "x0 y0 x1 y1 ... x15 y15": 32 numbers, (0, 0) for an empty slot. Throws
// std::invalid_argument saying what is wrong.
Position parse_position(const std::string& text);
