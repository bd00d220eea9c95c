#include "engine_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

namespace {

std::string slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

EngineProcess::EngineProcess(const std::string& engine, const std::string& library, int library_mode) {
    std::string pattern = (fs::temp_directory_path() / "engine-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    folder_ = pattern;
    const fs::path program_path = fs::path(folder_) / fs::path(engine).filename();
    fs::copy_file(engine, program_path);
    if (!library.empty()) {
        fs::copy_file(library, library_path());
        if (library_mode >= 0) {
            fs::permissions(library_path(), static_cast<fs::perms>(library_mode));
        }
    }

    int input[2];
    int output[2];
    if (pipe2(input, O_CLOEXEC) != 0 || pipe2(output, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe failed");
    }
    const std::string error_file = folder_ + "/stderr";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input[0], 0);
    posix_spawn_file_actions_adddup2(&actions, output[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, error_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);

    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        // The engine must find its library beside itself, not through a path
        // the test runner happens to have.
        if (std::string(*entry).rfind("LD_LIBRARY_PATH=", 0) != 0) {
            environment.emplace_back(*entry);
        }
    }
    environment.push_back("CURLING_DOUBLE_LOG=" + folder_ + "/calls.log");
    std::vector<char*> envp;
    for (std::string& entry : environment) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);

    std::string program = program_path.string();
    char* argv[] = {program.data(), nullptr};
    const int failed = posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(input[0]);
    close(output[1]);
    if (failed != 0) {
        throw std::runtime_error("posix_spawn failed");
    }
    to_engine_ = input[1];
    from_engine_ = output[0];
}

EngineProcess::~EngineProcess() {
    if (to_engine_ >= 0) {
        close(to_engine_);
    }
    if (pid_ > 0 && exit_status_ == -2) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    if (from_engine_ >= 0) {
        close(from_engine_);
    }
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
}

void EngineProcess::send(const std::string& text) {
    signal(SIGPIPE, SIG_IGN);
    const ssize_t put = write(to_engine_, text.data(), text.size());
    if (put != static_cast<ssize_t>(text.size())) {
        throw std::runtime_error("short write to engine");
    }
    // The pipe is empty once the engine has taken the whole text in a read.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    for (;;) {
        int pending = 0;
        if (ioctl(to_engine_, FIONREAD, &pending) != 0 || pending == 0) {
            return;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            throw std::runtime_error("engine did not read its input");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

std::string EngineProcess::read_bytes(std::size_t count, std::chrono::milliseconds deadline) {
    std::string got;
    const auto end = std::chrono::steady_clock::now() + deadline;
    while (got.size() < count) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            break;
        }
        pollfd ready{from_engine_, POLLIN, 0};
        if (poll(&ready, 1, static_cast<int>(left.count())) <= 0) {
            break;
        }
        char buffer[4096];
        const ssize_t n = read(from_engine_, buffer, std::min(sizeof buffer, count - got.size()));
        if (n <= 0) {
            break;
        }
        got.append(buffer, static_cast<std::size_t>(n));
    }
    return got;
}

std::string EngineProcess::read_available(std::chrono::milliseconds wait) {
    return read_bytes(1 << 20, wait);
}

void EngineProcess::close_input() {
    close(to_engine_);
    to_engine_ = -1;
}

int EngineProcess::wait_exit(std::chrono::milliseconds deadline) {
    const auto end = std::chrono::steady_clock::now() + deadline;
    int status = 0;
    while (waitpid(pid_, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > end) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status, 0);
            exit_status_ = -1;
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    exit_status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return exit_status_;
}

std::string EngineProcess::error_output() const { return slurp(fs::path(folder_) / "stderr"); }

std::string EngineProcess::call_log() const { return slurp(fs::path(folder_) / "calls.log"); }

std::string reply_to(EngineProcess& player, const std::string& command, std::size_t expected) {
    player.send(command);
    std::string got = player.read_bytes(expected, std::chrono::seconds(20));
    got += player.read_available(std::chrono::milliseconds(50));
    return got;
}
