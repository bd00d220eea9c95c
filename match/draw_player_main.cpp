#include <unistd.h>

#include <CLI/CLI.hpp>
#include <iostream>

#include "draw_player.h"

int main(int argc, char** argv) {
    std::string library_path = default_simulator_path();
    CLI::App app{"Baseline curling player: draws every stone to the tee."};
    app.add_option("--simulator", library_path, "Physics library to load")->capture_default_str();
    CLI11_PARSE(app, argc, argv);

    SimulatorLibrary simulator;
    std::string error;
    if (!load_simulator_library(library_path, simulator, error)) {
        std::cerr << "curling-draw-player: " << error << std::endl;
        return 1;
    }
    run_draw_player(STDIN_FILENO, STDOUT_FILENO, make_draw_shot(simulator));
    return 0;
}
