"""The Python module against the C interface: the same cases played through
both must give the same bits, and what the library cannot take must raise a
clear error instead of reaching it wrapped or truncated."""

import os
import random
import struct
import subprocess
import sys
import unittest

import curling_simulator as cs

REFERENCE = os.environ["CURLING_REFERENCE_CASES"]


def bits(value):
    return struct.unpack("<I", struct.pack("<f", value))[0]


def hex_float(value):
    return f"{bits(value):08x}"


def stones_text(stones):
    return "".join(f" {hex_float(0.0 if s is None else s.x)} {hex_float(0.0 if s is None else s.y)}"
                   for s in stones)


def shot_text(tag, aim):
    return f"{tag} {int(aim.reachable)} {hex_float(aim.shot.vx)} {hex_float(aim.shot.vy)} {aim.shot.spin} "


def single(value):
    """The float32 nearest to `value`, as a Python float."""
    return struct.unpack("<f", struct.pack("<f", value))[0]


# The free guard zone rules by name, and the codes curling_simulator.h gives them.
RULES = [("none", False, cs.RULE_NONE), ("four-rock", False, cs.RULE_FOUR_ROCK),
         ("five-rock", False, cs.RULE_FIVE_ROCK), ("four-rock", True, cs.RULE_FOUR_ROCK | cs.RULE_NO_TICK),
         ("five-rock", True, cs.RULE_FIVE_ROCK | cs.RULE_NO_TICK)]


def random_case(rng):
    state = cs.GameState(
        shot_number=rng.randrange(16), current_end=rng.randrange(-3, 12), last_end=rng.randrange(12),
        end_scores=[rng.choice([0, 1, -2, 2**31 - 1, -(2**31)]) for _ in range(10)],
        moving_side=rng.randrange(2))
    for k in range(16):
        kind = rng.random()
        if kind < 0.5:  # in and around the house
            state.stones[k] = cs.Position(single(cs.CENTRE_X + rng.uniform(-2.2, 2.2)),
                                          single(cs.TEE_Y + rng.uniform(-2.0, 6.0)))
        elif kind < 0.6:  # out of play or not a number (not an empty slot): takes no part
            x, y = single(rng.uniform(0.2, 4.5)), single(rng.uniform(1, 30))
            state.stones[k] = cs.Position(*rng.choice([(0.05, y), (4.7, y), (float("nan"), y), (0.0, y), (x, 0.0)]))
    target = cs.Target(single(cs.CENTRE_X + rng.uniform(-2.6, 2.6)), single(rng.uniform(2.0, 14.0)),
                       rng.randrange(2))
    return {
        "seed": rng.getrandbits(64), "spread": single(rng.choice([0.0, 0.0, rng.uniform(0.0, 0.4)])),
        "limit": rng.choice([-1, -1, rng.randrange(0, 20000)]), "state": state, "target": target,
        "strength": single(rng.uniform(0.0, 40.0)), "interval": single(rng.choice([0.05, 0.25, 1.0])),
        "max_frames": rng.choice([1, 3, 40, 2500]), "rule": rng.choice(RULES),
    }


def case_line(case):
    s = case["state"]
    fields = [str(case["seed"]), hex_float(case["spread"]), str(case["limit"]), str(s.shot_number),
              str(s.current_end), str(s.last_end), str(s.moving_side)] + [str(e) for e in s.end_scores]
    line = " ".join(fields) + stones_text(s.stones)
    t = case["target"]
    return (f"{line} {hex_float(t.x)} {hex_float(t.y)} {t.spin} {hex_float(case['strength'])} "
            f"{hex_float(case['interval'])} {case['max_frames']} {case['rule'][2]}")


