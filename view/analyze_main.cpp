#include <CLI/CLI.hpp>
#include <fstream>
#include <iostream>
#include <sstream>
#include <thread>

#include "match/records/free_guard_zone.h"
#include "simulator/simulator_binding.h"
#include "view/analysis_page.h"
#include "view/command_line.h"
#include "view/planner_page.h"
#include "view/raster.h"
#include "view/record_reader.h"
#include "view/still.h"

namespace {

using view::AnalysisSource;


struct Options {
    std::string record;
    int game = 0;
    int end = 0;
    int shot = 0;
    std::string position;
    int shot_number = 0;
    int first_side = 0;
    int first_hammer = -1;
    int current_end = 0;
    int last_end = -1;
    std::vector<int> end_scores;
    std::int32_t time_ms = 300000;
    std::string candidates;
    bool planner = false;
    view::PlannerSettings planner_settings;
    std::string planner_rule = "none";
    std::string out;
    std::string json_out;
    std::string simulator;
};

// The state and its description, from a record's shot or from the options.
GAMESTATE state_from(const Options& options, AnalysisSource& source, std::int32_t& time_ms) {
    if (!options.record.empty()) {
        const MatchRecord record = read_record(options.record);
        tell_dropped(record, "curling-analyze", options.record, std::cerr);
        const ShotRecord& shot = find_shot(record, options.game, options.end, options.shot);
        const GameRecord& game = record.games.at(options.game);
        source.description = options.record + ": game " + std::to_string(options.game) + ", end " +
                             std::to_string(options.end) + ", shot " + std::to_string(options.shot) +
                             " (counted from 0)";
        source.first_side = first_side_of_end(shot);
        for (const ShotRecord& played : game.shots) {
            if (played.end == 0) {
                source.first_hammer_side = 1 - first_side_of_end(played);
                break;
            }
        }
        source.names[0] = record.names[0];
        source.names[1] = record.names[1];
        source.played = shot.reply;
        time_ms = static_cast<std::int32_t>(clock_before(record, game, shot));
        return state_before(record, game, shot);
    }
    GAMESTATE state{};
    const Position position = parse_position(options.position);
    std::copy(position.begin(), position.end(), state.stones);
    state.shot_number = options.shot_number;
    state.current_end = options.current_end;
    state.last_end = options.last_end >= 0 ? options.last_end : std::max(7, options.current_end);
    if (options.end_scores.size() > static_cast<std::size_t>(CURLING_MAX_ENDS)) {
        throw std::invalid_argument("at most 10 end scores");
    }
    std::copy(options.end_scores.begin(), options.end_scores.end(), state.end_scores);
    state.moving_side = static_cast<std::uint8_t>(side_of_slot(options.first_side, options.shot_number));
    source.description = "given position, shot " + std::to_string(options.shot_number);
    source.first_side = options.first_side;
    source.first_hammer_side = options.first_hammer;
    time_ms = options.time_ms;
    return state;
}

// The page name when none is given: what was analysed and where.
std::string default_out(const Options& options) {
    return std::string(options.planner ? "planner-" : "decision-") + std::to_string(options.game) +
           "-" + std::to_string(options.end) + "-" +
           std::to_string(options.record.empty() ? options.shot_number : options.shot) + ".html";
}

std::string page_path(const Options& options) {
    return options.out.empty() ? default_out(options) : options.out;
}

// Every output is checked before the search runs and written only when all
// of them can be: a failed --json never leaves a page behind.
std::string output_problems(const Options& options) {
    std::string problem = output_problem(page_path(options), {".html", ".htm"});
    if (problem.empty() && !options.json_out.empty()) {
        problem = output_problem(options.json_out, {".json"});
    }
    return problem;
}

int write_pages(const Options& options, const std::string& page, const nlohmann::json& json) {
    std::vector<OutputFile> files = {{page_path(options), page}};
    if (!options.json_out.empty()) {
        files.push_back({options.json_out, json.dump() + "\n"});
    }
    if (const std::string error = write_outputs(files); !error.empty()) {
        std::cerr << "curling-analyze: " << error << "\n";
        return EXIT_UNUSABLE;
    }
    std::cout << "analysis page: " << files.front().path << "\n";
    return 0;
}

int analyze_planner(const Options& options, const SimulatorApi& api) {
    AnalysisSource source;
    std::int32_t time_ms = 0;
    const GAMESTATE state = state_from(options, source, time_ms);
    view::PlannerSettings settings = options.planner_settings;
    settings.first_hammer_side = source.first_hammer_side;
    settings.rule = *records::rule_from_name(options.planner_rule);
    const view::PlannerDecision decision = view::plan_decision(state, time_ms, settings, api);
    std::cout << decision.reply << "\n";
    return write_pages(options, view::planner_page(decision, source), view::planner_json(decision));
}

int analyze_engine(const Options& options, const SimulatorApi& api) {
    std::optional<view::CandidateReport> candidates;
    if (!options.candidates.empty()) {
        std::ifstream file(options.candidates);
        if (!file) {
            std::cerr << "curling-analyze: cannot read " << options.candidates << "\n";
            return EXIT_UNUSABLE;
        }
        try {
            candidates = view::candidate_report_from_json(nlohmann::json::parse(file));
        } catch (const std::exception& error) {
            std::cerr << "curling-analyze: " << options.candidates << ": " << error.what() << "\n";
            return EXIT_UNUSABLE;
        }
    }
    AnalysisSource source;
    std::int32_t time_ms = 0;
    const GAMESTATE state = state_from(options, source, time_ms);
    // Clouds drawn over other stones would show outcomes that never were.
    if (candidates) {
        if (const std::string problem = view::position_mismatch(*candidates, state); !problem.empty()) {
            std::cerr << "curling-analyze: " << options.candidates << " was made for another position: "
                      << problem << "\n";
            return EXIT_UNUSABLE;
        }
    }
    if (candidates) {
        for (view::Candidate& candidate : candidates->candidates) {
            candidate.rest = rest_without_noise(api, state, candidate.shot);
        }
    }
    const view::Decision decision = view::decide(state, time_ms, api);
    std::cout << decision.reply << "\n" << view::decision_rule(decision) << "\n";
    return write_pages(options, view::analysis_page(decision, source, candidates),
                         view::decision_json(decision));
}

int analyze(const Options& options) {
    if (const std::string problem = output_problems(options); !problem.empty()) {
        std::cerr << "curling-analyze: " << problem << "\n";
        return EXIT_UNUSABLE;
    }
    if (options.planner) {
        const SimulatorLoad physics = options.simulator.empty() ? load_simulator_beside_executable()
                                                                : load_simulator_at(options.simulator);
        if (!physics.loaded) {
            std::cerr << "curling-analyze: cannot load the physics library: " << physics.error << "\n";
            return EXIT_UNUSABLE;
        }
        return analyze_planner(options, physics.api);
    }
    std::string why;
    const bool bound = options.simulator.empty() ? load_simulator(&why)
                                                 : load_simulator_from(options.simulator.c_str(), &why);
    const SimulatorLoad physics = options.simulator.empty() ? load_simulator_beside_executable()
                                                            : load_simulator_at(options.simulator);
    if (!bound || !physics.loaded) {
        std::cerr << "curling-analyze: cannot load the physics library: "
                  << (why.empty() ? physics.error : why) << "\n";
        return EXIT_UNUSABLE;
    }
    return analyze_engine(options, physics.api);
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    CLI::App app{"Shows how curling-engine chooses a shot: the ratings of its search as heat "
                 "maps, the plateau, the chosen shot and where it comes to rest; with "
                 "--planner, how curling-planner does: its candidates, their values and the "
                 "clouds of their sampled outcomes."};
    CLI::Option* record = app.add_option("record", options.record, "Match record (JSON Lines)")
                              ->check(CLI::ExistingFile);
    app.add_option("--game", options.game, "Game of the record, counted from 0")
        ->check(CLI::NonNegativeNumber);
    app.add_option("--end", options.end, "End of the game, counted from 0")
        ->check(CLI::Range(0, CURLING_MAX_ENDS - 1));
    app.add_option("--shot", options.shot, "Shot of the end, 0 to 15: the position before it")
        ->check(CLI::Range(0, CURLING_STONES - 1));
    CLI::Option* position =
        app.add_option("--position", options.position, "Any position: \"x0 y0 ... x15 y15\"");
    record->excludes(position);
    app.add_option("--shot-number", options.shot_number, "With --position: the stone to throw")
        ->check(CLI::Range(0, CURLING_STONES - 1));
    app.add_option("--first-side", options.first_side, "With --position: the side that threw stone 0")
        ->check(CLI::Range(0, 1));
    app.add_option("--current-end", options.current_end, "With --position: the end, from 0")
        ->check(CLI::Range(0, CURLING_MAX_ENDS - 1));
    app.add_option("--last-end", options.last_end, "With --position: the last end (default 7)")
        ->check(CLI::Range(0, CURLING_MAX_ENDS - 1));
    // One quoted word ("1 0 -2") or a word per end.
    app.add_option("--end-scores", options.end_scores,
                   "With --position: scores of the ends played, positive when side 0 scored")
        ->delimiter(' ');
    app.add_option("--first-hammer", options.first_hammer,
                   "With --position: the side with the hammer in end 0, which dates the end "
                   "scores for the planner (its belief about the opponent)")
        ->check(CLI::Range(0, 1));
    app.add_option("--time-ms", options.time_ms, "With --position: the mover's clock")
        ->check(CLI::NonNegativeNumber)
        ->capture_default_str();
    CLI::Option* candidates = app.add_option(
        "--candidates", options.candidates,
        "Candidate report (JSON) of another player for the same position");
    CLI::Option* planner = app.add_flag(
        "--planner", options.planner,
        "Show curling-planner's decision instead: its candidates, their values and sampled "
        "outcomes, from its own search with a fixed budget");
    candidates->excludes(planner);
    view::PlannerSettings& settings = options.planner_settings;
    settings.threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    app.add_option("--sims", settings.sims,
                   "With --planner: simulated shots per decision, as curling-planner's --sims "
                   "(stones 8 to 15 of an end get all of it, the ones before a share)")
        ->capture_default_str()
        ->check(CLI::Range(std::int64_t{1}, std::int64_t{1} << 40))
        ->needs(planner);
    app.add_option("--seed", settings.seed, "With --planner: the planner's --seed")
        ->capture_default_str()
        ->needs(planner);
    app.add_option("--spread", settings.spread,
                   "With --planner: the execution noise it plans for (0.1 m/s), its --spread")
        ->capture_default_str()
        ->check(CLI::Range(0.0f, 10.0f))
        ->needs(planner);
    app.add_option("--rule", options.planner_rule,
                   std::string("With --planner: the planner's --rule (") + records::RULE_ACCEPTS +
                       "), the free guard zone it plans under and whose model it plays")
        ->capture_default_str()
        ->check(records::rule_name_problem)
        ->needs(planner);
    app.add_option("--threads", settings.threads,
                   "With --planner: search threads (the answer does not depend on them)")
        ->check(CLI::Range(1, 256))
        ->needs(planner);
    app.add_option("--out", options.out, "Page to write; default decision-G-E-S.html");
    app.add_option("--json", options.json_out, "Also write the decision's numbers as JSON");
    app.add_option("--simulator", options.simulator,
                   "Physics library; default the one beside this tool");
    if (const auto status = parse_command_line(app, argc, argv, "curling-analyze", std::cout, std::cerr)) {
        return *status;
    }
    if (record->count() == 0 && position->count() == 0) {
        std::cerr << "curling-analyze: give a RECORD (with --game, --end, --shot) or --position; "
                     "see --help\n";
        return EXIT_UNUSABLE;
    }
    // A left-out choice would analyse shot 0 of end 0 of game 0.
    if (record->count() > 0 &&
        (app.count("--game") == 0 || app.count("--end") == 0 || app.count("--shot") == 0)) {
        std::cerr << "curling-analyze: a RECORD's shot needs --game, --end and --shot (each "
                     "counted from 0); see --help\n";
        return EXIT_UNUSABLE;
    }
    if (position->count() > 0 && app.count("--shot-number") == 0) {
        std::cerr << "curling-analyze: --position needs --shot-number, the stone to throw (0 to "
                     "15); see --help\n";
        return EXIT_UNUSABLE;
    }
    if (position->count() > 0 &&
        (app.count("--game") > 0 || app.count("--end") > 0 || app.count("--shot") > 0)) {
        std::cerr << "curling-analyze: --game, --end and --shot choose a RECORD's shot; with "
                     "--position use --shot-number and --current-end; see --help\n";
        return EXIT_UNUSABLE;
    }
    try {
        return analyze(options);
    } catch (const std::exception& error) {
        std::cerr << "curling-analyze: " << error.what() << "\n";
        return EXIT_UNUSABLE;
    }
}
