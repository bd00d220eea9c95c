#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "../records/sample_record.h"
#include "view/record_reader.h"
#include "view/shot_paths.h"

namespace {

// The replay animates stones straight between kept frames, so every dropped
// frame must lie within the tolerance of that line at its own time, and the
// resting frame must survive.
TEST(SimplifyPath, KeepsEveryFrameWithinToleranceAndTheRest) {
    std::vector<PathPoint> frames;
    for (int f = 0; f <= 400; ++f) {
        const double t = f / 400.0;
        const double s = 7.0 * (2 * t - t * t);  // decelerating to rest
        frames.push_back(PathPoint{f, 2.375 + 0.4 * t * t * t, 11.5 - s});
    }
    const std::vector<PathPoint> kept = simplify_path(frames, PATH_TOLERANCE);
    ASSERT_GE(kept.size(), 2u);
    EXPECT_EQ(kept.front().frame, 0);
    EXPECT_EQ(kept.back().frame, 400);
    EXPECT_LT(kept.size(), frames.size() / 5);
    std::size_t k = 0;
    for (const PathPoint& p : frames) {
        while (kept[k + 1].frame < p.frame) {
            ++k;
        }
        const PathPoint& a = kept[k];
        const PathPoint& b = kept[k + 1];
        const double u = static_cast<double>(p.frame - a.frame) / (b.frame - a.frame);
        const double error = std::hypot(a.x + (b.x - a.x) * u - p.x, a.y + (b.y - a.y) * u - p.y);
        EXPECT_LE(error, PATH_TOLERANCE) << "frame " << p.frame;
    }
}

// A game with a hole is never handed to the pictures: the page and the
// stills get the whole games and what was left out, with its line.
TEST(ReadRecord, HandsOnWholeGamesAndWhatWasLeftOut) {
    std::vector<nlohmann::json> lines = {sample_record::header(2)};
    for (std::int64_t game : {0, 1}) {
        for (nlohmann::json& line : sample_record::game(game)) {
            lines.push_back(std::move(line));
        }
    }
    lines.erase(lines.begin() + 25);  // game 1's shot 6, line 26
    const MatchRecord record = read_record_text(sample_record::text(lines), "r.jsonl");
    ASSERT_EQ(record.games.size(), 1u);
    EXPECT_EQ(record.games.at(0).shots.size(), 16u);
    ASSERT_EQ(record.dropped.size(), 1u);
    EXPECT_EQ(record.dropped[0].line, 26u);
    EXPECT_EQ(record.dropped[0].game, 1);

    lines.erase(lines.begin() + 1, lines.begin() + 19);  // game 0
    try {
        read_record_text(sample_record::text(lines), "r.jsonl");
        ADD_FAILURE() << "a record without a whole game was read";
    } catch (const RecordError& error) {
        EXPECT_NE(std::string(error.what()).find("r.jsonl: no whole game in the record (line 8:"), std::string::npos)
            << error.what();
    }
}

}  // namespace
