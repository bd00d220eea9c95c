#include "view/raster.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>

extern char** environ;

namespace {

constexpr const char* CONVERTER = "rsvg-convert";

bool write_all(int fd, const std::string& text) {
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t put = ::write(fd, text.data() + written, text.size() - written);
        if (put < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        written += static_cast<std::size_t>(put);
    }
    return true;
}

}  // namespace

std::string write_png(const std::string& svg, const std::string& path) {
    int pipe_fds[2];
    if (pipe2(pipe_fds, O_CLOEXEC) != 0) {
        return std::string("cannot make a pipe: ") + std::strerror(errno);
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipe_fds[0], STDIN_FILENO);
    std::string format = "--format=png";
    std::string output = "--output=" + path;
    char* argv[] = {const_cast<char*>(CONVERTER), format.data(), output.data(), nullptr};
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, CONVERTER, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipe_fds[0]);
    if (spawned != 0) {
        close(pipe_fds[1]);
        return std::string("cannot run ") + CONVERTER + " (" + std::strerror(spawned) +
               "); install the Debian package librsvg2-bin, or write an .svg";
    }
    const bool sent = write_all(pipe_fds[1], svg);
    close(pipe_fds[1]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!sent || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return std::string(CONVERTER) + " could not write " + path;
    }
    return "";
}

std::string write_file(const std::string& path, const std::string& text) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) {
        return "cannot write " + path + ": " + std::strerror(errno);
    }
    file.write(text.data(), static_cast<std::streamsize>(text.size()));
    file.close();
    if (!file) {
        return "cannot write " + path + " in full (disk full?)";
    }
    return "";
}

bool has_extension(const std::string& path, const std::string& extension) {
    if (path.size() < extension.size()) {
        return false;
    }
    return std::equal(extension.rbegin(), extension.rend(), path.rbegin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) ==
               std::tolower(static_cast<unsigned char>(b));
    });
}
