"use strict";
// The replay page: every game of a match record, shot by shot. The sheet,
// its lines and the stones' look come from curling-view's renderer; this
// script only places the stones, draws the paths the tool computed and
// fills the panels.
(function () {
  const DATA = JSON.parse(document.getElementById("replay-data").textContent);
  const VIEW = DATA.view;
  const SVG_NS = "http://www.w3.org/2000/svg";
  const STONES = 16;
  const names = DATA.names;
  const COLOURS = ["red", "yellow"];

  const sheet = document.getElementById("sheet");
  const stoneLayer = sheet.querySelector("g.stones");
  const pathLayer = sheet.querySelector("g.paths");
  const slider = document.getElementById("slider");
  const playButton = document.getElementById("play");
  const speedSelect = document.getElementById("speed");

  // The same mapping as the renderer's drawing_x and drawing_y.
  const drawX = (x) => x;
  const drawY = (y) => VIEW.top - y;
  const metres = (tenths) => tenths / 10000;

  const stoneElements = [];
  for (let slot = 0; slot < STONES; slot++) {
    const g = document.createElementNS(SVG_NS, "g");
    g.innerHTML = VIEW.stoneBodies[slot];
    g.dataset.slot = String(slot);
    g.style.display = "none";
    const title = document.createElementNS(SVG_NS, "title");
    g.appendChild(title);
    stoneLayer.appendChild(g);
    stoneElements.push(g);
  }

  const icon = (d) => '<svg viewBox="0 0 16 16" width="14" height="14" aria-hidden="true"><path d="' + d + '"/></svg>';
  const PLAY_ICON = icon("M4 2L13 8L4 14Z");
  const PAUSE_ICON = icon("M3 2H6.5V14H3ZM9.5 2H13V14H9.5Z");
  document.getElementById("first").innerHTML = icon("M2 2H4V14H2ZM14 2V14L5 8Z");
  document.getElementById("prev").innerHTML = icon("M12 2V14L3 8Z");
  document.getElementById("next").innerHTML = icon("M4 2V14L13 8Z");
  document.getElementById("last").innerHTML = icon("M2 2V14L11 8ZM12 2H14V14H12Z");
  playButton.innerHTML = PLAY_ICON;

  const { clock, fixed, chip, escapeHtml, plural, scoreBefore, hammerOf, positionAt, undoneNote } = replayText;
  const endingText = (game) => replayText.endingText(game, names);
  function renderSummary() {
    document.getElementById("summary").innerHTML = replayText.summaryHtml(DATA.summary, names);
  }

  const state = { game: 0, step: 0, playing: false, animation: null, positions: null, sides: null };

  function setState(name) {
    document.body.dataset.state = name;
  }

  // ---- positions ----------------------------------------------------------

  function emptyPosition() {
    return new Array(STONES).fill(null);
  }

  function fromList(list) {
    const position = emptyPosition();
    for (const [slot, x, y] of list) position[slot] = [metres(x), metres(y)];
    return position;
  }

  function applyChanges(start, changes) {
    const end = start.slice();
    for (const change of changes) {
      end[change[0]] = change.length === 1 ? null : [metres(change[1]), metres(change[2])];
    }
    return end;
  }

  // Positions before and after every shot of a game, rebuilt from the
  // changes the page stores.
  function rebuild(game) {
    const before = [];
    const after = [];
    const played = [];  // where a shot the free guard zone undid had left the stones
    const sides = [];
    let previous = emptyPosition();
    let previousEnd = -1;
    let previousShot = -1;
    for (const shot of game.shots) {
      let start = shot.e === previousEnd && shot.s === previousShot + 1 ? previous : emptyPosition();
      if (shot.b) start = fromList(shot.b);
      const end = applyChanges(start, shot.a);
      before.push(start);
      after.push(end);
      played.push(shot.u ? applyChanges(start, shot.w) : end);
      const first = shot.s % 2 === 0 ? shot.d : 1 - shot.d;
      sides.push(first);
      previous = end;
      previousEnd = shot.e;
      previousShot = shot.s;
    }
    return { before, after, played, firstSides: sides };
  }

  const sideOfSlot = (slot, firstSide) => (slot % 2 === 0 ? firstSide : 1 - firstSide);
  // As players name a stone: its team's colour and its number in the
  // team's order, the number drawn on it.
  const stoneName = (slot, firstSide) =>
    COLOURS[sideOfSlot(slot, firstSide)] + " " + (Math.floor(slot / 2) + 1);

  function place(slot, point, firstSide) {
    const g = stoneElements[slot];
    if (!point) {
      g.style.display = "none";
      return;
    }
    const side = sideOfSlot(slot, firstSide);
    g.setAttribute("class", "stone s" + side);
    g.setAttribute("transform", "translate(" + drawX(point[0]) + " " + drawY(point[1]) + ")");
    g.lastChild.textContent =
      stoneName(slot, firstSide) + " (" + names[side] + ", slot " + slot + "): x " +
      point[0].toFixed(4) + " m, y " + point[1].toFixed(4) + " m";
    g.style.display = "";
  }

  // The stones that would score if the end ended now, ringed.
  function markCounting(shot) {
    const counting = shot.k ? shot.k.slice(1) : [];
    for (const slot of counting) stoneElements[slot].classList.add("counting");
  }

  function showPosition(position, firstSide) {
    for (let slot = 0; slot < STONES; slot++) place(slot, position[slot], firstSide);
  }

  // ---- paths --------------------------------------------------------------

  // Points after the first are stored as changes from the one before.
  function pathPoints(flat) {
    const points = [];
    let frame = 0;
    let x = 0;
    let y = 0;
    for (let i = 2; i + 2 < flat.length; i += 3) {
      frame += flat[i];
      x += flat[i + 1];
      y += flat[i + 2];
      points.push({ t: frame * VIEW.frame, x: x / 1000, y: y / 1000 });
    }
    return points;
  }

  function drawPaths(shot, firstSide) {
    pathLayer.replaceChildren();
    for (const flat of shot.p) {
      const slot = flat[0];
      const side = slot % 2 === 0 ? firstSide : 1 - firstSide;
      const line = document.createElementNS(SVG_NS, "polyline");
      line.setAttribute(
        "points",
        pathPoints(flat).map((p) => drawX(p.x) + "," + drawY(p.y)).join(" ")
      );
      line.setAttribute("class", "path s" + side + (slot === shot.s ? "" : " struck"));
      pathLayer.appendChild(line);
    }
  }

  // Where an undone shot had left the stones, faded under the position the
  // rule restored (in the path layer, which the next shot clears).
  function drawUndone(step, firstSide) {
    const played = state.positions.played[step];
    const after = state.positions.after[step];
    for (let slot = 0; slot < STONES; slot++) {
      const p = played[slot];
      if (!p || (after[slot] && after[slot][0] === p[0] && after[slot][1] === p[1])) continue;
      const g = document.createElementNS(SVG_NS, "g");
      g.innerHTML = VIEW.stoneBodies[slot];
      g.setAttribute("class", "stone undone faded s" + sideOfSlot(slot, firstSide));
      g.setAttribute("transform", "translate(" + drawX(p[0]) + " " + drawY(p[1]) + ")");
      g.dataset.slot = String(slot);
      pathLayer.appendChild(g);
    }
  }

  // ---- one shot -----------------------------------------------------------

  // A game's shots are parsed the first time the game is shown.
  function currentGame() {
    const game = DATA.games[state.game];
    if (!game.shots) {
      game.shots = JSON.parse(document.getElementById("game-" + state.game).textContent);
    }
    return game;
  }

  function show(step) {
    stopAnimation();
    const game = currentGame();
    if (game.shots.length === 0) {
      showPosition(emptyPosition(), 0);
      pathLayer.replaceChildren();
      setState("still");
      return;
    }
    state.step = Math.max(0, Math.min(step, game.shots.length - 1));
    const shot = game.shots[state.step];
    const firstSide = state.positions.firstSides[state.step];
    showPosition(state.positions.after[state.step], firstSide);
    markCounting(shot);
    drawPaths(shot, firstSide);
    if (shot.u) drawUndone(state.step, firstSide);
    slider.value = String(state.step);
    describe(shot);
    setState("still");
  }

  function restText(shot) {
    const rest = state.positions.played[state.step][shot.s];
    const removed = shot.u ? "; the free guard zone removed it" : "";
    if (!rest) return "the thrown stone left play";
    const d = Math.hypot(rest[0] - VIEW.teeX, rest[1] - VIEW.teeY);
    return "the thrown stone " + (shot.u ? "came to rest " : "rests ") + d.toFixed(2) + " m from the tee" + removed;
  }

  // Stones this shot took out of play, the thrown one included.
  function outOfPlay(shot) {
    const before = state.positions.before[state.step];
    const after = state.positions.after[state.step];
    const firstSide = state.positions.firstSides[state.step];
    const out = [];
    for (let slot = 0; slot < STONES; slot++) {
      if (!after[slot] && (before[slot] || slot === shot.s)) out.push(stoneName(slot, firstSide));
    }
    return out;
  }

  function countingText(shot) {
    if (!shot.k) return "nobody counts";
    const n = shot.k.length - 1;
    return COLOURS[shot.k[0]] + " (" + names[shot.k[0]] + ") counts " + n;
  }

  // The score a reader may see at the shown shot: before it, or the final
  // one at the game's last shot or when asked for.
  function shownEnd(game) {
    if (game.shots.length === 0) return Infinity;
    const last = state.step === game.shots.length - 1 && game.result;
    if (last || document.getElementById("show-final").checked) return Infinity;
    return game.shots[state.step].e;
  }

  function flagText(shot) {
    const [slot, mm] = shot.x;
    if (slot < 0) return "The physics library refused to replay this shot: no path is shown.";
    const firstSide = state.positions.firstSides[state.step];
    const stone = stoneName(slot, firstSide) + " (slot " + slot + ")";
    const what = mm < 0 ? stone + " is on the sheet in one and not in the other"
      : stone + " rests " + Number(mm).toFixed(1) + " mm from where the record has it";
    return "Replayed with this page's physics library, " + what +
      ". The record was probably made with another library.";
  }


  function describe(shot) {
    const game = currentGame();
    const side = shot.d;
    document.getElementById("shot-title").textContent =
      "End " + (shot.e + 1) + " \u00b7 shot " + (shot.s + 1) + " of 16";
    const hammer = hammerOf(game, shot);
    document.getElementById("hammer").innerHTML =
      chip(hammer) + " hammer: " + escapeHtml(names[hammer]);
    const end = shownEnd(game);
    const score = scoreBefore(game, end);
    document.getElementById("running-score").innerHTML =
      (end === Infinity ? "Final: " : "Score: ") + chip(0) + escapeHtml(names[0]) + " " + score[0] +
      " \u2013 " + score[1] + " " + chip(1) + escapeHtml(names[1]);
    const gone = outOfPlay(shot);
    const firstSide = state.positions.firstSides[state.step];
    const events = gone.length ? [gone.join(", ") + " out of play"] : [];
    if (shot.u) events.unshift(undoneNote(shot));
    document.getElementById("events").textContent = events.join("; ");
    const rows = [
      ["Thrown by", chip(side) + escapeHtml(stoneName(shot.s, firstSide)) + ": " +
        escapeHtml(names[side]) + " (player " + (side + 1) + ")"],
      ["Out of play", gone.length ? escapeHtml(gone.join(", ")) : "none"],
      ["As they lie", escapeHtml(countingText(shot))],
      ["In the record", "game " + game.g + ", end " + shot.e + ", shot " + shot.s + " (from 0)"],
      ["Reply", "<code>" + escapeHtml(shot.r) + "</code>"],
      ["Asked for", "vx " + fixed(shot.v[0], 4) + ", vy " + fixed(shot.v[1], 4) + ", spin " + shot.v[2]],
      ["Noise", "dx " + fixed(shot.n[0], 4) + ", dy " + fixed(shot.n[1], 4)],
      ["Delivered", "vx " + fixed(shot.l[0], 4) + ", vy " + fixed(shot.l[1], 4) + ", spin " + shot.l[2]],
      ["Outcome", restText(shot)],
      ...(shot.u ? [["Free guard zone", escapeHtml("undone: " + shot.u.map((k) => stoneName(k, firstSide)).join(", ") +
        " put back where " + (shot.u.length === 1 ? "it was" : "they were") + ", the thrown stone removed")]] : []),
      ["Think time", fixed(shot.t, 1) + " ms"],
      ["Clocks after", chip(0) + clock(shot.c[0]) + " &nbsp; " + chip(1) + clock(shot.c[1])],
    ];
    document.getElementById("shot-info").innerHTML = rows
      .map(([k, v]) => "<dt>" + k + "</dt><dd>" + v + "</dd>")
      .join("");
    const flag = document.getElementById("flag");
    if (shot.x) {
      flag.hidden = false;
      flag.textContent = flagText(shot);
    } else {
      flag.hidden = true;
      flag.textContent = "";
    }
    renderScoreboard();
    markScoreboard(shot.e);
    const later = "shows at the game's last shot, or with \u201cfinal score\u201d ticked.";
    document.getElementById("ending").innerHTML = end === Infinity ? endingText(game) : "The result " + later;
    // A one-game match's summary is that game's result.
    if (DATA.games.length === 1) {
      if (end === Infinity) renderSummary();
      else document.getElementById("summary").textContent = "The match summary " + later;
    }
    for (const item of document.querySelectorAll("#games li")) {
      item.classList.toggle("current", Number(item.dataset.index) === state.game);
    }
  }

  // ---- animation ----------------------------------------------------------

  function stopAnimation() {
    if (state.animation) cancelAnimationFrame(state.animation.frame);
    state.animation = null;
  }

  function animate(step) {
    const game = currentGame();
    const shot = game.shots[step];
    show(step);
    const firstSide = state.positions.firstSides[step];
    const before = state.positions.before[step];
    const moving = shot.p.map((flat) => ({ slot: flat[0], removed: flat[1] === 1, points: pathPoints(flat) }))
      .filter((m) => m.points.length > 0);
    if (moving.length === 0) {
      finishAnimation(step);
      return;
    }
    const start = Math.min(...moving.map((m) => m.points[0].t));
    const end = Math.max(...moving.map((m) => m.points[m.points.length - 1].t));
    showPosition(before, firstSide);
    setState("animating");
    const began = performance.now();
    const tick = (now) => {
      const t = start + ((now - began) / 1000) * Number(speedSelect.value);
      for (const m of moving) {
        const first = m.points[0];
        const last = m.points[m.points.length - 1];
        if (t < first.t) {
          place(m.slot, before[m.slot], firstSide);
        } else if (t > last.t && m.removed) {
          place(m.slot, null, firstSide);
        } else {
          place(m.slot, positionAt(m.points, t), firstSide);
        }
      }
      if (t >= end) {
        finishAnimation(step);
        return;
      }
      state.animation.frame = requestAnimationFrame(tick);
    };
    state.animation = { frame: requestAnimationFrame(tick) };
  }

  function finishAnimation(step) {
    state.animation = null;
    show(step);
    if (state.playing && step + 1 < currentGame().shots.length) {
      pauseThen(() => animate(step + 1));
    } else {
      setPlaying(false);
    }
  }

  let pending = null;
  function pauseThen(action) {
    clearTimeout(pending);
    setState("pausing");
    pending = setTimeout(() => {
      pending = null;
      if (state.playing) action();
    }, 600 / Number(speedSelect.value));
  }

  function setPlaying(on) {
    state.playing = on;
    playButton.innerHTML = on ? PAUSE_ICON : PLAY_ICON;
    playButton.setAttribute("aria-pressed", on ? "true" : "false");
    if (!on) {
      clearTimeout(pending);
      pending = null;
      if (document.body.dataset.state === "pausing") setState("still");
    }
  }

  function togglePlay() {
    const game = currentGame();
    if (state.playing) {
      setPlaying(false);
      show(state.step);
      return;
    }
    if (game.shots.length === 0) return;
    setPlaying(true);
    const next = state.step + 1 < game.shots.length ? state.step + 1 : 0;
    animate(next);
  }

  function go(step) {
    setPlaying(false);
    show(step);
  }

  // ---- scoreboard, game list, summary -------------------------------------

  function renderScoreboard() {
    const game = currentGame();
    const played = game.ends.length ? Math.max(...game.ends.map((e) => e[0])) + 1 : 0;
    const lastShotEnd = game.shots.length ? game.shots[game.shots.length - 1].e + 1 : 0;
    const columns = Math.max(DATA.regularEnds || 0, played, lastShotEnd);
    let html = "<thead><tr><th></th>";
    for (let e = 0; e < columns; e++) html += '<th data-end="' + e + '" title="go to end ' + (e + 1) + '">' + (e + 1) + "</th>";
    html += "<th>Total</th></tr></thead><tbody>";
    // Only what was known at the shown shot: the ends finished before it.
    const shown = shownEnd(game);
    const totals = scoreBefore(game, shown);
    if (shown === Infinity && game.result && Array.isArray(game.result.score)) {
      totals[0] = game.result.score[0];
      totals[1] = game.result.score[1];
    }
    for (let side = 0; side < 2; side++) {
      html += '<tr data-side="' + side + '"><th>' + chip(side) + escapeHtml(names[side]) + "</th>";
      for (let e = 0; e < columns; e++) {
        const end = e < shown ? game.ends.find((x) => x[0] === e) : undefined;
        let cell = "";
        let hammer = false;
        if (end) {
          const points = side === 0 ? Math.max(end[1], 0) : Math.max(-end[1], 0);
          cell = String(points);
          hammer = end[2] - 1 === side;
        } else if (e <= (shown === Infinity ? columns : game.shots[state.step].e)) {
          // Later ends' hammers would tell who scored before them.
          const shot = game.shots.find((s) => s.e === e);
          if (shot) hammer = hammerOf(game, shot) === side;
        }
        html += '<td data-end="' + e + '" class="' + (hammer ? "has-hammer" : "") + '" title="go to end ' + (e + 1) + '">' +
          (hammer ? '<span class="hammer-mark">\u25cf</span>' : "") +
          '<span class="points">' + cell + "</span></td>";
      }
      html += '<td class="total">' + escapeHtml(totals[side]) + "</td></tr>";
    }
    html += "</tbody>";
    document.getElementById("scoreboard").innerHTML = html;
  }

  function markScoreboard(end) {
    for (const cell of document.querySelectorAll("#scoreboard [data-end]")) {
      cell.classList.toggle("current-end", Number(cell.dataset.end) === end);
    }
  }

  function renderGameList() {
    const list = document.getElementById("games");
    list.innerHTML = replayText.gameListHtml(DATA.games);
    list.addEventListener("click", (event) => {
      const item = event.target.closest("li");
      if (item) selectGame(Number(item.dataset.index));
    });
    if (DATA.games.length < 2) document.querySelector("main").classList.add("single");
  }

  function selectGame(index) {
    setPlaying(false);
    stopAnimation();
    state.game = Math.max(0, Math.min(index, DATA.games.length - 1));
    const game = currentGame();
    state.positions = rebuild(game);
    slider.max = String(Math.max(0, game.shots.length - 1));
    document.getElementById("ending").innerHTML = endingText(game);
    show(0);
  }

  // ---- wiring -------------------------------------------------------------

  function header() {
    const m = DATA.match || {};
    document.querySelector("h1").innerHTML =
      chip(0) + escapeHtml(names[0]) + " <span class=\"vs\">vs</span> " + chip(1) + escapeHtml(names[1]);
    const parts = [DATA.games.length + (DATA.games.length === 1 ? " game" : " games")];
    if (m.ends) parts.push(m.ends + " ends");
    if (m.seed !== undefined) parts.push("seed " + m.seed);
    if (m.spread !== undefined) parts.push("noise " + m.spread);
    if (m.clock_ms) parts.push("clock " + clock(m.clock_ms));
    if (m.rule) parts.push("free guard zone " + m.rule);
    const flagged = DATA.games.reduce((n, g) => n + g.flagged, 0);
    parts.push("paths from " + DATA.simulator);
    if (flagged) parts.push("\u26a0 " + plural(flagged, "shot") + (flagged === 1 ? " replays" : " replay") + " differently");
    document.getElementById("match-line").textContent = DATA.record + " \u00b7 " + parts.join(" \u00b7 ");
  }

  document.getElementById("first").addEventListener("click", () => go(0));
  document.getElementById("prev").addEventListener("click", () => go(state.step - 1));
  document.getElementById("next").addEventListener("click", () => go(state.step + 1));
  document.getElementById("last").addEventListener("click", () => go(currentGame().shots.length - 1));
  playButton.addEventListener("click", togglePlay);
  // A click on an end of the scoreboard shows that end's first shot.
  document.getElementById("scoreboard").addEventListener("click", (event) => {
    const cell = event.target.closest("[data-end]");
    if (!cell) return;
    const first = currentGame().shots.findIndex((shot) => shot.e === Number(cell.dataset.end));
    if (first >= 0) go(first);
  });
  document.getElementById("show-final").addEventListener("change", () => show(state.step));
  slider.addEventListener("input", () => go(Number(slider.value)));
  document.addEventListener("keydown", (event) => {
    if (event.target === slider && (event.key === "ArrowLeft" || event.key === "ArrowRight")) {
      event.preventDefault();
    }
    if (event.target.tagName === "SELECT") return;
    switch (event.key) {
      case "ArrowLeft": go(state.step - 1); break;
      case "ArrowRight": go(state.step + 1); break;
      case "Home": go(0); break;
      case "End": go(currentGame().shots.length - 1); break;
      case " ": togglePlay(); break;
      // At the first or last game there is nowhere to go: the place is kept.
      case "PageUp": if (state.game > 0) selectGame(state.game - 1); break;
      case "PageDown": if (state.game + 1 < DATA.games.length) selectGame(state.game + 1); break;
      default: return;
    }
    event.preventDefault();
  });

  header();
  renderGameList();
  renderSummary();
  selectGame(0);
  // When the first shot was drawn, for measuring large pages.
  document.body.dataset.readyMs = String(Math.round(performance.now()));
})();
