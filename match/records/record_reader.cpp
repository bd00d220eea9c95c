#include "match/records/record_reader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <limits>
#include <sstream>

#include "match/records/free_guard_zone.h"
#include "match/records/game_check.h"

namespace records {

namespace {

using nlohmann::json;

// Whether `line` opens more than `limit` arrays and objects inside each
// other: the parser would follow them all, and so would every copy.
bool nested_deeper_than(std::string_view line, int limit) {
    int depth = 0;
    bool in_text = false;
    bool escaped = false;
    for (const char c : line) {
        if (in_text) {
            if (escaped) {
                escaped = false;
            } else if (c == '\\') {
                escaped = true;
            } else if (c == '"') {
                in_text = false;
            }
        } else if (c == '"') {
            in_text = true;
        } else if (c == '[' || c == '{') {
            if (++depth > limit) {
                return true;
            }
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return false;
}

// The line as a record line (an object with a text "type"), or why not.
std::optional<std::string> parse_line(std::string_view text, json& line) {
    if (text.size() > MAX_LINE_BYTES) {
        return "it is longer than " + std::to_string(MAX_LINE_BYTES) + " bytes";
    }
    if (nested_deeper_than(text, MAX_NESTING)) {
        return "it nests more than " + std::to_string(MAX_NESTING) + " levels deep";
    }
    line = json::parse(text, nullptr, false);
    if (line.is_discarded()) {
        return std::string("it is not JSON");
    }
    if (!line.is_object() || !line.contains("type") || !line["type"].is_string()) {
        return std::string("it is not a record line (an object with a \"type\")");
    }
    return std::nullopt;
}

std::optional<std::string> whole_field(const json& object, const char* key, std::int64_t low, std::int64_t high,
                                       std::int64_t& value) {
    const auto found = object.find(key);
    const auto number = found == object.end() ? std::nullopt : whole_number(*found, low, high);
    if (!number) {
        return std::string(key) + " is not a whole number from " + std::to_string(low) + " to " +
               std::to_string(high);
    }
    value = *number;
    return std::nullopt;
}

std::optional<std::string> read_header(const json& line, std::string_view text, Header& header) {
    if (line.value("type", "") != "match") {
        return std::string("it is not a match header");
    }
    constexpr std::int64_t MAX_INT = std::numeric_limits<int>::max();
    std::int64_t ends = 0;
    for (auto error : {whole_field(line, "games", 1, MAX_INT, header.games),
                       whole_field(line, "ends", 1, CURLING_MAX_ENDS, ends),
                       whole_field(line, "clock_ms", 1, MAX_RECORD_CLOCK_MS, header.clock_ms)}) {
        if (error) {
            return error;
        }
    }
    header.ends = static_cast<int>(ends);
    const auto players = line.find("players");
    if (players == line.end() || !players->is_array() || players->size() != 2) {
        return std::string("players is not a list of two");
    }
    for (std::size_t p = 0; p < 2; ++p) {
        const json& player = (*players)[p];
        if (!player.is_object() || !player.contains("name") || !player["name"].is_string()) {
            return "player " + std::to_string(p + 1) + " has no name";
        }
        header.names[p] = player["name"].get<std::string>();
    }
    if (const auto shard = line.find("shard"); shard != line.end()) {
        if (!shard->is_object()) {
            return std::string("shard is not an object");
        }
        if (auto error = whole_field(*shard, "count", 1, MAX_INT, header.shard_count)) {
            return "shard: " + *error;
        }
        if (auto error = whole_field(*shard, "index", 0, header.shard_count - 1, header.shard_index)) {
            return "shard: " + *error;
        }
    }
    if (const auto rule = line.find("rule"); rule != line.end()) {
        const auto known = rule->is_string() ? rule_from_name(rule->get<std::string>()) : std::nullopt;
        if (!known) {
            return std::string("rule is not one of ") + RULE_ACCEPTS;
        }
        header.rule = *known;
    }
    header.json = line;
    header.text = std::string(text);
    return std::nullopt;
}

// A game being read: checked line by line until its game line.
struct GameInProgress {
    GameInProgress(std::int64_t index, int regular_ends, int rule) : check(index, regular_ends, rule) {
        game.index = index;
    }
    RecordedGame game;
    GameCheck check;
    std::size_t last_line = 0;
    bool broken = false;  // a fault left it out; its later lines are not looked at
};

class Reader {
public:
    Reader(Record& record, ReadOptions options) : record_(record), options_(options) {}

    void line(std::size_t number, std::string_view text);
    void cut_short(std::size_t number) {
        record_.dropped.push_back(
            {DropKind::CUT_SHORT, number, std::nullopt, "it is cut short (no line end) and left out"});
    }
    void finish();

private:
    void fault(std::size_t number, std::optional<std::int64_t> game, const std::string& reason) {
        record_.dropped.push_back({DropKind::FAULT, number, game, reason});
    }
    void game_line(std::size_t number, std::string_view text, const json& line, const std::string& type);
    std::optional<std::string> take(GameInProgress& game, std::size_t number, const json& line,
                                    const std::string& type);

    Record& record_;
    ReadOptions options_;
    std::map<std::int64_t, GameInProgress> open_;
};

void Reader::line(std::size_t number, std::string_view text) {
    if (text.find_first_not_of(" \t\r") == std::string_view::npos) {
        return;
    }
    json line;
    if (auto error = parse_line(text, line)) {
        fault(number, std::nullopt, *error);
        return;
    }
    const std::string type = line["type"].get<std::string>();
    if (type == "summary") {
        record_.summary = std::move(line);
    } else if (type == "shot" || type == "end" || type == "game") {
        game_line(number, text, line, type);
    } else if (type == "match") {
        fault(number, std::nullopt, "a second match header");
    } else {
        fault(number, std::nullopt, "unknown line type " + json(type).dump());
    }
}

std::optional<std::string> Reader::take(GameInProgress& game, std::size_t number, const json& line,
                                        const std::string& type) {
    if (type == "shot") {
        ShotLine shot;
        auto error = read_shot(line, shot);
        shot.line = number;
        error = error ? error : game.check.shot(shot);
        game.game.shots.push_back(std::move(shot));
        return error;
    }
    if (type == "end") {
        EndLine end;
        auto error = read_end(line, end);
        error = error ? error : game.check.end(end);
        game.game.ends.push_back(end);
        return error;
    }
    auto error = read_game(line, game.game.result);
    return error ? error : game.check.game(game.game.result);
}

void Reader::game_line(std::size_t number, std::string_view text, const json& line, const std::string& type) {
    const auto index = line.find("game");
    if (index == line.end() || !index->is_number_integer() || *index < 0 || *index >= record_.header.games) {
        fault(number, std::nullopt,
              "it (" + type + ") is of no game of the match's " + std::to_string(record_.header.games));
        return;
    }
    const std::int64_t game_index = index->get<std::int64_t>();
    GameInProgress& game = open_.try_emplace(game_index, game_index, record_.header.ends, record_.header.rule).first->second;
    if (game.broken) {
        return;
    }
    game.last_line = number;
    if (game.check.finished()) {
        fault(number, game_index, "game " + std::to_string(game_index) + " goes on after its game line");
        game.broken = true;
        return;
    }
    if (auto error = take(game, number, line, type)) {
        fault(number, game_index, "game " + std::to_string(game_index) + ": " + *error);
        game.broken = true;
        return;
    }
    if (options_.keep_lines) {
        game.game.lines.emplace_back(number, std::string(text));
    }
}

void Reader::finish() {
    for (auto& [index, game] : open_) {
        if (game.broken) {
            continue;
        }
        if (!game.check.finished()) {
            record_.dropped.push_back({DropKind::UNFINISHED, game.last_line, index,
                                       "no game line follows (the game is not finished)"});
            continue;
        }
        record_.games.emplace(index, std::move(game.game));
    }
    open_.clear();
    std::stable_sort(record_.dropped.begin(), record_.dropped.end(),
                     [](const Dropped& a, const Dropped& b) { return a.line < b.line; });
}

}  // namespace

std::string dropped_text(const Dropped& dropped) {
    std::string text = "line " + std::to_string(dropped.line) + ": " + dropped.reason;
    if (dropped.game) {
        text += "; game " + std::to_string(*dropped.game) + " is left out";
    }
    return text;
}

const Dropped* Record::first_fault() const {
    for (const Dropped& dropped : this->dropped) {
        if (dropped.kind == DropKind::FAULT) {
            return &dropped;
        }
    }
    return nullptr;
}

std::optional<std::string> read_record(std::string_view text, Record& record, ReadOptions options) {
    record = Record{};
    Reader reader(record, options);
    std::size_t number = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        ++number;
        const std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            if (number == 1) {
                break;
            }
            reader.cut_short(number);
            break;
        }
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (number > 1) {
            reader.line(number, line);
            continue;
        }
        json header;
        if (auto error = parse_line(line, header)) {
            return "line 1 is not a match header: " + *error;
        }
        if (auto error = read_header(header, line, record.header)) {
            return "line 1 is not a usable match header: " + *error;
        }
    }
    if (number == 0 || record.header.games == 0) {
        return std::string("it holds no whole line");
    }
    reader.finish();
    return std::nullopt;
}

std::vector<const std::string*> lines_in_written_order(const std::map<std::int64_t, RecordedGame>& games) {
    std::vector<const std::pair<std::size_t, std::string>*> numbered;
    for (const auto& [index, game] : games) {
        for (const auto& line : game.lines) {
            numbered.push_back(&line);
        }
    }
    std::sort(numbered.begin(), numbered.end(), [](const auto* a, const auto* b) { return a->first < b->first; });
    std::vector<const std::string*> lines;
    for (const auto* line : numbered) {
        lines.push_back(&line->second);
    }
    return lines;
}

std::optional<std::string> read_record_file(const std::string& path, Record& record, ReadOptions options) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return "cannot read " + path + ": " + std::strerror(errno);
    }
    std::ostringstream text;
    text << file.rdbuf();
    if (file.bad()) {
        return "cannot read " + path;
    }
    if (auto error = read_record(text.str(), record, options)) {
        return path + ": " + *error;
    }
    return std::nullopt;
}

}  // namespace records
