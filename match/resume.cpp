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
    if (!given.simulator_path.empty()) {
        options.simulator_path = given.simulator_path;
    }
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

std::optional<int> check_library(const RecordContents& kept, const MatchOptions& given,
                                 const std::string& loaded_path, std::ostream& err) {
    const nlohmann::json& header = kept.header();
    const auto recorded = header.find("simulator_checksum");
    if (recorded == header.end() || !recorded->is_string()) {
        if (given.simulator_path.empty()) {
            return std::nullopt;
        }
        err << "--simulator: " << printable(given.resume)
            << " holds no checksum of its library, so no other file can be told to be the same; "
               "it is carried on only with the library at the path it names\n";
        return EXIT_UNUSABLE;
    }
    const auto checksum = library_checksum(loaded_path);
    if (!checksum || *checksum != recorded->get<std::string>()) {
        err << "--simulator: " << printable(loaded_path) << " is not the library " << printable(given.resume)
            << " was played with (checksum " << (checksum ? *checksum : std::string("unreadable")) << ", the record's "
            << printable(recorded->get<std::string>()) << ")\n";
        return EXIT_UNUSABLE;
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
