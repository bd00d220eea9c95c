#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

// Runs the match runner as a user would and reads back what it left.

struct MatchRun {
    int status = -1;  // exit status, or 128 + signal
    std::string out;
    std::string err;
    std::vector<nlohmann::json> record;
};

// A fresh folder under the system's temporary folder, removed at the end.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Starts the runner with `args` (record and output files in `folder`)
// without waiting for it. A `file_size_limit` in bytes, when not negative,
// is the largest file the runner may write: a write beyond it fails as on a
// full disk, part-way through if it straddles the limit.
pid_t start_match(const std::vector<std::string>& args, const ScratchFolder& folder,
                  long file_size_limit = -1);
int wait_for(pid_t pid);
// As wait_for, but a runner still running after `limit` is killed and -2
// returned.
int wait_for(pid_t pid, std::chrono::milliseconds limit);

MatchRun run_match(const std::vector<std::string>& args, const ScratchFolder& folder);
// As run_match, for a runner that might hang: status -2 when it had to be
// killed after `limit`.
MatchRun run_match_within(const std::vector<std::string>& args, const ScratchFolder& folder,
                          std::chrono::milliseconds limit, long file_size_limit = -1);

// The whole file, byte for byte (empty when it cannot be read).
std::string slurp(const std::string& path);

std::vector<nlohmann::json> read_record(const std::string& path);
std::vector<nlohmann::json> lines_of_type(const std::vector<nlohmann::json>& record,
                                          const std::string& type);

// Score of an end as the rules count it, from the final stones and the
// side (0 or 1) that threw each: the side with the stone nearest the tee
// scores each of its stones in the house nearer than the other side's best.
int reference_score(const nlohmann::json& stones, const int owner[16]);

// The mock player's command line with extra arguments.
std::string mock_player(const std::string& arguments = "");
