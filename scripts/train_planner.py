#!/usr/bin/env python3
"""Trains curling-planner's value model by generations: play, fit, gate.

Each generation plays the games it learns from with curling-match (mostly
self-play of the current model, and a pool of other opponents: the engine,
the draw player and the previous generation), fits a candidate model to
them (planner-train), and gates it: a sequential test of the candidate
against the current model, which keeps the candidate only if it accepts
that the candidate is stronger. Every seed derives from --seed and the
generation, and the players answer by a fixed sample budget, so the same
command writes the same files; a run that was cut short carries on where
it stopped (finished matches are kept, a match cut short is resumed).

usage: scripts/train-planner.sh --seed S --generations G [options]
"""
import argparse
import hashlib
import json
import math
import os
import shlex
import shutil
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# Games per generation for each opponent of the pool, and the budgets.
# "full" is sized for about two hours on a 2-core machine; "toy" runs in a
# minute, for the end-to-end test.
SIZES = {
    "full": {"self": 600, "engine": 100, "draw": 40, "previous": 100, "ends": 8,
             "data_sims": 12000, "gate_games": 300, "gate_sims": None, "epochs": 24,
             "gate_sprt": "elo0=0,elo1=40,alpha=0.05,beta=0.1"},
    "toy": {"self": 4, "engine": 2, "draw": 2, "previous": 2, "ends": 2,
            "data_sims": 1000, "gate_games": 48, "gate_sims": 2000, "epochs": 2,
            "gate_sprt": "elo0=0,elo1=200,alpha=0.05,beta=0.1"},
}


def shipped_model_file(rule):
    """The file a model for games under `rule` ships in: the five-rock
    rule's own (with or without no-tick), the one for games without a rule,
    or None (the four-rock rule has none; its games use the latter). The
    player embeds both files when it is built."""
    if rule.startswith("four-rock"):
        return None
    name = "value_model_five_rock.txt" if rule.startswith("five-rock") else "value_model.txt"
    return os.path.join(ROOT, "planner", "data", name)


def holds_model(path):
    """Whether a model file holds more than comments (the planner plays one
    of comments alone as no model)."""
    with open(path) as text:
        return any(line.strip() and not line.startswith("#") for line in text)


def derived_seed(seed, *parts):
    """A 64-bit seed from the training seed and names, the same everywhere."""
    text = "/".join([str(seed)] + [str(p) for p in parts]).encode()
    return int.from_bytes(hashlib.sha256(text).digest()[:8], "little")


def log(message):
    print(f"[{time.strftime('%H:%M:%S')}] {message}", flush=True)


def build_commit():
    try:
        commit = subprocess.run(["git", "-C", ROOT, "rev-parse", "--short=12", "HEAD"],
                                capture_output=True, text=True, check=True).stdout.strip()
        dirty = subprocess.run(["git", "-C", ROOT, "status", "--porcelain", "--untracked-files=no"],
                               capture_output=True, text=True, check=True).stdout.strip()
        return commit + ("-dirty" if dirty else "")
    except (OSError, subprocess.CalledProcessError):
        return "unknown"


def summary_of(record):
    """The record's summary line when the match finished, else None."""
    try:
        with open(record, "rb") as f:
            f.seek(0, os.SEEK_END)
            size = f.tell()
            f.seek(max(0, size - 65536))
            lines = f.read().decode("utf-8", "replace").splitlines()
    except OSError:
        return None
    for line in reversed(lines):
        try:
            entry = json.loads(line)
        except ValueError:
            return None
        if isinstance(entry, dict) and entry.get("type") == "summary":
            if "stopped_by" in entry or entry.get("missing_pairs"):
                return None
            return entry
        return None
    return None


