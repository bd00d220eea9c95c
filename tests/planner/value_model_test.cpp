// The value model's contract: a position and its mirror image are worth the
// same to the bit, the file form gives back the very floats that were
// fitted, and the fitter labels each position with the end's score for the
// team that had the hammer. Each is a fault that plays on silently: a
// lopsided model prefers one side of the sheet, a rounded file plays a model
// nobody measured, a swapped label teaches the planner to give ends away.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>

#include "random.h"
#include "sheet.h"
#include "training_data.h"
#include "value_model.h"

namespace {

using namespace planner;

ValueNet random_net(std::uint64_t seed) {
    ValueNet net = zero_value_net({24, 12});
    SampleRandom random(seed);
    for (std::size_t l = 0; l < net.weights.size(); ++l) {
        for (float& w : net.weights[l]) {
            w = static_cast<float>(random.gaussian() * 0.4);
        }
        for (float& b : net.biases[l]) {
            b = static_cast<float>(random.gaussian() * 0.1);
        }
    }
    net.prepare();
    return net;
}

// Stones across the sheet at whole 1/1024 m from the centre line, so that
// the mirror image (and its distances) are exact in single precision.
GAMESTATE random_position(SampleRandom& random, int thrown) {
    GAMESTATE state{};
    for (int k = 0; k < thrown; ++k) {
        const float across = std::floor(static_cast<float>(random.uniform() - 0.5) * 3072.0f) / 1024.0f;
        state.stones[k] = StonePosition{TEE_X + across,
                                        TEE_Y + static_cast<float>(random.uniform() - 0.3) * 7.0f};
    }
    state.shot_number = thrown;
    return state;
}

TEST(ValueModel, APositionAndItsMirrorAreWorthTheSame) {
    const ValueNet net = random_net(7);
    SampleRandom random(11);
    for (int trial = 0; trial < 50; ++trial) {
        const int thrown = 1 + trial % 15;
        const GAMESTATE state = random_position(random, thrown);
        GAMESTATE mirror = state;
        for (int k = 0; k < thrown; ++k) {
            mirror.stones[k].x = 2.0f * TEE_X - state.stones[k].x;
        }
        const ValueChances a = value_chances(net, state, thrown);
        const ValueChances b = value_chances(net, mirror, thrown);
        for (int c = 0; c < VALUE_CLASSES; ++c) {
            ASSERT_EQ(a[static_cast<std::size_t>(c)], b[static_cast<std::size_t>(c)])
                << "trial " << trial << ", score class " << c;
        }
    }
}

TEST(ValueModel, TheFileGivesBackTheFittedFloats) {
    ValueNet net = random_net(3);
    net.header = {"made by a test"};
    EndScoreTable table{"engine", {}, {}};
    table.own_hammer[9] = 0.3;
    table.other_hammer[6] = 1.0 / 3.0;
    net.end_scores = {table};
    ValueNet read;
    std::string error;
    ASSERT_TRUE(parse_value_net(format_value_net(net), read, error)) << error;
    EXPECT_EQ(read.header, net.header);
    ASSERT_EQ(read.sizes, net.sizes);
    EXPECT_EQ(read.weights, net.weights);
    EXPECT_EQ(read.biases, net.biases);
    ASSERT_EQ(read.end_scores.size(), 1u);
    EXPECT_EQ(read.end_scores[0].opponent, "engine");
    EXPECT_EQ(read.end_scores[0].own_hammer, table.own_hammer);
    EXPECT_EQ(read.end_scores[0].other_hammer, table.other_hammer);
    // A fit leaves some weights too small for a normal float: the player
    // must still read the file (they count as zero).
    net.weights[0][5] = 1e-40f;
    ASSERT_TRUE(parse_value_net(format_value_net(net), read, error)) << error;
    EXPECT_EQ(read.weights[0][5], 0.0f);
}

TEST(ValueModel, PositionsAreLabelledWithTheHammerTeamsScore) {
    // Player 2 has the hammer in end 0 and player 1 steals one; player 1
    // has it in end 1 and scores three.
    const std::string path = ::testing::TempDir() + "value_model_labels.jsonl";
    std::ofstream record(path);
    const std::string stones =
        "[[2.3,5.0],[2.5,5.2],[0,0],[0,0],[0,0],[0,0],[0,0],[0,0],[0,0],[0,0],[0,0],[0,0],"
        "[0,0],[0,0],[0,0],[0,0]]";
    record << R"({"type":"match","players":[{"name":"planner","command":"a"},{"name":"engine","command":"b"}]})"
           << "\n";
    for (int end = 0; end < 2; ++end) {
        record << R"({"type":"shot","game":0,"end":)" << end << R"(,"shot":1,"after":)" << stones
               << "}\n";
    }
    record << R"({"type":"end","game":0,"end":0,"hammer":2,"score":1})" << "\n";
    record << R"({"type":"end","game":0,"end":1,"hammer":1,"score":3})" << "\n";
    record.close();
    TrainingData data;
    std::string error;
    ASSERT_TRUE(read_positions(path, data, error)) << error;
    std::remove(path.c_str());
    ASSERT_EQ(data.positions.size(), 2u);
    EXPECT_EQ(data.positions[0].hammer_player, 2);
    EXPECT_EQ(data.positions[0].hammer_score, -1);
    EXPECT_EQ(data.positions[1].hammer_player, 1);
    EXPECT_EQ(data.positions[1].hammer_score, 3);
    EXPECT_EQ(data.positions[1].label(), 3 - VALUE_LOW);
    EXPECT_EQ(data.positions[0].thrown, 2);
    // The planner (player 1) scored three with its hammer; the engine was
    // stolen from with its own.
    const std::vector<EndScoreTable> tables = end_score_tables(data, "planner");
    ASSERT_EQ(tables.size(), 1u);
    EXPECT_EQ(tables[0].opponent, "engine");
    EXPECT_DOUBLE_EQ(tables[0].own_hammer[3 + END_SCORE_RANGE], 2.0 / 18.0);
    EXPECT_DOUBLE_EQ(tables[0].other_hammer[-1 + END_SCORE_RANGE], 2.0 / 18.0);
}

}  // namespace
