// The win table values the end of every sampled end: an error here turns
// every decision toward the wrong side.
#include <gtest/gtest.h>

#include "win_table.h"

namespace {

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

}  // namespace
