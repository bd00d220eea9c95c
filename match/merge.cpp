#include "merge.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstring>
#include <ostream>

#include "match_runner.h"
#include "match_record.h"
#include "match_stats.h"
#include "record_header.h"
#include "record_reading.h"
#include "record_summary.h"
#include "scoreboard.h"

namespace runner {

namespace {

struct ShardRecord {
    std::string path;
    dev_t device = 0;
    ino_t inode = 0;
    bool being_written = false;  // a runner holds it
    RecordContents contents;
    Shard shard;
};

// Reads one input without locking it: a shard still being played can be
// looked at, and only its whole lines count.
std::optional<std::string> read_shard(const std::string& path, ShardRecord& record) {
    record.path = path;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        return "cannot read " + path + ": " + std::strerror(errno);
    }
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return path + " is not a regular file";
    }
    record.device = info.st_dev;
    record.inode = info.st_ino;
    struct flock lock {};
    lock.l_type = F_RDLCK;
    lock.l_whence = SEEK_SET;
    record.being_written = fcntl(fd, F_OFD_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
    std::string text;
    char buffer[65536];
    for (;;) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            const std::string reason = std::strerror(errno);
            close(fd);
            return "cannot read " + path + ": " + reason;
        }
        if (got == 0) {
            break;
        }
        text.append(buffer, static_cast<std::size_t>(got));
    }
    close(fd);
    if (auto reason = read_record_text(text, record.contents)) {
        return path + ": " + *reason;
    }
    record.shard = shard_of_header(record.contents.header());
    return std::nullopt;
}

// Refuses inputs that are not distinct shards of one sharding of one match.
std::optional<std::string> check_shards(const std::vector<ShardRecord>& shards) {
    const ShardRecord& first = shards.front();
    for (std::size_t i = 1; i < shards.size(); ++i) {
        const ShardRecord& other = shards[i];
        if (auto difference = header_difference(first.contents.header(), other.contents.header())) {
            return other.path + " is not a shard of the match of " + first.path + ": " + *difference;
        }
        if (other.shard.count != first.shard.count) {
            return other.path + " is shard " + other.shard.text() + " and " + first.path + " shard " +
                   first.shard.text() + ": not one sharding of the match";
        }
        for (std::size_t j = 0; j < i; ++j) {
            if (shards[j].shard == other.shard) {
                return shards[j].path + " and " + other.path + " are both shard " + other.shard.text();
            }
            if (shards[j].device == other.device && shards[j].inode == other.inode) {
                return shards[j].path + " and " + other.path + " are the same file";
            }
        }
    }
    return std::nullopt;
}

// "3, 7, 10-13" for a sorted list, cut after `limit` runs.
std::string ranges(const std::vector<std::int64_t>& pairs, std::size_t limit = 12) {
    std::string text;
    std::size_t runs = 0;
    for (std::size_t i = 0; i < pairs.size();) {
        std::size_t j = i;
        while (j + 1 < pairs.size() && pairs[j + 1] == pairs[j] + 1) {
            ++j;
        }
        if (runs == limit) {
            return text + ", ...";
        }
        text += (text.empty() ? "" : ", ") + std::to_string(pairs[i]) +
                (j > i ? "-" + std::to_string(pairs[j]) : std::string());
        ++runs;
        i = j + 1;
    }
    return text;
}

// What is missing, shard by shard, or nothing; `missing` gets the count.
std::string missing_pairs(const std::vector<ShardRecord>& shards, const std::set<std::int64_t>& present,
                          std::int64_t games, std::int64_t& missing) {
    const std::int64_t count = shards.front().shard.count;
    std::string text;
    missing = 0;
    for (std::int64_t index = 0; index < count; ++index) {
        const Shard shard{index, count};
        const ShardRecord* given = nullptr;
        for (const ShardRecord& record : shards) {
            given = record.shard == shard ? &record : given;
        }
        if (given == nullptr) {
            const std::int64_t absent = pairs_of_shard(shard, games);
            missing += absent;
            if (absent > 0) {
                text += "shard " + shard.text() + ": no record given (" + std::to_string(absent) + " pairs)\n";
            }
            continue;
        }
        std::vector<std::int64_t> unfinished;
        for (std::int64_t pair = index; pair < pair_count(games); pair += count) {
            if (present.count(pair) == 0) {
                unfinished.push_back(pair);
            }
        }
        missing += static_cast<std::int64_t>(unfinished.size());
        if (!unfinished.empty()) {
            text += "shard " + shard.text() + " (" + printable(given->path) + "): pairs " + ranges(unfinished) +
                    " not finished" + (given->being_written ? ", still being played" : "") + "\n";
        }
    }
    return text;
}

}  // namespace

