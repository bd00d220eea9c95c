#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "game_result.h"
#include "match_record.h"
#include "player_process.h"
#include "simulator/simulator_loader.h"

namespace runner {

struct GameSettings {
    int regular_ends = 8;
    std::int64_t clock_ms = 0;
    double spread = 0.145;
    std::uint64_t match_seed = 0;
    // How long a player may take to answer "ISREADY" or to take a command
    // outside its own turn.
    std::chrono::milliseconds ready_timeout{10000};
    // The free guard zone (CURLING_RULE_*); any rule but none needs the
    // library's ApplyFreeGuardZone.
    int rule = CURLING_RULE_NONE;
};

struct GameOutcome {
    GameResult result;
    bool finished = false;  // false when the game was abandoned
    // Set when a player could not start at all: the match cannot go on.
    std::optional<std::string> fatal;
};

struct GameHooks {
    std::function<void(const GameResult& so_far)> on_end;  // after every end
    const std::atomic<bool>* abandon = nullptr;            // checked between shots
};

// Plays game `game_index` between the two running players (index = side)
// and records every shot, end and the game itself.
GameOutcome play_game(int game_index, PlayerProcess* players[2], const SimulatorApi& simulator,
                      const GameSettings& settings, RecordFile& record, const GameHooks& hooks);

}  // namespace runner