class Runner:
    """Plays matches on this machine, or as shards on Slurm."""

    def __init__(self, args, bin_dir):
        self.args = args
        self.bin = bin_dir

    def match(self, record, options):
        """Plays (or finishes) the match whose record is `record`."""
        done = summary_of(record)
        if done is not None:
            log(f"  {os.path.basename(record)}: already played")
            return done
        if self.args.slurm is not None:
            return self._slurm_match(record, options)
        command = [os.path.join(self.bin, "curling-match")]
        if os.path.exists(record) and os.path.getsize(record) > 0:
            log(f"  {os.path.basename(record)}: carrying on")
            command += ["--resume", record]
        else:
            command += options + ["--out", record]
        command += ["--concurrency", str(self.args.concurrency), "--quiet"]
        with open(record + ".log", "a") as out:
            status = subprocess.run(command, stdout=out, stderr=subprocess.STDOUT).returncode
        done = summary_of(record)
        if status != 0 or done is None:
            sys.exit(f"train-planner: the match {record} failed (status {status}); see {record}.log")
        return done

    def _slurm_match(self, record, options):
        folder = record + ".shards"
        merged = os.path.join(folder, "match.jsonl")
        again = os.path.isdir(folder) and any(n.startswith("shard-") for n in os.listdir(folder))
        command = [os.path.join(ROOT, "scripts", "slurm", "submit.sh"),
                   "--shards", str(self.args.shards), "--dir", folder,
                   "--match", os.path.join(self.bin, "curling-match"),
                   "--sbatch", self.args.slurm]
        if again:
            command.append("--again")
        output = subprocess.run(command + ["--"] + options, capture_output=True, text=True)
        if output.returncode != 0:
            sys.exit(f"train-planner: submitting {record} failed: {output.stderr.strip()}")
        merge_job = output.stdout.split("merge: job ")[1].split(";")[0].strip()
        log(f"  {os.path.basename(record)}: {self.args.shards} shards on Slurm, merge job {merge_job}")
        while subprocess.run(["squeue", "-h", "-j", merge_job], capture_output=True,
                             text=True).stdout.strip():
            time.sleep(20)
        done = summary_of(merged)
        if done is None:
            sys.exit(f"train-planner: the shards of {record} did not all finish; "
                     f"run the same command again to carry them on ({folder}/merge.log)")
        shutil.copyfile(merged, record)
        return done


def planner_command(bin_dir, model, rule, sims=None, seed=1):
    """The planner with `model`, planning under `rule`, at `sims` (None: its
    default budget), on one thread (the matches play games side by side)."""
    command = shlex.quote(os.path.join(bin_dir, "curling-planner")) + f" --model {shlex.quote(model)}"
    if rule != "none":
        command += f" --rule {rule}"
    if sims is not None:
        command += f" --sims {sims}"
    return command + f" --seed {seed} --threads 1"


def rule_options(args):
    """The runner's options for the rule the games are played under."""
    return [] if args.rule == "none" else ["--rule", args.rule]


def play_data(runner, gen_dir, generation, args, size, current, previous):
    """The games of one generation: self-play and the pool. Returns
    [(name, record, games)]."""
    bin_dir = runner.bin
    data = planner_command(bin_dir, current, args.rule, size["data_sims"])
    pool = [("self", data, planner_command(bin_dir, current, args.rule, size["data_sims"], seed=2),
             size["self"]),
            ("engine", data, shlex.quote(os.path.join(bin_dir, "curling-engine")), size["engine"]),
            ("draw", data, shlex.quote(os.path.join(bin_dir, "curling-draw-player")), size["draw"])]
    if previous is not None and size["previous"] > 0:
        pool.append(("previous", data, planner_command(bin_dir, previous, args.rule, size["data_sims"]),
                     size["previous"]))
    played = []
    for name, one, two, games in pool:
        if games <= 0:
            continue
        record = os.path.join(gen_dir, f"{name}.jsonl")
        seed = derived_seed(args.seed, generation, name)
        options = ["--player1", one, "--player2", two, "--names", f"planner,{name}",
                   "--games", str(games), "--ends", str(size["ends"]), "--seed", str(seed)] + rule_options(args)
        log(f"  data: {games} games against {name}, seed {seed}")
        runner.match(record, options)
        played.append((name, record, games, seed))
    return played


