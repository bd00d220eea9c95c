#include "player_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "process_guard.h"
#include "protocol_text.h"

namespace runner {

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::size_t MAX_READ_PER_CALL = 64 * 1024;

std::string resolve_program(const std::string& name) {
    if (name.find('/') != std::string::npos) {
        return name;
    }
    const char* path = std::getenv("PATH");
    std::string folders = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
    std::size_t begin = 0;
    while (begin <= folders.size()) {
        const std::size_t end = std::min(folders.find(':', begin), folders.size());
        const std::string folder = end > begin ? folders.substr(begin, end - begin) : ".";
        const std::string candidate = folder + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
        begin = end + 1;
    }
    return name;
}

void close_fd(int& fd) {
    if (fd >= 0) {
        close(fd);
        fd = -1;
    }
}

int milliseconds_until(Deadline deadline, int cap) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return static_cast<int>(std::clamp<std::int64_t>(left.count(), 0, cap));
}

}  // namespace

PlayerProcess::PlayerProcess(std::vector<std::string> command, ProcessGroups* groups)
    : command_(std::move(command)), groups_(groups) {}

PlayerProcess::~PlayerProcess() { stop(); }

bool PlayerProcess::start(std::string& error) {
    stop();
    if (command_.empty()) {
        error = "empty command";
        return false;
    }
    const std::string program = resolve_program(command_[0]);
    std::vector<char*> argv;
    for (std::string& word : command_) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);

    int to_player[2];
    int from_player[2];
    int exec_report[2];
    if (pipe2(to_player, O_CLOEXEC) != 0) {
        error = std::strerror(errno);
        return false;
    }
    if (pipe2(from_player, O_CLOEXEC) != 0 || pipe2(exec_report, O_CLOEXEC) != 0) {
        error = std::strerror(errno);
        close(to_player[0]);
        close(to_player[1]);
        return false;
    }
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid == 0) {
        // Only async-signal-safe calls between fork and exec: other threads
        // of the runner may hold locks that this copy would never see freed.
        setpgid(0, 0);
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) {
            _exit(127);
        }
        // What the runner ignores or blocks for itself, the player must
        // not inherit across exec.
        signal(SIGPIPE, SIG_DFL);
        signal(SIGXFSZ, SIG_DFL);
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        dup2(to_player[0], STDIN_FILENO);
        dup2(from_player[1], STDOUT_FILENO);
        execv(program.c_str(), argv.data());
        const int code = errno;
        [[maybe_unused]] const ssize_t put = write(exec_report[1], &code, sizeof code);
        _exit(127);
    }
    close(to_player[0]);
    close(from_player[1]);
    close(exec_report[1]);
    if (pid > 0) {
        // Also from this side, so the group exists before anyone signals it.
        setpgid(pid, pid);
        if (groups_ != nullptr) {
            groups_->add(pid);
        }
    }
    if (pid < 0) {
        error = std::strerror(errno);
        close(to_player[1]);
        close(from_player[0]);
        close(exec_report[0]);
        return false;
    }
    int code = 0;
    ssize_t got;
    do {
        got = read(exec_report[0], &code, sizeof code);
    } while (got < 0 && errno == EINTR);
    close(exec_report[0]);
    pid_ = pid;
    input_fd_ = to_player[1];
    output_fd_ = from_player[0];
    exited_ = false;
    killed_ = false;
    exit_value_ = 0;
    has_read_ = false;
    pending_.clear();
    fcntl(output_fd_, F_SETFL, fcntl(output_fd_, F_GETFL) | O_NONBLOCK);
    if (got == static_cast<ssize_t>(sizeof code)) {
        error = "cannot run " + program + ": " + std::strerror(code);
        stop();
        return false;
    }
    return true;
}

void PlayerProcess::close_input() { close_fd(input_fd_); }

