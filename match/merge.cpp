#include "merge.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
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

// Pairs p < pair_count(games) with p mod count below `index`.
std::int64_t pairs_below_shard(std::int64_t index, std::int64_t count, std::int64_t games) {
    const std::int64_t pairs = pair_count(games);
    return pairs / count * index + std::min(pairs % count, index);
}

// The pairs of `shard` missing from `present`, as runs of the shard's own
// pairs ("3, 7-15": 7 to 15 in steps of the shard count), cut after
// `limit` runs. Walks only the pairs present: a match may have far more
// pairs than memory holds.
std::string missing_runs(const Shard& shard, const std::set<std::int64_t>& present, std::int64_t games,
                         std::size_t limit = 12) {
    std::string text;
    std::size_t runs = 0;
    const auto run = [&](std::int64_t first, std::int64_t last) {
        if (first > last || runs > limit) {
            return;
        }
        text += runs == limit ? ", ..." : (text.empty() ? "" : ", ") + std::to_string(first) +
                                              (last > first ? "-" + std::to_string(last) : std::string());
        ++runs;
    };
    std::int64_t next = shard.index;
    for (std::int64_t pair : present) {
        if (shard.plays_pair(pair)) {
            run(next, pair - shard.count);
            next = pair + shard.count;
        }
    }
    run(next, shard.index + shard.count * (pairs_of_shard(shard, games) - 1));
    return text;
}

// What is missing, shard by shard, or nothing; `missing` gets the count.
// Shards given none are named in runs, so a sharding into billions costs
// no more than one into two.
std::string missing_pairs(const std::vector<ShardRecord>& shards, const std::set<std::int64_t>& present,
                          std::int64_t games, std::int64_t& missing) {
    const std::int64_t count = shards.front().shard.count;
    missing = pair_count(games) - static_cast<std::int64_t>(present.size());
    std::vector<const ShardRecord*> given;
    for (const ShardRecord& record : shards) {
        given.push_back(&record);
    }
    std::sort(given.begin(), given.end(),
              [](const ShardRecord* a, const ShardRecord* b) { return a->shard.index < b->shard.index; });
    std::string text;
    const auto not_given = [&](std::int64_t first, std::int64_t last) {
        const std::int64_t absent = pairs_below_shard(std::min(last + 1, count), count, games) -
                                    pairs_below_shard(std::min(first, count), count, games);
        if (first <= last && absent > 0) {
            text += (first == last ? "shard " + std::to_string(first)
                                   : "shards " + std::to_string(first) + "-" + std::to_string(last)) +
                    "/" + std::to_string(count) + ": no record given (" + std::to_string(absent) + " pairs)\n";
        }
    };
    std::int64_t next = 0;
    for (const ShardRecord* record : given) {
        not_given(next, record->shard.index - 1);
        next = record->shard.index + 1;
        const std::string runs = missing_runs(record->shard, present, games);
        if (!runs.empty()) {
            text += "shard " + record->shard.text() + " (" + printable(record->path) + "): pairs " + runs +
                    " not finished" + (record->being_written ? ", still being played" : "") + "\n";
        }
    }
    not_given(next, count - 1);
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
    if (output.empty() || std::find(inputs.begin(), inputs.end(), "") != inputs.end()) {
        return refuse(std::string(output.empty() ? "--out: accepts a file name" : "shards: accept record files") +
                      ", not an empty value; see --help");
    }
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
    const bool existed = stat(output.c_str(), &info) == 0;
    if (!record.claim(output, force, error)) {
        return refuse("--out: " + error);
    }
    // Made whole in memory (as large as the games present) and put in
    // place in one step: a failed write leaves an earlier file as it was.
    std::string text = dump_line(header);
    for (std::int64_t pair : present) {
        const RecordContents& contents = owner[pair]->contents;
        for (int k = 0; k < games_in_pair(pair, games); ++k) {
            const std::int64_t game = 2 * pair + k;
            for (const auto& line : contents.record.games.at(game).lines) {
                text += line.second + "\n";
            }
            finished[game] = contents.finished.at(game);
        }
    }
    std::vector<GameResult> played;
    for (const auto& entry : finished) {
        played.push_back(entry.second);
    }
    MatchOptions described;
    std::uint64_t seed = 0;
    options_from_header(reference, described, seed);
    const MatchSummary summary = summarize(played, reference["ends"].get<int>(), described.rule);
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
    text += dump_line(summary_line);
    out << summary_text(summary, described.names);
    if (sprt) {
        out << sprt_text(sprt->state());
    }
    if (!record.replace(text, error)) {
        if (!existed) {
            unlink(output.c_str());
        }
        err << "curling-match merge: " << printable(output) << " could not be written: " << printable(error)
            << (existed ? "; the file is left as it was" : "") << "\n";
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
