// A person's first steps with the Home tab, through the browser: a fresh
// home opens on the editor of the first account; "Checking" gets an opening
// balance typed on the keypad and shows on the list with the net worth; a
// second account is made from the editing list and dragged to the top.
// Then, on a generated book, the busiest account's register: day headings,
// "Show 25 more...", and a search. A screenshot of each step is left in the
// output folder (home-*.png).
//
//   node home-journey.mjs   with TALLO_BIN, TALLO_GEN, TALLO_RESOURCES, E2E_OUT set

import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { mkdtempSync, mkdirSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { chromium } from 'playwright-core';
import { navButton, row, screenshot, settle, startTallo, stopTallo, title } from './support.mjs';

const bin = process.env.TALLO_BIN;
const gen = process.env.TALLO_GEN;
const out = process.env.E2E_OUT || path.join(tmpdir(), 'tallo-e2e');
const browserPath = process.env.CHROMIUM || '/usr/bin/chromium';
assert.ok(bin, 'TALLO_BIN names the tallo program');
assert.ok(gen, 'TALLO_GEN names the tallo-gen program');
mkdirSync(out, { recursive: true });
const fresh = mkdtempSync(path.join(tmpdir(), 'tallo-e2e-home-'));
const book = mkdtempSync(path.join(tmpdir(), 'tallo-e2e-book-'));
execFileSync(gen, ['--home', book, '--transactions', '400', '--seed', '5'], { stdio: 'inherit' });

const shot = async (page, name) => { await settle(page); await screenshot(page, out, 'home-' + name); };
const rowTexts = (page) => page.locator('.row .text').allTextContents();
const netWorth = (page) => page.locator('.networth.top .amount').textContent();
const options = ['--locale', 'en_US', '--time-zone', 'UTC', '--no-sync'];

const browser = await chromium.launch({ executablePath: browserPath, args: ['--no-sandbox'] });
let tallo = await startTallo(bin, fresh, options);
try {
  const page = await browser.newPage({ viewport: { width: 390, height: 700 } });
  const pageErrors = [];
  page.on('pageerror', (error) => pageErrors.push(String(error)));
  await page.goto(tallo.url);

  // First launch: the editor of the first account, Save disabled until named.
  await title(page, 'New Account');
  assert.equal(await navButton(page, 'Done').isDisabled(), true);
  await shot(page, 'first-launch');
  await page.locator('.row input.field').fill('Checking');
  await page.waitForFunction(() => !document.querySelector('.navbar button.right').disabled);
  await row(page, 'Balance').click();
  await title(page, 'Starting Balance');
  for (const key of '1250.50') await page.keyboard.press(key);
  await page.locator('.amount-value', { hasText: '$1,250.50' }).waitFor();
  await shot(page, 'starting-balance');
  await navButton(page, 'Done').click();
  await title(page, 'New Account');
  await row(page, 'Balance').locator('.detail', { hasText: '$1,250.50' }).waitFor();
  await navButton(page, 'Done').click();

  // The list: the account with its balance under the net worth.
  await title(page, 'Home');
  await page.locator('.tabbar').waitFor();
  await row(page, 'Checking').locator('.value', { hasText: '$1,250.50' }).waitFor();
  assert.equal(await netWorth(page), '$1,250.50');
  assert.equal(await page.locator('.networth.top .label').textContent(), 'Net Worth:');
  await shot(page, 'one-account');

  // A second account from the editing list: a Cash account of 300.
  await navButton(page, 'Edit').click();
  await row(page, 'Create Account').waitFor();
  await page.locator('.text-line', { hasText: 'Drag to the top to make default.' }).waitFor({ state: 'detached' });
  await row(page, 'Create Account').click();
  await title(page, 'New Account');
  await page.locator('.row input.field').fill('Wallet');
  await row(page, 'Bank').click();
  await title(page, 'Account Type');
  await shot(page, 'account-type');
  await row(page, 'Cash').click();
  await title(page, 'New Account');
  await row(page, 'Balance').click();
  await title(page, 'Starting Balance');
  for (const key of '300') await page.keyboard.press(key);
  await page.keyboard.press('Enter');
  await title(page, 'New Account');
  await navButton(page, 'Done').click();
  await title(page, 'Home');
  await row(page, 'Wallet').waitFor();
  await page.locator('.text-line', { hasText: 'Drag to the top to make default.' }).waitFor();
  await shot(page, 'editing');

  // Reorder: Wallet dragged onto Checking goes first.
  const handle = row(page, 'Wallet').locator('.handle');
  const target = await row(page, 'Checking').boundingBox();
  await handle.hover();
  await page.mouse.down();
  await page.mouse.move(target.x + target.width / 2, target.y + target.height / 2, { steps: 4 });
  await page.mouse.up();
  await page.waitForFunction(() => [...document.querySelectorAll('.row .text')].map((t) => t.textContent)
    .filter((t) => t === 'Wallet' || t === 'Checking').join() === 'Wallet,Checking');
  await navButton(page, 'Done').click();
  await navButton(page, 'Edit').waitFor();
  assert.deepEqual(await rowTexts(page), ['Wallet', 'Checking']);
  assert.equal(await netWorth(page), '$1,550.50');
  assert.equal(await page.locator('.overlay, .alert').count(), 0, 'Wallet takes transactions: no default message');
  await shot(page, 'reordered');
  assert.deepEqual(pageErrors, [], 'the page ran without errors');

  // A generated book: the busiest account's register, page by page.
  await stopTallo(tallo.child);
  tallo = await startTallo(bin, book, options);
  await page.goto(tallo.url);
  await title(page, 'Home');
  await row(page, 'Checking').waitFor();
  await shot(page, 'book');
  await row(page, 'Checking').locator('.text').click();
  await title(page, 'Checking');
  await page.locator('.section-header').first().waitFor();
  await page.locator('.networth.bottom .label', { hasText: 'Balance:' }).waitFor();
  const transactionRows = () => page.locator('.row.subtitle').count();
  assert.equal(await transactionRows(), 25);
  await shot(page, 'register');
  await row(page, 'Show 25 more...').click();
  await page.waitForFunction(() => document.querySelectorAll('.row.subtitle').length === 50);
  await shot(page, 'register-more');

  // A swipe that starts on a row's amount shows Delete; a scene drawn
  // meanwhile (the list reports its scrolling) keeps it on that row; a press
  // elsewhere puts it away and deletes nothing.
  const swiped = page.locator('.row.subtitle').nth(2);
  const swipedText = await swiped.locator('.text').textContent();
  await swiped.scrollIntoViewIfNeeded();
  await settle(page);
  const amount = await swiped.locator('.value').boundingBox();
  await page.mouse.move(amount.x + amount.width / 2, amount.y + amount.height / 2);
  await page.mouse.down();
  await page.mouse.move(amount.x - 100, amount.y + amount.height / 2, { steps: 4 });
  await page.mouse.up();
  await swiped.locator('button.delete').waitFor();
  await page.evaluate(() => { window.swipedRow = document.querySelectorAll('.row.subtitle')[2]; });
  await page.mouse.wheel(0, 80);
  await page.waitForFunction(() => !window.swipedRow.isConnected);
  await page.mouse.wheel(0, -80);
  assert.equal(await page.locator('.row button.delete').count(), 1);
  assert.equal(await page.locator('.row', { has: page.locator('button.delete') }).locator('.text').textContent(), swipedText);
  await shot(page, 'register-swiped');
  await page.locator('.navbar .title').click();
  await page.locator('.row button.delete').waitFor({ state: 'detached' });
  assert.equal(await transactionRows(), 50);

  // Search, ignoring case: a payee of the book typed in lower case.
  await page.locator('.search-field').fill('grind');
  await page.waitForFunction(() => document.querySelectorAll('.section-header').length === 0);
  const found = await page.locator('.row.subtitle').allTextContents();
  assert.ok(found.length > 0, 'the search finds the Daily Grind');
  for (const text of found) assert.match(text, /Daily Grind|Coffee|Dining|Food/);
  await shot(page, 'search');
  assert.deepEqual(pageErrors, [], 'the page ran without errors');
  console.log('journey passed; screenshots in ' + out);
} finally {
  await browser.close();
  await stopTallo(tallo.child);
  rmSync(fresh, { recursive: true, force: true });
  rmSync(book, { recursive: true, force: true });
}
