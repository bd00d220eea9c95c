#include "candidates.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "sheet.h"

namespace planner {

namespace {

// A stone as curlers and the pictures name it: its team's colour (the
// side that threw first in a match is red) and its number in the team's
// throwing order, "yellow 3" rather than its slot.
std::string stone_name(const GAMESTATE& state, int slot) {
    const int mover = state.moving_side != 0 ? 1 : 0;
    const int side = (slot % 2) == (state.shot_number % 2) ? mover : 1 - mover;
    return std::string(side == 0 ? "red " : "yellow ") + std::to_string(slot / 2 + 1);
}

struct Builder {
    const SimulatorApi& api;
    std::vector<Candidate>& out;

    void draw(Intention intention, float x, float y, int spin, int stone, const char* what) {
        Candidate c;
        c.intention = intention;
        c.stone = stone;
        c.target = ShotTarget{x, y, static_cast<std::uint8_t>(spin)};
        if (api.CreateShot(c.target, &c.shot) < 0) {
            return;
        }
        c.label = std::string(what) + (spin == 0 ? " in" : " out");
        out.push_back(c);
    }

    void hit(int stone, const std::string& name, const StonePosition& s, float offset,
             float strength, int spin, const char* weight) {
        Candidate c;
        c.intention = Intention::HIT;
        c.stone = stone;
        c.strength = strength;
        c.target = ShotTarget{s.x + offset, s.y, static_cast<std::uint8_t>(spin)};
        if (api.CreateHitShot(c.target, strength, &c.shot) < 0) {
            return;
        }
        const char* line = offset == 0.0f ? "full" : (offset < 0.0f ? "left" : "right");
        char label[64];
        if (offset == 0.0f) {
            std::snprintf(label, sizeof label, "%s %s full %s", weight, name.c_str(),
                          spin == 0 ? "in" : "out");
        } else {
            std::snprintf(label, sizeof label, "%s %s %s %.2f %s", weight, name.c_str(), line,
                          static_cast<double>(std::fabs(offset)), spin == 0 ? "in" : "out");
        }
        c.label = label;
        out.push_back(c);
    }
};

bool reachable_rest(float x, float y) {
    return x > STONE_RADIUS + 0.02f && x < static_cast<float>(CURLING_SHEET_WIDTH) - STONE_RADIUS - 0.02f &&
           y > BACK_Y + 0.05f && y < HOG_Y - 0.3f;
}

}  // namespace

std::vector<Candidate> make_candidates(const SimulatorApi& api, const GAMESTATE& state) {
    std::vector<Candidate> out;
    Builder make{api, out};
    for (int spin = 0; spin < 2; ++spin) {
        make.draw(Intention::DRAW, TEE_X, TEE_Y, spin, -1, "draw tee");
        make.draw(Intention::DRAW, TEE_X, TEE_Y + 0.5f, spin, -1, "draw top 4ft");
        make.draw(Intention::DRAW, TEE_X, TEE_Y + 1.2f, spin, -1, "draw top 8ft");
        make.draw(Intention::DRAW, TEE_X, TEE_Y - 0.6f, spin, -1, "draw back 4ft");
        make.draw(Intention::DRAW, TEE_X - 0.7f, TEE_Y + 0.2f, spin, -1, "draw left");
        make.draw(Intention::DRAW, TEE_X + 0.7f, TEE_Y + 0.2f, spin, -1, "draw right");
        make.draw(Intention::DRAW, TEE_X - 1.2f, TEE_Y + 0.4f, spin, -1, "draw left 12ft");
        make.draw(Intention::DRAW, TEE_X + 1.2f, TEE_Y + 0.4f, spin, -1, "draw right 12ft");
        make.draw(Intention::DRAW, TEE_X - 0.6f, TEE_Y + 0.9f, spin, -1, "draw top left");
        make.draw(Intention::DRAW, TEE_X + 0.6f, TEE_Y + 0.9f, spin, -1, "draw top right");
        make.draw(Intention::GUARD, TEE_X, TEE_Y + 2.6f, spin, -1, "guard centre short");
        make.draw(Intention::GUARD, TEE_X, TEE_Y + 3.6f, spin, -1, "guard centre long");
        make.draw(Intention::GUARD, TEE_X - 1.0f, TEE_Y + 2.8f, spin, -1, "guard left");
        make.draw(Intention::GUARD, TEE_X + 1.0f, TEE_Y + 2.8f, spin, -1, "guard right");
    }
    for (int k = 0; k < STONES; ++k) {
        const StonePosition& s = state.stones[k];
        if (!stone_in_play(s) || k == state.shot_number) {
            continue;
        }
        const std::string name = stone_name(state, k);
        const char* named = name.c_str();
        char what[48];
        for (int spin = 0; spin < 2; ++spin) {
            const float front = s.y + 2.0f * STONE_RADIUS + 0.02f;
            if (reachable_rest(s.x, front)) {
                std::snprintf(what, sizeof what, "freeze %s", named);
                make.draw(Intention::FREEZE, s.x, front, spin, k, what);
            }
            if (s.y > TEE_Y - 0.5f && reachable_rest(s.x, s.y - 0.5f)) {
                std::snprintf(what, sizeof what, "behind %s", named);
                make.draw(Intention::COME_AROUND, s.x, s.y - 0.5f, spin, k, what);
            }
            if (s.y > TEE_Y + 1.5f && reachable_rest(s.x, s.y - 1.3f)) {
                std::snprintf(what, sizeof what, "come around %s", named);
                make.draw(Intention::COME_AROUND, s.x, s.y - 1.3f, spin, k, what);
            }
            if (in_house(s) && reachable_rest(s.x, s.y + 2.6f)) {
                std::snprintf(what, sizeof what, "guard %s", named);
                make.draw(Intention::GUARD, s.x, s.y + 2.6f, spin, k, what);
            }
            // Weights: a tap or raise, a hit that stays, a peel.
            make.hit(k, name, s, 0.0f, 4.0f, spin, "tap");
            make.hit(k, name, s, 0.0f, 12.0f, spin, "hit");
            make.hit(k, name, s, 0.0f, 24.0f, spin, "peel");
            if (in_house(s)) {
                // Thin on either side: a hit and roll, or a double.
                make.hit(k, name, s, -0.12f, 12.0f, spin, "hit");
                make.hit(k, name, s, 0.12f, 12.0f, spin, "hit");
            }
        }
        // Beside a stone, curling toward it.
        for (float side : {-0.35f, 0.35f}) {
            if (reachable_rest(s.x + side, s.y)) {
                std::snprintf(what, sizeof what, "beside %s %s", named, side < 0 ? "left" : "right");
                make.draw(Intention::BESIDE, s.x + side, s.y, side < 0 ? 0 : 1, k, what);
            }
        }
    }
    if (state.shot_number >= LAST_SHOT - 1) {
        // The last stones are judged exactly and cheaply: a finer net of
        // draws over the house and more lines and weights on each stone.
        for (int spin = 0; spin < 2; ++spin) {
            for (float radius : {0.3f, 0.6f, 0.9f, 1.3f}) {
                for (int step = 0; step < 8; ++step) {
                    const float angle = 0.7853982f * static_cast<float>(step);
                    const float x = TEE_X + radius * std::cos(angle);
                    const float y = TEE_Y + radius * std::sin(angle);
                    char what[48];
                    std::snprintf(what, sizeof what, "draw %.1f m %d", static_cast<double>(radius),
                                  step * 45);
                    make.draw(Intention::DRAW, x, y, spin, -1, what);
                }
            }
            for (int k = 0; k < STONES; ++k) {
                const StonePosition& s = state.stones[k];
                if (!in_house(s) || k == state.shot_number) {
                    continue;
                }
                const std::string name = stone_name(state, k);
                for (float offset : {-0.2f, -0.06f, 0.06f, 0.2f}) {
                    make.hit(k, name, s, offset, 8.0f, spin, "soft hit");
                    make.hit(k, name, s, offset, 18.0f, spin, "firm hit");
                }
            }
        }
    }
    Candidate away;
    away.shot = ShotVector{0.0f, -10.0f, 0};
    away.intention = Intention::THROW_AWAY;
    away.label = "throw away";
    out.push_back(away);
    return out;
}

}  // namespace planner
