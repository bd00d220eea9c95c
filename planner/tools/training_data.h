#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "curling_simulator.h"
#include "value_model.h"

// The positions of match records as the value model learns them: every
// position after a stone (1 to 15 thrown) with the score its end really had
// for the team with the hammer.

namespace planner {

struct Position {
    GAMESTATE state{};       // the stones after `thrown` stones; shot_number = thrown
    int thrown = 0;          // 1 to 15
    int hammer_score = 0;    // the end's score for the team with the hammer
    int hammer_player = 0;   // the record's player (1 or 2) with the hammer
    int record = 0;          // index of the record among those read
    int game = 0;            // the game in its record
    int end = 0;             // the end in its game
    int label() const;       // hammer_score clipped to the model's classes, from 0
};

struct Record {
    std::string path;
    std::string names[2];  // the players' names, 1 and 2
    int games = 0;         // finished games read
    // Each finished end: the player (1 or 2) with the hammer and its score.
    std::vector<std::pair<int, int>> ends;
};

struct TrainingData {
    std::vector<Record> records;
    std::vector<Position> positions;
};

// Adds the positions of every finished end of the record at `path`, in the
// order of their games, ends and stones (a record written by several games
// at once holds them in the order they happened to end). False, with the
// reason in `error`, when the file cannot be read as a record.
bool read_positions(const std::string& path, TrainingData& data, std::string& error);

// The end scores of the records whose player 1 is named `planner` and whose
// player 2 is named after a kind of opponent ("self", "engine", "draw"), one
// table per kind in that order: the planner's hammer ends and the
// opponent's apart (pooled in self-play, where both are the planner), each
// score counted once more than it was seen, so that none is impossible.
std::vector<EndScoreTable> end_score_tables(const TrainingData& data, const std::string& planner);

// The value model's inputs for a position, the opponent's set where one of
// the record's players is named `planner` and the other after a kind of
// opponent ("engine", "draw"; any other name is taken for the planner).
ValueInputs position_inputs(const TrainingData& data, const Position& position,
                            const std::string& planner);

// Held-out games: one game pair in `every` (by the record's own pair
// numbers and a seed), so that a model is judged on games it never saw.
bool held_out(const Position& position, std::uint64_t seed, int every);

}  // namespace planner
