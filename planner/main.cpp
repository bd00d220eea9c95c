#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <thread>

#include "planner.h"
#include "protocol.h"
#include "simulator/simulator_loader.h"
#include "time_budget.h"

namespace {

GameContext game_around(const GAMESTATE& state) {
    GameContext game;
    const int end = std::clamp(state.current_end, 0, CURLING_MAX_ENDS);
    int side0_lead = 0;
    for (int e = 0; e < end && e < CURLING_MAX_ENDS; ++e) {
        side0_lead += state.end_scores[e];
    }
    game.lead = state.moving_side == 0 ? side0_lead : -side0_lead;
    game.end = end;
    game.last_end = std::max(std::clamp(state.last_end, 0, CURLING_MAX_ENDS - 1), std::min(end, CURLING_MAX_ENDS - 1));
    return game;
}

// The first stones of an end cost the most to look ahead from and decide
// the least (the house is empty): they get a third and two thirds of the
// budget.
std::int64_t early_share(int shot, std::int64_t budget) {
    if (shot <= 1) {
        return budget / 3;
    }
    if (shot <= 3) {
        return budget * 2 / 3;
    }
    return budget;
}

}  // namespace

int main(int argc, char** argv) {
    PlannerOptions options;
    options.threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    double move_ms = 150.0;
    std::int64_t sims = 0;
    CLI::App app{"curling-planner: a curling player that plans for the game under execution noise"};
    app.add_option("--spread", options.spread, "Execution noise to plan for (0.1 m/s)")
        ->capture_default_str()
        ->check(CLI::Range(0.0f, 10.0f));
    app.add_option("--move-ms", move_ms, "Thinking time per shot, in milliseconds")
        ->capture_default_str()
        ->check(CLI::Range(0.0, 600000.0));
    app.add_option("--threads", options.threads, "Search threads")
        ->capture_default_str()
        ->check(CLI::Range(1, 256));
    app.add_option("--seed", options.seed, "Seed of the planner's own noise samples")
        ->capture_default_str();
    app.add_option("--sims", sims,
                   "A fixed number of simulated shots per decision instead of a time budget "
                   "(answers then depend only on the seed, not on threads or load)")
        ->check(CLI::Range(std::int64_t{1}, std::int64_t{1} << 40));
    app.add_option("--careful-from", options.careful_from,
                   "Look-ahead stones from this number on are chosen by a one-shot look "
                   "(16: never)")
        ->capture_default_str()
        ->check(CLI::Range(0, 16));
    app.add_option("--careful-reply", options.careful_reply,
                   "The other team's reply to a candidate is chosen by a one-shot look (0 or 1)")
        ->capture_default_str();
    app.add_option("--shortlist", options.shortlist,
                   "Candidates that go on to the sampled look-ahead")
        ->capture_default_str()
        ->check(CLI::Range(std::size_t{2}, std::size_t{100000}));
    CLI11_PARSE(app, argc, argv);

    const SimulatorLoad load = load_simulator_beside_executable();
    if (!load.loaded) {
        std::fputs("failed to load CurlingSimulator.dll\n", stderr);
        std::fputs((load.error + "\n").c_str(), stderr);
        std::fflush(stderr);
        return 1;
    }
    Planner planner(load.api, options);
    ProtocolSession session([&](const GAMESTATE& state, std::int32_t remaining_ms) {
        // A fixed sample budget answers to the clock alone, not to --move-ms.
        const TimePlan time = plan_time(remaining_ms, state, sims > 0 ? 1e12 : move_ms);
        if (time.quick) {
            return planner.quick_shot();
        }
        SearchBudget budget;
        budget.simulations = early_share(state.shot_number, sims);
        budget.milliseconds = sims > 0 ? time.milliseconds
                                       : static_cast<double>(early_share(
                                             state.shot_number,
                                             static_cast<std::int64_t>(time.milliseconds * 1000.0))) /
                                             1000.0;
        return planner.decide(state, game_around(state), budget).shot;
    });
    run_protocol(STDIN_FILENO, STDOUT_FILENO, session);
    return 0;
}
