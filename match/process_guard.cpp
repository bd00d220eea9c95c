#include "process_guard.h"

#include <dirent.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace runner {

void ProcessGroups::add(pid_t leader) {
    std::lock_guard<std::mutex> lock(mutex_);
    leaders_.insert(leader);
    if (closed_) {
        kill(-leader, SIGKILL);
    }
}

void ProcessGroups::remove(pid_t leader) {
    std::lock_guard<std::mutex> lock(mutex_);
    leaders_.erase(leader);
}

void ProcessGroups::kill_all_and_close() {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
    for (const pid_t leader : leaders_) {
        kill(-leader, SIGKILL);
    }
}

bool become_subreaper() { return prctl(PR_SET_CHILD_SUBREAPER, 1) == 0; }

namespace {

// The parent of process `pid` from /proc; -1 when it is gone or has ended
// (a zombie waits only to be reaped).
pid_t live_parent_of(const char* pid) {
    const std::string path = std::string("/proc/") + pid + "/stat";
    std::FILE* file = std::fopen(path.c_str(), "r");
    if (file == nullptr) {
        return -1;
    }
    char text[512];
    const std::size_t got = std::fread(text, 1, sizeof text - 1, file);
    std::fclose(file);
    text[got] = '\0';
    // "pid (name) state ppid ...": the name may hold spaces and parentheses.
    const char* after_name = std::strrchr(text, ')');
    char state = 0;
    int parent = -1;
    if (after_name == nullptr || std::sscanf(after_name + 1, " %c %d", &state, &parent) != 2) {
        return -1;
    }
    return state == 'Z' || state == 'X' ? -1 : parent;
}

std::vector<pid_t> live_children_of_this_process() {
    std::vector<pid_t> children;
    const pid_t self = getpid();
    DIR* proc = opendir("/proc");
    if (proc == nullptr) {
        return children;
    }
    while (const dirent* entry = readdir(proc)) {
        if (entry->d_name[0] < '1' || entry->d_name[0] > '9') {
            continue;
        }
        if (live_parent_of(entry->d_name) == self) {
            children.push_back(static_cast<pid_t>(std::atoi(entry->d_name)));
        }
    }
    closedir(proc);
    return children;
}

}  // namespace

int end_all_children(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int ended = 0;
    for (;;) {
        // Each round ends the children found; their own children are then
        // handed to this process and found in the next round.
        for (const pid_t child : live_children_of_this_process()) {
            if (kill(child, SIGKILL) == 0) {
                ++ended;
            }
        }
        pid_t reaped = 0;
        while ((reaped = waitpid(-1, nullptr, WNOHANG)) > 0) {
        }
        if (reaped < 0 && errno == ECHILD) {
            return ended;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return ended;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

}  // namespace runner