def describe(model):
    return os.path.relpath(model, ROOT) if model.startswith(ROOT) else model


def invocation(args, generation):
    """The command that makes this generation: a run from --first to it."""
    words = ["scripts/train-planner.sh", "--seed", str(args.seed)]
    if args.first != 1:
        words += ["--first", str(args.first)]
    words += ["--generations", str(generation - args.first + 1), "--size", args.size]
    if args.rule != "none":
        words += ["--rule", args.rule]
    if args.window != 1:
        words += ["--window", str(args.window)]
    if args.opponent_inputs:
        words += ["--opponent-inputs"]
    for option, path in (("--from", args.given_start), ("--previous", args.previous)):
        if path is not None:
            words += [option, describe(os.path.abspath(path))]
    return " ".join(words)


def identify(model):
    """A model file by its name and its contents' hash: the name alone does
    not say which of the files that bore it over time was played."""
    with open(model, "rb") as f:
        digest = hashlib.sha256(f.read()).hexdigest()[:16]
    return f"{describe(model)} (sha256 {digest})"


def window_records(args, generation):
    """The records of the generations before this one that --window adds to
    its fit, oldest first: [(generation, name, record, games, seed)]. Only a
    finished generation's records count, and a window that reaches one not
    run in --dir stops the run, so that a model never silently learns from
    fewer games than its command names."""
    found = []
    for g in range(max(1, generation - args.window + 1), generation):
        gen_dir = os.path.join(args.dir, f"gen-{g}")
        if not os.path.exists(os.path.join(gen_dir, "model.txt")):
            sys.exit(f"train-planner: --window {args.window}: {gen_dir} holds no finished "
                     f"generation {g}; run it first (or copy its records there)")
        for name in ("self", "engine", "draw", "previous"):
            record = os.path.join(gen_dir, f"{name}.jsonl")
            if os.path.exists(record):
                with open(record) as f:
                    head = json.loads(f.readline())
                found.append((g, name, record, head["games"], head["seed"]))
    return found


def fit(bin_dir, gen_dir, generation, args, size, current, previous, played):
    candidate = os.path.join(gen_dir, "candidate.txt")
    report = os.path.join(gen_dir, "fit-report.txt")
    if os.path.exists(candidate) and os.path.exists(report):
        log("  fit: already made")
        return candidate
    seed = derived_seed(args.seed, generation, "fit")
    header = [f"curling-planner value model, generation {generation} of training seed {args.seed}",
              f"made by: {invocation(args, generation)}",
              f"started from: {identify(current)}"]
    if previous is not None:
        header.append(f"the pool's earlier generation: {identify(previous)}")
    header.append(f"build: {build_commit()}; fit seed {seed}; data budget --sims {size['data_sims']}")
    header += [f"games against {name}: {games}, seed {match_seed}"
               for name, _, games, match_seed in played]
    earlier = window_records(args, generation)
    header += [f"and generation {g}'s games against {name}: {games}, seed {match_seed}"
               for g, name, _, games, match_seed in earlier]
    if args.opponent_inputs:
        header.append("opponent inputs: on")
    command = [os.path.join(bin_dir, "planner-train"), "--out", candidate, "--report", report,
               "--seed", str(seed), "--epochs", str(size["epochs"]),
               "--threads", str(max(1, args.concurrency)), "--previous", current,
               "--counts-model", "planner"]
    if args.opponent_inputs:
        command += ["--opponent-inputs", "1"]
    for record in [r for _, _, r, _, _ in earlier] + [r for _, r, _, _ in played]:
        command += ["--record", record]
    for line in header:
        command += ["--header", line]
    log("  fit: planner-train")
    with open(os.path.join(gen_dir, "fit.log"), "w") as out:
        if subprocess.run(command, stdout=out, stderr=subprocess.STDOUT).returncode != 0:
            sys.exit(f"train-planner: planner-train failed; see {gen_dir}/fit.log")
    return candidate


