#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace runner {

using Deadline = std::chrono::steady_clock::time_point;

enum class IoStatus {
    OK,
    DEAD,           // the process has ended
    TIMEOUT,        // the deadline passed first
    NEVER_STARTED,  // the process ended without ever reading a command
};

// One player program on the other side of two pipes. A player handles each
// read of its input as one command and drops whatever else arrived in the
// same read, so every command is sent on its own and the next one waits
// until the pipe shows that the player has taken it.
class ProcessGroups;

class PlayerProcess {
public:
    // With `groups`, the player's process group is listed there while it runs.
    explicit PlayerProcess(std::vector<std::string> command, ProcessGroups* groups = nullptr);
    ~PlayerProcess();
    PlayerProcess(const PlayerProcess&) = delete;
    PlayerProcess& operator=(const PlayerProcess&) = delete;

    // Starts a fresh process, ending any earlier one. False, with the reason
    // in `error`, when the program cannot be executed at all.
    bool start(std::string& error);
    // Ends the process (and anything it started) and reaps it. With a grace
    // period the player first sees its input end and may exit by itself.
    void stop(std::chrono::milliseconds grace = std::chrono::milliseconds(0));
    // Lets the player see the end of its input, so several players can be
    // given their grace period at the same time.
    void close_input();

    // Writes one command line and waits until the player has read all of it.
    IoStatus send(const std::string& line, Deadline deadline);
    // Waits for "READYOK"; output before it is dropped.
    IoStatus await_ready(Deadline deadline);
    // Waits for one reply to "GO". A reply has no line end, so it is taken
    // as complete once its form says so, or after a short quiet spell.
    IoStatus await_reply(Deadline deadline, std::string& reply);
    // Drops output that nobody asked for, so it cannot pass for a reply.
    void discard_output();

    // "exited with status N" or "killed by signal N", once the process ended.
    std::string exit_description();

private:
    // Whether the process has ended; it stays unreaped (a zombie) until
    // stop(), so its number, which is also its group's, is not reused
    // while the group may still be signalled.
    bool check_exited();
    void read_available(bool& eof);
    // Waits up to `wait_ms` for output (less when the deadline is nearer).
    void wait_for_output(bool eof, Deadline deadline, int wait_ms);

    std::vector<std::string> command_;
    ProcessGroups* groups_ = nullptr;
    pid_t pid_ = -1;
    int input_fd_ = -1;   // the player's standard input, our write end
    int output_fd_ = -1;  // the player's standard output, our read end
    bool exited_ = false;
    bool killed_ = false;  // by a signal; `exit_value_` is then its number
    int exit_value_ = 0;
    bool has_read_ = false;
    std::string pending_;
};

// How long a reply may rest half-formed before it is judged as it stands.
inline constexpr std::chrono::milliseconds REPLY_SETTLE{200};
// A reply longer than this is judged without waiting for more.
inline constexpr std::size_t MAX_REPLY_BYTES = 4096;

}  // namespace runner
