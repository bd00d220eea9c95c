#include "match/records/record_lines.h"

#include <cmath>
#include <limits>

namespace records {

namespace {

using nlohmann::json;

// Larger than any coordinate, speed or think time a record can mean, and
// small enough for every conversion made from it.
constexpr double BOUND = 1e9;
constexpr int MAX_TOTAL = MAX_END_SCORE * CURLING_MAX_ENDS;

json stones_json(const Stones& stones) {
    json out = json::array();
    for (const StonePosition& stone : stones) {
        out.push_back({static_cast<double>(stone.x), static_cast<double>(stone.y)});
    }
    return out;
}

json vector_json(const ShotVector& shot) {
    return {static_cast<double>(shot.vx), static_cast<double>(shot.vy), static_cast<int>(shot.spin)};
}

json player_or_null(const std::optional<int>& player) { return player ? json(*player) : json(nullptr); }

// What is wrong with a field, thrown to the line's reader.
struct Fault {
    std::string what;
};

// Narrow accessors: each names the field it could not use.
class Fields {
public:
    explicit Fields(const json& line) : line_(line) {}

    bool has(const char* key) const { return line_.contains(key); }

    const json& field(const char* key) const {
        const auto found = line_.find(key);
        if (found == line_.end()) {
            throw Fault{std::string("no \"") + key + "\""};
        }
        return *found;
    }

    static std::int64_t whole(const json& value, const char* key, std::int64_t low, std::int64_t high) {
        const auto number = whole_number(value, low, high);
        if (!number) {
            throw Fault{std::string("\"") + key + "\" is not a whole number from " + std::to_string(low) +
                        " to " + std::to_string(high)};
        }
        return *number;
    }
    int integer(const char* key, int low, int high) const {
        return static_cast<int>(whole(field(key), key, low, high));
    }

    static double real(const json& value, const char* key, double low, double high) {
        if (!value.is_number() || !(value.get<double>() >= low && value.get<double>() <= high)) {
            throw Fault{std::string("\"") + key + "\" holds a value that is not a number of a record"};
        }
        return value.get<double>();
    }

    const json& array(const char* key, std::size_t low, std::size_t high) const {
        const json& value = field(key);
        if (!value.is_array() || value.size() < low || value.size() > high) {
            throw Fault{std::string("\"") + key + "\" is not an array of " + std::to_string(low) +
                        (high > low ? " to " + std::to_string(high) : "")};
        }
        return value;
    }

    std::string text(const char* key) const {
        const json& value = field(key);
        if (!value.is_string()) {
            throw Fault{std::string("\"") + key + "\" is not a text"};
        }
        return value.get<std::string>();
    }

    std::optional<int> player_or_none(const char* key) const {
        const json& value = field(key);
        if (value.is_null()) {
            return std::nullopt;
        }
        return static_cast<int>(whole(value, key, 1, 2));
    }

    Stones stones(const char* key) const {
        const json& value = array(key, CURLING_STONES, CURLING_STONES);
        Stones out{};
        for (std::size_t k = 0; k < out.size(); ++k) {
            if (!value[k].is_array() || value[k].size() != 2) {
                throw Fault{std::string("\"") + key + "\" stone " + std::to_string(k) +
                            " is not an [x, y] pair"};
            }
            // The record holds the floats exactly, as doubles.
            out[k] = StonePosition{static_cast<float>(real(value[k][0], key, -BOUND, BOUND)),
                                   static_cast<float>(real(value[k][1], key, -BOUND, BOUND))};
        }
        return out;
    }

