"use strict";
// The decision pages. Hovering or focusing a heat-map cell or a candidate
// row shows its value and, on the sheet, where it leaves the stones without
// noise; a click on a row (or the up and down keys) shows that candidate's
// cloud on the second sheet.
(() => {
  const data = JSON.parse(document.getElementById("decision-data").textContent);
  const sheet = document.getElementById("decision-sheet");
  const info = document.getElementById("hover-info");
  const previewText = document.getElementById("preview-text");
  const COLOURS = ["red", "yellow"];
  const STONES = 16;

  // ---- previews on the sheet ------------------------------------------------
  const before = new Array(STONES).fill(null);
  for (const [slot, x, y] of data.before) before[slot] = [x / 1e4, y / 1e4];
  const sideOf = (slot) => (slot % 2 === 0 ? data.firstSide : 1 - data.firstSide);
  const stoneName = (slot) => COLOURS[sideOf(slot)] + " " + (Math.floor(slot / 2) + 1);
  const previewStones = [...sheet.querySelectorAll("g.preview g.stone")];

  function restOf(changes) {
    const after = before.slice();
    for (const c of changes) after[c[0]] = c.length === 1 ? null : [c[1] / 1e4, c[2] / 1e4];
    return after;
  }

  function describe(changes) {
    const after = restOf(changes);
    const thrown = after[data.shot];
    const name = stoneName(data.shot);
    const parts = [thrown
      ? "the thrown " + name + " rests " + Math.hypot(thrown[0] - data.tee[0], thrown[1] - data.tee[1]).toFixed(2) + " m from the tee"
      : "the thrown " + name + " leaves play"];
    const others = changes.filter((c) => c[0] !== data.shot);
    const moved = others.filter((c) => c.length === 3).map((c) => stoneName(c[0]));
    const out = others.filter((c) => c.length === 1).map((c) => stoneName(c[0]));
    if (moved.length) parts.push("moves " + moved.join(", "));
    if (out.length) parts.push("takes out " + out.join(", "));
    return "Without noise " + parts.join("; ") + ".";
  }

  function preview(changes, heading, anchor) {
    const after = restOf(changes);
    for (const g of previewStones) {
      const point = after[Number(g.dataset.slot)];
      g.style.display = point ? "" : "none";
      if (point) g.setAttribute("transform", "translate(" + point[0] + " " + (data.top - point[1]) + ")");
    }
    sheet.classList.add("previewing");
    const text = describe(changes);
    previewText.textContent = heading + ": " + text;
    info.replaceChildren();
    const title = document.createElement("strong");
    title.textContent = heading;
    info.append(title, document.createElement("br"), text);
    info.hidden = false;
    const box = anchor.getBoundingClientRect();
    info.style.left = Math.min(window.innerWidth - 340, Math.max(4, box.x + box.width + 12)) + "px";
    info.style.top = Math.max(4, box.y - 8) + "px";
  }

  function endPreview() {
    sheet.classList.remove("previewing");
    for (const g of previewStones) g.style.display = "none";
    info.hidden = true;
  }

  // ---- heat maps -------------------------------------------------------------
  const heatBlock = document.getElementById("heat-data");
  const heat = heatBlock ? JSON.parse(heatBlock.textContent) : null;
  const unrated = heat ? new Set(heat.unrated) : new Set();

  function cellAt(svg, clientX, clientY) {
    const point = new DOMPoint(clientX, clientY).matrixTransform(svg.getScreenCTM().inverse());
    const left = Number(svg.dataset.left);
    const width = Number(svg.dataset.cellWidth);
    const height = Number(svg.dataset.cellHeight);
    const i = Math.floor((point.x - left) / width);
    if (i < 0 || i >= heat.vx.length) return null;
    const tops = svg.dataset.tops.split(" ").map(Number);
    for (let spin = 0; spin < tops.length; spin++) {
      const row = Math.floor((point.y - tops[spin]) / height);
      if (row >= 0 && row < heat.rows.length) return { spin, row, i };
    }
    return null;
  }

  function showCell(svg, cell) {
    const { spin, row, i } = cell;
    const index = (spin * heat.rows.length + row) * heat.vx.length + i;
    const raw = unrated.has(index) ? "not simulated" : heat.raw[index].toFixed(4);
    const heading = "spin " + spin + ", vy " + heat.rows[row].toFixed(2) + ", vx " + heat.vx[i].toFixed(3) +
      ": raw " + raw + ", smoothed " + heat.smoothed[index].toFixed(4);
    svg.dataset.hovered = spin + " " + row + " " + i;
    let mark = svg.querySelector("rect.hovered");
    if (!mark) {
      mark = document.createElementNS("http://www.w3.org/2000/svg", "rect");
      mark.setAttribute("class", "hovered");
      svg.appendChild(mark);
    }
    const tops = svg.dataset.tops.split(" ").map(Number);
    mark.setAttribute("x", Number(svg.dataset.left) + i * Number(svg.dataset.cellWidth));
    mark.setAttribute("y", tops[spin] + row * Number(svg.dataset.cellHeight));
    mark.setAttribute("width", svg.dataset.cellWidth);
    mark.setAttribute("height", svg.dataset.cellHeight);
    preview(heat.rests[index], heading, mark);
  }

  function leaveMap(svg) {
    const mark = svg.querySelector("rect.hovered");
    if (mark) mark.remove();
    delete svg.dataset.hovered;
    endPreview();
  }

  for (const svg of heat ? document.querySelectorAll("svg.heat-map") : []) {
    svg.addEventListener("mousemove", (event) => {
      const cell = cellAt(svg, event.clientX, event.clientY);
      if (cell) showCell(svg, cell);
      else leaveMap(svg);
    });
    svg.addEventListener("mouseleave", () => leaveMap(svg));
    // By keyboard: focus starts on the chosen cell, the arrows move.
    svg.addEventListener("focus", () => {
      const chosen = svg.querySelector("g.chosen");
      const start = chosen
        ? { spin: Number(chosen.dataset.spin), row: Number(chosen.dataset.row), i: Number(chosen.dataset.index) }
        : { spin: 0, row: 0, i: 0 };
      showCell(svg, start);
    });
    svg.addEventListener("blur", () => leaveMap(svg));
    svg.addEventListener("keydown", (event) => {
      const moves = { ArrowLeft: [0, -1], ArrowRight: [0, 1], ArrowUp: [-1, 0], ArrowDown: [1, 0] };
      const move = moves[event.key];
      if (!move || !svg.dataset.hovered) return;
      event.preventDefault();
      event.stopPropagation();
      let [spin, row, i] = svg.dataset.hovered.split(" ").map(Number);
      row += move[0];
      i = Math.max(0, Math.min(heat.vx.length - 1, i + move[1]));
      if (row < 0 && spin > 0) { spin--; row = heat.rows.length - 1; }
      if (row >= heat.rows.length && spin + 1 < 2) { spin++; row = 0; }
      row = Math.max(0, Math.min(heat.rows.length - 1, row));
      showCell(svg, { spin, row, i });
    });
  }

  // ---- candidates ------------------------------------------------------------
  const section = document.getElementById("candidates");
  const cloudSheet = document.getElementById("cloud-selected");
  if (!section || !cloudSheet) return;
  const rows = [...section.querySelectorAll("tbody tr[data-candidate]")];
  const caption = document.getElementById("selected-caption");
  let at = rows.findIndex((row) => row.classList.contains("selected"));

  function select(index) {
    if (index < 0 || index >= rows.length) return;
    at = index;
    const key = rows[index].dataset.candidate;
    rows.forEach((row, i) => row.classList.toggle("selected", i === index));
    for (const cloud of cloudSheet.querySelectorAll("g.cloud")) {
      cloud.classList.toggle("shown", cloud.dataset.candidate === key);
    }
    caption.textContent = rows[index].dataset.caption;
    section.dataset.selected = key;
  }

  function previewRow(row) {
    if (row.dataset.rest) preview(JSON.parse(row.dataset.rest), row.dataset.caption, row);
  }

  rows.forEach((row, i) => {
    row.addEventListener("click", () => select(i));
    row.addEventListener("mouseenter", () => previewRow(row));
    row.addEventListener("focus", () => previewRow(row));
    row.addEventListener("mouseleave", endPreview);
    row.addEventListener("blur", endPreview);
  });
  document.addEventListener("keydown", (event) => {
    if (event.key !== "ArrowDown" && event.key !== "ArrowUp") return;
    if (event.target.closest && event.target.closest("svg.heat-map")) return;
    event.preventDefault();
    select(at + (event.key === "ArrowDown" ? 1 : -1));
    rows[at].scrollIntoView({ block: "nearest" });
  });
  if (at >= 0) section.dataset.selected = rows[at].dataset.candidate;
})();
