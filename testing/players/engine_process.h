#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>

// A player program (curling-engine or another that speaks the protocol)
// started from a private folder that holds a copy of it under its own file
// name and, as libCurlingSimulator.so, the simulator library a test picks.
class EngineProcess {
public:
    // `library` may be empty: the folder then holds no simulator library.
    // `library_mode`, when not negative, sets the copied library's
    // permission bits before the program starts.
    EngineProcess(const std::string& engine, const std::string& library, int library_mode = -1);
    ~EngineProcess();
    EngineProcess(const EngineProcess&) = delete;
    EngineProcess& operator=(const EngineProcess&) = delete;

    // Writes `text` in one write and waits until the engine has read it, so
    // the next command arrives in a read of its own.
    void send(const std::string& text);
    // Reads until `count` bytes have arrived or the deadline passes.
    std::string read_bytes(std::size_t count, std::chrono::milliseconds deadline);
    // Whatever arrives within `wait`.
    std::string read_available(std::chrono::milliseconds wait);
    // Closes the engine's standard input.
    void close_input();
    // Waits for the process to end; returns its exit status, or -1 if it
    // had to be killed or died of a signal.
    int wait_exit(std::chrono::milliseconds deadline);
    std::string error_output() const;
    std::string call_log() const;
    std::string folder() const { return folder_; }
    // Where the program looks first for its library.
    std::string library_path() const { return folder_ + "/libCurlingSimulator.so"; }

private:
    std::string folder_;
    pid_t pid_ = -1;
    int to_engine_ = -1;
    int from_engine_ = -1;
    int exit_status_ = -2;
};

// Sends `command` and returns the reply: replies have no terminator, so it
// waits until `expected` bytes have arrived and then takes whatever follows
// within 50 ms, so an extra byte shows.
std::string reply_to(EngineProcess& player, const std::string& command, std::size_t expected);
