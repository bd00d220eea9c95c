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

#include "match/records/record_lines.h"
#include "net_training.h"
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
    // The file of no model (comments alone) is what a clean clone ships and
    // what its training starts from.
    ValueNet none;
    none.header = {"no model yet"};
    ASSERT_TRUE(parse_value_net(format_value_net(none), read, error)) << error;
    EXPECT_TRUE(read.empty());
    EXPECT_EQ(read.header, none.header);
}

TEST(ValueModel, PositionsAreLabelledWithTheHammerTeamsScore) {
    // A whole game of two ends, as the runner writes it: player 2 has the
    // hammer in end 0 and scores one; player 1 has it in end 1 and scores
    // three.
    const std::string path = ::testing::TempDir() + "value_model_labels.jsonl";
    std::ofstream record(path);
    record << R"({"type":"match","games":1,"ends":2,"clock_ms":1000,)"
           << R"("players":[{"name":"planner","command":"a"},{"name":"engine","command":"b"}]})" << "\n";
    const int scores[2] = {-1, 3};
    for (int end = 0; end < 2; ++end) {
        for (int shot = 0; shot < CURLING_STONES; ++shot) {
            records::ShotLine line;
            line.end = end;
            line.shot = shot;
            line.side = (shot + end) % 2;
            line.player = line.side + 1;
            line.after[0] = StonePosition{2.3f, 5.0f};
            line.after[1] = StonePosition{2.5f, 5.2f};
            record << records::shot_json(line).dump() << "\n";
        }
        record << records::end_json(records::EndLine{0, end, scores[end], 2 - end, {end == 0 ? 0 : 3, 1}}).dump()
               << "\n";
    }
    records::GameLine game;
    game.score = {3, 1};
    game.winner = 1;
    game.first_hammer = 2;
    game.end_scores = {-1, 3};
    record << records::game_json(game).dump() << "\n";
    record.close();
    TrainingData data;
    std::string error;
    ASSERT_TRUE(read_positions(path, data, error)) << error;
    std::remove(path.c_str());
    ASSERT_EQ(data.positions.size(), 30u);  // after stones 1 to 15 of each end
    EXPECT_EQ(data.positions[0].hammer_player, 2);
    EXPECT_EQ(data.positions[0].hammer_score, 1);
    EXPECT_EQ(data.positions[15].hammer_player, 1);
    EXPECT_EQ(data.positions[15].hammer_score, 3);
    EXPECT_EQ(data.positions[15].label(), 3 - VALUE_LOW);
    EXPECT_EQ(data.positions[1].thrown, 2);
    // The planner (player 1) scored three with its hammer; the engine
    // scored one with its own.
    const std::vector<EndScoreTable> tables = end_score_tables(data, "planner");
    ASSERT_EQ(tables.size(), 1u);
    EXPECT_EQ(tables[0].opponent, "engine");
    EXPECT_DOUBLE_EQ(tables[0].own_hammer[3 + END_SCORE_RANGE], 2.0 / 18.0);
    EXPECT_DOUBLE_EQ(tables[0].other_hammer[1 + END_SCORE_RANGE], 2.0 / 18.0);
    // The model learns who it played: the engine had the hammer in end 0,
    // the planner in end 1.
    const auto engine_input = [&](const Position& p, bool engine_hammer) {
        return position_inputs(data, p, "planner")[static_cast<std::size_t>(
            VALUE_POSITION_INPUTS + (engine_hammer ? 0 : 1))];
    };
    EXPECT_EQ(engine_input(data.positions[0], true), 1.0f);
    EXPECT_EQ(engine_input(data.positions[0], false), 0.0f);
    EXPECT_EQ(engine_input(data.positions[15], true), 0.0f);
    EXPECT_EQ(engine_input(data.positions[15], false), 1.0f);
}

TEST(ValueModel, AFitOfGamesThatNameNoOpponentKnowsNone) {
    // Fitted on positions without opponents, the first weights of the
    // opponent inputs must not keep their random start: the player sets
    // those inputs and would value every end by noise.
    SampleRandom random(17);
    std::vector<Example> examples;
    for (int k = 0; k < 64; ++k) {
        const int thrown = 1 + k % 15;
        examples.push_back(Example{value_inputs(random_position(random, thrown), thrown), k % VALUE_CLASSES});
    }
    TrainOptions options;
    options.hidden = {8};
    options.epochs = 1;
    const ValueNet net = train_value_net(examples, options, nullptr);
    EXPECT_FALSE(net.knows_opponents);
    examples[3].inputs[VALUE_POSITION_INPUTS] = 1.0f;
    EXPECT_TRUE(train_value_net(examples, options, nullptr).knows_opponents);
}

TEST(ValueModel, EachOpponentIsValuedAsItsInputsSay) {
    // The player values a position against every kind of opponent in one
    // pass; it must give what the inputs of each would, or the planner
    // plays against an opponent the model never learnt.
    const ValueNet net = random_net(5);
    ASSERT_TRUE(net.knows_opponents);
    SampleRandom random(13);
    int differing = 0;
    for (int trial = 0; trial < 20; ++trial) {
        const int thrown = 1 + trial % 15;
        const ValueInputs plain = value_inputs(random_position(random, thrown), thrown);
        for (const bool opponent_hammer : {false, true}) {
            const ChancesByOpponent by = value_chances_by_opponent(net, plain, opponent_hammer);
            for (int kind = 0; kind < VALUE_OPPONENT_KINDS; ++kind) {
                ValueInputs inputs = plain;
                set_opponent(inputs, kind, opponent_hammer);
                EXPECT_EQ(by[static_cast<std::size_t>(kind)], value_chances(net, inputs))
                    << "trial " << trial << ", kind " << kind << ", hammer " << opponent_hammer;
            }
            differing += by[1] != by[2] ? 1 : 0;
        }
    }
    EXPECT_GT(differing, 0) << "the opponent inputs changed nothing";
}

// Each rule plays the model shipped for its game: the five-rock file's
// under the five-rock rule (no-tick or not) once it holds one, the file
// without a rule otherwise. A swapped or unembedded file would have the
// player plan one game with a model of another, and nothing else notices.
TEST(ValueModel, EachRulePlaysTheModelShippedForIt) {
    ValueNet five_rock_file;
    std::string error;
    ASSERT_TRUE(read_value_net(PLANNER_DATA_DIR "/value_model_five_rock.txt", five_rock_file, error))
        << error;
    ValueNet no_rule_file;
    ASSERT_TRUE(read_value_net(PLANNER_DATA_DIR "/value_model.txt", no_rule_file, error)) << error;
    ASSERT_FALSE(no_rule_file.empty());
    const ValueNet& five_rock_game = five_rock_file.empty() ? no_rule_file : five_rock_file;
    const struct {
        int rule;
        const ValueNet& expected;
    } cases[] = {
        {CURLING_RULE_NONE, no_rule_file},
        {CURLING_RULE_FOUR_ROCK, no_rule_file},
        {CURLING_RULE_FOUR_ROCK | CURLING_RULE_NO_TICK, no_rule_file},
        {CURLING_RULE_FIVE_ROCK, five_rock_game},
        {CURLING_RULE_FIVE_ROCK | CURLING_RULE_NO_TICK, five_rock_game},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(format_value_net(shipped_value_net(c.rule)), format_value_net(c.expected))
            << "rule " << c.rule;
    }
}

}  // namespace
