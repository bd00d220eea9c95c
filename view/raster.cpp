#include "view/raster.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <cstdio>
#include <fstream>
#include <sys/stat.h>

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

std::string output_problem(const std::string& path, const std::vector<std::string>& extensions) {
    bool known = false;
    std::string names;
    for (const std::string& extension : extensions) {
        known = known || has_extension(path, extension);
        names += (names.empty() ? "" : " or ") + extension;
    }
    if (!known) {
        return path + ": the name must end in " + names + ", the format written there";
    }
    const std::size_t slash = path.rfind('/');
    const std::string folder =
        slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    struct stat info {};
    if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        return "cannot write " + path + ": there is no folder " + folder;
    }
    if (access(folder.c_str(), W_OK) != 0) {
        return "cannot write " + path + ": the folder " + folder + " is not writable";
    }
    if (stat(path.c_str(), &info) == 0) {
        if (!S_ISREG(info.st_mode)) {
            return "cannot write " + path + ": it is not a regular file";
        }
        if (access(path.c_str(), W_OK) != 0) {
            return "cannot write " + path + ": it is read-only";
        }
    }
    return "";
}

std::string write_outputs(const std::vector<OutputFile>& files) {
    std::vector<std::string> written;
    const auto discard = [&written]() {
        for (const std::string& temporary : written) {
            std::remove(temporary.c_str());
        }
    };
    for (const OutputFile& file : files) {
        const std::string temporary = file.path + ".part-" + std::to_string(getpid());
        written.push_back(temporary);
        const std::string error =
            file.png ? write_png(file.content, temporary) : write_file(temporary, file.content);
        if (!error.empty()) {
            discard();
            // The reader knows the name asked for, not the temporary one.
            std::string message = error;
            if (const std::size_t at = message.find(temporary); at != std::string::npos) {
                message.replace(at, temporary.size(), file.path);
            }
            return message;
        }
    }
    for (std::size_t k = 0; k < files.size(); ++k) {
        if (std::rename(written[k].c_str(), files[k].path.c_str()) != 0) {
            const std::string error = "cannot write " + files[k].path + ": " + std::strerror(errno);
            discard();
            return error;
        }
    }
    return "";
}
