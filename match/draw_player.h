#pragma once

#include "simulator/simulator_loader.h"

// The baseline player: whatever the position, it draws to the tee.

// The shot it plays, made once by the physics library.
ShotVector make_draw_shot(const SimulatorApi& simulator);

// Reads commands from `input_fd` and answers on `output_fd` until the input
// ends, through the players' shared protocol.
void run_draw_player(int input_fd, int output_fd, const ShotVector& shot);
