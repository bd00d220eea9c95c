#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "value_model.h"

// Fitting the value model: cross-entropy of the symmetric model (the mean
// of the logits of a position and of its mirror) by Adam on mini-batches.
// Each batch is cut into a fixed number of slices whose gradients are
// summed in order, so the fitted weights are the same to the bit on any
// number of threads.

namespace planner {

struct Example {
    ValueInputs inputs;
    int label = 0;  // the end's score class
};

struct TrainOptions {
    std::vector<int> hidden{64, 32};
    int epochs = 20;
    int batch = 256;
    float rate = 1e-3f;     // Adam's step at the start; it decays to zero along a cosine
    float l2 = 1e-5f;       // weight decay on the weights (not the biases)
    std::uint64_t seed = 1; // the first weights and the order of the examples
    int threads = 1;
};

// Called after each epoch with its number (from 1) and the mean training
// loss over it.
using EpochReport = std::function<void(int epoch, double loss)>;

ValueNet train_value_net(const std::vector<Example>& examples, const TrainOptions& options,
                         const EpochReport& report);

// The mean log loss of the model over the examples (natural logarithm).
double mean_log_loss(const ValueNet& net, const std::vector<Example>& examples);

}  // namespace planner
