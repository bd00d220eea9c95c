#pragma once

#include <sys/types.h>

#include <chrono>
#include <mutex>
#include <set>

namespace runner {

// Keeping the processes a program starts from outliving it.

// The process groups of running child programs, so that all of them can be
// ended at once from any thread (a signal's handler thread, say). Each child
// leads its own group; a group stays listed until its leader is reaped, so a
// listed number can never belong to an unrelated process.
class ProcessGroups {
public:
    // Lists the group led by `leader`; ends it at once if the groups were
    // closed meanwhile, so no program starts after a stop.
    void add(pid_t leader);
    // Call before the leader is reaped.
    void remove(pid_t leader);
    // Sends SIGKILL to every listed group and refuses new ones from then on.
    void kill_all_and_close();

private:
    std::mutex mutex_;
    std::set<pid_t> leaders_;
    bool closed_ = false;
};

// Makes this process the reaper of its descendants: a descendant whose
// parent ends is handed to this process instead of the system's first
// process, so it can still be found and ended. False where the system
// cannot do that.
bool become_subreaper();

// Ends every child of this process (including descendants handed to it as a
// subreaper) and reaps them, round after round until none is left or `limit`
// has passed. Returns how many processes it ended.
int end_all_children(std::chrono::milliseconds limit);

}  // namespace runner
