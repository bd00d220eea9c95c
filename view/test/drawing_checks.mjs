// The browser test's checks of what a page draws: stones, dots and aims
// measured on screen, scaled by the drawn house, against the numbers they
// stand for.

export const TOLERANCE_M = 0.001;
const DRAWN_SAMPLES = 100;  // a cloud draws a candidate's first samples, at most this many
const TEE = { x: 2.375, y: 4.88 };
const HOUSE_RADIUS = 1.829;

let failures = 0;
let checks = 0;
export function check(ok, what) {
  checks++;
  if (!ok) {
    failures++;
    console.log("FAIL: " + what);
  }
}


export function results() {
  return { checks, failures };
}

// ---- measuring a drawing ----------------------------------------------------

// Screen centres of the house and of every drawn stone or dot in one <svg>,
// turned into sheet metres with the house's own drawn size as the scale.
export async function measure(page, svgSelector, itemSelector) {
  const raw = await page.evaluate(
    (svgSelector, itemSelector) => {
      const svg = document.querySelector(svgSelector);
      const ring = svg.querySelector("circle.ring12").getBoundingClientRect();
      const items = [];
      for (const item of svg.querySelectorAll(itemSelector)) {
        if (item.closest("g.stone") && item.closest("g.stone").style.display === "none") continue;
        const box = item.getBoundingClientRect();
        const stone = item.closest("g.stone");
        items.push({
          slot: stone ? Number(stone.dataset.slot) : -1,
          faded: stone ? stone.classList.contains("faded") : false,
          x: box.x + box.width / 2,
          y: box.y + box.height / 2,
        });
      }
      return { ring: { x: ring.x + ring.width / 2, y: ring.y + ring.height / 2, r: ring.width / 2 }, items };
    },
    svgSelector,
    itemSelector
  );
  const scale = raw.ring.r / HOUSE_RADIUS;  // pixels per metre
  return {
    scale,
    items: raw.items.map((i) => ({
      ...i,
      mx: TEE.x + (i.x - raw.ring.x) / scale,
      my: TEE.y - (i.y - raw.ring.y) / scale,
    })),
  };
}

export const occupied = (position) =>
  position.map(([x, y], slot) => ({ slot, x, y })).filter((s) => !(s.x === 0 && s.y === 0));

export function compareStones(drawn, position, what) {
  const expected = occupied(position);
  check(drawn.items.length === expected.length,
    what + ": " + drawn.items.length + " stones drawn, the record has " + expected.length);
  let worst = 0;
  for (const stone of expected) {
    const d = drawn.items.find((i) => i.slot === stone.slot);
    if (!d) {
      check(false, what + ": stone " + stone.slot + " not drawn");
      continue;
    }
    const error = Math.hypot(d.mx - stone.x, d.my - stone.y);
    worst = Math.max(worst, error);
    check(error <= TOLERANCE_M, what + ": stone " + stone.slot + " drawn " + (error * 1000).toFixed(2) +
      " mm from the record (" + d.mx.toFixed(4) + ", " + d.my.toFixed(4) + " vs " +
      stone.x.toFixed(4) + ", " + stone.y.toFixed(4) + ")");
  }
  return worst;
}

// The stones a sampled outcome moved or placed (more than 5 mm from where
// they stood), as the page draws them.
function movedStones(outcomes, before) {
  const empty = (p) => p[0] === 0 && p[1] === 0;
  const out = [];
  for (const outcome of outcomes) {
    for (const [slot, stone] of outcome.entries()) {
      const was = before[slot];
      if (empty(stone)) continue;
      if (empty(was) || Math.hypot(was[0] - stone[0], was[1] - stone[1]) > 0.005) out.push(stone);
    }
  }
  return out;
}

// One candidate's cloud as shown on a sheet: only its group, one dot per
// moved stone within 1 mm of the sample's position, the aim's cross where
// it was aimed.
export async function checkCloud(page, svg, key, candidate, before, what) {
  const shown = await page.$$eval(svg + " g.cloud.shown", (gs) => gs.map((g) => g.dataset.candidate));
  check(shown.length === 1 && shown[0] === String(key), what + ": the sheet shows group " + shown.join(",") + ", not " + key);
  const drawn = await measure(page, svg, "g.cloud.shown circle.dot");
  const expected = movedStones(candidate.outcomes.slice(0, DRAWN_SAMPLES), before);
  check(drawn.items.length === expected.length, what + ": " + drawn.items.length + " dots for " + expected.length + " sampled stones");
  let worst = 0;
  for (const stone of expected) {
    const near = Math.min(...drawn.items.map((d) => Math.hypot(d.mx - stone[0], d.my - stone[1])));
    worst = Math.max(worst, near);
  }
  check(worst <= TOLERANCE_M, what + ": a sampled stone drawn " + (worst * 1000).toFixed(2) + " mm away");
  if (candidate.aim) {
    const aim = await measure(page, svg, "g.cloud.shown g.aim");
    const error = aim.items.length === 1 ? Math.hypot(aim.items[0].mx - candidate.aim[0], aim.items[0].my - candidate.aim[1]) : Infinity;
    check(error <= TOLERANCE_M, what + ": the aim drawn " + (error * 1000).toFixed(2) + " mm from " + candidate.aim);
  }
}

// The preview of a hovered cell or row against the sheet's own drawing of
// the chosen shot played without noise: the same stones within 1 mm.
export async function checkPreview(page, what) {
  const preview = await measure(page, "svg#decision-sheet", "g.preview g.stone circle.granite");
  const outcome = await measure(page, "svg#decision-sheet", "g.stones g.stone:not(.faded) circle.granite");
  const text = await page.$eval("#preview-text", (e) => e.textContent);
  check(preview.items.length === outcome.items.length && preview.items.length > 0,
    what + ": " + preview.items.length + " stones previewed, " + outcome.items.length + " on the sheet");
  let worst = 0;
  for (const stone of outcome.items) {
    const p = preview.items.find((i) => i.slot === stone.slot);
    worst = Math.max(worst, p ? Math.hypot(p.mx - stone.mx, p.my - stone.my) : Infinity);
  }
  check(worst <= TOLERANCE_M, what + ": a previewed stone " + (worst * 1000).toFixed(2) + " mm from the sheet's");
  check(/^.+: Without noise the thrown (red|yellow) \d /.test(text), what + ": the preview names the thrown stone: " + text);
}
