// The look of the page, checked. Tallo starts on a fresh home; at phone size
// (390 × 844) the journey visits every tab screen — Home, Budget, Scheduler,
// Categories, More, and Settings under More — saves a screenshot of each and
// compares it with its baseline in tests/e2e/baselines/ (pixelmatch with
// threshold 0.1: at most 0.5 % of the pixels, and at most 15 % of any
// 16 × 16 square, may differ) and every picture on it must load. Every
// request of the page stays on the program's address. Then: the check fails
// on a screen whose picture is missing or broken; the page fills a narrow
// window and is a centred phone in a wide one; the manifest's icons load; a
// badge number shows in the title and on the favicon.
//
//   node visual-check.mjs   with TALLO_BIN, E2E_OUT set (TALLO_RESOURCES for the program)
//   TALLO_UPDATE_BASELINES=1 node visual-check.mjs   makes the screenshots the baselines
//
// A changed look is a baseline update in the same commit.

import assert from 'node:assert/strict';
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { chromium } from 'playwright-core';
import { checkScreen, createFirstAccount, describe, row, screenshot, settle, startTallo, stopTallo, tab } from './support.mjs';

const here = path.dirname(fileURLToPath(import.meta.url));
const bin = process.env.TALLO_BIN;
const out = path.join(process.env.E2E_OUT || path.join(tmpdir(), 'tallo-e2e'), 'visual');
const baselines = path.join(here, 'baselines');
const browserPath = process.env.CHROMIUM || '/usr/bin/chromium';
assert.ok(bin, 'TALLO_BIN names the tallo program');
const home = mkdtempSync(path.join(tmpdir(), 'tallo-visual-home-'));

const PHONE = { width: 390, height: 844 };
// The budget's title carries the shown year ("2026 Budget").
const TAB_SCREENS = [['home', 'Home'], ['budget', '\\d{4} Budget'], ['scheduler', 'Scheduler'], ['categories', 'Categories'],
  ['more', 'More']];
const TAB_TITLES = { budget: 'Budget' };

const titled = (page, title) => page.locator('.navbar .title', { hasText: new RegExp(`^${title}$`) }).waitFor();
const box = (page) => page.locator('#phone').boundingBox();

// What the page asked for that is not the program's, and what it did not get.
function watchRequests(page, url) {
  const own = new URL(url).host;
  const seen = { outside: [], failed: [] };
  page.on('request', (request) => {
    const target = new URL(request.url());
    if (target.protocol !== 'data:' && target.host !== own) seen.outside.push(request.url());
  });
  page.on('response', (response) => {
    if (response.status() >= 400) seen.failed.push(`${response.status()} ${response.url()}`);
  });
  page.on('requestfailed', (request) => seen.failed.push(`failed ${request.url()}`));
  return seen;
}

