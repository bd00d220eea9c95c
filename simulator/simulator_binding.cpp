#include "simulator_binding.h"

#include <string>

#include "library_loader.h"

SimulatorBinding simulator{};

namespace {

bool bind_library(void* library) {
    if (library == nullptr) {
        return false;
    }
    // Resolve all four before publishing any, so a library that lacks one
    // entry point can never be called through.
    SimulatorBinding binding{};
    binding.Simulation = reinterpret_cast<SimulationFn>(find_library_symbol(library, "Simulation"));
    binding.CreateShot = reinterpret_cast<CreateShotFn>(find_library_symbol(library, "CreateShot"));
    binding.CreateHitShot =
        reinterpret_cast<CreateHitShotFn>(find_library_symbol(library, "CreateHitShot"));
    binding.GetScore = reinterpret_cast<GetScoreFn>(find_library_symbol(library, "GetScore"));
    if (binding.Simulation == nullptr || binding.CreateShot == nullptr ||
        binding.CreateHitShot == nullptr || binding.GetScore == nullptr) {
        return false;
    }
    simulator = binding;
    return true;
}

}  // namespace

bool load_simulator_from(const char* path) {
    return bind_library(open_library(path));
}

bool load_simulator() {
    const std::string beside_executable = executable_directory() + SIMULATOR_LIBRARY_FILE;
    void* library = open_library(beside_executable.c_str());
    if (library == nullptr) {
        library = open_library(SIMULATOR_LIBRARY_FILE);
    }
    return bind_library(library);
}
