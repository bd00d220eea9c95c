#!/usr/bin/env python3
"""The training command end to end at a toy size, and its gate.

usage: train_planner_test.py BIN_DIR

Faults caught: a run that does not write the same model twice from the same
seed (an unseeded stream, a record read in another order, a timed budget);
a model file without the header that names its inputs (the model it
started from by its contents, and the command that makes it); a gate that keeps a
candidate whatever it plays like, or one that never keeps any.
"""
import os
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
BIN = None

sys.path.insert(0, os.path.join(ROOT, "scripts"))
import train_planner  # noqa: E402  (found through the path above)


def as_the_stones_lie(sign):
    """A model with no hidden layer that expects the end to end as the
    stones lie (its only weights join the count of stones lying shot to the
    score it would make); with sign -1 it expects the opposite, so a planner
    that uses it plays to lose."""
    inputs, classes, low = 99, 11, -4
    counting = 80  # the first count input: who lies shot with how many, -4 .. 4
    weights = [[0.0] * inputs for _ in range(classes)]
    for shot in range(-4, 5):
        weights[shot - low][counting + shot + 4] = 3.0 * sign
    numbers = [w for row in weights for w in row] + [0.0] * classes
    return ("# as the stones lie\ncurling-value-model 1\nsizes 99 11\n"
            + " ".join(repr(n) for n in numbers) + "\n")


class Args:
    def __init__(self, seed):
        self.seed = seed
        self.concurrency = 2
        self.slurm = None
        self.shards = 1
        self.rule = "none"


class TrainPlanner(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.mkdtemp(prefix="train-planner-test-")
        cls.start = os.path.join(cls.dir, "lie.txt")
        cls.weak = os.path.join(cls.dir, "lie-inverted.txt")
        for path, sign in ((cls.start, 1), (cls.weak, -1)):
            with open(path, "w") as f:
                f.write(as_the_stones_lie(sign))

    def train(self, folder):
        """The generation's model and its candidate, as text."""
        subprocess.run([sys.executable, os.path.join(ROOT, "scripts", "train_planner.py"),
                        "--seed", "11", "--generations", "1", "--size", "toy", "--from", self.start,
                        "--dir", os.path.join(self.dir, folder), "--bin", BIN, "--concurrency", "2"],
                       check=True, stdout=subprocess.DEVNULL)
        texts = []
        for name in ("model.txt", "candidate.txt"):
            with open(os.path.join(self.dir, folder, "gen-1", name)) as f:
                texts.append(f.read())
        return texts

    def test_the_same_seed_writes_the_same_model(self):
        model, candidate = self.train("a")
        self.assertEqual([model, candidate], self.train("b"))
        header = [line for line in candidate.splitlines() if line.startswith("#")]
        for expected in ("generation 1 of training seed 11", "build: ", "games against self: 4",
                         "games against engine: 2", "games against draw: 2", "held out",
                         "made by: scripts/train-planner.sh --seed 11 --generations 1 --size toy --from ",
                         "started from: " + self.start + " (sha256 "):
            self.assertTrue(any(expected in line for line in header),
                            f"no '{expected}' in the candidate's header:\n" + "\n".join(header))
        self.assertIn("gate (", model)

    def test_a_window_fits_the_earlier_generation_too(self):
        folder = os.path.join(self.dir, "window")
        command = [sys.executable, os.path.join(ROOT, "scripts", "train_planner.py"),
                   "--seed", "11", "--size", "toy", "--from", self.start, "--dir", folder,
                   "--bin", BIN, "--concurrency", "2", "--generations", "1"]
        missing = subprocess.run(command + ["--first", "2", "--window", "2"],
                                 capture_output=True, text=True)
        self.assertNotEqual(missing.returncode, 0)
        self.assertIn("no finished generation 1", missing.stderr)
        self.assertFalse(os.path.exists(os.path.join(folder, "gen-2", "self.jsonl")))
        subprocess.run(command, check=True, stdout=subprocess.DEVNULL)
        subprocess.run(command + ["--first", "2", "--window", "2", "--opponent-inputs"],
                       check=True, stdout=subprocess.DEVNULL)
        with open(os.path.join(folder, "gen-2", "fit.log")) as f:
            self.assertIn(" of 16 games", f.readline())  # 8 of each generation
        with open(os.path.join(folder, "gen-2", "candidate.txt")) as f:
            text = f.read()
        self.assertIn("# and generation 1's games against self: 4, seed ", text)
        self.assertIn("# opponent inputs: on", text)

    def test_the_gate_line_goes_into_the_header(self):
        # After the model's first line the player reads it as a number and
        # refuses the file; a file of no model is all header.
        for model in ("# fitted\ncurling-value-model 2\nsizes 103 11\n0.5\n", "# no model yet"):
            text = train_planner.with_header_lines(model, ["gate (seed 1): kept"])
            header = text.split("curling-value-model")[0].splitlines()
            self.assertEqual(header[-1], "# gate (seed 1): kept", text)

    def test_the_gate_keeps_only_a_stronger_candidate(self):
        size = train_planner.SIZES["toy"]
        runner = train_planner.Runner(Args(21), BIN)
        for name, candidate, current, stronger in (("up", self.start, self.weak, True),
                                                   ("down", self.weak, self.start, False)):
            folder = os.path.join(self.dir, "gate-" + name)
            os.makedirs(folder)
            kept, line = train_planner.gate(runner, folder, 1, Args(21), size, current, candidate)
            self.assertEqual(kept, stronger, line)


if __name__ == "__main__":
    BIN = os.path.abspath(sys.argv.pop(1))
    unittest.main()