    ShotVector shot_vector(const char* key) const {
        const json& value = array(key, 3, 3);
        return ShotVector{static_cast<float>(real(value[0], key, -BOUND, BOUND)),
                          static_cast<float>(real(value[1], key, -BOUND, BOUND)),
                          static_cast<std::uint8_t>(whole(value[2], key, 0, 1))};
    }

private:
    const json& line_;
};

bool same_stone(StonePosition a, StonePosition b) { return a.x == b.x && a.y == b.y; }

// The rule's fields of a shot, and what they must agree with: the rule puts
// every other stone back as it lay and removes the thrown one, and the
// stones it restored are those the shot had moved.
void read_undone(const Fields& in, ShotLine& shot) {
    shot.rule_undone = false;
    shot.restored.clear();
    if (!in.has("rule_undone")) {
        return;
    }
    const json& undone = in.field("rule_undone");
    if (!undone.is_boolean()) {
        throw Fault{"\"rule_undone\" is not true or false"};
    }
    shot.rule_undone = undone.get<bool>();
    if (!shot.rule_undone) {
        return;
    }
    shot.undone_after = in.stones("undone_after");
    std::vector<int> moved;
    for (int k = 0; k < CURLING_STONES; ++k) {
        const auto slot = static_cast<std::size_t>(k);
        if (k == shot.shot) {
            if (!same_stone(shot.after[slot], StonePosition{0.0f, 0.0f})) {
                throw Fault{"the rule undid the shot but the thrown stone is still in \"after\""};
            }
        } else if (!same_stone(shot.after[slot], shot.position[slot])) {
            throw Fault{"the rule undid the shot but stone " + std::to_string(k) + " of \"after\" is not where it was"};
        } else if (!same_stone(shot.undone_after[slot], shot.position[slot])) {
            moved.push_back(k);
        }
    }
    for (const json& slot : in.array("restored", 1, CURLING_STONES)) {
        shot.restored.push_back(static_cast<int>(Fields::whole(slot, "restored", 0, CURLING_STONES - 1)));
    }
    if (shot.restored != moved) {
        throw Fault{"\"restored\" is not the stones the shot moved, in order"};
    }
}

template <typename Read>
std::optional<std::string> guarded(const json& line, const char* type, Read read) {
    if (!line.is_object() || line.value("type", json()) != type) {
        return std::string("not a ") + type + " line";
    }
    try {
        read(Fields(line));
    } catch (const Fault& fault) {
        return fault.what;
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::int64_t> whole_number(const nlohmann::json& value, std::int64_t low, std::int64_t high) {
    if (value.is_number_unsigned()) {
        const std::uint64_t u = value.get<std::uint64_t>();
        if (u > static_cast<std::uint64_t>(high) || (low > 0 && u < static_cast<std::uint64_t>(low))) {
            return std::nullopt;
        }
        return static_cast<std::int64_t>(u);
    }
    if (!value.is_number_integer() || value.get<std::int64_t>() < low || value.get<std::int64_t>() > high) {
        return std::nullopt;
    }
    return value.get<std::int64_t>();
}

nlohmann::json shot_json(const ShotLine& shot) {
    json line = {{"type", "shot"},
            {"game", shot.game},
            {"end", shot.end},
            {"shot", shot.shot},
            {"side", shot.side},
            {"player", shot.player},
            {"position", stones_json(shot.position)},
            {"reply", shot.reply},
            {"shot_vector", vector_json(shot.shot_vector)},
            {"noise", {shot.noise[0], shot.noise[1]}},
            {"delivered", vector_json(shot.delivered)},
            {"after", stones_json(shot.after)},
            {"think_ms", shot.think_ms},
            {"clock_ms", {shot.clock_ms[0], shot.clock_ms[1]}}};
    // Only on the shots the rule undid: a record without any reads as before.
    if (shot.rule_undone) {
        line["rule_undone"] = true;
        line["restored"] = shot.restored;
        line["undone_after"] = stones_json(shot.undone_after);
    }
    return line;
}

nlohmann::json end_json(const EndLine& end) {
    return {{"type", "end"},
            {"game", end.game},
            {"end", end.end},
            {"score", end.score},
            {"hammer", end.hammer},
            {"total", {end.total[0], end.total[1]}}};
}

nlohmann::json game_json(const GameLine& game) {
    return {{"type", "game"},
            {"game", game.game},
            {"score", {game.score[0], game.score[1]}},
            {"winner", player_or_null(game.winner)},
            {"ending", ending_name(game.ending)},
            {"player", player_or_null(game.player)},
            {"detail", game.detail},
            {"first_hammer", game.first_hammer},
            {"end_scores", game.end_scores}};
}

std::optional<std::string> read_shot(const nlohmann::json& line, ShotLine& shot) {
    return guarded(line, "shot", [&shot](const Fields& in) {
        shot.game = in.integer("game", 0, std::numeric_limits<int>::max());
        shot.end = in.integer("end", 0, CURLING_MAX_ENDS - 1);
        shot.shot = in.integer("shot", 0, CURLING_STONES - 1);
        shot.side = in.integer("side", 0, 1);
        shot.player = in.integer("player", 1, 2);
        shot.position = in.stones("position");
        shot.reply = in.text("reply");
        shot.shot_vector = in.shot_vector("shot_vector");
        const json& noise = in.array("noise", 2, 2);
        shot.noise = {Fields::real(noise[0], "noise", -BOUND, BOUND), Fields::real(noise[1], "noise", -BOUND, BOUND)};
        shot.delivered = in.shot_vector("delivered");
        shot.after = in.stones("after");
        shot.think_ms = Fields::real(in.field("think_ms"), "think_ms", 0.0, BOUND);
        const json& clock = in.array("clock_ms", 2, 2);
        shot.clock_ms = {Fields::whole(clock[0], "clock_ms", 0, MAX_RECORD_CLOCK_MS),
                         Fields::whole(clock[1], "clock_ms", 0, MAX_RECORD_CLOCK_MS)};
        read_undone(in, shot);
    });
}

std::optional<std::string> read_end(const nlohmann::json& line, EndLine& end) {
    return guarded(line, "end", [&end](const Fields& in) {
        end.game = in.integer("game", 0, std::numeric_limits<int>::max());
        end.end = in.integer("end", 0, CURLING_MAX_ENDS - 1);
        end.score = in.integer("score", -MAX_END_SCORE, MAX_END_SCORE);
        end.hammer = in.integer("hammer", 1, 2);
        const json& total = in.array("total", 2, 2);
        end.total = {static_cast<int>(Fields::whole(total[0], "total", 0, MAX_TOTAL)),
                     static_cast<int>(Fields::whole(total[1], "total", 0, MAX_TOTAL))};
    });
}

std::optional<std::string> read_game(const nlohmann::json& line, GameLine& game) {
    return guarded(line, "game", [&game](const Fields& in) {
        game.game = in.integer("game", 0, std::numeric_limits<int>::max());
        const json& score = in.array("score", 2, 2);
        game.score = {static_cast<int>(Fields::whole(score[0], "score", 0, MAX_TOTAL)),
                      static_cast<int>(Fields::whole(score[1], "score", 0, MAX_TOTAL))};
        game.winner = in.player_or_none("winner");
        const std::string ending = in.text("ending");
        const auto known = ending_from_name(ending.c_str());
        if (!known) {
            throw Fault{"\"ending\" is not one of the endings: " + json(ending).dump()};
        }
        game.ending = *known;
        game.player = in.player_or_none("player");
        game.detail = in.text("detail");
        game.first_hammer = in.integer("first_hammer", 1, 2);
        game.end_scores.clear();
        for (const json& score_of_end : in.array("end_scores", 0, CURLING_MAX_ENDS)) {
            game.end_scores.push_back(
                static_cast<int>(Fields::whole(score_of_end, "end_scores", -MAX_END_SCORE, MAX_END_SCORE)));
        }
    });
}

}  // namespace records