const browser = await chromium.launch({ executablePath: browserPath, args: ['--no-sandbox'] });
const tallo = await startTallo(bin, home, ['--locale', 'en_US', '--time-zone', 'America/New_York']);
try {
  const context = await browser.newContext({ viewport: PHONE, deviceScaleFactor: 1, reducedMotion: 'reduce',
    colorScheme: 'light', locale: 'en-US', timezoneId: 'America/New_York' });
  const page = await context.newPage();
  const requests = watchRequests(page, tallo.url);
  await page.goto(tallo.url);
  await createFirstAccount(page);

  // The typeface is Inter, from the program.
  const faces = await page.evaluate(async () => (await document.fonts.load('600 17px "Inter Variable"')).map((f) => f.status));
  assert.deepEqual(faces, ['loaded'], 'Inter is loaded from web/fonts/');
  assert.match(await page.locator('body').evaluate((b) => getComputedStyle(b).fontFamily), /^"Inter Variable", Inter, system-ui/);

  // Every tab screen against its baseline.
  const checks = [];
  for (const [name, title] of TAB_SCREENS) {
    await tab(page, TAB_TITLES[name] || title).click();
    await titled(page, title);
    // The year is the calendar's, not the look's: the baseline holds none.
    if (name === 'budget') await page.locator('.navbar .title').evaluate((t) => { t.textContent = t.textContent.replace(/^\d{4} /, ''); });
    checks.push(await checkScreen(page, out, baselines, name));
  }
  await row(page, 'Settings').click();
  await titled(page, 'Settings');
  checks.push(await checkScreen(page, out, baselines, 'settings'));
  for (const check of checks) console.log(describe(check));
  assert.deepEqual(checks.filter((check) => !check.ok).map((check) => check.name), [],
    `screens that do not look like their baselines (see ${out}/*.diff.png)`);
  assert.deepEqual(requests.outside, [], 'the page loads nothing from elsewhere');
  assert.deepEqual(requests.failed, [], 'every picture, font and file of the page is found');

  // The check fails on a missing picture (a More row's icon answered 404)
  // and on a broken one (the selected tab's glyph, bytes that are no PNG).
  await tab(page, 'More').click();
  await titled(page, 'More');
  const spoilt = [
    ['more-missing-picture', '**/res/more_tab_settings*', (route) => route.fulfill({ status: 404, body: 'not found' })],
    ['more-broken-picture', '**/res/tab-more*', (route) => route.fulfill({ status: 200, contentType: 'image/png', body: 'no png' })],
  ];
  for (const [name, pattern, answer] of spoilt) {
    await page.route(pattern, answer);
    await page.reload();
    await titled(page, 'More');
    const check = await checkScreen(page, out, baselines, name, 'more');
    console.log(describe(check));
    assert.equal(check.ok, false, `${name}: the check does not see the change`);
    assert.equal(check.broken.length, 1, `${name}: the picture is reported`);
    await page.unroute(pattern);
  }
  assert.ok(requests.failed.some((failure) => failure.startsWith('404') && failure.includes('/res/more_tab_settings')),
    'a missing picture is reported');

  // A narrow window is filled edge to edge; a wide one shows the phone.
  assert.deepEqual(await box(page), { x: 0, y: 0, width: 390, height: 844 });
  await page.setViewportSize({ width: 540, height: 720 });
  assert.deepEqual(await box(page), { x: 0, y: 0, width: 540, height: 720 });
  await page.setViewportSize({ width: 1280, height: 800 });
  assert.deepEqual(await box(page), { x: 445, y: 28, width: 390, height: 744 });
  await page.setViewportSize({ width: 1440, height: 1000 });
  assert.deepEqual(await box(page), { x: 525, y: 78, width: 390, height: 844 });
  await screenshot(page, out, 'desktop-more');

  // What a home screen needs: the manifest and its icons.
  const manifest = await page.evaluate(async () => {
    const answer = await (await fetch(document.querySelector('link[rel=manifest]').href)).json();
    const sizes = await Promise.all(answer.icons.map((icon) => new Promise((done) => {
      const img = new Image();
      img.onload = () => done(`${img.naturalWidth}x${img.naturalHeight}`);
      img.onerror = () => done('missing');
      img.src = icon.src;
    })));
    return { name: answer.name, display: answer.display, declared: answer.icons.map((i) => i.sizes), sizes };
  });
  assert.deepEqual(manifest, { name: 'Tallo', display: 'standalone', declared: ['192x192', '512x512', '512x512'],
    sizes: ['192x192', '512x512', '512x512'] });
  await page.close();

  // A badge number (the program sends it with the scene; here it is set on
  // the way) shows in the title and on the favicon.
  const badged = await context.newPage();
  await badged.routeWebSocket(/\/ws$/, (ws) => {
    const server = ws.connectToServer();
    server.onMessage((message) => {
      const data = JSON.parse(message);
      if (data.type === 'scene') data.scene.badge = 3;
      ws.send(JSON.stringify(data));
    });
  });
  await badged.goto(tallo.url);
  await badged.waitForFunction(() => document.title === 'Tallo (3)');
  await badged.waitForFunction(() => document.getElementById('favicon').href.startsWith('data:image/png'));
  await settle(badged);
  await badged.close();
  console.log('visual check passed; screenshots in ' + out);
} finally {
  await browser.close();
  await stopTallo(tallo.child);
  rmSync(home, { recursive: true, force: true });
}
