#include "simulator_library.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>

std::string own_directory() {
    char buffer[PATH_MAX];
    const ssize_t size = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (size <= 0) {
        return "";
    }
    std::string path(buffer, static_cast<std::size_t>(size));
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

std::string default_simulator_path() { return own_directory() + SIMULATOR_LIBRARY_NAME; }

bool load_simulator_library(const std::string& path, SimulatorLibrary& out, std::string& error) {
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* reason = dlerror();
        error = "cannot load " + path + (reason != nullptr ? std::string(": ") + reason : "");
        return false;
    }
    SimulatorLibrary library;
    bool complete = true;
    const auto bind = [&](auto& entry, const char* name) {
        entry = reinterpret_cast<std::remove_reference_t<decltype(entry)>>(dlsym(handle, name));
        if (entry == nullptr) {
            error += (error.empty() ? "" : ", ") + std::string("missing entry point ") + name;
            complete = false;
        }
    };
    error.clear();
    bind(library.Simulation, "Simulation");
    bind(library.CreateShot, "CreateShot");
    bind(library.CreateHitShot, "CreateHitShot");
    bind(library.GetScore, "GetScore");
    if (!complete) {
        error = path + ": " + error;
        return false;
    }
    // The library stays loaded for the life of the process.
    out = library;
    return true;
}
