#include "training_data.h"

#include <algorithm>
#include <map>
#include <tuple>
#include <nlohmann/json.hpp>

#include "opponent.h"
#include "random.h"
#include "record_entries.h"

namespace planner {

int Position::label() const { return std::clamp(hammer_score, VALUE_LOW, VALUE_HIGH) - VALUE_LOW; }

namespace {

GAMESTATE stones_of(const nlohmann::json& stones, int thrown) {
    GAMESTATE state{};
    for (int k = 0; k < CURLING_STONES; ++k) {
        state.stones[k].x = stones.at(k).at(0).get<float>();
        state.stones[k].y = stones.at(k).at(1).get<float>();
    }
    state.shot_number = thrown;
    return state;
}

}  // namespace

bool read_positions(const std::string& path, TrainingData& data, std::string& error) {
    Record record;
    record.path = path;
    const int index = static_cast<int>(data.records.size());
    // The positions of each end until its score is known, by (game, end).
    std::map<std::pair<int, int>, std::vector<Position>> pending;
    std::vector<Position> read;
    bool is_record = false;
    const bool readable = for_each_entry(path, "planner-train", [&](const nlohmann::json& entry) {
        const std::string type = entry.value("type", "");
        if (type == "match") {
            is_record = true;
            const nlohmann::json& players = entry.at("players");
            for (std::size_t p = 0; p < 2 && p < players.size(); ++p) {
                record.names[p] = players[p].value("name", "");
            }
        } else if (type == "shot") {
            const int thrown = entry.at("shot").get<int>() + 1;
            if (thrown < CURLING_STONES) {
                Position position;
                position.state = stones_of(entry.at("after"), thrown);
                position.thrown = thrown;
                position.record = index;
                position.game = entry.at("game").get<int>();
                position.end = entry.at("end").get<int>();
                pending[{position.game, position.end}].push_back(position);
            }
        } else if (type == "end") {
            const auto found = pending.find({entry.at("game").get<int>(), entry.at("end").get<int>()});
            if (found != pending.end()) {
                const int hammer = entry.at("hammer").get<int>();
                const int score = entry.at("score").get<int>();  // for player 1
                record.ends.emplace_back(hammer, hammer == 1 ? score : -score);
                for (Position& position : found->second) {
                    position.hammer_player = hammer;
                    position.hammer_score = hammer == 1 ? score : -score;
                    read.push_back(position);
                }
                pending.erase(found);
            }
        } else if (type == "game") {
            ++record.games;
        }
        return true;
    });
    if (!readable) {
        error = "cannot read " + path;
        return false;
    }
    if (!is_record) {
        error = path + " is not a match record";
        return false;
    }
    std::stable_sort(read.begin(), read.end(), [](const Position& a, const Position& b) {
        return std::tie(a.game, a.end, a.thrown) < std::tie(b.game, b.end, b.thrown);
    });
    data.records.push_back(record);
    data.positions.insert(data.positions.end(), read.begin(), read.end());
    return true;
}

std::vector<EndScoreTable> end_score_tables(const TrainingData& data, const std::string& planner) {
    std::vector<EndScoreTable> tables;
    for (const char* opponent : {"self", "engine", "draw"}) {
        std::array<long, 2 * END_SCORE_RANGE + 1> counts[2] = {};
        bool seen = false;
        for (const Record& record : data.records) {
            if (record.names[0] != planner || record.names[1] != opponent) {
                continue;
            }
            seen = true;
            for (const auto& [hammer, score] : record.ends) {
                const int side = std::string(opponent) == "self" || hammer == 1 ? 0 : 1;
                ++counts[side][static_cast<std::size_t>(
                    std::clamp(score, -END_SCORE_RANGE, END_SCORE_RANGE) + END_SCORE_RANGE)];
            }
        }
        if (!seen) {
            continue;
        }
        if (std::string(opponent) == "self") {
            counts[1] = counts[0];
        }
        EndScoreTable table;
        table.opponent = opponent;
        EndScoreChances* sides[2] = {&table.own_hammer, &table.other_hammer};
        for (int side = 0; side < 2; ++side) {
            double total = 0.0;
            for (long count : counts[side]) {
                total += static_cast<double>(count + 1);
            }
            for (std::size_t k = 0; k < counts[side].size(); ++k) {
                (*sides[side])[k] = static_cast<double>(counts[side][k] + 1) / total;
            }
        }
        tables.push_back(table);
    }
    return tables;
}

ValueInputs position_inputs(const TrainingData& data, const Position& position,
                            const std::string& planner) {
    ValueInputs inputs = value_inputs(position.state, position.thrown);
    const Record& record = data.records[static_cast<std::size_t>(position.record)];
    for (int side = 0; side < 2; ++side) {
        if (record.names[side] == planner) {
            const int other = 1 - side;
            set_opponent(inputs, static_cast<int>(opponent_index(record.names[other])),
                         position.hammer_player == other + 1);
            break;
        }
    }
    return inputs;
}

bool held_out(const Position& position, std::uint64_t seed, int every) {
    if (every <= 0) {
        return false;
    }
    const auto pair = static_cast<std::uint64_t>(position.game / 2);
    const std::uint64_t key = mix_seed(mix_seed(seed, static_cast<std::uint64_t>(position.record)), pair);
    return key % static_cast<std::uint64_t>(every) == 0;
}

}  // namespace planner
