#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "curling_simulator.h"

// The value model: from the stones as they lie and the count of stones
// thrown, the chances of each score the end will have for the team with the
// hammer. A small network over every stone's place (each team's stones
// nearest the tee first), the stones still to come and a few counts of the
// position (who lies shot, guards, ...). It is learnt from the planner's
// own games and others' (planner-train), and the look-ahead values the
// positions it reaches by it.
//
// A position and its mirror image across the centre line are worth the
// same: the model is the mean of one network's logits over both, so the
// symmetry holds to the bit, whatever the weights.

namespace planner {

// End scores for the team with the hammer, VALUE_LOW to VALUE_HIGH (clipped).
inline constexpr int VALUE_LOW = -4;
inline constexpr int VALUE_HIGH = 6;
inline constexpr int VALUE_CLASSES = VALUE_HIGH - VALUE_LOW + 1;

// Per team, the stones nearest the tee first: present, across (mirrored
// with the position), along, distance, in units of the house's radius.
inline constexpr int VALUE_SLOTS = 8;
inline constexpr int VALUE_SLOT_INPUTS = 4;
inline constexpr int VALUE_STONE_INPUTS = 2 * VALUE_SLOTS * VALUE_SLOT_INPUTS;
// Then the count of stones thrown (one of 16), then the counts of the
// position (mirror-free).
inline constexpr int VALUE_THROWN_INPUTS = CURLING_STONES;
inline constexpr int VALUE_COUNT_INPUTS = 19;
// The inputs of a model of version 1, which knows no opponents.
inline constexpr int VALUE_POSITION_INPUTS =
    VALUE_STONE_INPUTS + VALUE_THROWN_INPUTS + VALUE_COUNT_INPUTS;
// Then who plays the planner's games, where they tell: for each kind of
// opponent other than the planner itself (1 the engine, 2 the draw
// player, as the planner's opponent models number them), one input set
// while that opponent has the hammer and one while the planner has it. All
// zero is the planner against itself. The same stones lead to other ends
// against another player, and self-play alone cannot show that.
inline constexpr int VALUE_OPPONENT_KINDS = 3;  // self, engine, draw
inline constexpr int VALUE_OPPONENT_INPUTS = 2 * (VALUE_OPPONENT_KINDS - 1);
inline constexpr int VALUE_INPUTS = VALUE_POSITION_INPUTS + VALUE_OPPONENT_INPUTS;

using ValueInputs = std::array<float, VALUE_INPUTS>;
using ValueChances = std::array<double, VALUE_CLASSES>;

// Whether input i changes sign in the mirror image (the stones' across).
bool mirrored_input(int i);

// The inputs of the position with `thrown` stones thrown (0 to 15): stones
// of odd index belong to the team with the hammer.
ValueInputs value_inputs(const GAMESTATE& state, int thrown);

// The same inputs seen in the mirror.
ValueInputs mirror_inputs(const ValueInputs& inputs);

// Sets the opponent inputs of `inputs`: `opponent` is 0 (the planner
// itself: none set) or the kind of the team the planner plays.
void set_opponent(ValueInputs& inputs, int opponent, bool opponent_hammer);

// How the ends of the games the model learnt from went against one kind of
// opponent ("self", "engine", "draw"): the chance of each score of an end,
// -8 to 8 for the team with the hammer, in the planner's hammer ends and in
// the opponent's. The win tables are built from them.
inline constexpr int END_SCORE_RANGE = 8;
using EndScoreChances = std::array<double, 2 * END_SCORE_RANGE + 1>;
struct EndScoreTable {
    std::string opponent;
    EndScoreChances own_hammer{};
    EndScoreChances other_hammer{};
};

// One fully connected network: inputs, hidden layers with a rectifier, and
// VALUE_CLASSES logits. Layer l maps sizes[l] to sizes[l + 1]; its weights
// are row major (one row per output) followed by its biases.
struct ValueNet {
    std::vector<int> sizes;
    std::vector<std::vector<float>> weights;
    std::vector<std::vector<float>> biases;
    std::vector<std::string> header;  // what made it: commit, seeds, games, report
    std::vector<EndScoreTable> end_scores;  // by opponent, from the same games
    // The weights input by input (each layer's transpose), which is how
    // value_chances reads them; made by prepare().
    std::vector<std::vector<float>> columns;
    // Whether any opponent input has a weight (prepare() tells): a model
    // that knows no opponents is valued once for all of them.
    bool knows_opponents = false;

    bool empty() const { return sizes.empty(); }
    std::size_t parameters() const;
    // Fills `columns` from `weights`; needed after the weights change.
    void prepare();
};

// A network of the given hidden sizes (at most VALUE_MAX_UNITS each), every
// weight zero.
inline constexpr int VALUE_MAX_UNITS = 512;
ValueNet zero_value_net(const std::vector<int>& hidden);

// The model's chances: the softmax of the mean of the logits of the
// position and of its mirror.
ValueChances value_chances(const ValueNet& net, const ValueInputs& inputs);
ValueChances value_chances(const ValueNet& net, const GAMESTATE& state, int thrown);

// The chances against each kind of opponent (index as in set_opponent) of
// a position whose inputs have no opponent set: the same as value_chances
// with each opponent set, for about half the work of three.
using ChancesByOpponent = std::array<ValueChances, VALUE_OPPONENT_KINDS>;
ChancesByOpponent value_chances_by_opponent(const ValueNet& net, const ValueInputs& inputs,
                                            bool opponent_hammer);

// The file form: '#' lines (the header), then "curling-value-model 2", the
// sizes, and every weight and bias as text that reads back to the same
// float (version 1, without the opponent inputs, reads as a model whose
// opponent inputs weigh nothing); then, for each table of end scores, "end-scores NAME" and its 34
// chances (the planner's hammer ends, then the opponent's). '#' lines alone
// are no model (the counts model plays). Parsing refuses anything else,
// saying what and where.
std::string format_value_net(const ValueNet& net);
bool parse_value_net(const std::string& text, ValueNet& net, std::string& error);

// Reads a model file; false with the reason when it cannot be read or parsed.
bool read_value_net(const std::string& path, ValueNet& net, std::string& error);

// The model the player ships for games under `rule` (the library's
// CURLING_RULE_*): planner/data/value_model_five_rock.txt under the
// five-rock rule when that file holds a model, else
// planner/data/value_model.txt, whose games had no rule.
const ValueNet& shipped_value_net(int rule = CURLING_RULE_NONE);

}  // namespace planner
