#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <string>
#include <thread>

#include "match/records/free_guard_zone.h"
#include "planner.h"
#include "player/protocol.h"
#include "simulator/simulator_loader.h"
#include "time_budget.h"
#include "turn.h"

namespace planner {

namespace {

int run_command_line(int argc, char** argv) {
    PlannerOptions options = shipped_options();
    options.threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    // The default is a fixed budget, so that what a user measures does not
    // depend on the machine's load; the clock still limits it.
    double move_ms = 0.0;
    std::int64_t sims = DEFAULT_SIMS;
    CLI::App app{"curling-planner: a curling player that plans for the game under execution noise"};
    app.add_option("--spread", options.spread, "Execution noise to plan for (0.1 m/s)")
        ->capture_default_str()
        ->check(CLI::Range(0.0f, 10.0f));
    CLI::Option* timed = app.add_option(
        "--move-ms", move_ms,
        "A thinking time per shot instead of the fixed budget, in milliseconds: stones 8 to 15 "
        "of an end get all of it, the ones before a share")
        ->check(CLI::Range(1.0, 600000.0));
    app.add_option("--threads", options.threads, "Search threads")
        ->capture_default_str()
        ->check(CLI::Range(1, 256));
    app.add_option("--seed", options.seed, "Seed of the planner's own noise samples")
        ->capture_default_str();
    app.add_option("--sims", sims,
                   "The fixed budget: simulated shots per decision, stones 8 to 15 of an end all "
                   "of it, the ones before a share (answers depend only on the position and the "
                   "seed, not on threads or load)")
        ->capture_default_str()
        ->check(CLI::Range(std::int64_t{1}, std::int64_t{1} << 40))
        ->excludes(timed);
    app.add_option("--careful-from", options.careful_from,
                   "Look-ahead stones from this number on are chosen by a one-shot look "
                   "(16: never)")
        ->capture_default_str()
        ->check(CLI::Range(0, 16));
    app.add_option("--leaf-after", options.leaf_after,
                   "Look-ahead stones played after a candidate before the value model values "
                   "the rest of the end (0: right after the candidate; 16: play every end out)")
        ->capture_default_str()
        ->check(CLI::Range(0, 16));
    app.add_option("--careful-reply", options.careful_reply,
                   "The other team's reply to a candidate is chosen by a one-shot look (0 or 1)")
        ->capture_default_str();
    app.add_option("--shortlist", options.shortlist,
                   "Candidates that go on to the sampled look-ahead")
        ->capture_default_str()
        ->check(CLI::Range(std::size_t{2}, std::size_t{100000}));
    app.add_option("--refine-share", options.refine_share,
                   "Share of the budget spent shifting the two finalists' shots (0: none)")
        ->capture_default_str()
        ->check(CLI::Range(0.0, 0.5));
    std::string win_table = "learn";
    app.add_option("--win-table", win_table,
                   "End scores the win table is built from: self (self-play, both teams alike), "
                   "engine (each team's hammer ends as seen in games against curling-engine), "
                   "draw (the same against curling-draw-player) or learn (all three, weighed "
                   "by how well each explains the ends of the game so far)")
        ->capture_default_str()
        ->check(CLI::IsMember({"self", "engine", "draw", "learn"}));
    app.add_option("--judge-by-value", options.judge_by_value,
                   "The look-ahead's careful player judges the shots it tries by the value model "
                   "instead of the stones as they lie (0 or 1)")
        ->capture_default_str();
    app.add_option("--stratify", options.stratify,
                   "Noise of each sample from a low-discrepancy sequence: 0 none, 1 the "
                   "candidate's execution, 2 the reply's as well")
        ->capture_default_str()
        ->check(CLI::Range(0, 2));
    std::string rule = "none";
    app.add_option("--rule", rule,
                   std::string("The free guard zone rule the server plays under (") +
                       records::RULE_ACCEPTS + "): the planner plans its shots under it")
        ->capture_default_str()
        ->check(records::rule_name_problem);
    std::string model_path;
    app.add_option("--model", model_path,
                   "A value model file (planner-train) to value positions by, instead of the "
                   "one shipped for the rule");
    CLI11_PARSE(app, argc, argv);
    options.rule = *records::rule_from_name(rule);
    if (timed->count() > 0) {
        sims = 0;
    }
    ValueNet model;
    if (!model_path.empty()) {
        std::string error;
        if (!read_value_net(model_path, model, error)) {
            std::fprintf(stderr, "curling-planner: --model %s: %s\n", model_path.c_str(),
                         error.c_str());
            return 2;
        }
        options.value_net = model.empty() ? nullptr : &model;
        options.opponents = known_opponents(options.value_net);
    } else {
        use_shipped_model(options);
    }
    if (win_table != "learn") {
        options.opponents = {options.opponents[opponent_index(win_table)]};
    }

    const SimulatorLoad load = load_simulator_beside_executable();
    if (!load.loaded) {
        std::fputs("failed to load CurlingSimulator.dll\n", stderr);
        std::fputs((load.error + "\n").c_str(), stderr);
        std::fflush(stderr);
        return 1;
    }
    if (options.rule != CURLING_RULE_NONE && load.api.ApplyFreeGuardZone == nullptr) {
        std::fprintf(stderr, "curling-planner: --rule: %s has no free guard zone rule\n",
                     load.path.c_str());
        return 2;
    }
    Planner planner(load.api, options);
    // Every game begins with end 0, where the player throws too: the hammer
    // seen there dates the ends that follow.
    int first_hammer = -1;
    ProtocolSession session([&](const GAMESTATE& state, std::int32_t remaining_ms) {
        if (state.current_end == 0) {
            first_hammer = hammer_side(state);
        }
        // A fixed sample budget answers to the clock alone, not to --move-ms.
        const TimePlan time = plan_time(remaining_ms, state, sims > 0 ? 1e12 : move_ms);
        if (time.quick) {
            return planner.quick_shot();
        }
        return planner
            .decide(state, game_around(state, first_hammer),
                    shot_budget(state.shot_number, sims, time))
            .shot;
    });
    run_protocol(STDIN_FILENO, STDOUT_FILENO, session);
    return 0;
}

}  // namespace

}  // namespace planner

int main(int argc, char** argv) {
    return planner::run_command_line(argc, argv);
}
