#include "net_training.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <numeric>
#include <thread>

#include "random.h"

namespace planner {

namespace {

// Each batch's gradient is the sum of this many slices' in this order,
// whatever the number of threads.
constexpr int SLICES = 4;

using Layers = std::vector<std::vector<float>>;

struct Gradient {
    Layers weights;
    Layers biases;

    explicit Gradient(const ValueNet& net) {
        for (std::size_t l = 0; l < net.weights.size(); ++l) {
            weights.emplace_back(net.weights[l].size(), 0.0f);
            biases.emplace_back(net.biases[l].size(), 0.0f);
        }
    }
    void clear() {
        for (auto* parts : {&weights, &biases}) {
            for (auto& part : *parts) {
                std::fill(part.begin(), part.end(), 0.0f);
            }
        }
    }
    void add(const Gradient& other) {
        for (std::size_t l = 0; l < weights.size(); ++l) {
            for (std::size_t k = 0; k < weights[l].size(); ++k) {
                weights[l][k] += other.weights[l][k];
            }
            for (std::size_t k = 0; k < biases[l].size(); ++k) {
                biases[l][k] += other.biases[l][k];
            }
        }
    }
};

// The activations of one pass: layer 0 is the inputs.
struct Pass {
    std::vector<std::vector<float>> act;

