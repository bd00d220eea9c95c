#include "match_run.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace fs = std::filesystem;

ScratchFolder::ScratchFolder() {
    std::string pattern = (fs::temp_directory_path() / "curling-match-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot make a scratch folder");
    }
    path_ = pattern;
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

pid_t start_match(const std::vector<std::string>& args, const ScratchFolder& folder,
                  long file_size_limit) {
    std::vector<std::string> words = {CURLING_MATCH_PATH};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    const std::string out = folder.file("stdout");
    const std::string err = folder.file("stderr");
    const pid_t pid = fork();
    if (pid == 0) {
        const int out_fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err_fd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(out_fd, STDOUT_FILENO);
        dup2(err_fd, STDERR_FILENO);
        if (chdir(folder.path().c_str()) != 0) {
            _exit(126);
        }
        if (file_size_limit >= 0) {
            const rlimit limit{static_cast<rlim_t>(file_size_limit), static_cast<rlim_t>(file_size_limit)};
            setrlimit(RLIMIT_FSIZE, &limit);
        }
        execv(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

int wait_for(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
    }
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
}

int wait_for(pid_t pid, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    for (;;) {
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -2;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

std::string slurp(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

std::vector<nlohmann::json> read_record(const std::string& path) {
    std::vector<nlohmann::json> lines;
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line)) {
        lines.push_back(nlohmann::json::parse(line));
    }
    return lines;
}

std::vector<nlohmann::json> lines_of_type(const std::vector<nlohmann::json>& record,
                                          const std::string& type) {
    std::vector<nlohmann::json> found;
    for (const nlohmann::json& line : record) {
        if (line.at("type") == type) {
            found.push_back(line);
        }
    }
    return found;
}

MatchRun run_match(const std::vector<std::string>& args, const ScratchFolder& folder) {
    return run_match_within(args, folder, std::chrono::hours(1));
}

MatchRun run_match_within(const std::vector<std::string>& args, const ScratchFolder& folder,
                          std::chrono::milliseconds limit, long file_size_limit) {
    MatchRun run;
    run.status = wait_for(start_match(args, folder, file_size_limit), limit);
    run.out = slurp(folder.file("stdout"));
    run.err = slurp(folder.file("stderr"));
    if (fs::exists(folder.file("record.jsonl"))) {
        run.record = read_record(folder.file("record.jsonl"));
    }
    return run;
}

std::string mock_player(const std::string& arguments) {
    return std::string(MOCK_PLAYER_PATH) + (arguments.empty() ? "" : " " + arguments);
}

int reference_score(const nlohmann::json& stones, const int owner[16]) {
    double best[2] = {1e9, 1e9};
    std::vector<std::pair<double, int>> in_house;
    for (int k = 0; k < 16; ++k) {
        const double x = stones[k][0];
        const double y = stones[k][1];
        if (x == 0.0 && y == 0.0) {
            continue;
        }
        const double d = std::hypot(x - 2.375, y - 4.88);
        if (d <= 1.975) {
            in_house.push_back({d, owner[k]});
            best[owner[k]] = std::min(best[owner[k]], d);
        }
    }
    if (in_house.empty() || best[0] == best[1]) {
        return 0;
    }
    const int scorer = best[0] < best[1] ? 0 : 1;
    const auto count = std::count_if(in_house.begin(), in_house.end(), [&](const auto& stone) {
        return stone.second == scorer && stone.first < best[1 - scorer];
    });
    return scorer == 0 ? static_cast<int>(count) : -static_cast<int>(count);
}
