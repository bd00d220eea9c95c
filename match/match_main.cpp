#include <signal.h>

#include <cstring>
#include <iostream>

#include "match_options.h"
#include "merge.h"
#include "match_runner.h"
#include "process_guard.h"
#include "signal_watch.h"

int main(int argc, char** argv) {
    // A player that dies mid-write must not take the runner with it, nor a
    // record that reaches a size limit: the failed write is reported.
    signal(SIGPIPE, SIG_IGN);
    signal(SIGXFSZ, SIG_IGN);

    if (argc > 1 && std::strcmp(argv[1], "merge") == 0) {
        return runner::run_merge(argc - 1, argv + 1, std::cout, std::cerr);
    }
    runner::MatchOptions options;
    if (const auto status = runner::parse_match_options(argc, argv, options, std::cout, std::cerr)) {
        return *status;
    }
    // Descendants of the players that leave their process group come back
    // to the runner when their parent ends, and are ended with the match.
    runner::become_subreaper();
    runner::SignalWatch signals({SIGINT, SIGTERM, SIGHUP});
    runner::ProcessGroups players;
    const int status = runner::run_match(options, std::cout, std::cerr, runner::MatchControl{&players, &signals});
    runner::end_all_children(std::chrono::seconds(5));
    std::cout.flush();
    signals.end_by_signal_if_received();
    return status;
}
