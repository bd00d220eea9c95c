#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

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

std::string shot_line(const std::string& override_field) {
    std::string position = "[";
    for (int k = 0; k < 16; ++k) {
        position += std::string(k ? "," : "") + "[0.0,0.0]";
    }
    position += "]";
    std::string line = "{\"type\":\"shot\",\"game\":0,\"end\":0,\"shot\":0,\"side\":0,\"player\":1,"
                       "\"position\":" + position + ",\"after\":" + position +
                       ",\"reply\":\"BESTSHOT 0 -30 0\",\"shot_vector\":[0,-30,0],"
                       "\"noise\":[0.1,0.1],\"delivered\":[0.1,-29.9,0],\"think_ms\":1.5,"
                       "\"clock_ms\":[1000,1000]";
    return line + override_field + "}";
}

// A record that cannot be read in full is refused with its line, never
// replayed with shots silently missing.
TEST(ReadRecord, RefusesWhatItCannotUseNamingTheLine) {
    const std::string match = "{\"type\":\"match\",\"ends\":1}\n";
    struct Case {
        std::string text;
        std::string expected;
    };
    const Case cases[] = {
        {match + shot_line("") + "\n{\"type\":\"shot\",\"game\":0,\"en", "r.jsonl:3: not JSON"},
        {match + "[1,2]\n", "r.jsonl:2: not a record line"},
        {match + shot_line(",\"end\":\"zero\""), "r.jsonl:2: \"end\" is not an integer"},
        {match + shot_line(",\"after\":[[0,0]]"), "r.jsonl:2: \"after\" is not an array of 16"},
        {match + shot_line(",\"shot\":16"), "r.jsonl:2: shot, side or end out of range"},
        {match + shot_line(",\"clock_ms\":[1e300,0]"), "r.jsonl:2: \"clock_ms\" holds a value out of range"},
        {match, "r.jsonl: no games in the record"},
    };
    for (const Case& c : cases) {
        try {
            read_record_text(c.text, "r.jsonl");
            ADD_FAILURE() << "read without complaint: " << c.expected;
        } catch (const RecordError& error) {
            EXPECT_NE(std::string(error.what()).find(c.expected), std::string::npos)
                << error.what() << " -- expected " << c.expected;
        }
    }
    EXPECT_EQ(read_record_text(match + shot_line("") + "\n\n", "r.jsonl").games.at(0).shots.size(), 1u);
}

}  // namespace
