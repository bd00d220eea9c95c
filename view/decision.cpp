#include "view/decision.h"

#include <cstdio>

#include "strategy/choose_shot.h"
#include "strategy/last_stone_search.h"
#include "strategy/mid_end_search.h"
#include "strategy/shot_rules.h"

namespace view {

namespace {

// The engine's reply, formatted as its "GO" handler formats it.
std::string reply_line(ShotVector shot) {
    char line[96];
    std::snprintf(line, sizeof line, "BESTSHOT %f %f %d", static_cast<double>(shot.vx),
                  static_cast<double>(shot.vy), static_cast<int>(shot.spin));
    return line;
}

}  // namespace

Decision decide(const GAMESTATE& state, std::int32_t remaining_ms, const SimulatorApi& api) {
    Decision decision;
    decision.state = state;
    decision.remaining_ms = remaining_ms;
    choose_shot(&decision.state, &decision.shot, remaining_ms, &decision.trace);
    decision.reply = reply_line(decision.shot);
    if (decision.trace.search != nullptr) {
        const SweepGrid& grid = decision.trace.grid;
        decision.best = best_value(grid);
        for (std::int32_t r = 0; r < grid.rows; ++r) {
            if (decision.trace.search->row_vy[r] != decision.shot.vy) {
                continue;
            }
            for (std::int32_t i = 0; i < SWEEP_STEPS; ++i) {
                if (sweep_vx(i) == decision.shot.vx) {
                    decision.chosen_row = r;
                    decision.chosen_index = i;
                }
            }
        }
    }
    if (decision.trace.search != nullptr) {
        const SweepGrid& grid = decision.trace.grid;
        decision.cell_rests.resize(static_cast<std::size_t>(SPIN_GROUPS) * grid.rows * SWEEP_STEPS);
        for (std::int32_t s = 0; s < SPIN_GROUPS; ++s) {
            for (std::int32_t r = 0; r < grid.rows; ++r) {
                for (std::int32_t i = 0; i < SWEEP_STEPS; ++i) {
                    const ShotVector shot{sweep_vx(i), decision.trace.search->row_vy[r],
                                          static_cast<std::uint8_t>(s)};
                    decision.cell_rests[grid.at(s, r, i)] = rest_without_noise(api, state, shot);
                }
            }
        }
    }
    std::vector<StonePosition> frames;
    Position unknown{};
    decision.outcome = compute_shot_paths(api, decision.state, decision.shot, unknown, frames);
    return decision;
}

std::string decision_rule(const Decision& decision) {
    if (decision.trace.search == &MID_END_SEARCH) {
        return "mid-end search: " + std::to_string(SPIN_GROUPS * MID_END_ROWS * SWEEP_STEPS) +
               " candidates rated by the position evaluation";
    }
    if (decision.trace.search == &LAST_STONE_SEARCH) {
        return "last-stone search: " + std::to_string(SPIN_GROUPS * LAST_STONE_ROWS * SWEEP_STEPS) +
               " candidates rated by the end score";
    }
    if (decision.remaining_ms < LOW_TIME_LIMIT) {
        return "the low-time rule: no search below " + std::to_string(LOW_TIME_LIMIT) + " ms";
    }
    return "a fixed rule for shot " + std::to_string(decision.state.shot_number) +
           " of the end: no search";
}

}  // namespace view
