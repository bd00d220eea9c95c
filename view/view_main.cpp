#include <signal.h>

#include <CLI/CLI.hpp>
#include <chrono>
#include <iostream>

#include "view/command_line.h"
#include "view/raster.h"
#include "view/replay_page.h"
#include "view/still.h"

namespace {

const std::vector<std::string> PAGE_EXTENSIONS = {".html", ".htm"};
const std::vector<std::string> STILL_EXTENSIONS = {".svg", ".png"};

SimulatorLoad load_physics(const std::string& path) {
    return path.empty() ? load_simulator_beside_executable() : load_simulator_at(path);
}

int replay(const std::string& record_path, std::string out, const std::string& simulator_path) {
    const SimulatorLoad physics = load_physics(simulator_path);
    if (!physics.loaded) {
        std::cerr << "curling-view: cannot load the physics library: " << physics.error << "\n";
        return EXIT_UNUSABLE;
    }
    if (physics.api.SimulateTrajectory == nullptr) {
        std::cerr << "curling-view: " << physics.path
                  << " has no trajectory export (SimulateTrajectory); paths need it\n";
        return EXIT_UNUSABLE;
    }
    if (out.empty()) {
        out = record_path;
        if (has_extension(out, ".jsonl")) {
            out.resize(out.size() - 6);
        }
        out += ".html";
    }
    // Before the long part: a page that cannot be written is known now.
    if (const std::string problem = output_problem(out, PAGE_EXTENSIONS); !problem.empty()) {
        std::cerr << "curling-view: " << problem << "\n";
        return EXIT_UNUSABLE;
    }
    const MatchRecord record = read_record(record_path);
    tell_dropped(record, "curling-view", record_path, std::cerr);
    const auto started = std::chrono::steady_clock::now();
    ReplayStats stats;
    const std::string page = replay_page(
        record, physics.api, record_path, physics.path, stats,
        [](std::size_t done, std::size_t total) {
            std::cerr << "\rreplaying shots: " << done << " / " << total << std::flush;
        });
    if (stats.shots >= 500) {
        std::cerr << "\r";
    }
    if (const std::string error = write_outputs({{out, page}}); !error.empty()) {
        std::cerr << "curling-view: " << error << "\n";
        return EXIT_UNUSABLE;
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::cout << "replay page: " << out << " (" << record.games.size() << " games, "
              << stats.shots << " shots, " << page.size() / 1024 << " KiB, " << seconds
              << " s)\n";
    if (stats.flagged > 0) {
        std::cout << stats.flagged
                  << " shots come to rest more than 1 mm from the record when replayed with "
                  << physics.path << ": they are flagged on the page\n";
    }
    if (stats.not_computed > 0) {
        std::cout << stats.not_computed << " shots could not be replayed by the library\n";
    }
    return 0;
}

struct StillOptions {
    std::string record;
    std::string position;
    int game = 0;
    int end = 0;
    int shot = 0;
    bool before = false;
    int first_side = 0;
    std::string caption;
    double scale = STILL_PIXELS_PER_METRE;
    int width = 0;  // pixels; when given, sets the scale
    std::string out;
    std::string simulator;
};

int still(const StillOptions& options, bool caption_given) {
    if (const std::string problem = output_problem(options.out, STILL_EXTENSIONS); !problem.empty()) {
        std::cerr << "curling-view: " << problem << "\n";
        return EXIT_UNUSABLE;
    }
    SheetScene scene;
    if (!options.position.empty()) {
        scene.stones = stones_of(parse_position(options.position), options.first_side);
    } else {
        const SimulatorLoad physics = load_physics(options.simulator);
        if (!physics.loaded) {
            std::cerr << "curling-view: paths are left out: " << physics.error << "\n";
        }
        const MatchRecord record = read_record(options.record);
        tell_dropped(record, "curling-view", options.record, std::cerr);
        scene = shot_scene(record, options.game, options.end, options.shot, options.before,
                           physics.loaded ? &physics.api : nullptr);
    }
    if (caption_given) {
        scene.caption = options.caption;
    }
    scene.pixels_per_metre = options.width > 0 ? options.width / VIEW_WIDTH : options.scale;
    const std::string svg = sheet_svg(scene);
    const bool png = has_extension(options.out, ".png");
    const std::string error = write_outputs({{options.out, png ? svg : svg + "\n", png}});
    if (!error.empty()) {
        std::cerr << "curling-view: " << error << "\n";
        return EXIT_UNUSABLE;
    }
    std::cout << "still: " << options.out << "\n";
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // A converter that dies must not take the tool with it.
    signal(SIGPIPE, SIG_IGN);
    CLI::App app{"Pictures of curling matches: replay pages and stills."};
    app.require_subcommand(1);

    std::string record_path;
    std::string out;
    std::string simulator_path;
    CLI::App* replay_command =
        app.add_subcommand("replay", "Write one self-contained HTML page replaying every game");
    replay_command->add_option("record", record_path, "Match record (JSON Lines) from curling-match")
        ->required()
        ->check(CLI::ExistingFile);
    replay_command->add_option("--out", out, "Page to write; default RECORD with .html");
    replay_command->add_option("--simulator", simulator_path,
                               "Physics library for the paths; default the one beside this tool");

    StillOptions still_options;
    CLI::App* still_command =
        app.add_subcommand("still", "Draw one position as SVG (or PNG when --out ends in .png)");
    CLI::Option* record_option =
        still_command->add_option("record", still_options.record, "Match record (JSON Lines)")
            ->check(CLI::ExistingFile);
    CLI::Option* position_option = still_command->add_option(
        "--position", still_options.position, "Any position: \"x0 y0 ... x15 y15\", (0, 0) empty");
    record_option->excludes(position_option);
    // A record's shot is named in full: a left-out choice would draw shot 0
    // of end 0 of game 0, a picture nobody asked for.
    CLI::Option* game_option =
        still_command->add_option("--game", still_options.game, "Game, counted from 0 as in the record")
            ->check(CLI::NonNegativeNumber);
    CLI::Option* end_option =
        still_command->add_option("--end", still_options.end, "End, counted from 0")
            ->check(CLI::Range(0, CURLING_MAX_ENDS - 1));
    CLI::Option* shot_option =
        still_command->add_option("--shot", still_options.shot, "Shot of the end, 0 to 15")
            ->check(CLI::Range(0, CURLING_STONES - 1));
    CLI::Option* before_option = still_command->add_flag(
        "--before", still_options.before,
        "Draw the position the thrower faced instead of the one the shot left");
    for (CLI::Option* choice : {game_option, end_option, shot_option, before_option}) {
        choice->excludes(position_option);
    }
    still_command->add_option("--first-side", still_options.first_side,
                              "With --position: the side (0 or 1) that threw stone 0")
        ->check(CLI::Range(0, 1))
        ->needs(position_option);
    CLI::Option* caption_option =
        still_command->add_option("--caption", still_options.caption, "Caption; \"\" for none");
    CLI::Option* scale_option =
        still_command->add_option("--scale", still_options.scale, "Pixels per metre")
            ->check(CLI::Range(10.0, 2000.0))
            ->capture_default_str();
    still_command->add_option("--width", still_options.width, "Width of the picture in pixels")
        ->check(CLI::Range(100, 20000))
        ->excludes(scale_option);
    still_command->add_option("--out", still_options.out, "Picture to write (.svg or .png)")
        ->required();
    still_command->add_option("--simulator", still_options.simulator,
                              "Physics library for the paths; default the one beside this tool");

    if (const auto status = parse_command_line(app, argc, argv, "curling-view", std::cout, std::cerr)) {
        return *status;
    }
    try {
        if (replay_command->parsed()) {
            return replay(record_path, out, simulator_path);
        }
        if (record_option->count() == 0 && position_option->count() == 0) {
            std::cerr << "curling-view still: give a RECORD (with --game, --end, --shot) or "
                         "--position; see --help\n";
            return EXIT_UNUSABLE;
        }
        if (record_option->count() > 0 &&
            (game_option->count() == 0 || end_option->count() == 0 || shot_option->count() == 0)) {
            std::cerr << "curling-view still: a RECORD's shot needs --game, --end and --shot "
                         "(each counted from 0); see --help\n";
            return EXIT_UNUSABLE;
        }
        return still(still_options, caption_option->count() > 0);
    } catch (const std::exception& error) {
        std::cerr << "curling-view: " << error.what() << "\n";
        return EXIT_UNUSABLE;
    }
}
