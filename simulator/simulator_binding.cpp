#include "simulator_binding.h"

SimulatorBinding simulator{};

namespace {

bool publish(const SimulatorLoad& load, std::string* why) {
    if (!load.loaded) {
        if (why != nullptr) {
            *why = load.error;
        }
        return false;
    }
    simulator = SimulatorBinding{load.api.Simulation, load.api.CreateShot, load.api.CreateHitShot,
                                 load.api.GetScore};
    return true;
}

}  // namespace

bool load_simulator(std::string* why) {
    return publish(load_simulator_beside_executable(), why);
}

bool load_simulator_from(const char* path, std::string* why) {
    return publish(load_simulator_at(path), why);
}
