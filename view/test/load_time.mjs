// Opens a replay page from disk in headless chromium and prints how long it
// took until the first shot was drawn (from the start of navigation), and
// how long selecting the last game and stepping to its last shot took.
// usage: node load_time.mjs PAGE.html [--chromium PATH]
import fs from "node:fs";
import os from "node:os";
import path from "node:path";
import puppeteer from "puppeteer-core";

const file = path.resolve(process.argv[2]);
const chromium = process.argv.includes("--chromium") ? process.argv[process.argv.indexOf("--chromium") + 1] : "/usr/bin/chromium";
const profile = fs.mkdtempSync(path.join(os.tmpdir(), "curling-view-load-"));
const browser = await puppeteer.launch({
  executablePath: chromium, headless: true, userDataDir: profile,
  args: ["--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
    "--disable-background-networking", "--disable-component-update", "--disable-sync"],
});
try {
  const page = await browser.newPage();
  await page.setViewport({ width: 1600, height: 1000 });
  await page.goto("file://" + file, { waitUntil: "load", timeout: 120000 });
  await page.waitForFunction(() => document.body.dataset.readyMs !== undefined, { timeout: 120000 });
  const ready = Number(await page.evaluate(() => document.body.dataset.readyMs));
  const games = await page.evaluate(() => document.querySelectorAll("#games li").length);
  const started = Date.now();
  await page.click("#games li:last-child");
  await page.keyboard.press("End");
  await page.waitForFunction(() => document.body.dataset.state === "still");
  const step = Date.now() - started;
  console.log(path.basename(file) + ": " + (fs.statSync(file).size / 1e6).toFixed(1) + " MB, " + games +
    " games, first shot drawn " + ready.toFixed(0) + " ms after navigation start; last game's last shot in " + step + " ms");
} finally {
  await browser.close();
  fs.rmSync(profile, { recursive: true, force: true });
}