def results_line(sim, case):
    state, limit = case["state"], case["limit"]
    draw = sim.create_shot(case["target"])
    hit = sim.create_hit_shot(case["target"], case["strength"])
    sim.seed_noise(case["seed"])
    after, at_rest = sim.simulate(state, hit.shot, spread=case["spread"], limit_ms=None if limit < 0 else limit)
    line = shot_text("D", draw) + shot_text("H", hit)
    line += (f"S {1 if at_rest else 2} {after.shot_number} {after.current_end} {after.last_end} "
             f"{after.moving_side} " + " ".join(str(e) for e in after.end_scores) + stones_text(after.stones))
    line += f" G {sim.score(state)} {sim.score(after)}"
    name, no_tick, _ = case["rule"]
    ruled = sim.apply_free_guard_zone(state, after, name, no_tick=no_tick)
    restored = sum(1 << k for k in ruled.restored)
    line += f" R {int(ruled.undone)} {restored:08x}" + stones_text(ruled.state.stones)
    sim.seed_noise(case["seed"])
    path = sim.trajectory(state, draw.shot, spread=case["spread"], interval=case["interval"],
                          max_frames=case["max_frames"])
    frames = path.frames
    return line + f" T {len(frames)}" + stones_text(frames[len(frames) // 2]) + stones_text(path.final)


class RoundTrip(unittest.TestCase):
    def test_every_entry_point_gives_the_bits_of_the_c_interface(self):
        rng = random.Random(20240613)
        cases = [random_case(rng) for _ in range(300)]
        sim = cs.Simulator()
        python = [results_line(sim, case) for case in cases]
        c = subprocess.run([REFERENCE], input="\n".join(case_line(x) for x in cases) + "\n",
                           capture_output=True, text=True, check=True).stdout.splitlines()
        self.assertEqual(len(c), len(cases))
        for k, (mine, theirs) in enumerate(zip(python, c)):
            self.assertEqual(mine, theirs, f"case {k}: {case_line(cases[k])}")
        # the cases reach what they are meant to: noise, cut-short plays, removals, scores,
        # deliveries the rule undid
        self.assertTrue(any(" S 2 " in line for line in python))
        self.assertTrue(any(" R 1 " in line for line in python))
        self.assertTrue(any(" G 0 0" not in line for line in python))


class Errors(unittest.TestCase):
    def test_a_missing_library_names_where_it_looked(self):
        with self.assertRaises(cs.LibraryNotFoundError) as caught:
            cs.Simulator("/nonexistent/libCurlingSimulator.so.0")
        self.assertIn("/nonexistent/libCurlingSimulator.so.0", str(caught.exception))

    def test_a_library_without_the_entry_points_is_refused(self):
        with self.assertRaises(cs.LibraryNotFoundError) as caught:
            cs.Simulator("libc.so.6")
        self.assertIn("missing entry point Simulation", str(caught.exception))

    def test_bad_records_raise_and_name_the_field(self):
        sim = cs.Simulator()
        draw = cs.Shot(0.0, -30.0, 0)

        def state(**fields):
            return cs.GameState(**fields)

        cases = [
            ("shot_number", lambda: sim.simulate(state(shot_number=16), draw)),
            ("shot_number", lambda: sim.simulate(state(shot_number=2**32), draw)),
            ("moving_side", lambda: sim.score(state(moving_side=2))),
            ("end_scores", lambda: sim.score(state(end_scores=[0] * 9))),
            ("end_scores[3]", lambda: sim.score(state(end_scores=[0, 0, 0, 2**31] + [0] * 6))),
            ("stones", lambda: sim.score(state(stones=[None] * 17))),
            ("stones[2]", lambda: sim.score(state(stones=[None, None, (1.0,)] + [None] * 13))),
            ("stones[0].y", lambda: sim.score(state(stones=[(1.0, "far")] + [None] * 15))),
            ("shot spin", lambda: sim.simulate(state(), cs.Shot(0.0, -30.0, 2))),
            ("shot vx", lambda: sim.simulate(state(), cs.Shot(None, -30.0, 0))),
            ("spread", lambda: sim.simulate(state(), draw, spread=float("nan"))),
            ("spread", lambda: sim.simulate(state(), draw, spread=-0.1)),
            ("limit_ms", lambda: sim.simulate(state(), draw, limit_ms=-5)),
            ("target spin", lambda: sim.create_shot((2.0, 5.0, -1))),
            ("seed", lambda: sim.seed_noise(-1)),
            ("interval", lambda: sim.trajectory(state(), draw, interval=0.0)),
            ("rule", lambda: sim.apply_free_guard_zone(state(), state(shot_number=1), "six-rock")),
            ("no-tick", lambda: sim.apply_free_guard_zone(state(), state(shot_number=1), "none", no_tick=True)),
            ("after.shot_number", lambda: sim.apply_free_guard_zone(state(), state(), "five-rock")),
            ("GameState", lambda: sim.score({"shot_number": 0})),
            # beyond single precision: would reach the library as infinity
            ("spread", lambda: sim.simulate(state(), draw, spread=1e39)),
            ("shot vx", lambda: sim.simulate(state(), cs.Shot(1e39, -30.0, 0))),
            ("shot vx", lambda: sim.simulate(state(), cs.Shot(10**400, -30.0, 0))),
            ("stones[0].y", lambda: sim.score(state(stones=[(1.0, -3.5e38)] + [None] * 15))),
            ("strength", lambda: sim.create_hit_shot((2.0, 5.0, 0), 1e39)),
            # containers without an order of their own
            ("stones[0]", lambda: sim.score(state(stones=[{"x": 1.0, "y": 5.0}] + [None] * 15))),
            ("stones[0]", lambda: sim.score(state(stones=[{1.0, 5.0}] + [None] * 15))),
            ("end_scores", lambda: sim.score(state(end_scores={k: 1 for k in range(10)}))),
        ]
        for field, call in cases:
            with self.subTest(field=field):
                with self.assertRaises(cs.BadRecordError) as caught:
                    call()
                self.assertIn(field, str(caught.exception))


class FreeGuardZone(unittest.TestCase):
    def test_each_rule_by_name_undoes_what_the_header_says(self):
        sim = cs.Simulator()
        guard = cs.Position(cs.CENTRE_X, single(8.4))
        ticked = cs.Position(single(1.9), single(8.6))  # in play, off the centre line
        thrown = cs.Position(single(2.6), single(3.6))
        cases = [  # rule, no_tick, the delivery, where it leaves the guard, undone
            ("none", False, 1, None, False),
            ("four-rock", False, 3, None, True),
            ("four-rock", False, 4, None, False),
            ("five-rock", False, 4, None, True),
            ("five-rock", False, 1, ticked, False),
            ("five-rock", True, 1, ticked, True),
            ("four-rock", True, 4, ticked, True),
        ]
        for rule, no_tick, shot, left, undone in cases:
            with self.subTest(rule=rule, no_tick=no_tick, shot=shot):
                slot = (shot + 1) % 2  # a stone of the other team
                before = cs.GameState(shot_number=shot, stones=[guard if k == slot else None for k in range(16)])
                after = cs.GameState(shot_number=shot + 1, moving_side=1,
                                     stones=[left if k == slot else thrown if k == shot else None for k in range(16)])
                kept = after.copy()
                result = sim.apply_free_guard_zone(before, after, rule, no_tick=no_tick)
                self.assertEqual(result.undone, undone)
                self.assertEqual(result.restored, (slot,) if undone else ())
                self.assertEqual(result.state, undone_position(before, after) if undone else after)
                self.assertEqual(after, kept)


def undone_position(before, after):
    """The position to play on when a delivery is undone: the stones of
    `before` (the delivered one out of play), the rest of `after`."""
    position = after.copy()
    position.stones = list(before.stones)
    position.stones[before.shot_number] = None
    return position


class Trajectories(unittest.TestCase):
    def test_complete_says_whether_max_frames_held_every_frame(self):
        sim = cs.Simulator()
        shot = sim.create_shot((cs.CENTRE_X, cs.TEE_Y, 0)).shot
        whole = sim.trajectory(cs.GameState(), shot, interval=0.5)
        self.assertTrue(whole.complete)
        n = len(whole.frames)
        for max_frames, complete in ((n + 1, True), (n, True), (n - 1, False), (1, False)):
            with self.subTest(max_frames=max_frames):
                path = sim.trajectory(cs.GameState(), shot, interval=0.5, max_frames=max_frames)
                self.assertEqual(path.complete, complete)
                self.assertEqual(len(path.frames), min(n, max_frames))
                self.assertEqual(path.frames[:-1], whole.frames[:len(path.frames) - 1])
                self.assertEqual(path.final, whole.final)


class Arrays(unittest.TestCase):
    def test_arrays_hold_the_library_bits(self):
        try:
            import numpy
        except ImportError:
            self.skipTest("numpy is not installed")
        sim = cs.Simulator()
        start = cs.GameState(shot_number=1, stones=[cs.Position(single(2.5), single(5.0))] + [None] * 15)
        path = sim.trajectory(start, sim.create_hit_shot((2.5, 5.0, 0), 15.0).shot, interval=0.5)
        array = path.as_array()
        self.assertEqual(array.dtype, numpy.float32)
        self.assertEqual(array.shape, (len(path.frames), 16, 2))
        expected = positions_from(path.frames)
        self.assertEqual(array.tobytes(), struct.pack(f"<{len(expected)}f", *expected))
        states = [cs.GameState(stones=frame) for frame in path.frames]
        self.assertEqual(cs.positions_array(states).tobytes(), array.tobytes())

    def test_without_numpy_arrays_say_what_is_missing(self):
        saved = sys.modules.get("numpy")
        sys.modules["numpy"] = None  # import numpy now fails
        try:
            with self.assertRaisesRegex(ImportError, "python3-numpy"):
                cs.positions_array([cs.GameState()])
        finally:
            if saved is None:
                del sys.modules["numpy"]
            else:
                sys.modules["numpy"] = saved


def positions_from(frames):
    return [v for frame in frames for s in frame for v in ((0.0, 0.0) if s is None else s)]


if __name__ == "__main__":
    unittest.main()
