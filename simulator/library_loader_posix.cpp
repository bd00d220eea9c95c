#include "library_loader.h"

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <climits>

void* open_library(const char* path, std::string& error) {
    void* library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        const char* reason = dlerror();
        error = reason != nullptr ? reason : "the system loader gave no reason";
    }
    return library;
}

std::string library_file(void* library) {
    link_map* map = nullptr;
    if (dlinfo(library, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr || map->l_name == nullptr) {
        return {};
    }
    return map->l_name;
}

void* find_library_symbol(void* library, const char* name) {
    return dlsym(library, name);
}

std::string executable_directory() {
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) {
        return {};
    }
    std::string result(path, static_cast<std::size_t>(length));
    const std::size_t slash = result.rfind('/');
    return slash == std::string::npos ? std::string{} : result.substr(0, slash + 1);
}