    explicit Pass(const ValueNet& net) {
        for (int size : net.sizes) {
            act.emplace_back(static_cast<std::size_t>(size), 0.0f);
        }
    }
};

void forward(const ValueNet& net, const float* inputs, Pass& pass) {
    std::copy(inputs, inputs + net.sizes[0], pass.act[0].begin());
    const std::size_t layers = net.weights.size();
    for (std::size_t l = 0; l < layers; ++l) {
        const int n_in = net.sizes[l];
        const int n_out = net.sizes[l + 1];
        const float* in = pass.act[l].data();
        float* out = pass.act[l + 1].data();
        for (int o = 0; o < n_out; ++o) {
            const float* row = net.weights[l].data() + static_cast<std::ptrdiff_t>(o) * n_in;
            float z = net.biases[l][static_cast<std::size_t>(o)];
            for (int i = 0; i < n_in; ++i) {
                z += row[i] * in[i];
            }
            out[o] = l + 1 == layers ? z : std::max(z, 0.0f);
        }
    }
}

// Adds to `gradient` the gradient of the loss for one pass whose logits'
// gradient is `delta` (destroyed).
void backward(const ValueNet& net, const Pass& pass, std::vector<float> delta,
              Gradient& gradient) {
    for (std::size_t l = net.weights.size(); l-- > 0;) {
        const int n_in = net.sizes[l];
        const int n_out = net.sizes[l + 1];
        const float* in = pass.act[l].data();
        float* gw = gradient.weights[l].data();
        for (int o = 0; o < n_out; ++o) {
            const float d = delta[static_cast<std::size_t>(o)];
            gradient.biases[l][static_cast<std::size_t>(o)] += d;
            float* row = gw + static_cast<std::ptrdiff_t>(o) * n_in;
            for (int i = 0; i < n_in; ++i) {
                row[i] += d * in[i];
            }
        }
        if (l == 0) {
            break;
        }
        std::vector<float> below(static_cast<std::size_t>(n_in), 0.0f);
        const float* w = net.weights[l].data();
        for (int o = 0; o < n_out; ++o) {
            const float d = delta[static_cast<std::size_t>(o)];
            const float* row = w + static_cast<std::ptrdiff_t>(o) * n_in;
            for (int i = 0; i < n_in; ++i) {
                below[static_cast<std::size_t>(i)] += row[i] * d;
            }
        }
        for (int i = 0; i < n_in; ++i) {
            if (in[i] <= 0.0f) {
                below[static_cast<std::size_t>(i)] = 0.0f;
            }
        }
        delta = std::move(below);
    }
}

// The symmetric model's loss for one example, its gradient added.
double learn_one(const ValueNet& net, const Example& example, Pass& direct, Pass& mirrored,
                 Gradient& gradient) {
    const ValueInputs mirror = mirror_inputs(example.inputs);
    forward(net, example.inputs.data(), direct);
    forward(net, mirror.data(), mirrored);
    const std::vector<float>& a = direct.act.back();
    const std::vector<float>& b = mirrored.act.back();
    std::vector<double> p(VALUE_CLASSES);
    double top = -1e300;
    for (int c = 0; c < VALUE_CLASSES; ++c) {
        p[static_cast<std::size_t>(c)] = 0.5 * (static_cast<double>(a[static_cast<std::size_t>(c)]) +
                                                b[static_cast<std::size_t>(c)]);
        top = std::max(top, p[static_cast<std::size_t>(c)]);
    }
    double sum = 0.0;
    for (double& v : p) {
        v = std::exp(v - top);
        sum += v;
    }
    std::vector<float> delta(VALUE_CLASSES);
    for (int c = 0; c < VALUE_CLASSES; ++c) {
        const double chance = p[static_cast<std::size_t>(c)] / sum;
        p[static_cast<std::size_t>(c)] = chance;
        // Each orientation carries half of the mean's gradient.
        delta[static_cast<std::size_t>(c)] =
            static_cast<float>(0.5 * (chance - (c == example.label ? 1.0 : 0.0)));
    }
    backward(net, direct, delta, gradient);
    backward(net, mirrored, delta, gradient);
    return -std::log(std::max(p[static_cast<std::size_t>(example.label)], 1e-300));
}

ValueNet initial_net(const TrainOptions& options) {
    ValueNet net = zero_value_net(options.hidden);
    SampleRandom random(mix_seed(options.seed, 0x696e6974ULL));
    const std::size_t layers = net.weights.size();
    for (std::size_t l = 0; l < layers; ++l) {
        // He's scale for the rectified layers, a small last layer so that
        // the first chances are nearly even.
        const double scale = std::sqrt(2.0 / net.sizes[l]) * (l + 1 == layers ? 0.1 : 1.0);
        for (float& w : net.weights[l]) {
            w = static_cast<float>(scale * random.gaussian());
        }
    }
    return net;
}

// An input no example sets learnt nothing, but its first weights are
// still where the random start put them, and the player would take them at
// their word where it sets the input (an opponent the games did not tell).
void silence_unseen_inputs(ValueNet& net, const std::vector<Example>& examples) {
    const int n_in = net.sizes[0];
    for (int i = 0; i < n_in; ++i) {
        const bool seen = std::any_of(examples.begin(), examples.end(), [i](const Example& e) {
            return e.inputs[static_cast<std::size_t>(i)] != 0.0f;
        });
        for (int o = 0; !seen && o < net.sizes[1]; ++o) {
            net.weights[0][static_cast<std::size_t>(o * n_in + i)] = 0.0f;
        }
    }
}

struct Adam {
    Layers m_w, v_w, m_b, v_b;
    long step = 0;

    explicit Adam(const ValueNet& net) {
        for (std::size_t l = 0; l < net.weights.size(); ++l) {
            m_w.emplace_back(net.weights[l].size(), 0.0f);
            v_w.emplace_back(net.weights[l].size(), 0.0f);
            m_b.emplace_back(net.biases[l].size(), 0.0f);
            v_b.emplace_back(net.biases[l].size(), 0.0f);
        }
    }