def decided_games(record, count):
    """The first `count` games of the record and the first player's points in them."""
    games, points = 0, 0.0
    with open(record) as f:
        for text in f:
            entry = json.loads(text)
            if entry.get("type") != "game" or entry.get("game", count) >= count:
                continue
            games += 1
            points += {1: 1.0, 2: 0.0}.get(entry.get("winner"), 0.5)
    return games, points


def elo_of(points, games):
    if games == 0 or points <= 0 or points >= games:
        return None
    return -400.0 * math.log10(games / points - 1.0)


def gate(runner, gen_dir, generation, args, size, current, candidate):
    """The candidate against the current model at the player's default
    budget; True when the test accepts that the candidate is stronger."""
    seed = derived_seed(args.seed, generation, "gate")
    options = ["--player1", planner_command(runner.bin, candidate, args.rule, size["gate_sims"]),
               "--player2", planner_command(runner.bin, current, args.rule, size["gate_sims"]),
               "--names", "candidate,current", "--games", str(size["gate_games"]),
               "--ends", str(size["ends"]), "--seed", str(seed), "--sprt", size["gate_sprt"]] + rule_options(args)
    log(f"  gate: candidate against current, up to {size['gate_games']} games, seed {seed}")
    record = os.path.join(gen_dir, "gate.jsonl")
    summary = runner.match(record, options)
    sprt = summary.get("sprt") or {}
    decision = sprt.get("decision")
    kept = decision == "H1"
    # Games still in flight when the test decides finish too; the line names
    # only the pairs the test counted, so it reads the same on every run.
    games, points = decided_games(record, 2 * int(sprt.get("pairs", 0)))
    elo = elo_of(points, games)
    line = (f"gate (seed {seed}, sprt {size['gate_sprt']}): {points:g} of {games} game points, "
            f"Elo {'undefined' if elo is None else round(elo)}, LLR {sprt.get('llr', 0):.2f}, "
            f"decision {decision or 'none'}: {'kept' if kept else 'not kept'}")
    return kept, line


def with_header_lines(model_text, lines):
    """The model file with lines added at the end of its header (the '#'
    lines before the model's first line; a file of no model is all header)."""
    text_lines = model_text.splitlines(keepends=True)
    cut = next((k for k, line in enumerate(text_lines) if not line.startswith("#")),
               len(text_lines))
    head = "".join(text_lines[:cut])
    if head and not head.endswith("\n"):
        head += "\n"
    return head + "".join(f"# {line}\n" for line in lines) + "".join(text_lines[cut:])


