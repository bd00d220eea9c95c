#include "resume.h"

#include <ostream>

#include "record_header.h"
#include "scoreboard.h"

namespace runner {

std::optional<int> reopen_record(const MatchOptions& given, MatchOptions& options, std::uint64_t& seed,
                                 RecordFile& record, RecordContents& kept, std::ostream& err) {
    std::string text;
    std::string error;
    if (!record.open_existing(given.resume, text, error)) {
        err << "--resume: " << printable(error) << "\n";
        return EXIT_UNUSABLE;
    }
    RecordContents read;
    if (auto reason = read_record_text(text, read)) {
        err << "--resume: " << printable(given.resume) << " cannot be carried on: " << printable(*reason)
            << "\n";
        return EXIT_UNUSABLE;
    }
    options = given;
    if (auto reason = options_from_header(read.header(), options, seed)) {
        err << "--resume: " << printable(given.resume) << " cannot be carried on: " << printable(*reason)
            << "\n";
        return EXIT_UNUSABLE;
    }
    options.out = given.resume;
    const std::set<std::int64_t> pairs = finished_pairs(read, options.games);
    kept.record.header = read.record.header;
    for (auto& [game, lines] : read.record.games) {
        if (pairs.count(pair_of_game(game)) > 0) {
            kept.finished[game] = read.finished.at(game);
            kept.record.games.emplace(game, std::move(lines));
        }
    }
    return std::nullopt;
}

std::optional<int> cut_back_record(const MatchOptions& options, RecordFile& record,
                                   const RecordContents& kept, std::ostream& out, std::ostream& err) {
    std::string text = kept.record.header.text + "\n";
    for (const std::string* line : records::lines_in_written_order(kept.record.games)) {
        text += *line + "\n";
    }
    std::string error;
    if (!record.replace(text, error)) {
        err << "--resume: " << printable(error) << "\n";
        return EXIT_UNUSABLE;
    }
    const std::int64_t pairs_in_shard = pairs_of_shard(options.shard, options.games);
    const std::size_t pairs_kept = finished_pairs(kept, options.games).size();
    out << "Resuming " << printable(options.out) << ": " << pairs_kept << " of " << pairs_in_shard
        << " game pairs" << (options.shard.whole_match() ? "" : " of shard " + options.shard.text())
        << " finished, " << pairs_in_shard - static_cast<std::int64_t>(pairs_kept) << " to play\n"
        << std::flush;
    return std::nullopt;
}

}  // namespace runner
