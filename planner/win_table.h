#pragma once

#include <array>
#include <vector>

namespace planner {

// Probability of winning the game from the start of an end, by backward
// recursion over the ends from the distribution of one end's score.
//
// An end's score is counted for the team with the hammer: k > 0 it scored k,
// k < 0 the other team stole -k, 0 a blank. The team that scores throws
// first next end (the other gets the hammer); a blank keeps the hammer.
// After the last regular end the leader wins; a tie plays extra ends while
// fewer than CURLING_MAX_ENDS ends have been played, then it is a draw.
inline constexpr int MAX_END_SCORE = 8;
inline constexpr int END_SCORE_VALUES = 2 * MAX_END_SCORE + 1;
using EndScoreDistribution = std::array<double, END_SCORE_VALUES>;  // index k + 8

// The distribution the planner ships (planner/data/end_scores.inc).
EndScoreDistribution shipped_end_scores();

// The ends of a game seen from one team: the score when it has the hammer
// and the score when the other team has it (both counted for the team with
// the hammer). Two players rarely convert the hammer alike.
struct EndScoreModel {
    EndScoreDistribution own_hammer;
    EndScoreDistribution other_hammer;
    int opponent = 0;  // the kind of opponent, as the value model's inputs name it
};

// Self-play: both teams convert the hammer as the shipped distribution says.
EndScoreModel self_end_scores();

// Fitted to games against curling-engine (planner/data/end_scores_engine.inc).
EndScoreModel engine_end_scores();
// Fitted to games against curling-draw-player (planner/data/end_scores_draw.inc).
EndScoreModel draw_end_scores();

struct GameOutlook {
    double win = 0.0;
    double draw = 0.0;
    double value() const { return win + 0.5 * draw; }
};

class WinTable {
public:
    // Both teams convert the hammer alike.
    explicit WinTable(const EndScoreDistribution& end_scores);
    explicit WinTable(const EndScoreModel& model);

    // Outlook for a team that leads by `lead` (negative when behind) before
    // end `end` (from 0) of a game whose last regular end is `last_end`, with
    // or without the hammer in that end.
    GameOutlook at(int lead, int end, int last_end, bool hammer) const;

    // Value of finishing end `end` with `end_score` for a team that leads by
    // `lead` before it and had the hammer in it or not.
    double after_end(int lead, int end, int last_end, bool hammer, int end_score) const;

    // The distributions the table was built from, normalized.
    const EndScoreModel& model() const { return model_; }

private:
    static constexpr int LEAD_LIMIT = 40;
    static constexpr int LEADS = 2 * LEAD_LIMIT + 1;
    static constexpr int ENDS = 11;  // ends 0..10: 10 means all ten played
    static int slot(int last_end, int end, int lead, bool hammer);

    EndScoreModel model_;
    std::vector<GameOutlook> table_;  // [last_end][end][lead][hammer]
};

}  // namespace planner
