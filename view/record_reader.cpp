#include "view/record_reader.h"

#include <algorithm>

namespace {

GameRecord game_record(records::RecordedGame&& game) {
    GameRecord out;
    out.index = static_cast<int>(game.index);
    out.shots = std::move(game.shots);
    out.ends = std::move(game.ends);
    out.result = records::game_json(game.result);
    return out;
}

MatchRecord match_record(records::Record&& read, const std::string& name) {
    MatchRecord record;
    record.match = read.header.json;
    record.summary = read.summary ? *read.summary : nlohmann::json();
    record.names[0] = read.header.names[0];
    record.names[1] = read.header.names[1];
    record.regular_ends = read.header.ends;
    record.clock_ms = read.header.clock_ms;
    record.rule = read.header.rule;
    record.dropped = std::move(read.dropped);
    for (auto& [index, game] : read.games) {
        record.games.emplace(static_cast<int>(index), game_record(std::move(game)));
    }
    if (record.games.empty()) {
        throw RecordError(name + ": no whole game in the record" +
                          (record.dropped.empty() ? "" : " (" + records::dropped_text(record.dropped.front()) + ")"));
    }
    return record;
}

}  // namespace

MatchRecord read_record_text(const std::string& text, const std::string& name) {
    records::Record read;
    if (auto error = records::read_record(text, read)) {
        throw RecordError(name + ": " + *error);
    }
    return match_record(std::move(read), name);
}

MatchRecord read_record(const std::string& path) {
    records::Record read;
    if (auto error = records::read_record_file(path, read)) {
        throw RecordError(*error);
    }
    return match_record(std::move(read), path);
}

const Position& played_after(const ShotRecord& shot) {
    return shot.rule_undone ? shot.undone_after : shot.after;
}

std::string undone_note(const ShotRecord& shot) {
    const std::size_t count = shot.restored.size();
    return "free guard zone: undone, " + std::to_string(count) + (count == 1 ? " stone" : " stones") + " put back";
}

void tell_dropped(const MatchRecord& record, const std::string& tool, const std::string& path,
                  std::ostream& out) {
    for (const records::Dropped& dropped : record.dropped) {
        out << tool << ": " << path << ": left out: " << records::dropped_text(dropped) << "\n";
    }
}

const ShotRecord& find_shot(const MatchRecord& record, int game, int end, int shot) {
    const auto found = record.games.find(game);
    for (const records::Dropped& dropped : record.dropped) {
        if (found == record.games.end() && dropped.game == game) {
            throw RecordError("game " + std::to_string(game) + " is left out: " + records::dropped_text(dropped));
        }
    }
    if (found == record.games.end()) {
        throw RecordError("the record has no game " + std::to_string(game) + " (games are " +
                          std::to_string(record.games.begin()->first) + " to " +
                          std::to_string(record.games.rbegin()->first) + ")");
    }
    for (const ShotRecord& candidate : found->second.shots) {
        if (candidate.end == end && candidate.shot == shot) {
            return candidate;
        }
    }
    throw RecordError("game " + std::to_string(game) + " has no shot " + std::to_string(shot) +
                      " in end " + std::to_string(end));
}

int first_side_of_end(const ShotRecord& shot) {
    return shot.shot % 2 == 0 ? shot.side : 1 - shot.side;
}

GAMESTATE state_before(const MatchRecord& record, const GameRecord& game, const ShotRecord& shot) {
    GAMESTATE state{};
    state.shot_number = shot.shot;
    state.current_end = shot.end;
    state.last_end = std::max(record.regular_ends - 1, shot.end);
    state.moving_side = static_cast<std::uint8_t>(shot.side);
    for (const EndRecord& end : game.ends) {
        if (end.end < shot.end) {
            state.end_scores[end.end] = end.score;
        }
    }
    std::copy(shot.position.begin(), shot.position.end(), state.stones);
    return state;
}

std::int64_t clock_before(const MatchRecord& record, const GameRecord& game,
                          const ShotRecord& shot) {
    std::int64_t remaining = record.clock_ms;
    for (const ShotRecord& earlier : game.shots) {
        if (&earlier == &shot) {
            break;
        }
        remaining = earlier.clock_ms[static_cast<std::size_t>(shot.side)];
    }
    return remaining;
}