int run_merge(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    CLI::App app{"Merges the records of the shards of one match into one record (curling-match merge)."};
    app.name("curling-match merge");
    std::vector<std::string> inputs;
    std::string output;
    bool force = false;
    app.add_option("shards", inputs, "Records of the shards (curling-match --shard K/N)")->required();
    app.add_option("--out", output, "The merged record")->required();
    app.add_flag("--force", force, "Overwrite an existing file at --out");
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& help) {
        return app.exit(help, out, err);
    } catch (const CLI::ParseError& error) {
        std::string message = error.what();
        std::replace(message.begin(), message.end(), '\n', ' ');
        err << "curling-match merge: " << message << "; see --help\n";
        return EXIT_UNUSABLE;
    }
    const auto refuse = [&err](const std::string& reason) {
        err << "curling-match merge: " << printable(reason) << "\n";
        return EXIT_UNUSABLE;
    };
    std::vector<ShardRecord> shards(inputs.size());
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        if (auto reason = read_shard(inputs[i], shards[i])) {
            return refuse(*reason);
        }
    }
    if (auto reason = check_shards(shards)) {
        return refuse(*reason);
    }
    struct stat info {};
    if (stat(output.c_str(), &info) == 0) {
        for (const ShardRecord& shard : shards) {
            if (shard.device == info.st_dev && shard.inode == info.st_ino) {
                return refuse("--out " + output + " is one of the shards");
            }
        }
    }

    // Every finished pair, in pair order, with the lines of its games as
    // written.
    const nlohmann::json& reference = shards.front().contents.header();
    const std::int64_t games = reference["games"];
    std::map<std::int64_t, GameResult> finished;
    std::map<std::int64_t, const ShardRecord*> owner;
    std::set<std::int64_t> present;
    for (const ShardRecord& shard : shards) {
        for (std::int64_t pair : finished_pairs(shard.contents, games)) {
            present.insert(pair);
            owner[pair] = &shard;
        }
    }
    nlohmann::json header = reference;
    header["shard"] = {{"index", 0}, {"count", 1}};
    nlohmann::json merged_from = nlohmann::json::array();
    for (const ShardRecord& shard : shards) {
        merged_from.push_back(shard.shard.text());
    }
    header["merged_from"] = merged_from;

    RecordFile record;
    std::string error;
    if (!record.open(output, force, error)) {
        return refuse("--out: " + error);
    }
    write_json_line(record, header);
    for (std::int64_t pair : present) {
        const RecordContents& contents = owner[pair]->contents;
        for (int k = 0; k < games_in_pair(pair, games); ++k) {
            const std::int64_t game = 2 * pair + k;
            for (const auto& line : contents.record.games.at(game).lines) {
                record.write_line(line.second);
            }
            finished[game] = contents.finished.at(game);
        }
    }
    std::vector<GameResult> played;
    for (const auto& entry : finished) {
        played.push_back(entry.second);
    }
    const MatchSummary summary = summarize(played, reference["ends"].get<int>());
    MatchOptions described;
    std::uint64_t seed = 0;
    options_from_header(reference, described, seed);
    std::optional<PairSequence> sprt;
    if (described.sprt) {
        sprt.emplace(*described.sprt, games / 2);
        sprt->advance([&finished, games](std::int64_t pair) { return pair_points(finished, pair, games); });
    }
    std::int64_t missing = 0;
    const std::string missing_text = missing_pairs(shards, present, games, missing);
    nlohmann::json summary_line = summary_json(summary, sprt ? &sprt->state() : nullptr);
    if (missing > 0) {
        summary_line["missing_pairs"] = missing;
    }
    write_json_line(record, summary_line);
    out << summary_text(summary, described.names);
    if (sprt) {
        out << sprt_text(sprt->state());
    }
    if (const std::string failure = record.failure(); !failure.empty()) {
        err << "curling-match merge: " << printable(output) << " could not be written in full: " << failure
            << "\n";
        return EXIT_UNUSABLE;
    }
    out << "Record: " << printable(output) << "\n";
    if (missing == 0) {
        return EXIT_PLAYED;
    }
    err << "missing " << missing << " of " << pair_count(games) << " game pairs:\n" << missing_text;
    if (sprt && sprt->state().decision != SprtDecision::NONE) {
        err << "the sequential test decided before the first missing pair\n";
        return EXIT_PLAYED;
    }
    return EXIT_INCOMPLETE;
}

}  // namespace runner
