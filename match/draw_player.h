#pragma once

#include <string>

#include "simulator/simulator_loader.h"

// The baseline player: whatever the position, it draws to the tee.

// The shot it plays, made once by the physics library.
ShotVector make_draw_shot(const SimulatorApi& simulator);

// The reply to one read of input: "READYOK", a "BESTSHOT", or nothing.
// Every line of the read is answered, so it stays correct even when a
// server sends commands back to back.
std::string draw_player_reply(const std::string& input, const ShotVector& shot);

// Reads commands from `input_fd` and answers on `output_fd` until the input ends.
void run_draw_player(int input_fd, int output_fd, const ShotVector& shot);
