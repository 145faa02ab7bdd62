// A person's journey through the currencies in the browser: start Tallo on a
// fresh home (US English, so dollars are the default), go More → Settings →
// Currencies, add the Swiss franc from the currency list, drag it to the top
// to make it the default, then type the dollar's rate into francs with the
// computer's keyboard. A screenshot of each step is left in the output
// folder (currencies-*.png).
//
//   node currencies-journey.mjs   with TALLO_BIN, TALLO_RESOURCES, E2E_OUT set

import assert from 'node:assert/strict';
import { mkdtempSync, mkdirSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { chromium } from 'playwright-core';
import { createFirstAccount, row, screenshot, searchFor, startTallo, stopTallo, title } from './support.mjs';

const bin = process.env.TALLO_BIN;
const out = process.env.E2E_OUT || path.join(tmpdir(), 'tallo-e2e');
const browserPath = process.env.CHROMIUM || '/usr/bin/chromium';
assert.ok(bin, 'TALLO_BIN names the tallo program');
mkdirSync(out, { recursive: true });
const home = mkdtempSync(path.join(tmpdir(), 'tallo-e2e-home-'));

const shot = async (page, name) => {
  const { broken } = await screenshot(page, out, 'currencies-' + name);
  assert.deepEqual(broken, [], `pictures that did not load on ${name}`);
};
const rows = (page) => page.locator('.row');

const browser = await chromium.launch({ executablePath: browserPath, args: ['--no-sandbox'] });
const tallo = await startTallo(bin, home, ['--locale', 'en_US', '--time-zone', 'UTC']);
try {
  const page = await browser.newPage({ viewport: { width: 390, height: 700 } });
  await page.goto(tallo.url);
  await createFirstAccount(page);
  await page.locator('.tab', { hasText: 'More' }).click();
  await row(page, 'Settings').click();
  await title(page, 'Settings');
  await row(page, 'Currencies').click();
  await title(page, 'Currencies');
  // A new book: dollars first (the default), then the first currencies of the list.
  await row(page, 'US Dollar (USD)').waitFor();
  assert.equal(await rows(page).first().locator('.detail').textContent(), '1 USD');
  assert.match(await row(page, 'Euro (EUR)').locator('.detail').textContent(), /^1 EUR = \d+\.\d{4} USD$/);
  await shot(page, 'manager');

  // Add the Swiss franc from the list of the others.
  await page.locator('.navbar button.right', { hasText: 'Edit' }).click();
  await row(page, 'Add currency').click();
  await title(page, 'Select Currency');
  await shot(page, 'insert-list');
  // The A–Z strip jumps to a letter: "S" brings the S section into view.
  await page.locator('.index-strip .index-title', { hasText: /^S$/ }).click();
  await page.waitForFunction(() => {
    const header = [...document.querySelectorAll('.section-header')].find((h) => h.textContent === 'S');
    const content = document.querySelector('.content');
    if (!header || !content) return false;
    const offset = header.getBoundingClientRect().top - content.getBoundingClientRect().top;
    return offset >= -40 && offset < 120;
  });
  await page.waitForTimeout(400);  // the list stays where it jumped to
  assert.ok(await page.evaluate(() => document.querySelector('.content').scrollTop > 1000));
  await shot(page, 'insert-list-s');
  await searchFor(page, 'swiss');
  await row(page, 'Swiss Franc (CHF)').click();
  await title(page, 'Currencies');
  await row(page, 'Swiss Franc (CHF)').waitFor();
  await shot(page, 'added');

  // Drag it to the top: it becomes the default, the rates turn into francs.
  const handle = row(page, 'Swiss Franc (CHF)').locator('.handle');
  const box = await handle.boundingBox();
  const top = await rows(page).first().boundingBox();
  await page.mouse.move(box.x + box.width / 2, box.y + box.height / 2);
  await page.mouse.down();
  await page.mouse.move(top.x + top.width / 2, top.y + top.height / 2, { steps: 5 });
  await page.mouse.up();
  await page.waitForFunction(() => document.querySelector('.row .text')?.textContent === 'Swiss Franc (CHF)');
  assert.equal(await rows(page).first().locator('.detail').textContent(), '1 CHF');
  await page.locator('.navbar button.right', { hasText: 'Done' }).click();
  await page.locator('.navbar button.right', { hasText: 'Edit' }).waitFor();
  await shot(page, 'default-chf');

  // The dollar's rate into francs, typed on the computer's keyboard.
  await row(page, 'US Dollar (USD)').locator('.detail-button').click();
  await title(page, 'USD to CHF rate');
  for (const key of ['0', '.', '9', '1', '2']) await page.keyboard.press(key);
  await page.locator('.amount-value', { hasText: '0.9120' }).waitFor();
  await shot(page, 'rate-keypad');
  await page.keyboard.press('Enter');
  await title(page, 'Currencies');
  // Typed by hand: shown in black, no longer the download's grey.
  await page.waitForFunction(() => [...document.querySelectorAll('.row .detail')]
    .some((d) => d.textContent === '1 USD = 0.9120 CHF' && getComputedStyle(d).color === 'rgb(0, 0, 0)'));
  await shot(page, 'rate-typed');

  // Without a quote service the pull says so instead of spinning.
  await page.evaluate(() => {
    const content = document.querySelector('.content');
    content.dispatchEvent(new PointerEvent('pointerdown', { clientY: 100, bubbles: true }));
    content.dispatchEvent(new PointerEvent('pointerup', { clientY: 200, bubbles: true }));
  });
  await page.locator('.updater', { hasText: 'No rate service set' }).waitFor();
  await shot(page, 'no-service');
  console.log('journey passed; screenshots in ' + out);
} finally {
  await browser.close();
  await stopTallo(tallo.child);
  rmSync(home, { recursive: true, force: true });
}
