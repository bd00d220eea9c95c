// A screenshot of a page after a few actions, for the pictures in the
// documentation: the browser test's tooling (puppeteer-core driving
// Debian's chromium headless, a fresh profile each time).
//
// usage: node screenshot.mjs PAGE OUT.png [ACTION ...]
// ACTION: a key name ("ArrowRight"), click:SELECTOR or hover:SELECTOR;
// FULL=1 in the environment takes the whole page.
import fs from "node:fs";
import os from "node:os";
import path from "node:path";
import puppeteer from "puppeteer-core";

const [file, out, ...actions] = process.argv.slice(2);
const profile = fs.mkdtempSync(path.join(os.tmpdir(), "curling-view-shot-"));
const browser = await puppeteer.launch({
  executablePath: "/usr/bin/chromium", headless: true, userDataDir: profile,
  args: ["--no-sandbox", "--disable-gpu", "--disable-background-networking", "--disable-component-update",
    "--disable-sync", "--no-first-run"],
});
try {
  const page = await browser.newPage();
  page.on("pageerror", (e) => console.error("page error: " + e.message));
  await page.setViewport({ width: 1400, height: 900 });
  await page.goto("file://" + path.resolve(file));
  for (const action of actions) {
    if (action.startsWith("click:")) await page.click(action.slice(6));
    else if (action.startsWith("hover:")) await page.hover(action.slice(6));
    else await page.keyboard.press(action);
  }
  await page.screenshot({ path: out, fullPage: process.env.FULL === "1" });
} finally {
  await browser.close();
  fs.rmSync(profile, { recursive: true, force: true });
}
