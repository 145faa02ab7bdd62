// A person's journey through the browser: start Tallo on a fresh home, open
// its page in Chromium, check the tab bar, go More → Settings → Transaction,
// turn the Payee switch on, reload the page and find it still on — then
// restart the program and find it on again. A screenshot of each screen it
// visits is left in the output folder (settings-*.png).
//
//   node settings-journey.mjs   with TALLO_BIN, TALLO_RESOURCES, E2E_OUT set

import assert from 'node:assert/strict';
import { mkdtempSync, mkdirSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { chromium } from 'playwright-core';
import { createFirstAccount, row, screenshot, startTallo as start, stopTallo, tab } from './support.mjs';

const bin = process.env.TALLO_BIN;
const out = process.env.E2E_OUT || path.join(tmpdir(), 'tallo-e2e');
const browserPath = process.env.CHROMIUM || '/usr/bin/chromium';
assert.ok(bin, 'TALLO_BIN names the tallo program');
mkdirSync(out, { recursive: true });
const home = mkdtempSync(path.join(tmpdir(), 'tallo-e2e-home-'));

const startTallo = () => start(bin, home);
const shot = (page, name) => screenshot(page, out, 'settings-' + name);

const payeeSwitch = (page) => row(page, 'Payee').locator('.switch');

const browser = await chromium.launch({ executablePath: browserPath, args: ['--no-sandbox'] });
let tallo = await startTallo();
try {
  const page = await browser.newPage({ viewport: { width: 390, height: 700 } });
  await page.goto(tallo.url);
  await createFirstAccount(page);

  // The tab bar: Home, Budget, Scheduler, Categories, More.
  await page.locator('.tabbar').waitFor();
  assert.deepEqual(await page.locator('.tab span:not(.badge)').allTextContents(),
    ['Home', 'Budget', 'Scheduler', 'Categories', 'More']);
  await shot(page, 'home');

  await tab(page, 'More').click();
  await page.locator('.navbar .title', { hasText: 'More' }).waitFor();
  await shot(page, 'more');
  await row(page, 'Settings').click();
  await page.locator('.navbar .title', { hasText: 'Settings' }).waitFor();
  await shot(page, 'settings');
  await row(page, 'Transaction').click();
  await page.locator('.navbar .title', { hasText: 'Transaction Settings' }).waitFor();
  await shot(page, 'transaction-settings');
  assert.equal(await row(page, 'Category').locator('.switch').getAttribute('aria-checked'), 'true');
  assert.equal(await payeeSwitch(page).getAttribute('aria-checked'), 'false');

  await payeeSwitch(page).click();
  await page.waitForFunction(() => document.querySelectorAll('.row .switch.on').length === 2);
  await shot(page, 'transaction-settings-payee-on');

  await page.reload();
  await page.locator('.navbar .title', { hasText: 'Transaction Settings' }).waitFor();
  assert.equal(await payeeSwitch(page).getAttribute('aria-checked'), 'true');

  // A restart: the page reconnects by itself; the setting was kept.
  await stopTallo(tallo.child);
  tallo = await startTallo();
  await page.goto(tallo.url);
  await tab(page, 'More').click();
  await row(page, 'Settings').click();
  await row(page, 'Transaction').click();
  await page.locator('.navbar .title', { hasText: 'Transaction Settings' }).waitFor();
  assert.equal(await payeeSwitch(page).getAttribute('aria-checked'), 'true');

  await shot(page, 'after-restart');
  console.log('journey passed; screenshots in ' + out);
} finally {
  await browser.close();
  await stopTallo(tallo.child);
  rmSync(home, { recursive: true, force: true });
}