void PlayerProcess::stop(std::chrono::milliseconds grace) {
    if (pid_ > 0 && grace.count() > 0) {
        close_input();
        const Deadline deadline = Clock::now() + grace;
        while (!check_exited() && Clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
    if (pid_ > 0) {
        // The player if it still runs, and whatever it left behind in its
        // group; the leader is not reaped yet, so the group is still ours.
        kill(-pid_, SIGKILL);
        kill(pid_, SIGKILL);
        if (groups_ != nullptr) {
            groups_->remove(pid_);
        }
        int status = 0;
        while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        if (!exited_) {
            exited_ = true;
            killed_ = WIFSIGNALED(status);
            exit_value_ = killed_ ? WTERMSIG(status) : WEXITSTATUS(status);
        }
    }
    pid_ = -1;
    close_fd(input_fd_);
    close_fd(output_fd_);
    pending_.clear();
}

bool PlayerProcess::check_exited() {
    if (exited_ || pid_ <= 0) {
        return true;
    }
    siginfo_t info{};
    if (waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
        info.si_pid == pid_) {
        exited_ = true;
        killed_ = info.si_code == CLD_KILLED || info.si_code == CLD_DUMPED;
        exit_value_ = info.si_status;
    }
    return exited_;
}

std::string PlayerProcess::exit_description() {
    if (!check_exited()) {
        return "still running";
    }
    if (killed_) {
        return "killed by signal " + std::to_string(exit_value_);
    }
    return "exited with status " + std::to_string(exit_value_);
}

IoStatus PlayerProcess::send(const std::string& line, Deadline deadline) {
    if (input_fd_ < 0) {
        return IoStatus::DEAD;
    }
    const auto lost = [this] { return has_read_ ? IoStatus::DEAD : IoStatus::NEVER_STARTED; };
    std::size_t written = 0;
    while (written < line.size()) {
        const ssize_t put = write(input_fd_, line.data() + written, line.size() - written);
        if (put < 0) {
            if (errno == EINTR) {
                continue;
            }
            return lost();
        }
        written += static_cast<std::size_t>(put);
    }
    // Commands are far shorter than the pipe's atomic write size, so the
    // player's next read takes this command whole and nothing else.
    auto pause = std::chrono::microseconds(20);
    for (;;) {
        int unread = 0;
        if (ioctl(input_fd_, FIONREAD, &unread) != 0) {
            return lost();
        }
        if (unread == 0) {
            has_read_ = true;
            return IoStatus::OK;
        }
        if (check_exited()) {
            if (ioctl(input_fd_, FIONREAD, &unread) == 0 && unread == 0) {
                has_read_ = true;
            }
            return lost();
        }
        if (Clock::now() >= deadline) {
            return IoStatus::TIMEOUT;
        }
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::microseconds(1000));
    }
}

void PlayerProcess::read_available(bool& eof) {
    eof = false;
    char buffer[4096];
    // A player that writes without pause must not keep the runner reading
    // for ever or fill its memory: take a bounded amount per call.
    for (std::size_t taken = 0; taken < MAX_READ_PER_CALL; taken += sizeof buffer) {
        const ssize_t got = read(output_fd_, buffer, sizeof buffer);
        if (got > 0) {
            pending_.append(buffer, static_cast<std::size_t>(got));
            continue;
        }
        if (got == 0) {
            eof = true;
        } else if (errno == EINTR) {
            continue;
        }
        return;
    }
}

void PlayerProcess::wait_for_output(bool eof, Deadline deadline, int wait_ms) {
    if (!eof) {
        pollfd watch{output_fd_, POLLIN, 0};
        poll(&watch, 1, std::max(1, wait_ms));
        return;
    }
    // The player closed its output but lives on: it can no longer answer,
    // yet it has not died either. Its time runs out (or it exits) as for a
    // player that stays silent; a closed pipe would wake poll at once.
    std::this_thread::sleep_for(std::chrono::milliseconds(std::max(1, std::min(milliseconds_until(deadline, 5), wait_ms))));
}

void PlayerProcess::discard_output() {
    if (output_fd_ >= 0) {
        bool eof = false;
        read_available(eof);
    }
    pending_.clear();
}

IoStatus PlayerProcess::await_ready(Deadline deadline) {
    static const std::string READY = "READYOK";
    if (output_fd_ < 0) {
        return IoStatus::DEAD;
    }
    for (;;) {
        bool eof = false;
        read_available(eof);
        const std::size_t found = pending_.find(READY);
        if (found != std::string::npos) {
            pending_.erase(0, found + READY.size());
            return IoStatus::OK;
        }
        // Keep only a tail that could still be the start of the word.
        if (pending_.size() > READY.size()) {
            pending_.erase(0, pending_.size() - READY.size());
        }
        if (check_exited()) {
            return IoStatus::DEAD;
        }
        if (Clock::now() >= deadline) {
            return IoStatus::TIMEOUT;
        }
        wait_for_output(eof, deadline, 50);
    }
}

IoStatus PlayerProcess::await_reply(Deadline deadline, std::string& reply) {
    if (output_fd_ < 0) {
        return IoStatus::DEAD;
    }
    Clock::time_point last_byte{};
    for (;;) {
        const std::size_t before = pending_.size();
        bool eof = false;
        read_available(eof);
        if (pending_.size() != before) {
            last_byte = Clock::now();
        }
        const bool settled = !pending_.empty() && Clock::now() - last_byte >= REPLY_SETTLE;
        const bool flood = pending_.size() > MAX_REPLY_BYTES;
        if (!pending_.empty() &&
            (reply_progress(pending_) == ReplyProgress::COMPLETE || settled || flood)) {
            reply = pending_;
            pending_.clear();
            return IoStatus::OK;
        }
        if (check_exited()) {
            return IoStatus::DEAD;
        }
        if (Clock::now() >= deadline) {
            return IoStatus::TIMEOUT;
        }
        int wait_ms = milliseconds_until(deadline, 50);
        if (!pending_.empty()) {
            const auto settle_left = std::chrono::duration_cast<std::chrono::milliseconds>(
                last_byte + REPLY_SETTLE - Clock::now());
            wait_ms = std::min<int>(wait_ms, static_cast<int>(std::max<std::int64_t>(settle_left.count(), 0)));
        }
        wait_for_output(eof, deadline, wait_ms);
    }
}

}  // namespace runner
