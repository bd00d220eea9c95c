#include "rollout_policy.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "delivery.h"
#include "sheet.h"

namespace planner {

namespace {

ShotVector draw_to(const SimulatorApi& api, float x, float y, int spin) {
    ShotVector shot{};
    api.CreateShot(ShotTarget{x, y, static_cast<std::uint8_t>(spin)}, &shot);
    return shot;
}

// Equal as the library reads them: 0 and -0 are not the same shot.
bool same_bits(float a, float b) {
    std::uint32_t x = 0;
    std::uint32_t y = 0;
    std::memcpy(&x, &a, sizeof x);
    std::memcpy(&y, &b, sizeof y);
    return x == y;
}

// Draws to the same few points of the house are asked for in nearly every
// look-ahead; the library's answer depends on the target alone, so each
// thread solves each of them once. Only fixed points come here: a target
// taken from a stone's position would fill the table with one-offs.
ShotVector fixed_draw(const SimulatorApi& api, float x, float y, int spin) {
    struct Solved {
        decltype(api.CreateShot) create;
        float x;
        float y;
        int spin;
        ShotVector shot;
    };
    static constexpr int CAPACITY = 64;
    thread_local Solved solved[CAPACITY];
    thread_local int count = 0;
    for (int k = 0; k < count; ++k) {
        const Solved& e = solved[k];
        if (e.create == api.CreateShot && same_bits(e.x, x) && same_bits(e.y, y) && e.spin == spin) {
            return e.shot;
        }
    }
    const ShotVector shot = draw_to(api, x, y, spin);
    if (count < CAPACITY) {
        solved[count++] = Solved{api.CreateShot, x, y, spin, shot};
    }
    return shot;
}

ShotVector hit_on(const SimulatorApi& api, const StonePosition& stone, float strength, int spin) {
    ShotVector shot{};
    api.CreateHitShot(ShotTarget{stone.x, stone.y, static_cast<std::uint8_t>(spin)}, strength,
                      &shot);
    return shot;
}

// A draw curls toward +x with spin 0, so it comes in from the -x side: to
// pass a stone lying on the +x side of the line, spin 0.
int spin_around(float target_x, float blocker_x) { return blocker_x >= target_x ? 0 : 1; }

// The stone nearest in front of `target` on its line, or -1.
int guard_of(const GAMESTATE& state, const StonePosition& target) {
    int best = -1;
    float nearest = 1e9f;
    for (int k = 0; k < STONES; ++k) {
        const StonePosition& s = state.stones[k];
        if (!stone_in_play(s) || s.y <= target.y + 0.1f || s.y > HOG_Y) {
            continue;
        }
        if (std::fabs(s.x - target.x) < 0.45f && s.y - target.y < nearest) {
            nearest = s.y - target.y;
            best = k;
        }
    }
    return best;
}

[[maybe_unused]] bool centre_guarded(const GAMESTATE& state) {
    for (const StonePosition& s : state.stones) {
        if (stone_in_play(s) && s.y > TEE_Y + HOUSE_REACH && s.y < HOG_Y &&
            std::fabs(s.x - TEE_X) < 0.5f) {
            return true;
        }
    }
    return false;
}

// The open spot in the house farthest from every stone, among a few.
StonePosition open_spot(const GAMESTATE& state, bool sides_only) {
    static constexpr float SPOTS[][2] = {{0.0f, 0.0f},   {-0.8f, 0.2f}, {0.8f, 0.2f},
                                         {-0.5f, 0.7f},  {0.5f, 0.7f},  {0.0f, 0.9f},
                                         {-1.0f, -0.3f}, {1.0f, -0.3f}};
    StonePosition best{TEE_X, TEE_Y};
    float best_gap = -1.0f;
    for (const auto& spot : SPOTS) {
        if (sides_only && spot[0] == 0.0f) {
            continue;
        }
        const StonePosition p{TEE_X + spot[0], TEE_Y + spot[1]};
        float gap = 3.0f;
        for (const StonePosition& s : state.stones) {
            if (stone_in_play(s)) {
                gap = std::min(gap, std::hypot(s.x - p.x, s.y - p.y));
            }
        }
        // Nearer the tee is worth a little gap.
        gap -= 0.25f * std::hypot(spot[0], spot[1]);
        if (gap > best_gap) {
            best_gap = gap;
            best = p;
        }
    }
    return best;
}

ShotVector attack(const SimulatorApi& api, const GAMESTATE& state, int stone,
                  SampleRandom& random) {
    const StonePosition& s = state.stones[stone];
    const int spin = random.uniform() < 0.5 ? 0 : 1;
    if (path_open(state, stone)) {
        return hit_on(api, s, 14.0f + 8.0f * static_cast<float>(random.uniform()), spin);
    }
    const int guard = guard_of(state, s);
    const int around = guard >= 0 ? spin_around(s.x, state.stones[guard].x) : spin;
    if (tee_distance(s) > 0.5f) {
        return fixed_draw(api, TEE_X, TEE_Y, around);
    }
    // Freeze: come to rest touching the front of it.
    return draw_to(api, s.x, s.y + 2.0f * STONE_RADIUS + 0.02f, around);
}

}  // namespace

ShotVector greedy_shot(const SimulatorApi& api, const GAMESTATE& state, SampleRandom& random) {
    const int shot = state.shot_number;
    const int team = team_of(shot);
    const bool hammer = team == 1;
    const HouseView house = view_house(state);
    const int shot_team = house.shot_team();
    const int spin = random.uniform() < 0.5 ? 0 : 1;

    if (shot == LAST_SHOT) {
        if (shot_team == team) {
            return ShotVector{0.0f, -10.0f, 0};  // already counting: throw it away
        }
        if (shot_team < 0) {
            return fixed_draw(api, TEE_X, TEE_Y + 0.3f, spin);
        }
        return attack(api, state, house.order[0], random);
    }
    if (shot_team >= 0 && shot_team != team) {
        return attack(api, state, house.order[0], random);
    }
    // The hammer team keeps the centre open; the other team draws to it.
    const StonePosition spot = open_spot(state, hammer && shot < 12);
    return fixed_draw(api, spot.x, spot.y, spot.x < TEE_X ? 0 : 1);
}

namespace {

// What the team that just threw would score with the stones as they lie.
double own_score(const SimulatorApi& api, const GAMESTATE& state, int team) {
    const int score0 = team0_score(api.GetScore, state);
    return team == 0 ? score0 : -score0;
}

// The stones as they lie, for the team that just threw: what it would
// score now, and a little for each stone in the house.
double as_they_lie(const SimulatorApi& api, const GAMESTATE& state, int team) {
    double value = own_score(api, state, team);
    for (int k = 0; k < STONES; ++k) {
        if (in_house(state.stones[k])) {
            value += team_of(k) == team ? 0.3 : -0.3;
        }
    }
    return value;
}

// The end score the value model expects for the team that just threw.
double expected_score(const ValueNet& judge, const GAMESTATE& state, int team) {
    // The library counts the stone just played in shot_number.
    const ValueChances chances = value_chances(judge, state, state.shot_number);
    double mean = 0.0;
    for (int c = 0; c < VALUE_CLASSES; ++c) {
        mean += (VALUE_LOW + c) * chances[static_cast<std::size_t>(c)];
    }
    return team == 1 ? mean : -mean;
}

}  // namespace

double judge_stones(const SimulatorApi& api, const GAMESTATE& state, int team,
                    const ValueNet* judge) {
    if (judge == nullptr) {
        return as_they_lie(api, state, team);
    }
    // After the last stone the score is the end's.
    return state.shot_number >= STONES ? own_score(api, state, team)
                                          : expected_score(*judge, state, team);
}

namespace {

bool same_shot(const ShotVector& a, const ShotVector& b) {
    return same_bits(a.vx, b.vx) && same_bits(a.vy, b.vy) && a.spin == b.spin;
}

// The proposals of one careful choice, in the order they are tried (the
// first of equal results is played). The same shot twice (the greedy one
// is often the draw to the open spot) ends the same and, tried later, could
// never be preferred, so it is kept once; `tries` still counts it, so the
// budget buys the same samples.
struct Proposals {
    static constexpr int CAPACITY = 64;
    ShotVector shots[CAPACITY];
    int count = 0;
    int tries = 0;
    void add(const ShotVector& shot) {
        if (tries == CAPACITY) {
            return;
        }
        ++tries;
        for (int q = 0; q < count; ++q) {
            if (same_shot(shots[q], shot)) {
                return;
            }
        }
        shots[count++] = shot;
    }
};

// What a strong opponent adds on a stone it attacks: lighter and heavier
// weights, and thin on either side for a roll or a double.
void add_hit_variants(const SimulatorApi& api, const StonePosition& s, int spin,
                      Proposals& out) {
    out.add(hit_on(api, s, 10.0f, spin));
    out.add(hit_on(api, s, 24.0f, spin));
    out.add(hit_on(api, StonePosition{s.x - 0.12f, s.y}, 16.0f, 1 - spin));
    out.add(hit_on(api, StonePosition{s.x + 0.12f, s.y}, 16.0f, 1 - spin));
}

// The last stone decides the end, and a strong finisher looks wide there:
// draws over the middle of the house and hits on the other team's three
// best stones, both turns.
void add_last_stone_net(const SimulatorApi& api, const GAMESTATE& state, const HouseView& house,
                        int team, Proposals& out) {
    for (int spin = 0; spin < 2; ++spin) {
        for (const float dx : {-0.6f, 0.0f, 0.6f}) {
            for (const float dy : {-0.5f, 0.0f, 0.5f}) {
                out.add(fixed_draw(api, TEE_X + dx, TEE_Y + dy, spin));
            }
        }
    }
    int others = 0;
    for (int i = 0; i < house.count && others < 3; ++i) {
        const int k = house.order[i];
        if (team_of(k) == team) {
            continue;
        }
        const StonePosition& s = state.stones[k];
        for (int spin = 0; spin < 2; ++spin) {
            out.add(hit_on(api, s, 16.0f, spin));
            out.add(hit_on(api, s, 8.0f, spin));
            out.add(hit_on(api, StonePosition{s.x - 0.12f, s.y}, 20.0f, spin));
            out.add(hit_on(api, StonePosition{s.x + 0.12f, s.y}, 20.0f, spin));
        }
        ++others;
    }
}

}  // namespace

ShotVector careful_shot(const SimulatorApi& api, const GAMESTATE& state, SampleRandom& random,
                        int& simulations, bool strong, const ValueNet* judge, int rule) {
    const int shot = state.shot_number;
    const int team = team_of(shot);
    const HouseView house = view_house(state);
    const int spin = random.uniform() < 0.5 ? 0 : 1;
    Proposals proposals;
    proposals.add(greedy_shot(api, state, random));
    proposals.add(fixed_draw(api, TEE_X, TEE_Y + 0.15f, spin));
    const StonePosition spot = open_spot(state, false);
    proposals.add(fixed_draw(api, spot.x, spot.y, spot.x < TEE_X ? 0 : 1));
    int enemies = 0;
    for (int i = 0; i < house.count && enemies < 2; ++i) {
        const int k = house.order[i];
        if (team_of(k) != team) {
            proposals.add(hit_on(api, state.stones[k], 16.0f, spin));
            if (strong) {
                add_hit_variants(api, state.stones[k], spin, proposals);
            }
            ++enemies;
        }
    }
    if (house.shot_team() == team) {
        const StonePosition& best = state.stones[house.order[0]];
        proposals.add(draw_to(api, best.x, std::min(best.y + 2.6f, HOG_Y - 0.6f), spin));
        proposals.add(ShotVector{0.0f, -10.0f, 0});
    }
    // A strong finisher is judged by the end's score alone: nothing follows.
    const bool by_score = strong && shot == LAST_SHOT;
    if (by_score) {
        add_last_stone_net(api, state, house, team, proposals);
    }
    int chosen = 0;
    double best_value = -1e9;
    simulations += proposals.tries;
    for (int p = 0; p < proposals.count; ++p) {
        GAMESTATE tried = state;
        play_shot(api, rule, tried, proposals.shots[p]);
        const double value = by_score ? own_score(api, tried, team)
                                      : judge_stones(api, tried, team, judge);
        if (value > best_value) {
            best_value = value;
            chosen = p;
        }
    }
    return proposals.shots[chosen];
}

ShotVector clear_shot(const SimulatorApi& api, const GAMESTATE& state, SampleRandom& random) {
    const int team = team_of(state.shot_number);
    int target = -1;
    float nearest = 1e9f;
    bool open = false;
    for (int k = 0; k < STONES; ++k) {
        const StonePosition& s = state.stones[k];
        if (team_of(k) == team || !stone_in_play(s)) {
            continue;
        }
        const bool path = path_open(state, k);
        const float d = tee_distance(s);
        if ((path && !open) || (path == open && d < nearest)) {
            target = k;
            nearest = d;
            open = path;
        }
    }
    if (target >= 0) {
        return hit_on(api, state.stones[target], 24.0f, random.uniform() < 0.5 ? 0 : 1);
    }
    if (team == 1) {
        return ShotVector{0.0f, -10.0f, 0};
    }
    return greedy_shot(api, state, random);
}

ShotVector rollout_shot(const SimulatorApi& api, const GAMESTATE& state, SampleRandom& random,
                        int careful_from, int& simulations, bool strong,
                        const ValueNet* judge, int rule) {
    return state.shot_number >= careful_from
               ? careful_shot(api, state, random, simulations, strong, judge, rule)
               : greedy_shot(api, state, random);
}

}  // namespace planner
