// What the browser journeys share: starting and stopping the program on a
// home of their own, saving a screenshot of each screen they visit, and
// comparing a screenshot with its committed baseline.

import { spawn } from 'node:child_process';
import { existsSync, mkdirSync, readFileSync, writeFileSync } from 'node:fs';
import path from 'node:path';
import pixelmatch from 'pixelmatch';
import { PNG } from 'pngjs';

// Starts tallo on `home` and any free port; resolves with its address.
export function startTallo(bin, home, args = []) {
  const child = spawn(bin, ['--home', home, '--port', '0', ...args], { stdio: ['ignore', 'pipe', 'inherit'] });
  return new Promise((resolve, reject) => {
    let seen = '';
    const timer = setTimeout(() => reject(new Error('tallo printed no address: ' + seen)), 20000);
    child.stdout.on('data', (chunk) => {
      seen += chunk;
      const match = seen.match(/open (http:\/\/127\.0\.0\.1:\d+\/)/);
      if (match) {
        clearTimeout(timer);
        resolve({ child, url: match[1] });
      }
    });
    child.on('exit', (code) => reject(new Error('tallo ended early with ' + code)));
  });
}

export async function stopTallo(child) {
  if (child.exitCode !== null || child.signalCode !== null) return;
  const ended = new Promise((resolve) => child.once('exit', resolve));
  child.kill('SIGTERM');
  await ended;
}

// Saves the page as <out>/<name>.png once its fonts and pictures are in;
// returns the file and the pictures that did not load (settle).
export async function screenshot(page, out, name) {
  mkdirSync(out, { recursive: true });
  const broken = await settle(page);
  const file = path.join(out, name + '.png');
  await page.screenshot({ path: file, animations: 'disabled', caret: 'hide' });
  return { file, broken };
}

// Waits for the typeface, every picture of the page (images, glyph masks,
// the tab bar's pictures), and two frames drawn. Returns the addresses of
// the pictures that could not be loaded or decoded.
export async function settle(page) {
  return page.evaluate(async () => {
    await document.fonts.ready;
    const urls = new Set([...document.images].map((img) => img.currentSrc || img.src));
    for (const node of document.querySelectorAll('.glyph, .plate, .tabbar')) {
      for (const match of getComputedStyle(node).getPropertyValue('--picture').concat(' ', node.style.backgroundImage)
        .matchAll(/url\("?([^")]+)"?\)/g)) urls.add(new URL(match[1], location.href).href);
    }
    const loaded = await Promise.all([...urls].map((url) => new Promise((done) => {
      const img = new Image();
      img.onload = () => done(null);
      img.onerror = () => done(url);
      img.src = url;
    })));
    await new Promise((done) => requestAnimationFrame(() => requestAnimationFrame(done)));
    return loaded.filter((url) => url !== null);
  });
}

// How far a screenshot is from its baseline: the share of pixels that
// differ (pixelmatch, threshold 0.1), and the largest share in any square
// of 16 × 16 pixels — a picture of 26 points that went missing or changed
// stays under half a percent of a phone screen, but fills such a square.
export function compareImages(actualPng, baselinePng, diffFile) {
  const actual = PNG.sync.read(actualPng);
  const baseline = PNG.sync.read(baselinePng);
  if (actual.width !== baseline.width || actual.height !== baseline.height) {
    return { sameSize: false, share: 1, worstSquare: 1 };
  }
  const { width, height } = actual;
  const diff = new PNG({ width, height });
  const count = pixelmatch(actual.data, baseline.data, diff.data, width, height,
    { threshold: 0.1, diffColor: [255, 0, 0], aaColor: [255, 255, 0] });
  if (diffFile) writeFileSync(diffFile, PNG.sync.write(diff));
  const side = 16;
  let worst = 0;
  for (let top = 0; top < height; top += side) {
    for (let left = 0; left < width; left += side) {
      let differing = 0;
      let all = 0;
      for (let y = top; y < Math.min(top + side, height); ++y) {
        for (let x = left; x < Math.min(left + side, width); ++x) {
          const i = (y * width + x) * 4;
          // pixelmatch marks differing pixels red, anti-aliasing yellow.
          if (diff.data[i] === 255 && diff.data[i + 1] === 0 && diff.data[i + 2] === 0) ++differing;
          ++all;
        }
      }
      worst = Math.max(worst, differing / all);
    }
  }
  return { sameSize: true, share: count / (width * height), worstSquare: worst };
}

