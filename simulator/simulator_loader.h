#pragma once

#include <string>

#include "curling_simulator.h"

// The one way any program of the project opens the simulator library.

inline constexpr const char* SIMULATOR_LIBRARY_FILE = "libCurlingSimulator.so";

// The entry points of a loaded library, typed from its header. The four
// required ones are all set or the load fails; the extras are null where the
// library does not export them.
struct SimulatorApi {
    decltype(&::Simulation) Simulation = nullptr;
    decltype(&::CreateShot) CreateShot = nullptr;
    decltype(&::CreateHitShot) CreateHitShot = nullptr;
    decltype(&::GetScore) GetScore = nullptr;
    decltype(&::SimulateTrajectory) SimulateTrajectory = nullptr;
    decltype(&::SeedNoise) SeedNoise = nullptr;
    // absent from libraries older than the free guard zone rule
    decltype(&::ApplyFreeGuardZone) ApplyFreeGuardZone = nullptr;
};

struct SimulatorLoad {
    bool loaded = false;
    SimulatorApi api;   // meaningful only when loaded
    std::string path;   // the file that was loaded (for a bare name, the file the
                        // system's search found), or the last path tried
    std::string error;  // when not loaded: every path tried and why it failed
};

// Loads the library at exactly `path`, for tools given one.
SimulatorLoad load_simulator_at(const std::string& path);

// Loads the library a player ships with: beside the executable first, then
// through the system loader's ordinary search (an installed program's run
// path, $ORIGIN/../lib, leads it to the installed library). The search is tried only when
// the first file cannot be opened; a library beside the executable that
// lacks an entry point is a failure, not a reason to look elsewhere.
SimulatorLoad load_simulator_beside_executable();

// Where a program's companions live: its own folder with a trailing '/', or
// "" when unknown.
std::string executable_directory();
