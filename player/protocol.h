#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "curling_simulator.h"

// The player's side of the protocol as the match server speaks it: one read
// is one command, only its first line counts, command words in any letter
// case, replies without line terminators. The game as the commands describe
// it lives here; the choice of shot is the caller's.
class ProtocolSession {
public:
    // Called on "GO" with the position and the time left (ms) of the side to
    // move; returns the shot to reply.
    using ChooseShot = std::function<ShotVector(const GAMESTATE&, std::int32_t remaining_ms)>;

    explicit ProtocolSession(ChooseShot choose) : choose_(std::move(choose)) {}

    // Handles one read; returns the reply (empty for none).
    std::string handle(std::string read);

    const GAMESTATE& state() const { return state_; }

private:
    ChooseShot choose_;
    GAMESTATE state_{};
    bool first_time_field_ = false;  // "GO"'s first field is the mover's
};

// "BESTSHOT vx vy spin" for `shot`, spin 0 or 1.
std::string format_bestshot(const ShotVector& shot);

// Reads from `input` until it ends, one read at a time, handing each read to
// `session` and writing its replies to `output`.
void run_protocol(int input, int output, ProtocolSession& session);