export const TOLERANCE = { share: 0.005, worstSquare: 0.15 };

export function withinTolerance(result) {
  return result.sameSize && result.share <= TOLERANCE.share && result.worstSquare <= TOLERANCE.worstSquare;
}

// The visual check of one screen: saves <out>/<name>.png and compares it
// with <baselines>/<baseline>.png (the same name unless given); the screen
// passes when it is within the tolerance and every picture on it loaded.
// With TALLO_UPDATE_BASELINES=1 the screenshot becomes the baseline instead.
export async function checkScreen(page, out, baselines, name, baselineName = name) {
  const { file, broken } = await screenshot(page, out, name);
  const baseline = path.join(baselines, baselineName + '.png');
  if (process.env.TALLO_UPDATE_BASELINES === '1' && baselineName === name) {
    mkdirSync(baselines, { recursive: true });
    writeFileSync(baseline, readFileSync(file));
    return { name, broken, updated: true, ok: broken.length === 0 };
  }
  if (!existsSync(baseline)) return { name, broken, missing: baseline, ok: false };
  const result = compareImages(readFileSync(file), readFileSync(baseline), file.replace(/\.png$/, '.diff.png'));
  return { name, broken, ...result, ok: withinTolerance(result) && broken.length === 0 };
}

export function describe(check) {
  const pictures = check.broken.length ? `; pictures that did not load: ${check.broken.join(', ')}` : '';
  if (check.updated) return `${check.name}: baseline updated${pictures}`;
  if (check.missing) return `${check.name}: no baseline ${check.missing} (TALLO_UPDATE_BASELINES=1 makes it)`;
  if (!check.sameSize) return `${check.name}: not the baseline's size${pictures}`;
  return `${check.name}: ${(check.share * 100).toFixed(3)} % of the pixels differ, ` +
    `${(check.worstSquare * 100).toFixed(1)} % of the worst 16 × 16 square${pictures}` +
    (withinTolerance(check) ? '' : ` — over ${JSON.stringify(TOLERANCE)}`);
}

// A fresh home opens on the editor of its first account: name it and save,
// which leaves the page on the Home tab with that account.
export async function createFirstAccount(page, name = 'Checking') {
  await page.locator('.navbar .title', { hasText: 'New Account' }).waitFor();
  await page.locator('.row input.field').fill(name);
  // Save is enabled once the program has the name.
  await page.waitForFunction(() => {
    const save = document.querySelector('.navbar button.right');
    return save && !save.disabled;
  });
  await page.locator('.navbar button', { hasText: 'Done' }).click();
  await page.locator('.tabbar').waitFor();
}

// The page's parts a journey looks for: a row by its text, a tab by its
// title, a navigation bar button by its title, and the title it waits for.
export const row = (page, text) => page.locator('.row', { hasText: text });
export const tab = (page, title) => page.locator('.tab', { hasText: title });
export const navButton = (page, text) => page.locator('.navbar button', { hasText: text });
export const title = (page, text) => page.locator('.navbar .title', { hasText: text }).waitFor();

// Swipes a row to the left and taps the Delete button it shows. The pointer
// goes to the row once it stands still (a list that is still settling its
// scroll offset moves rows under it); a swipe that missed is made again.
export async function swipeToDelete(page, target) {
  for (let attempt = 1; ; attempt += 1) {
    await settle(page);
    await target.hover();
    const box = await target.boundingBox();
    const y = box.y + box.height / 2;
    await page.mouse.down();
    await page.mouse.move(box.x + box.width / 2 - 120, y, { steps: 4 });
    await page.mouse.up();
    try {
      await target.locator('button.delete').click({ timeout: 3000 });
      return;
    } catch (error) {
      if (attempt === 3) throw error;
    }
  }
}

// Types `text` into the list's search field and waits for the filtered list:
// fewer rows than before, one of them with the text (ignoring case). A row
// tapped before that list is drawn names a row the program no longer shows,
// and the tap is lost.
export async function searchFor(page, text) {
  const before = await page.locator('.content .row').count();
  await page.locator('input.search-field').fill(text);
  await page.waitForFunction(([wanted, count]) => {
    const rows = [...document.querySelectorAll('.content .row')];
    return rows.length < count && rows.some((r) => r.textContent.toLowerCase().includes(wanted));
  }, [text.toLowerCase(), before]);
}
