// The win table values the end of every sampled end: an error here turns
// every decision toward the wrong side.
#include <gtest/gtest.h>

#include "win_table.h"

namespace {

using namespace planner;

struct GamePoint {
    int end;
    int last_end;
};

// Regular ends, the last regular end, and extra ends (the game of 8 ends is
// in its 9th and 10th).
const GamePoint POINTS[] = {{0, 7}, {3, 7}, {7, 7}, {8, 8}, {9, 9}, {0, 9}, {5, 5}};

TEST(WinTable, RisesWithTheLeadAndTheHammerIsWorthSomething) {
    const WinTable table(shipped_end_scores());
    for (const GamePoint& p : POINTS) {
        for (int lead = -6; lead <= 6; ++lead) {
            for (bool hammer : {false, true}) {
                const double here = table.at(lead, p.end, p.last_end, hammer).value();
                const double ahead = table.at(lead + 1, p.end, p.last_end, hammer).value();
                EXPECT_LE(here, ahead) << "end " << p.end << " lead " << lead;
            }
            const double with = table.at(lead, p.end, p.last_end, true).value();
            const double without = table.at(lead, p.end, p.last_end, false).value();
            EXPECT_GE(with, without) << "end " << p.end << " lead " << lead;
        }
        // Level in the last end, the hammer is worth a clear margin.
        EXPECT_GT(table.at(0, p.end, p.last_end, true).value(),
                  table.at(0, p.end, p.last_end, false).value() + 0.05)
            << "end " << p.end;
    }
}

TEST(WinTable, BothSidesSeeTheSameGame) {
    const WinTable table(shipped_end_scores());
    for (const GamePoint& p : POINTS) {
        for (int lead = -6; lead <= 6; ++lead) {
            for (bool hammer : {false, true}) {
                const GameOutlook mine = table.at(lead, p.end, p.last_end, hammer);
                const GameOutlook theirs = table.at(-lead, p.end, p.last_end, !hammer);
                EXPECT_NEAR(mine.win + theirs.win + mine.draw, 1.0, 1e-9)
                    << "end " << p.end << " lead " << lead << " hammer " << hammer;
                EXPECT_NEAR(mine.draw, theirs.draw, 1e-9);
            }
        }
    }
    // A game decided by the last end: one up with the hammer, a blank or a
    // point wins, so only a steal or a loss of two or more can lose it.
    const double value = table.after_end(1, 7, 7, true, 0);
    EXPECT_EQ(value, 1.0);
    EXPECT_EQ(table.after_end(1, 7, 7, true, -2), 0.0);
    EXPECT_GT(table.after_end(1, 7, 7, true, -1), 0.0);  // tied: an extra end
    EXPECT_LT(table.after_end(1, 7, 7, true, -1), 1.0);
}

// When the hammer always scores exactly one the game is known in advance:
// the hammer alternates, so over 8 ends each team scores four, and a tie
// goes to extra ends, which the team with the hammer then wins.
TEST(WinTable, GamesWhereTheHammerAlwaysScoresOneEndAsTheRulesSay) {
    EndScoreDistribution one{};
    one[MAX_END_SCORE + 1] = 1.0;
    const WinTable table(one);
    struct Case {
        int lead;
        int end;
        int last_end;
        bool hammer;
        double win;
    };
    const Case cases[] = {
        {0, 0, 7, true, 1.0},    // 4-4, then the extra end with the hammer
        {0, 0, 7, false, 0.0},
        {-1, 0, 7, true, 0.0},   // still one down after 4-4
        {1, 0, 7, false, 1.0},
        {0, 0, 6, true, 1.0},    // 7 ends: 4-3
        {-1, 0, 6, true, 0.0},   // 4-3 only ties, and the other team has the extra end's hammer
        {0, 9, 9, false, 0.0},   // the tenth end is the last there can be
        {0, 9, 9, true, 1.0},
    };
    for (const Case& c : cases) {
        const GameOutlook outlook = table.at(c.lead, c.end, c.last_end, c.hammer);
        EXPECT_EQ(outlook.win, c.win) << "lead " << c.lead << " end " << c.end << " of "
                                      << c.last_end + 1 << " hammer " << c.hammer;
        EXPECT_EQ(outlook.draw, 0.0);
    }
}

// Each team's ends come from its own distribution: here the team scores two
// with its hammer and the other team blanks every end it has the hammer.
TEST(WinTable, EachTeamsHammerEndsFollowItsOwnDistribution) {
    EndScoreModel model{};
    model.own_hammer[MAX_END_SCORE + 2] = 1.0;
    model.other_hammer[MAX_END_SCORE] = 1.0;
    const WinTable table(model);
    // Two up, then the other team blanks to the end.
    EXPECT_EQ(table.at(0, 0, 7, true).win, 1.0);
    // The other team blanks through the extra ends too: a draw.
    EXPECT_EQ(table.at(0, 0, 7, false).draw, 1.0);
    EXPECT_EQ(table.at(-1, 0, 7, false).win, 0.0);
}

TEST(WinTable, TheTeamThatScoresGivesUpTheHammerAndABlankKeepsIt) {
    const WinTable table(shipped_end_scores());
    struct Case {
        bool hammer;
        int end_score;
        bool next_hammer;
    };
    const Case cases[] = {{true, 2, false},  {true, 0, true},   {true, -1, true},
                          {false, 1, false}, {false, 0, false}, {false, -2, true}};
    for (const Case& c : cases) {
        const double expected = table.at(c.end_score, 5, 7, c.next_hammer).value();
        EXPECT_EQ(table.after_end(0, 4, 7, c.hammer, c.end_score), expected)
            << "hammer " << c.hammer << " score " << c.end_score;
        // The two hammer states are told apart at that point of the game.
        EXPECT_NE(expected, table.at(c.end_score, 5, 7, !c.next_hammer).value());
    }
}

}  // namespace
