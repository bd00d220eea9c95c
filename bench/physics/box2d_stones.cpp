#include "box2d_stones.h"

#include <box2d/box2d.h>

#include <cmath>
#include <numbers>

namespace physics_bench {

namespace cp = curling::physics;

namespace {

// The iterations Box2D's documentation recommends for a stepped world.
constexpr int VELOCITY_ITERATIONS = 8;
constexpr int POSITION_ITERATIONS = 3;
// The rules' heaviest stone. The model's collisions are between equal
// masses and do not depend on it; Box2D's solver needs one.
constexpr double STONE_MASS = 19.96;  // kg
// The longest shot lasts about 30 s; a world still sliding long after that
// has gone wrong and is reported as cut short.
constexpr double MAX_TIME = 120.0;  // s

bool out_of_play(b2Vec2 p) {
    return !(std::fabs(p.x) < cp::MAX_ABS_U && p.y >= cp::MIN_Y && p.y <= cp::MAX_Y);
}

b2Body* add_stone(b2World& world, cp::Vec2 at) {
    b2BodyDef body;
    body.type = b2_dynamicBody;
    body.position.Set(static_cast<float>(at.x), static_cast<float>(at.y));
    b2Body* stone = world.CreateBody(&body);
    b2CircleShape disc;
    disc.m_radius = static_cast<float>(cp::STONE_RADIUS);
    b2FixtureDef fixture;
    fixture.shape = &disc;
    // Box2D gives a disc of this density the stone's mass and m R^2 / 2.
    fixture.density = static_cast<float>(STONE_MASS / (std::numbers::pi * cp::STONE_RADIUS * cp::STONE_RADIUS));
    fixture.friction = static_cast<float>(cp::STONE_FRICTION);
    fixture.restitution = static_cast<float>(cp::RESTITUTION);
    // The model bounces at every approach speed; Box2D's default makes
    // contacts slower than 1 m/s perfectly inelastic.
    fixture.restitutionThreshold = 0.0f;
    stone->CreateFixture(&fixture);
    return stone;
}

// Applies the ice to one stone for a step of dt: friction against the
// slide, the curl across it toward the side the stone turns to, and a
// torque that slows the spin with the slide (omega / v constant, as on a
// free path). A stone whose speed would reach zero within the step stops,
// spin and slide together. Returns whether it still slides.
bool apply_ice(b2Body& stone, double dt) {
    const b2Vec2 v = stone.GetLinearVelocity();
    const double w = stone.GetAngularVelocity();
    const double speed = std::hypot(static_cast<double>(v.x), static_cast<double>(v.y));
    if (speed <= cp::DECEL * dt) {
        if (speed > 0.0 || w != 0.0) {
            stone.SetLinearVelocity(b2Vec2(0.0f, 0.0f));
            stone.SetAngularVelocity(0.0f);
        }
        return false;
    }
    const double ux = v.x / speed;
    const double uy = v.y / speed;
    const double s = w > 0.0 ? 1.0 : (w < 0.0 ? -1.0 : 0.0);
    const double curl = s * cp::CURL_K * speed / (speed * speed + cp::CURL_VC * cp::CURL_VC);
    const double m = stone.GetMass();
    stone.ApplyForceToCenter(b2Vec2(static_cast<float>(m * (-cp::DECEL * ux - curl * uy)),
                                    static_cast<float>(m * (-cp::DECEL * uy + curl * ux))),
                             true);
    stone.ApplyTorque(static_cast<float>(-stone.GetInertia() * (w / speed) * cp::DECEL), true);
    return true;
}

bool touches_another(const b2Body& stone) {
    for (const b2ContactEdge* e = stone.GetContactList(); e != nullptr; e = e->next) {
        if (e->contact->IsTouching()) return true;
    }
    return false;
}

}  // namespace

const char* box2d_version() {
#ifdef PHYSICS_BENCH_BOX2D_VERSION
    return PHYSICS_BENCH_BOX2D_VERSION;
#else
    return "2.4";
#endif
}

Box2DResult box2d_shot(cp::Sheet& sheet, int thrown, cp::Vec2 vel, int spin, double rate_hz) {
    const double dt = 1.0 / rate_hz;
    b2World world(b2Vec2(0.0f, 0.0f));
    // Resting is decided by the stop rule; a sleeping body would also drop
    // the forces of a slow slide.
    world.SetAllowSleeping(false);
    b2Body* stones[cp::STONES] = {};
    bool removed[cp::STONES] = {};
    for (int k = 0; k < cp::STONES; ++k) {
        if (k != thrown && sheet.slot[k] == cp::Slot::IN_PLAY) stones[k] = add_stone(world, sheet.pos[k]);
    }
    b2Body* delivered = add_stone(world, cp::Vec2{0.0, cp::RELEASE_Y});
    stones[thrown] = delivered;
    const double speed = std::hypot(vel.x, vel.y);
    delivered->SetLinearVelocity(b2Vec2(static_cast<float>(vel.x), static_cast<float>(vel.y)));
    delivered->SetAngularVelocity(static_cast<float>(spin * cp::SPIN_PER_SPEED * speed));

    Box2DResult result;
    for (;;) {
        bool sliding = false;
        for (b2Body* stone : stones) {
            if (stone != nullptr) sliding |= apply_ice(*stone, dt);
        }
        if (!sliding) break;
        if (static_cast<double>(result.steps) * dt >= MAX_TIME) {
            result.cut_short = true;
            break;
        }
        world.Step(static_cast<float>(dt), VELOCITY_ITERATIONS, POSITION_ITERATIONS);
        ++result.steps;
        for (int k = 0; k < cp::STONES; ++k) {
            if (stones[k] == nullptr || !out_of_play(stones[k]->GetPosition())) continue;
            world.DestroyBody(stones[k]);
            stones[k] = nullptr;
            removed[k] = true;
        }
        if (stones[thrown] != nullptr && !result.delivered_hit) result.delivered_hit = touches_another(*delivered);
    }
    result.end_time = static_cast<double>(result.steps) * dt;
    // hog line rule
    if (stones[thrown] != nullptr && !result.delivered_hit && !(delivered->GetPosition().y < cp::HOG_CLEAR_Y)) {
        stones[thrown] = nullptr;
        removed[thrown] = true;
    }
    for (int k = 0; k < cp::STONES; ++k) {
        if (stones[k] != nullptr) {
            const b2Vec2 p = stones[k]->GetPosition();
            sheet.slot[k] = cp::Slot::IN_PLAY;
            sheet.pos[k] = cp::Vec2{p.x, p.y};
        } else if (removed[k]) {
            sheet.slot[k] = cp::Slot::REMOVED;
        }
    }
    return result;
}

}  // namespace physics_bench
