#include <unistd.h>

#include <CLI/CLI.hpp>
#include <iostream>

#include "draw_player.h"

int main(int argc, char** argv) {
    std::string library_path;
    CLI::App app{"Baseline curling player: draws every stone to the tee."};
    app.add_option("--simulator", library_path,
                   "Physics library to load (default: the one beside the player, else the installed one)");
    CLI11_PARSE(app, argc, argv);

    const SimulatorLoad load =
        library_path.empty() ? load_simulator_beside_executable() : load_simulator_at(library_path);
    if (!load.loaded) {
        std::cerr << "curling-draw-player: " << load.error << std::endl;
        return 1;
    }
    run_draw_player(STDIN_FILENO, STDOUT_FILENO, make_draw_shot(load.api));
    return 0;
}
