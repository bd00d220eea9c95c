#include "value_model.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "leaf_model.h"
#include "sheet.h"

namespace planner {

namespace {

constexpr float HOUSE_UNIT = 1.0f / static_cast<float>(CURLING_HOUSE_RADIUS);

struct Placed {
    float distance;
    StonePosition at;
};

// One team's stones in play among those thrown, nearest the tee first.
int placed_stones(const GAMESTATE& state, int thrown, int team, Placed* out) {
    int count = 0;
    for (int k = team; k < thrown && k < CURLING_STONES; k += 2) {
        if (stone_in_play(state.stones[k])) {
            out[count++] = Placed{tee_distance(state.stones[k]), state.stones[k]};
        }
    }
    std::stable_sort(out, out + count,
                     [](const Placed& a, const Placed& b) { return a.distance < b.distance; });
    return count;
}

void softmax(const float* logits, ValueChances& chances) {
    double top = logits[0];
    for (int c = 1; c < VALUE_CLASSES; ++c) {
        top = std::max(top, static_cast<double>(logits[c]));
    }
    double sum = 0.0;
    for (int c = 0; c < VALUE_CLASSES; ++c) {
        chances[static_cast<std::size_t>(c)] = std::exp(static_cast<double>(logits[c]) - top);
        sum += chances[static_cast<std::size_t>(c)];
    }
    for (double& p : chances) {
        p /= sum;
    }
}

// A network of the given sizes, every weight zero.
ValueNet shaped_net(const std::vector<int>& sizes) {
    ValueNet net;
    net.sizes = sizes;
    for (std::size_t l = 0; l + 1 < sizes.size(); ++l) {
        net.weights.emplace_back(static_cast<std::size_t>(sizes[l] * sizes[l + 1]), 0.0f);
        net.biases.emplace_back(static_cast<std::size_t>(sizes[l + 1]), 0.0f);
    }
    return net;
}

// The input set against an opponent of kind `opponent` (1 or more).
int opponent_input(int opponent, bool opponent_hammer) {
    return VALUE_POSITION_INPUTS + 2 * (opponent - 1) + (opponent_hammer ? 0 : 1);
}

}  // namespace

bool mirrored_input(int i) {
    return i < VALUE_STONE_INPUTS && i % VALUE_SLOT_INPUTS == 1;
}

ValueInputs value_inputs(const GAMESTATE& state, int thrown) {
    ValueInputs in{};
    thrown = std::clamp(thrown, 0, CURLING_STONES - 1);
    for (int side = 0; side < 2; ++side) {
        // The team with the hammer (odd stones) first.
        const int team = 1 - side;
        Placed placed[CURLING_STONES];
        const int count = std::min(placed_stones(state, thrown, team, placed), VALUE_SLOTS);
        for (int s = 0; s < count; ++s) {
            float* slot = &in[static_cast<std::size_t>((side * VALUE_SLOTS + s) * VALUE_SLOT_INPUTS)];
            slot[0] = 1.0f;
            slot[1] = (placed[s].at.x - TEE_X) * HOUSE_UNIT;
            slot[2] = (placed[s].at.y - TEE_Y) * HOUSE_UNIT;
            slot[3] = placed[s].distance * HOUSE_UNIT;
        }
    }
    in[static_cast<std::size_t>(VALUE_STONE_INPUTS + thrown)] = 1.0f;
    const std::array<float, LEAF_FEATURES> counts = leaf_features(state, thrown);
    std::copy(counts.begin(), counts.begin() + VALUE_COUNT_INPUTS,
              in.begin() + VALUE_STONE_INPUTS + VALUE_THROWN_INPUTS);
    return in;
}

ValueInputs mirror_inputs(const ValueInputs& inputs) {
    ValueInputs mirrored = inputs;
    for (int i = 0; i < VALUE_INPUTS; ++i) {
        if (mirrored_input(i)) {
            mirrored[static_cast<std::size_t>(i)] = -mirrored[static_cast<std::size_t>(i)];
        }
    }
    return mirrored;
}

void set_opponent(ValueInputs& inputs, int opponent, bool opponent_hammer) {
    std::fill(inputs.begin() + VALUE_POSITION_INPUTS, inputs.end(), 0.0f);
    if (opponent > 0 && opponent < VALUE_OPPONENT_KINDS) {
        inputs[static_cast<std::size_t>(opponent_input(opponent, opponent_hammer))] = 1.0f;
    }
}

std::size_t ValueNet::parameters() const {
    std::size_t n = 0;
    for (std::size_t l = 0; l < weights.size(); ++l) {
        n += weights[l].size() + biases[l].size();
    }
    return n;
}

ValueNet zero_value_net(const std::vector<int>& hidden) {
    std::vector<int> sizes{VALUE_INPUTS};
    sizes.insert(sizes.end(), hidden.begin(), hidden.end());
    sizes.push_back(VALUE_CLASSES);
    ValueNet net = shaped_net(sizes);
    net.prepare();
    return net;
}

void ValueNet::prepare() {
    // Subnormal weights are worth nothing to the model and slow the
    // arithmetic of every evaluation down many times over.
    for (auto* parts : {&weights, &biases}) {
        for (std::vector<float>& part : *parts) {
            for (float& w : part) {
                if (std::fpclassify(w) == FP_SUBNORMAL) {
                    w = 0.0f;
                }
            }
        }
    }
    knows_opponents = false;
    for (int o = 0; !weights.empty() && o < sizes[1]; ++o) {
        for (int i = VALUE_POSITION_INPUTS; i < VALUE_INPUTS; ++i) {
            knows_opponents = knows_opponents ||
                              weights[0][static_cast<std::size_t>(o * VALUE_INPUTS + i)] != 0.0f;
        }
    }
    columns.clear();
    for (std::size_t l = 0; l < weights.size(); ++l) {
        const int n_in = sizes[l];
        const int n_out = sizes[l + 1];
        std::vector<float> t(weights[l].size());
        for (int o = 0; o < n_out; ++o) {
            for (int i = 0; i < n_in; ++i) {
                t[static_cast<std::size_t>(i * n_out + o)] =
                    weights[l][static_cast<std::size_t>(o * n_in + i)];
            }
        }
        columns.push_back(std::move(t));
    }
}

namespace {

// The resolver that picks a clone runs while the program is being loaded,
// before ThreadSanitizer's runtime is up, and crashes under it: there, one
// plain version (the same bits).
#if defined(__SANITIZE_THREAD__)
#define WIDE_CLONES
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define WIDE_CLONES
#endif
#endif
#ifndef WIDE_CLONES
#define WIDE_CLONES __attribute__((target_clones("avx2", "default")))
#endif

// out += x * column, element by element: no sum is reordered, so every
// instruction set gives the same bits, and the wide one is several times
// faster.
WIDE_CLONES void add_scaled(float* __restrict out, const float* __restrict column, float x,
                            int n) {
    for (int o = 0; o < n; ++o) {
        out[o] += column[o] * x;
    }
}

void rectify(float* values, int n) {
    for (int o = 0; o < n; ++o) {
        values[o] = std::max(values[o], 0.0f);
    }
}

// The layers after the first, from `hidden` (the first layer's rectified
// output, overwritten).
void upper_layers(const ValueNet& net, float* hidden, float* logits) {
    float buffer[VALUE_MAX_UNITS];
    float* in = hidden;
    const std::size_t layers = net.weights.size();
    for (std::size_t l = 1; l < layers; ++l) {
        const int n_in = net.sizes[l];
        const int n_out = net.sizes[l + 1];
        float* out = l + 1 == layers ? logits : (in == hidden ? buffer : hidden);
        std::copy(net.biases[l].begin(), net.biases[l].end(), out);
        const float* columns = net.columns[l].data();
        for (int i = 0; i < n_in; ++i) {
            if (in[i] != 0.0f) {
                add_scaled(out, columns + static_cast<std::ptrdiff_t>(i) * n_out, in[i], n_out);
            }
        }
        if (l + 1 < layers) {
            rectify(out, n_out);
        }
        in = out;
    }
}

}  // namespace

namespace {

// The first layer, split into the inputs the mirror keeps and those it
// turns over: the position is kept + turned, its mirror kept - turned, so
// both cost one pass over the inputs.
void first_layer(const ValueNet& net, const ValueInputs& inputs, float* kept, float* turned) {
    const int n_hidden = net.sizes[1];
    std::fill(turned, turned + n_hidden, 0.0f);
    std::copy(net.biases[0].begin(), net.biases[0].end(), kept);
    const float* columns = net.columns[0].data();
    for (int i = 0; i < VALUE_INPUTS; ++i) {
        const float x = inputs[static_cast<std::size_t>(i)];
        if (x != 0.0f) {
            add_scaled(mirrored_input(i) ? turned : kept,
                       columns + static_cast<std::ptrdiff_t>(i) * n_hidden, x, n_hidden);
        }
    }
}

ValueChances upper_chances(const ValueNet& net, const float* kept, const float* turned) {
    const int n_hidden = net.sizes[1];
    float direct[VALUE_MAX_UNITS];
    float mirrored[VALUE_MAX_UNITS];
    for (int o = 0; o < n_hidden; ++o) {
        direct[o] = kept[o] + turned[o];
        mirrored[o] = kept[o] - turned[o];
    }
    float a[VALUE_CLASSES];
    float b[VALUE_CLASSES];
    if (net.weights.size() == 1) {
        std::copy(direct, direct + VALUE_CLASSES, a);
        std::copy(mirrored, mirrored + VALUE_CLASSES, b);
    } else {
        rectify(direct, n_hidden);
        rectify(mirrored, n_hidden);
        upper_layers(net, direct, a);
        upper_layers(net, mirrored, b);
    }
    float mean[VALUE_CLASSES];
    for (int c = 0; c < VALUE_CLASSES; ++c) {
        mean[c] = 0.5f * (a[c] + b[c]);
    }
    ValueChances chances{};
    softmax(mean, chances);
    return chances;
}

}  // namespace

ValueChances value_chances(const ValueNet& net, const ValueInputs& inputs) {
    float kept[VALUE_MAX_UNITS];
    float turned[VALUE_MAX_UNITS];
    first_layer(net, inputs, kept, turned);
    return upper_chances(net, kept, turned);
}

ChancesByOpponent value_chances_by_opponent(const ValueNet& net, const ValueInputs& inputs,
                                            bool opponent_hammer) {
    float kept[VALUE_MAX_UNITS];
    float turned[VALUE_MAX_UNITS];
    first_layer(net, inputs, kept, turned);
    ChancesByOpponent chances{};
    chances[0] = upper_chances(net, kept, turned);
    const int n_hidden = net.sizes[1];
    for (int kind = 1; kind < VALUE_OPPONENT_KINDS; ++kind) {
        // The one input set against this opponent, added as first_layer
        // adds it.
        const int input = opponent_input(kind, opponent_hammer);
        float with[VALUE_MAX_UNITS];
        std::copy(kept, kept + n_hidden, with);
        add_scaled(with, net.columns[0].data() + static_cast<std::ptrdiff_t>(input) * n_hidden,
                   1.0f, n_hidden);
        chances[static_cast<std::size_t>(kind)] = upper_chances(net, with, turned);
    }
    return chances;
}

ValueChances value_chances(const ValueNet& net, const GAMESTATE& state, int thrown) {
    return value_chances(net, value_inputs(state, thrown));
}

std::string format_value_net(const ValueNet& net) {
    std::string text;
    for (const std::string& line : net.header) {
        text += "# " + line + "\n";
    }
    if (net.empty()) {
        return text;
    }
    text += "curling-value-model 2\nsizes";
    for (int size : net.sizes) {
        text += " " + std::to_string(size);
    }
    text += "\n";
    char number[32];
    for (std::size_t l = 0; l < net.weights.size(); ++l) {
        for (const std::vector<float>* part : {&net.weights[l], &net.biases[l]}) {
            for (std::size_t k = 0; k < part->size(); ++k) {
                // Nine significant digits read back to the same float.
                std::snprintf(number, sizeof number, "%.9g", static_cast<double>((*part)[k]));
                text += number;
                text += (k + 1) % 16 == 0 || k + 1 == part->size() ? "\n" : " ";
            }
        }
    }
    for (const EndScoreTable& table : net.end_scores) {
        text += "end-scores " + table.opponent + "\n";
        for (const EndScoreChances* side : {&table.own_hammer, &table.other_hammer}) {
            for (std::size_t k = 0; k < side->size(); ++k) {
                std::snprintf(number, sizeof number, "%.17g", (*side)[k]);
                text += number;
                text += k + 1 == side->size() ? "\n" : " ";
            }
        }
    }
    return text;
}

namespace {

// A model of version 1 as one whose opponent inputs weigh nothing.
ValueNet with_opponent_inputs(const ValueNet& old) {
    std::vector<int> sizes = old.sizes;
    sizes.front() = VALUE_INPUTS;
    ValueNet net = shaped_net(sizes);
    net.header = old.header;
    net.end_scores = old.end_scores;
    net.biases = old.biases;
    for (std::size_t l = 1; l < old.weights.size(); ++l) {
        net.weights[l] = old.weights[l];
    }
    const int n_old = old.sizes.front();
    for (int o = 0; o < sizes[1]; ++o) {
        std::copy_n(old.weights[0].begin() + static_cast<std::ptrdiff_t>(o) * n_old, n_old,
                    net.weights[0].begin() + static_cast<std::ptrdiff_t>(o) * VALUE_INPUTS);
    }
    return net;
}

bool read_chance(const std::string& word, double& chance) {
    char* end = nullptr;
    chance = std::strtod(word.c_str(), &end);
    return end != word.c_str() && *end == '\0' && chance >= 0.0 && chance <= 1.0;
}

}  // namespace

bool parse_value_net(const std::string& text, ValueNet& net, std::string& error) {
    std::istringstream in(text);
    std::string line;
    ValueNet read;
    int line_number = 0;
    bool body = false;
    while (std::getline(in, line)) {
        ++line_number;
        if (line.rfind("#", 0) != 0) {
            body = true;
            break;
        }
        read.header.push_back(line.size() > 2 ? line.substr(2) : "");
    }
    // Comments alone are the file of no model (the one shipped before any
    // training): a player given it plays by the counts model, and training
    // can start from it like from any other.
    if (!body) {
        net = std::move(read);
        return true;
    }
    const int version = line == "curling-value-model 1" ? 1 : line == "curling-value-model 2" ? 2 : 0;
    if (version == 0) {
        error = "line " + std::to_string(line_number) + ": not a value model of version 1 or 2";
        return false;
    }
    const int inputs = version == 1 ? VALUE_POSITION_INPUTS : VALUE_INPUTS;
    std::string word;
    if (!(in >> word) || word != "sizes") {
        error = "no sizes after line " + std::to_string(line_number);
        return false;
    }
    std::getline(in, line);
    std::istringstream sizes(line);
    for (int size = 0; sizes >> size;) {
        if (size < 1 || size > VALUE_MAX_UNITS) {
            error = "a layer of " + std::to_string(size) + " units";
            return false;
        }
        read.sizes.push_back(size);
    }
    if (read.sizes.size() < 2 || read.sizes.front() != inputs ||
        read.sizes.back() != VALUE_CLASSES) {
        error = "sizes must run from " + std::to_string(inputs) + " inputs to " +
                std::to_string(VALUE_CLASSES) + " scores";
        return false;
    }
    ValueNet shaped = shaped_net(read.sizes);
    shaped.header = read.header;
    std::size_t parsed = 0;
    for (std::size_t l = 0; l < shaped.weights.size(); ++l) {
        for (std::vector<float>* part : {&shaped.weights[l], &shaped.biases[l]}) {
            for (float& value : *part) {
                if (!(in >> word)) {
                    error = "the model ends after " + std::to_string(parsed) + " of " +
                            std::to_string(shaped.parameters()) + " numbers";
                    return false;
                }
                char* end = nullptr;
                value = std::strtof(word.c_str(), &end);
                // A value too small for a normal float reads as what it is
                // (strtof says ERANGE for it too); one too large does not.
                if (end == word.c_str() || *end != '\0' || !std::isfinite(value)) {
                    error = "number " + std::to_string(parsed + 1) + " is not a finite float: " +
                            word.substr(0, 40);
                    return false;
                }
                ++parsed;
            }
        }
    }
    while (in >> word) {
        if (word != "end-scores") {
            error = "more numbers than the sizes ask for";
            return false;
        }
        EndScoreTable table;
        if (!(in >> table.opponent)) {
            error = "end-scores without an opponent's name";
            return false;
        }
        for (EndScoreChances* side : {&table.own_hammer, &table.other_hammer}) {
            for (double& chance : *side) {
                if (!(in >> word) || !read_chance(word, chance)) {
                    error = "the end-scores of " + table.opponent + " need " +
                            std::to_string(2 * side->size()) + " chances from 0 to 1";
                    return false;
                }
            }
        }
        shaped.end_scores.push_back(table);
    }
    net = version == 1 ? with_opponent_inputs(shaped) : std::move(shaped);
    net.prepare();
    return true;
}

}  // namespace planner

namespace planner {

extern const char* const SHIPPED_VALUE_MODEL;
extern const char* const SHIPPED_VALUE_MODEL_FIVE_ROCK;

bool read_value_net(const std::string& path, ValueNet& net, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    if (!in) {
        error = "cannot read the file";
        return false;
    }
    return parse_value_net(text.str(), net, error);
}

namespace {

// A model that does not parse is a build error caught by the tests; the
// player then plays as if it had none.
ValueNet parsed_or_empty(const char* text) {
    ValueNet parsed;
    std::string error;
    return parse_value_net(text, parsed, error) ? parsed : ValueNet{};
}

}  // namespace

const ValueNet& shipped_value_net(int rule) {
    static const ValueNet without_rule = parsed_or_empty(SHIPPED_VALUE_MODEL);
    static const ValueNet five_rock = parsed_or_empty(SHIPPED_VALUE_MODEL_FIVE_ROCK);
    // The no-tick part changes too few ends to need a model of its own.
    const bool under_five_rock = (rule & ~CURLING_RULE_NO_TICK) == CURLING_RULE_FIVE_ROCK;
    return under_five_rock && !five_rock.empty() ? five_rock : without_rule;
}

}  // namespace planner
