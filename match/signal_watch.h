#pragma once

#include <atomic>
#include <functional>
#include <initializer_list>
#include <mutex>
#include <thread>

#include <signal.h>

namespace runner {

// Turns termination signals into an orderly stop. The signals are blocked
// in the constructing thread, and so in every thread it starts afterwards;
// one thread of the watch takes them. The first runs the stop handler; a
// second ends the process at once, as the signal would have.
//
// Construct it before starting any other thread. Child programs inherit the
// blocked set across exec: unblock it in the child before exec.
class SignalWatch {
public:
    explicit SignalWatch(std::initializer_list<int> signals);
    ~SignalWatch();
    SignalWatch(const SignalWatch&) = delete;
    SignalWatch& operator=(const SignalWatch&) = delete;

    // Sets what the first signal does (on the watch's thread); runs it at
    // once if a signal has already come. An empty handler clears it, and
    // once this returns the old handler is no longer running.
    void on_stop(std::function<void(int signal)> handler);
    // The first signal taken, or 0.
    int received() const { return received_.load(); }
    // When a signal was taken, ends the process by that signal, so the
    // parent sees how it ended; otherwise returns.
    void end_by_signal_if_received();

private:
    void watch();

    sigset_t set_;
    std::atomic<int> received_{0};
    std::atomic<bool> done_{false};
    std::mutex mutex_;
    std::function<void(int)> handler_;
    std::thread thread_;
};

// Name of a signal for people and records ("SIGINT"), or "signal N".
const char* signal_name(int signal);

}  // namespace runner
