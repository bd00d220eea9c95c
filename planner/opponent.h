#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "value_model.h"
#include "win_table.h"

namespace planner {

// One end already played, as the planner saw it.
struct PastEnd {
    bool my_hammer = false;
    int hammer_score = 0;  // for the team with the hammer, as in EndScoreDistribution
};

// The kinds of opponent the planner knows, each by how both teams convert
// the hammer against it, and a win table for each. Opponents differ far
// more in this than one table can carry (the engine scores three or more in
// a quarter of its hammer ends, the draw player is stolen from in most), and
// a game's first ends already tell them apart; so an end's outcome is valued
// by every table, weighed by how well its model explains the ends so far.
class OpponentModels {
public:
    // Equally likely before any end is seen.
    explicit OpponentModels(const std::vector<EndScoreModel>& models);

    const WinTable& table(std::size_t model) const { return tables_[model]; }

    // The weight of each model after the ends played (they sum to 1).
    std::vector<double> belief(const std::vector<PastEnd>& ends) const;

    // The chance model `model` gives an end's score (for the team with the
    // hammer) when the player has the hammer or not, as the belief weighs
    // it: the model's own chance, mixed with an even chance of every legal
    // score, so that no end an opponent outside the models plays settles
    // the belief at once.
    double end_chance(std::size_t model, bool my_hammer, int hammer_score) const;

    // WinTable::after_end of each model, weighed by `belief`.
    double after_end(const std::vector<double>& belief, int lead, int end, int last_end,
                     bool hammer, int end_score) const;

    // The same for an end whose score is not known yet but has, against
    // each kind of opponent, the chances the value model gives it: each
    // model's outlook from the chances against its own kind.
    double after_end(const std::vector<double>& belief, const ChancesByOpponent& chances, int lead,
                     int end, int last_end, bool hammer) const;

private:
    std::vector<WinTable> tables_;  // each keeps its model
};

// The known opponents: self-play, curling-engine and curling-draw-player,
// as the model counted their games' ends (its tables of end scores), else as
// the planner's own tables did.
std::vector<EndScoreModel> known_opponents(const ValueNet* model = nullptr);

// The place of "self", "engine" or "draw" among the known opponents.
std::size_t opponent_index(const std::string& name);

}  // namespace planner