    void apply(ValueNet& net, const Gradient& g, float scale, float rate, float l2) {
        ++step;
        const double b1 = 1.0 - std::pow(0.9, static_cast<double>(step));
        const double b2 = 1.0 - std::pow(0.999, static_cast<double>(step));
        const auto update = [&](std::vector<float>& w, const std::vector<float>& grad,
                                std::vector<float>& m, std::vector<float>& v, float decay) {
            for (std::size_t k = 0; k < w.size(); ++k) {
                const float gk = grad[k] * scale + decay * w[k];
                m[k] = 0.9f * m[k] + 0.1f * gk;
                v[k] = 0.999f * v[k] + 0.001f * gk * gk;
                const double step_k = (m[k] / b1) / (std::sqrt(v[k] / b2) + 1e-8);
                w[k] -= static_cast<float>(rate * step_k);
            }
        };
        for (std::size_t l = 0; l < net.weights.size(); ++l) {
            update(net.weights[l], g.weights[l], m_w[l], v_w[l], l2);
            update(net.biases[l], g.biases[l], m_b[l], v_b[l], 0.0f);
        }
    }
};

// Runs `work(slice)` for every slice on up to `threads` threads.
void for_slices(int threads, const std::function<void(int)>& work) {
    if (threads <= 1) {
        for (int s = 0; s < SLICES; ++s) {
            work(s);
        }
        return;
    }
    std::vector<std::thread> pool;
    const int used = std::min(threads, SLICES);
    for (int t = 0; t < used; ++t) {
        pool.emplace_back([&, t] {
            for (int s = t; s < SLICES; s += used) {
                work(s);
            }
        });
    }
    for (std::thread& thread : pool) {
        thread.join();
    }
}

}  // namespace

ValueNet train_value_net(const std::vector<Example>& examples, const TrainOptions& options,
                         const EpochReport& report) {
    ValueNet net = initial_net(options);
    net.prepare();
    if (examples.empty()) {
        return net;
    }
    Adam adam(net);
    std::vector<Gradient> slices(SLICES, Gradient(net));
    std::vector<Pass> direct(SLICES, Pass(net));
    std::vector<Pass> mirrored(SLICES, Pass(net));
    std::vector<double> slice_loss(SLICES);
    std::vector<std::size_t> order(examples.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    SampleRandom shuffle(mix_seed(options.seed, 0x73687566ULL));
    const std::size_t batch = static_cast<std::size_t>(std::max(1, options.batch));
    const std::size_t batches = (examples.size() + batch - 1) / batch;
    const double total_steps = static_cast<double>(batches) * options.epochs;
    for (int epoch = 1; epoch <= options.epochs; ++epoch) {
        for (std::size_t i = order.size(); i > 1; --i) {
            std::swap(order[i - 1], order[static_cast<std::size_t>(shuffle.next() % i)]);
        }
        double epoch_loss = 0.0;
        for (std::size_t b = 0; b < batches; ++b) {
            const std::size_t first = b * batch;
            const std::size_t last = std::min(first + batch, examples.size());
            const std::size_t per_slice = (last - first + SLICES - 1) / SLICES;
            for_slices(options.threads, [&](int s) {
                slices[static_cast<std::size_t>(s)].clear();
                slice_loss[static_cast<std::size_t>(s)] = 0.0;
                const std::size_t from = first + static_cast<std::size_t>(s) * per_slice;
                const std::size_t to = std::min(last, from + per_slice);
                for (std::size_t k = from; k < to; ++k) {
                    slice_loss[static_cast<std::size_t>(s)] +=
                        learn_one(net, examples[order[k]], direct[static_cast<std::size_t>(s)],
                                  mirrored[static_cast<std::size_t>(s)],
                                  slices[static_cast<std::size_t>(s)]);
                }
            });
            for (int s = 1; s < SLICES; ++s) {
                slices[0].add(slices[static_cast<std::size_t>(s)]);
            }
            for (double loss : slice_loss) {
                epoch_loss += loss;
            }
            const double progress = static_cast<double>(adam.step) / total_steps;
            const float rate = static_cast<float>(options.rate * 0.5 * (1.0 + std::cos(std::numbers::pi * progress)));
            adam.apply(net, slices[0], 1.0f / static_cast<float>(last - first), rate, options.l2);
        }
        if (report) {
            report(epoch, epoch_loss / static_cast<double>(examples.size()));
        }
    }
    silence_unseen_inputs(net, examples);
    net.prepare();
    return net;
}

double mean_log_loss(const ValueNet& net, const std::vector<Example>& examples) {
    if (examples.empty()) {
        return 0.0;
    }
    double loss = 0.0;
    for (const Example& example : examples) {
        const ValueChances chances = value_chances(net, example.inputs);
        loss -= std::log(std::max(chances[static_cast<std::size_t>(example.label)], 1e-300));
    }
    return loss / static_cast<double>(examples.size());
}

}  // namespace planner
