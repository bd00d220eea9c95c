#pragma once

#include <functional>
#include <string>

#include "simulator/simulator_loader.h"
#include "view/record_reader.h"

struct ReplayStats {
    std::size_t shots = 0;
    std::size_t flagged = 0;       // recomputed rest further than REST_TOLERANCE from the record
    std::size_t not_computed = 0;  // the library refused the shot
};

// Called every so often while the shots are replayed: shots done, shots in all.
using ReplayProgress = std::function<void(std::size_t, std::size_t)>;

// The self-contained replay page of every game of the record.
std::string replay_page(const MatchRecord& record, const SimulatorApi& api,
                        const std::string& record_name, const std::string& simulator_path,
                        ReplayStats& stats, const ReplayProgress& progress = {});
