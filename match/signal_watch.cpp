#include "signal_watch.h"

#include <pthread.h>

#include <csignal>
#include <ctime>

namespace runner {

SignalWatch::SignalWatch(std::initializer_list<int> signals) {
    sigemptyset(&set_);
    for (const int signal : signals) {
        sigaddset(&set_, signal);
    }
    pthread_sigmask(SIG_BLOCK, &set_, nullptr);
    thread_ = std::thread([this] { watch(); });
}

SignalWatch::~SignalWatch() {
    done_.store(true);
    thread_.join();
}

void SignalWatch::watch() {
    // A short wait, so the watch notices when it is no longer needed.
    const timespec pause{0, 50 * 1000 * 1000};
    while (!done_.load()) {
        siginfo_t info{};
        const int signal = sigtimedwait(&set_, &info, &pause);
        if (signal <= 0) {
            continue;
        }
        int expected = 0;
        if (!received_.compare_exchange_strong(expected, signal)) {
            // Asked twice: stop waiting for an orderly end.
            std::signal(signal, SIG_DFL);
            pthread_sigmask(SIG_UNBLOCK, &set_, nullptr);
            raise(signal);
            continue;
        }
        std::lock_guard<std::mutex> lock(mutex_);
        if (handler_) {
            handler_(signal);
        }
    }
}

void SignalWatch::on_stop(std::function<void(int)> handler) {
    std::lock_guard<std::mutex> lock(mutex_);
    handler_ = std::move(handler);
    if (handler_ && received_.load() != 0) {
        handler_(received_.load());
    }
}

void SignalWatch::end_by_signal_if_received() {
    const int signal = received_.load();
    if (signal == 0) {
        return;
    }
    done_.store(true);
    if (thread_.joinable()) {
        thread_.join();
    }
    std::signal(signal, SIG_DFL);
    pthread_sigmask(SIG_UNBLOCK, &set_, nullptr);
    raise(signal);
}

const char* signal_name(int signal) {
    switch (signal) {
        case SIGINT:
            return "SIGINT";
        case SIGTERM:
            return "SIGTERM";
        case SIGHUP:
            return "SIGHUP";
        default:
            return "a signal";
    }
}

}  // namespace runner