def generation_step(runner, args, size, generation, current, previous):
    gen_dir = os.path.join(args.dir, f"gen-{generation}")
    os.makedirs(gen_dir, exist_ok=True)
    model = os.path.join(gen_dir, "model.txt")
    if os.path.exists(model):
        log(f"generation {generation}: done before")
        return model
    log(f"generation {generation}: from {current}")
    window_records(args, generation)  # before the games, not after an hour of them
    played = play_data(runner, gen_dir, generation, args, size, current, previous)
    candidate = fit(runner.bin, gen_dir, generation, args, size, current, previous, played)
    kept, gate_line = gate(runner, gen_dir, generation, args, size, current, candidate)
    with open(os.path.join(gen_dir, "fit-report.txt")) as f:
        fit_lines = [line.strip() for line in f if line.strip()]
    with open(candidate) as f:
        candidate_text = f.read()
    if kept:
        text = with_header_lines(candidate_text, [gate_line])
    else:
        with open(current) as f:
            text = with_header_lines(f.read(), [
                f"generation {generation} of training seed {args.seed} kept this model: "
                f"its candidate was {gate_line}"])
    with open(os.path.join(gen_dir, "report.txt"), "w") as f:
        f.write("\n".join([f"generation {generation}"] + fit_lines + [gate_line]) + "\n")
    with open(model + ".tmp", "w") as f:
        f.write(text)
    os.replace(model + ".tmp", model)
    log(f"generation {generation}: {'kept the candidate' if kept else 'kept the current model'}")
    for line in fit_lines + [gate_line]:
        log(f"  {line}")
    return model


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--seed", type=int, required=True, help="the training seed")
    parser.add_argument("--generations", type=int, required=True,
                        help="generations to run (counted from --first)")
    parser.add_argument("--first", type=int, default=1,
                        help="number of the first generation (default 1)")
    parser.add_argument("--from", dest="start",
                        help="the model file the first generation starts from (default: the "
                             "one shipped for --rule, or the one for no rule while the rule has "
                             "none)")
    parser.add_argument("--previous",
                        help="the model of the generation before the first, played as the pool's "
                             "earlier generation (default: the one in --dir, if there is one)")
    parser.add_argument("--dir", default=os.path.join(ROOT, "training"),
                        help="where the records and models go (default: training/)")
    parser.add_argument("--size", choices=sorted(SIZES), default="full")
    parser.add_argument("--rule", default="none",
                        choices=["none", "four-rock", "five-rock", "four-rock+no-tick",
                                 "five-rock+no-tick"],
                        help="the free guard zone rule every game is played and planned under "
                             "(default none)")
    parser.add_argument("--window", type=int, default=1,
                        help="generations whose games each fit learns from: this one and the "
                             "window less one before it, found in --dir (default 1)")
    parser.add_argument("--opponent-inputs", action="store_true",
                        help="fit a model that is told who the planner played (planner-train "
                             "--opponent-inputs 1)")
    parser.add_argument("--concurrency", type=int, default=os.cpu_count() or 1,
                        help="games at once on this machine (default: the cores)")
    parser.add_argument("--bin", default=os.path.join(ROOT, "build", "bin"),
                        help="the built programs (default: build/bin)")
    parser.add_argument("--slurm", metavar="SBATCH_OPTIONS",
                        help="play the matches as shards on Slurm, with these sbatch options")
    parser.add_argument("--shards", type=int, default=20, help="shards per match on Slurm")
    parser.add_argument("--install", action="store_true",
                        help="copy the last generation's model to the file the player ships for "
                             "--rule (planner/data/value_model.txt, or value_model_five_rock.txt)")
    args = parser.parse_args()
    if min(args.generations, args.first, args.concurrency, args.shards, args.window) < 1:
        parser.error("--generations, --first, --concurrency, --shards and --window take whole "
                     "numbers from 1")
    args.dir = os.path.abspath(args.dir)
    args.given_start = args.start
    if args.install and shipped_model_file(args.rule) is None:
        parser.error(f"--install: the player ships no model for {args.rule}")
    if args.start is None:
        args.start = shipped_model_file(args.rule)
        if args.start is None or not holds_model(args.start):
            args.start = shipped_model_file("none")
    args.start = os.path.abspath(args.start)
    size = SIZES[args.size]
    runner = Runner(args, os.path.abspath(args.bin))
    previous = os.path.abspath(args.previous) if args.previous else None
    current = args.start
    if args.first > 1:
        earlier = os.path.join(args.dir, f"gen-{args.first - 1}", "model.txt")
        if os.path.exists(earlier):
            current = earlier
        before = os.path.join(args.dir, f"gen-{args.first - 2}", "model.txt")
        if previous is None and os.path.exists(before):
            previous = before
    for generation in range(args.first, args.first + args.generations):
        model = generation_step(runner, args, size, generation, current, previous)
        previous, current = current, model
    log(f"model: {current}")
    if args.install:
        installed = shipped_model_file(args.rule)
        shutil.copyfile(current, installed)
        log(f"installed as {os.path.relpath(installed, ROOT)}; rebuild to ship it")


if __name__ == "__main__":
    main()
