#include "view/record_reader.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>

namespace {

using nlohmann::json;

// Larger than any coordinate, speed, clock or score a record can mean, and
// small enough for every conversion the reader makes.
constexpr double BOUND = 1e9;

[[noreturn]] void fail(const std::string& name, std::size_t line, const std::string& what) {
    throw RecordError(name + ":" + std::to_string(line) + ": " + what);
}

// Narrow readers: each names the field it could not use.
struct LineReader {
    const json& object;
    const std::string& name;
    std::size_t line;

    const json& field(const char* key) const {
        const auto found = object.find(key);
        if (found == object.end()) {
            fail(name, line, std::string("no \"") + key + "\"");
        }
        return *found;
    }

    int integer(const char* key) const {
        const json& value = field(key);
        if (!value.is_number_integer() ||
            std::fabs(value.get<double>()) > static_cast<double>(BOUND)) {
            fail(name, line, std::string("\"") + key + "\" is not an integer of a record");
        }
        return value.get<int>();
    }

    double number(const json& value, const char* key) const {
        if (!value.is_number()) {
            fail(name, line, std::string("\"") + key + "\" holds a value that is not a number");
        }
        return value.get<double>();
    }

    // A number a float or an integer can hold; a record with absurd values
    // is refused rather than converted with undefined results.
    double bounded(const json& value, const char* key) const {
        const double v = number(value, key);
        if (!(std::fabs(v) <= BOUND)) {
            fail(name, line, std::string("\"") + key + "\" holds a value out of range");
        }
        return v;
    }

    const json& array(const char* key, std::size_t size) const {
        const json& value = field(key);
        if (!value.is_array() || value.size() != size) {
            fail(name, line,
                 std::string("\"") + key + "\" is not an array of " + std::to_string(size));
        }
        return value;
    }

    Position position(const char* key) const {
        const json& stones = array(key, CURLING_STONES);
        Position out{};
        for (std::size_t k = 0; k < out.size(); ++k) {
            if (!stones[k].is_array() || stones[k].size() != 2) {
                fail(name, line, std::string("\"") + key + "\" stone " + std::to_string(k) +
                                     " is not an [x, y] pair");
            }
            // The record holds the floats exactly, as doubles.
            out[k] = StonePosition{static_cast<float>(bounded(stones[k][0], key)),
                                   static_cast<float>(bounded(stones[k][1], key))};
        }
        return out;
    }

    ShotVector shot_vector(const char* key) const {
        const json& value = array(key, 3);
        return ShotVector{static_cast<float>(bounded(value[0], key)),
                          static_cast<float>(bounded(value[1], key)),
                          static_cast<std::uint8_t>(bounded(value[2], key) != 0 ? 1 : 0)};
    }
};

ShotRecord read_shot(const LineReader& in) {
    ShotRecord shot;
    shot.end = in.integer("end");
    shot.shot = in.integer("shot");
    shot.side = in.integer("side");
    shot.player = in.integer("player");
    if (shot.shot < 0 || shot.shot >= CURLING_STONES || shot.side < 0 || shot.side > 1 ||
        shot.end < 0 || shot.end >= CURLING_MAX_ENDS) {
        fail(in.name, in.line, "shot, side or end out of range");
    }
    shot.position = in.position("position");
    shot.after = in.position("after");
    const json& reply = in.field("reply");
    shot.reply = reply.is_string() ? reply.get<std::string>() : reply.dump();
    shot.shot_vector = in.shot_vector("shot_vector");
    const json& noise = in.array("noise", 2);
    shot.noise = {in.bounded(noise[0], "noise"), in.bounded(noise[1], "noise")};
    shot.delivered = in.shot_vector("delivered");
    shot.think_ms = in.bounded(in.field("think_ms"), "think_ms");
    const json& clock = in.array("clock_ms", 2);
    shot.clock_ms = {static_cast<std::int64_t>(in.bounded(clock[0], "clock_ms")),
                     static_cast<std::int64_t>(in.bounded(clock[1], "clock_ms"))};
    shot.line = in.line;
    return shot;
}

EndRecord read_end(const LineReader& in) {
    EndRecord end;
    end.end = in.integer("end");
    end.score = in.integer("score");
    end.hammer = in.integer("hammer");
    const json& total = in.array("total", 2);
    end.total = {static_cast<int>(in.bounded(total[0], "total")),
                 static_cast<int>(in.bounded(total[1], "total"))};
    return end;
}

void read_match_line(MatchRecord& record, const LineReader& in) {
    record.match = in.object;
    const auto players = in.object.find("players");
    if (players != in.object.end() && players->is_array()) {
        for (std::size_t p = 0; p < 2 && p < players->size(); ++p) {
            const json& player = (*players)[p];
            if (player.is_object() && player.contains("name") && player["name"].is_string()) {
                record.names[p] = player["name"].get<std::string>();
            }
        }
    }
    if (in.object.contains("ends") && in.object["ends"].is_number_integer()) {
        record.regular_ends = static_cast<int>(std::clamp(in.bounded(in.object["ends"], "ends"),
                                                          0.0, static_cast<double>(CURLING_MAX_ENDS)));
    }
    if (in.object.contains("clock_ms") && in.object["clock_ms"].is_number()) {
        record.clock_ms = static_cast<std::int64_t>(in.bounded(in.object["clock_ms"], "clock_ms"));
    }
}

}  // namespace

MatchRecord read_record_text(const std::string& text, const std::string& name) {
    MatchRecord record;
    std::istringstream stream(text);
    std::string content;
    std::size_t line_number = 0;
    while (std::getline(stream, content)) {
        ++line_number;
        if (content.find_first_not_of(" \t\r") == std::string::npos) {
            continue;
        }
        json object;
        try {
            object = json::parse(content);
        } catch (const json::parse_error& error) {
            fail(name, line_number, std::string("not JSON: ") + error.what());
        }
        if (!object.is_object() || !object.contains("type") || !object["type"].is_string()) {
            fail(name, line_number, "not a record line (no \"type\")");
        }
        const LineReader in{object, name, line_number};
        const std::string type = object["type"].get<std::string>();
        if (type == "match") {
            read_match_line(record, in);
        } else if (type == "summary") {
            record.summary = object;
        } else if (type == "shot" || type == "end" || type == "game") {
            const int index = in.integer("game");
            if (index < 0) {
                fail(name, line_number, "negative game number");
            }
            GameRecord& game = record.games[index];
            game.index = index;
            if (type == "shot") {
                game.shots.push_back(read_shot(in));
            } else if (type == "end") {
                game.ends.push_back(read_end(in));
            } else {
                game.result = object;
            }
        }
        // Line types added later are not ours to judge.
    }
    if (record.games.empty()) {
        throw RecordError(name + ": no games in the record");
    }
    for (auto& [index, game] : record.games) {
        std::stable_sort(game.shots.begin(), game.shots.end(),
                         [](const ShotRecord& a, const ShotRecord& b) {
                             return a.end != b.end ? a.end < b.end : a.shot < b.shot;
                         });
        std::stable_sort(game.ends.begin(), game.ends.end(),
                         [](const EndRecord& a, const EndRecord& b) { return a.end < b.end; });
    }
    return record;
}

MatchRecord read_record(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        throw RecordError("cannot read " + path);
    }
    std::ostringstream text;
    text << file.rdbuf();
    if (file.bad()) {
        throw RecordError("cannot read " + path);
    }
    return read_record_text(text.str(), path);
}

const ShotRecord& find_shot(const MatchRecord& record, int game, int end, int shot) {
    const auto found = record.games.find(game);
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
