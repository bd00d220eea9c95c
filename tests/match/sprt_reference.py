#!/usr/bin/python3
"""Reference values of the pentanomial GSPRT log-likelihood ratio.

Computes the LLR for a few fixed count vectors without the runner's own
method: under each hypothesis the five pair-score probabilities of greatest
likelihood with the hypothesis' mean are found by a general constrained
optimiser (SciPy's SLSQP over the logarithms of the probabilities, with
the total and the mean as equality constraints), not by the Lagrange root the runner solves. The model is the
runner's: pair scores 0, 1/4, 1/2, 3/4, 1 per game, zero counts taken as
0.001, Elo to expected score by the logistic formula, and
LLR = sum n_i ln(p1_i / p0_i).

Needs python3-scipy (not used by the build or the tests): the test
tests/match/sprt_test.cpp holds the printed values as constants.
"""
import numpy as np
from scipy.optimize import minimize

CASES = [
    ([1, 2, 4, 2, 1], 0.0, 20.0),
    ([0, 3, 10, 25, 12], 0.0, 50.0),
    ([5, 10, 20, 8, 2], -10.0, 10.0),
    ([0, 0, 0, 0, 12], 0.0, 20.0),
    ([3, 40, 120, 45, 2], 0.0, 10.0),
]

SCORES = np.array([0.0, 0.25, 0.5, 0.75, 1.0])


def score_from_elo(elo):
    return 1.0 / (1.0 + 10.0 ** (-elo / 400.0))


def best_distribution(counts, mean):
    # In logarithms z_i = ln p_i, so that the tiny probabilities of a sweep
    # stay positive and well scaled.
    n = np.array(counts, dtype=float)
    result = minimize(
        lambda z: -np.dot(n, z),
        np.log(np.full(5, 0.2)),
        jac=lambda z: -n,
        method="SLSQP",
        constraints=[
            {"type": "eq", "fun": lambda z: np.sum(np.exp(z)) - 1.0, "jac": lambda z: np.exp(z)},
            {"type": "eq", "fun": lambda z: np.dot(np.exp(z), SCORES) - mean,
             "jac": lambda z: np.exp(z) * SCORES},
        ],
        options={"ftol": 1e-16, "maxiter": 10000},
    )
    assert result.success, result.message
    return np.exp(result.x)


def llr(counts, elo0, elo1):
    regular = [c if c > 0 else 1e-3 for c in counts]
    p0 = best_distribution(regular, score_from_elo(elo0))
    p1 = best_distribution(regular, score_from_elo(elo1))
    return float(np.dot(regular, np.log(p1 / p0)))


if __name__ == "__main__":
    for counts, elo0, elo1 in CASES:
        print(f"{counts} elo0={elo0} elo1={elo1}: LLR {llr(counts, elo0, elo1):.10f}")
