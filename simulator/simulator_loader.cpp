#include "simulator_loader.h"

#include "library_loader.h"

namespace {

// The system loader usually names the file itself; say it once.
std::string failure_text(const std::string& path, const std::string& reason) {
    return reason.rfind(path, 0) == 0 ? reason : path + ": " + reason;
}

template <typename Entry>
void bind(void* library, const char* name, Entry& entry) {
    entry = reinterpret_cast<Entry>(find_library_symbol(library, name));
}

// Resolves every entry point before any is handed out, so a library that
// lacks one can never be called through.
SimulatorLoad bind_library(void* library, const std::string& path) {
    SimulatorLoad load;
    load.path = path;
    SimulatorApi api;
    bind(library, "Simulation", api.Simulation);
    bind(library, "CreateShot", api.CreateShot);
    bind(library, "CreateHitShot", api.CreateHitShot);
    bind(library, "GetScore", api.GetScore);
    bind(library, "SimulateTrajectory", api.SimulateTrajectory);
    bind(library, "SeedNoise", api.SeedNoise);
    bind(library, "ApplyFreeGuardZone", api.ApplyFreeGuardZone);
    std::string missing;
    const auto require = [&](const void* entry, const char* name) {
        if (entry == nullptr) {
            missing += (missing.empty() ? "" : ", ") + std::string(name);
        }
    };
    require(reinterpret_cast<const void*>(api.Simulation), "Simulation");
    require(reinterpret_cast<const void*>(api.CreateShot), "CreateShot");
    require(reinterpret_cast<const void*>(api.CreateHitShot), "CreateHitShot");
    require(reinterpret_cast<const void*>(api.GetScore), "GetScore");
    if (!missing.empty()) {
        load.error = path + ": missing entry point " + missing;
        return load;
    }
    load.loaded = true;
    load.api = api;
    return load;
}

}  // namespace

SimulatorLoad load_simulator_at(const std::string& path) {
    std::string reason;
    void* library = open_library(path.c_str(), reason);
    if (library == nullptr) {
        SimulatorLoad load;
        load.path = path;
        load.error = failure_text(path, reason);
        return load;
    }
    return bind_library(library, path);
}

SimulatorLoad load_simulator_beside_executable() {
    const std::string beside = executable_directory() + SIMULATOR_LIBRARY_FILE;
    std::string reason;
    if (void* library = open_library(beside.c_str(), reason)) {
        return bind_library(library, beside);
    }
    std::string search_reason;
    void* library = open_library(SIMULATOR_LIBRARY_FILE, search_reason);
    if (library == nullptr) {
        SimulatorLoad failed;
        failed.path = SIMULATOR_LIBRARY_FILE;
        failed.error = beside + ": " + reason + "; then " + SIMULATOR_LIBRARY_FILE + ": " + search_reason;
        return failed;
    }
    // The search may have found any installed copy: name the one it took.
    const std::string found = library_file(library);
    return bind_library(library, found.empty() ? SIMULATOR_LIBRARY_FILE : found);
}
