"use strict";
// The replay page's words and numbers: clocks, results as curlers say them,
// the match summary and game list, the score and hammer of a game, a point
// along a path. Pure functions of the data they are given.
const replayText = (() => {
  const clock = (ms) => {
    const tenths = Math.floor(ms / 100);
    const m = Math.floor(tenths / 600);
    const rest = tenths - m * 600;
    return m + ":" + String(Math.floor(rest / 10)).padStart(2, "0") + "." + (rest % 10);
  };
  const fixed = (v, digits) => Number(v).toFixed(digits);
  const chip = (side) => '<span class="chip s' + side + '"></span>';
  const escapeHtml = (text) =>
    String(text).replace(/[&<>"']/g, (c) =>
      ({ "&": "&amp;", "<": "&lt;", ">": "&gt;", '"': "&quot;", "'": "&#39;" })[c]);

  const plural = (n, word) => n + " " + word + (n === 1 ? "" : "s");
  // A result as curlers say it: the winner's score first.
  function resultScore(r) {
    if (!r || !Array.isArray(r.score)) return "";
    const [a, b] = r.winner === 2 ? [r.score[1], r.score[0]] : r.score;
    return escapeHtml(a + "\u2013" + b);
  }

  function endingText(game, names) {
    const r = game.result;
    if (!r) return "Unfinished: the record stops during this game.";
    const score = resultScore(r);
    const winner = r.winner ? escapeHtml(names[r.winner - 1]) + " wins " + score : "Drawn " + score;
    if (r.ending === "normal") return winner + " after " + escapeHtml(plural((r.end_scores || []).length, "end")) + ".";
    const fault = r.player ? escapeHtml(names[r.player - 1]) : "a player";
    return winner + ": " + escapeHtml(String(r.ending).replace(/_/g, " ")) + " by " + fault +
      (r.detail ? " (" + escapeHtml(r.detail) + ")" : "") + ".";
  }

  function summaryHtml(s, names) {
    if (!s) return "No summary: the record ends before the match did.";
    const rows = [
      ["Wins", (p) => p.wins], ["Draws", (p) => p.draws], ["Losses", (p) => p.losses],
      ["Game points", (p) => p.game_points], ["Points for", (p) => p.points_for],
      ["Points against", (p) => p.points_against],
      ["Points per end with hammer", (p) => p.ends_with_hammer ? (p.points_with_hammer / p.ends_with_hammer).toFixed(2) : "\u2013"],
      ["Steals", (p) => p.steals], ["Blank ends with hammer", (p) => p.blank_ends_with_hammer],
      ["Median think", (p) => fixed(p.median_think_ms, 1) + " ms"],
    ];
    // Only a match under the free guard zone counts what it undid.
    if (s.players[0].rule_undone !== undefined) {
      rows.push(["Undone by the free guard zone", (p) => p.rule_undone]);
    }
    let html = "<table><thead><tr><th></th><th>" + chip(0) + escapeHtml(names[0]) + "</th><th>" +
      chip(1) + escapeHtml(names[1]) + "</th></tr></thead><tbody>";
    for (const [label, get] of rows) {
      html += "<tr><th>" + label + "</th><td>" + escapeHtml(get(s.players[0])) + "</td><td>" +
        escapeHtml(get(s.players[1])) + "</td></tr>";
    }
    html += "</tbody></table>";
    const elo = s.elo || {};
    const bound = (v, score) => (v === null || v === undefined ? (score >= 0.5 ? "+\u221e" : "\u2212\u221e") : (v > 0 ? "+" : "") + fixed(v, 0));
    html += "<p>" + escapeHtml(plural(s.games, "game") + ", " + plural(s.ends, "end") + " (" + s.blank_ends + " blank, " +
      s.extra_ends + " extra).") + "</p>";
    // One pair of games says nothing of a difference in strength.
    html += elo.pairs >= 2
      ? "<p>Elo " + escapeHtml(names[0]) + " \u2212 " + escapeHtml(names[1]) + ": " +
        bound(elo.difference, elo.mean_score) + " (95%: " + bound(elo.low, elo.low_score) + " .. " +
        bound(elo.high, elo.high_score) + ")</p>"
      : "<p>No Elo: it needs at least 2 game pairs.</p>";
    const endings = Object.entries(s.endings || {}).map(([k, v]) => k.replace(/_/g, " ") + " " + v).join(", ");
    html += "<p>Endings: " + escapeHtml(endings) + "</p>";
    return html;
  }

  function gameListHtml(games) {
    const items = games.map((game, index) => {
      const r = game.result;
      const score = r && r.score ? resultScore(r) : "unfinished";
      const flagged = game.flagged;
      const winner = r && r.winner ? " w" + escapeHtml(r.winner) : "";
      return '<li data-index="' + index + '" class="' + winner + '" tabindex="0">' +
        "<span>Game " + (game.g + 1) + "</span><span class=\"score\">" + score + "</span>" +
        (r && r.ending !== "normal" ? '<span class="ending">' + escapeHtml(String(r.ending).replace(/_/g, " ")) + "</span>" : "") +
        (flagged ? '<span class="flagged" title="shots that replay differently">\u26a0 ' + flagged + "</span>" : "") +
        "</li>";
    });
    return items.join("");
  }

  // Points of each side in the ends finished before `end`; every end when
  // `end` is past the last.
  function scoreBefore(game, end) {
    const score = [0, 0];
    for (const e of game.ends) {
      if (e[0] < end) score[e[1] > 0 ? 0 : 1] += Math.abs(e[1]);
    }
    return score;
  }

  function hammerOf(game, shot) {
    const end = game.ends.find((e) => e[0] === shot.e);
    if (end) return end[2] - 1;
    // The side that throws the odd stones throws last.
    return shot.s % 2 === 1 ? shot.d : 1 - shot.d;
  }

  function positionAt(points, t) {
    if (t <= points[0].t) return [points[0].x, points[0].y];
    for (let i = 1; i < points.length; i++) {
      const b = points[i];
      if (t <= b.t) {
        const a = points[i - 1];
        const u = b.t === a.t ? 1 : (t - a.t) / (b.t - a.t);
        return [a.x + (b.x - a.x) * u, a.y + (b.y - a.y) * u];
      }
    }
    const last = points[points.length - 1];
    return [last.x, last.y];
  }

  // What the free guard zone did to a shot it undid (the stills say the same).
  const undoneNote = (shot) =>
    "free guard zone: undone, " + plural(shot.u.length, "stone") + " put back";

  return { clock, fixed, chip, escapeHtml, plural, resultScore, endingText, summaryHtml, gameListHtml,
    scoreBefore, hammerOf, positionAt, undoneNote };
})();
