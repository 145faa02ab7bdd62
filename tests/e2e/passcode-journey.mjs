// A person's journey with the passcode: on a home with a book of accounts,
// open More → Settings → Passcode, set a passcode on the keypad and confirm
// it on the computer's keyboard, restart the program, meet the lock screen
// (and nothing of the book), mistype, and unlock. A screenshot of each step
// is left in the output folder (passcode-*.png).
//
//   node passcode-journey.mjs   with TALLO_BIN, TALLO_GEN, TALLO_RESOURCES, E2E_OUT set

import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { mkdtempSync, mkdirSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { chromium } from 'playwright-core';
import { row, screenshot, startTallo as start, stopTallo } from './support.mjs';

const bin = process.env.TALLO_BIN;
const gen = process.env.TALLO_GEN;
const out = process.env.E2E_OUT || path.join(tmpdir(), 'tallo-e2e');
const browserPath = process.env.CHROMIUM || '/usr/bin/chromium';
assert.ok(bin, 'TALLO_BIN names the tallo program');
assert.ok(gen, 'TALLO_GEN names the tallo-gen program');
mkdirSync(out, { recursive: true });
const home = mkdtempSync(path.join(tmpdir(), 'tallo-e2e-home-'));
// A book with accounts: the lock comes at launch only when there is one.
execFileSync(gen, ['--home', home, '--transactions', '60', '--seed', '3'], { stdio: 'inherit' });

const startTallo = () => start(bin, home, ['--no-sync']);
const shot = (page, name) => screenshot(page, out, 'passcode-' + name);
const title = (page, text) => page.locator('.navbar .title', { hasText: text });
// The panel in view: the one whose left edge is at 0.
const panelInView = (page) => page.locator('.passcode-panel[style*="left: 0%"]');
const key = (page, digit) => page.locator('.key', { hasText: new RegExp('^' + digit + '$') });

const browser = await chromium.launch({ executablePath: browserPath, args: ['--no-sandbox'] });
let tallo = await startTallo();
try {
  const page = await browser.newPage({ viewport: { width: 390, height: 700 } });
  const pageErrors = [];
  page.on('pageerror', (error) => pageErrors.push(String(error)));
  await page.goto(tallo.url);
  await page.locator('.tabbar').waitFor();

  await page.locator('.tab', { hasText: 'More' }).click();
  await row(page, 'Settings').click();
  await row(page, 'Passcode').click();
  await title(page, 'Passcode').waitFor();
  assert.equal(await page.locator('.row').count(), 2);
  await row(page, 'Set Passcode').waitFor();
  await shot(page, 'settings');

  // Four digits on the keypad: each is readable until the next one comes.
  await row(page, 'Set Passcode').click();
  await title(page, 'Set Passcode').waitFor();
  await panelInView(page).locator('.passcode-action', { hasText: 'Enter your new passcode' }).waitFor();
  await shot(page, 'enter-new');
  for (const digit of '4711') await key(page, digit).click();
  await shot(page, 'entered-four');
  await panelInView(page).locator('.passcode-action', { hasText: 'Confirm your new passcode' }).waitFor();
  assert.equal(await panelInView(page).locator('.bubble').count(), 0);

  // The confirmation on the computer's keyboard.
  for (const digit of '4711') await page.keyboard.press(digit);
  await title(page, 'Passcode').waitFor();
  await row(page, 'Change Passcode').waitFor();
  await shot(page, 'set');

  // A restart: the lock, and nothing of the book.
  await stopTallo(tallo.child);
  tallo = await startTallo();
  await page.goto(tallo.url);
  await title(page, 'Security').waitFor();
  await panelInView(page).locator('.passcode-action', { hasText: 'Enter your passcode' }).waitFor();
  assert.equal(await page.locator('.tabbar').count(), 0);
  assert.equal(await page.locator('.navbar button').count(), 0, 'nothing closes the lock');
  const lockedText = await page.locator('body').innerText();
  for (const word of ['Checking', 'Savings', 'Home', 'Budget', 'Settings']) {
    assert.ok(!lockedText.includes(word), `the locked page shows "${word}"`);
  }
  await shot(page, 'locked');

  for (const digit of '4712') await page.keyboard.press(digit);
  await panelInView(page).locator('.passcode-message', { hasText: 'Passcode wrong. Try again.' }).waitFor();
  await shot(page, 'wrong');
  assert.equal(await page.locator('.tabbar').count(), 0);

  await key(page, '4').click();
  await key(page, '7').click();
  await page.keyboard.press('9');
  await page.keyboard.press('Backspace');
  await key(page, '1').click();
  await key(page, '1').click();
  await page.locator('.tabbar').waitFor();
  await shot(page, 'unlocked');
  assert.deepEqual(pageErrors, [], 'the page ran without errors');
  console.log('journey passed; screenshots in ' + out);
} finally {
  await browser.close();
  await stopTallo(tallo.child);
  rmSync(home, { recursive: true, force: true });
}
