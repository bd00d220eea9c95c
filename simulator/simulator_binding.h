#pragma once

#include <string>

#include "simulator/simulator_loader.h"

// The four entry points of the loaded simulator library. All four are set
// together or none is: callers may use them once loading has succeeded.
struct SimulatorBinding {
    decltype(&::Simulation) Simulation;
    decltype(&::CreateShot) CreateShot;
    decltype(&::CreateHitShot) CreateHitShot;
    decltype(&::GetScore) GetScore;
};

extern SimulatorBinding simulator;

// Loads the simulator library, first from the executable's own folder, then
// through the dynamic loader's search. False when the library or any entry
// point is missing; `simulator` is then left untouched and `why`, when
// given, says which paths were tried and what the system loader answered.
bool load_simulator(std::string* why = nullptr);

// Loads the library at exactly `path` (for tests and tools).
bool load_simulator_from(const char* path, std::string* why = nullptr);
