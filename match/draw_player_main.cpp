#include <unistd.h>

#include <CLI/CLI.hpp>
#include <iostream>

#include "draw_player.h"

int main(int argc, char** argv) {
    std::string library_path = executable_directory() + SIMULATOR_LIBRARY_FILE;
    CLI::App app{"Baseline curling player: draws every stone to the tee."};
    app.add_option("--simulator", library_path, "Physics library to load")->capture_default_str();
    CLI11_PARSE(app, argc, argv);

    const SimulatorLoad load = load_simulator_at(library_path);
    if (!load.loaded) {
        std::cerr << "curling-draw-player: " << load.error << std::endl;
        return 1;
    }
    run_draw_player(STDIN_FILENO, STDOUT_FILENO, make_draw_shot(load.api));
    return 0;
}
