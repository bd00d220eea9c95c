#!/usr/bin/env python3
"""Draws a stone to the button past a guard, prints where the stones come to
rest, then throws the same shot five times with execution noise."""

import math

import curling_simulator as cs


def describe(stone):
    if stone is None:
        return "out of play"
    away = math.hypot(stone.x - cs.CENTRE_X, stone.y - cs.TEE_Y)
    return f"rests at x {stone.x:.3f} y {stone.y:.3f} ({away:.2f} m from the tee)"


def main():
    sim = cs.Simulator()
    print(f"library: {sim.path}")
    state = cs.GameState(shot_number=1, moving_side=1)
    state.stones[0] = cs.Position(cs.CENTRE_X - 0.4, cs.TEE_Y + 3.0)  # the other side's guard

    aim = sim.create_shot(cs.Target(cs.CENTRE_X, cs.TEE_Y, spin=1))
    print(f"shot: vx {aim.shot.vx:.4f} vy {aim.shot.vy:.4f} spin {aim.shot.spin}")
    after, at_rest = sim.simulate(state, aim.shot)
    for k, stone in enumerate(after.stones[:2]):
        print(f"stone {k}: {describe(stone)}")
    print(f"score: {sim.score(after)} (positive: side 0 scores)")

    path = sim.trajectory(state, aim.shot, interval=0.1)
    print(f"trajectory: {len(path.frames)} frames of 0.1 s")

    sim.seed_noise(7)
    for result in sim.simulate_many(state, [aim.shot] * 5, spread=0.145):
        print(f"with noise: stone 1 {describe(result.state.stones[1])}")


if __name__ == "__main__":
    main()
