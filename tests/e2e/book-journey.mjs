// The day's entry again, on a generated book of 10,000 transactions: with
// payees on, an expense for a payee and a category made on the way lands
// under today's heading and takes exactly 42.50 off Checking; split, it
// takes 52.50; "cafe" finds it among thousands and a common payee pages by
// 25; 100 moved to Savings through the account chooser and deleted from
// Savings' side gives Checking its balance back; Home's net worth moved by
// the same 52.50. Screenshots are left in the output folder (book-*.png).
//
//   node book-journey.mjs   with TALLO_BIN, TALLO_GEN, TALLO_RESOURCES, E2E_OUT set

import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { mkdtempSync, mkdirSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { chromium } from 'playwright-core';
import { navButton, row, screenshot, searchFor, settle, startTallo, stopTallo, swipeToDelete, title } from './support.mjs';

const bin = process.env.TALLO_BIN;
const gen = process.env.TALLO_GEN;
const out = process.env.E2E_OUT || path.join(tmpdir(), 'tallo-e2e');
const browserPath = process.env.CHROMIUM || '/usr/bin/chromium';
assert.ok(bin, 'TALLO_BIN names the tallo program');
assert.ok(gen, 'TALLO_GEN names the tallo-gen program');
mkdirSync(out, { recursive: true });
const book = mkdtempSync(path.join(tmpdir(), 'tallo-e2e-book10k-'));
execFileSync(gen, ['--home', book, '--transactions', '10000', '--seed', '11'], { stdio: 'inherit' });

const shot = async (page, name) => { await settle(page); await screenshot(page, out, 'book-' + name); };
const right = (page) => page.locator('.navbar button.right');
// "$1,234.56" or "-$5.00" as a whole number of cents.
const cents = (text) => {
  const match = text.trim().match(/^(-?)\$([\d,]+)\.(\d\d)$/);
  assert.ok(match, `an amount: ${text}`);
  const value = Number(match[2].replace(/,/g, '')) * 100 + Number(match[3]);
  return match[1] ? -value : value;
};
const money = (value) => {
  const digits = Math.abs(value).toString().padStart(3, '0');
  const whole = Number(digits.slice(0, -2)).toLocaleString('en-US');
  return `${value < 0 ? '-' : ''}$${whole}.${digits.slice(-2)}`;
};
const balanceIs = (page, value) => page.waitForFunction((text) =>
  document.querySelector('.networth.bottom .amount')?.textContent === text, money(value));
const checkingOnHome = (page) => row(page, 'Checking').locator('.value').textContent();
const today = new Date().toLocaleDateString('en-US', { month: 'short', day: 'numeric', year: 'numeric', timeZone: 'UTC' });
const options = ['--locale', 'en_US', '--time-zone', 'UTC', '--no-sync'];

const browser = await chromium.launch({ executablePath: browserPath, args: ['--no-sandbox'] });
const tallo = await startTallo(bin, book, options);
try {
  const page = await browser.newPage({ viewport: { width: 390, height: 700 } });
  const pageErrors = [];
  page.on('pageerror', (error) => pageErrors.push(String(error)));
  await page.goto(tallo.url);
  await title(page, 'Home');
  await row(page, 'Checking').waitFor();
  const checking = cents(await checkingOnHome(page));
  const netWorth = cents(await page.locator('.networth.top .amount').textContent());
  await shot(page, 'home');

  // Payees on: Home → Settings → Transaction → Payee.
  await navButton(page, 'Settings').click();
  await row(page, 'Transaction').click();
  await title(page, 'Transaction Settings');
  if (await row(page, 'Payee').locator('.switch.on').count() === 0) {
    await row(page, 'Payee').locator('.switch').click();
    await row(page, 'Payee').locator('.switch.on').waitFor();
  }
  await navButton(page, 'Back').click();
  await title(page, 'Settings');
  await navButton(page, 'Home').click();
  await title(page, 'Home');

  // An expense for a new payee in a new category, under today's heading.
  await row(page, 'Checking').locator('.text').click();
  await title(page, 'Checking');
  await balanceIs(page, checking);
  await right(page).click();
  await title(page, 'Select Payee');
  await page.locator('input.search-field').fill('Café Central');
  await row(page, 'Create "Café Central"').click();
  await title(page, 'Select Category');
  await page.locator('input.search-field').fill('Market Hall');
  await row(page, 'Create "Market Hall"').click();
  await page.locator('.amount-value').waitFor();
  for (const key of '42.50') await page.keyboard.press(key);
  await page.locator('.amount-value', { hasText: '$42.50' }).waitFor();
  await page.keyboard.press('Enter');
  await title(page, 'New Transaction');
  await navButton(page, 'Done').click();
  await title(page, 'Checking');
  await balanceIs(page, checking - 4250);
  const todays = page.locator('.section', { has: page.locator('.section-header', { hasText: today }) });
  await todays.locator('.row', { hasText: 'Café Central' }).waitFor();
  assert.equal(await page.locator('.section-header').first().textContent(), today, 'today is the first heading');
  await shot(page, 'register');

  // Split: 10 more for Household, so the expense is 52.50.
  await todays.locator('.row', { hasText: 'Café Central' }).click();
  await title(page, 'Transaction Info');
  await navButton(page, 'Edit').click();
  await row(page, 'Split Transaction').click();
  await title(page, 'Select Category');
  await searchFor(page, 'Household');
  await page.locator('.row', { hasText: /Household/ }).first().click();
  await page.locator('.amount-value').waitFor();
  for (const key of '10') await page.keyboard.press(key);
  await page.keyboard.press('Enter');
  await title(page, 'Transaction Info');
  await row(page, '-$52.50').waitFor();
  await shot(page, 'split');
  await navButton(page, 'Done').click();
  await navButton(page, 'Edit').waitFor();
  await navButton(page, 'Back').click();
  await title(page, 'Checking');
  await balanceIs(page, checking - 5250);

  // "cafe" finds it among 10,000; a common payee pages by 25.
  await page.locator('input.search-field').fill('cafe');
  await page.waitForFunction(() => {
    const rows = [...document.querySelectorAll('.row.subtitle')].map((r) => r.textContent);
    return rows.length > 0 && rows.every((t) => /caf[eé]/i.test(t)) && rows.some((t) => t.includes('Café Central'));
  });
  await shot(page, 'search-cafe');
  await page.locator('input.search-field').fill('grind');
  await page.waitForFunction(() => document.querySelectorAll('.row.subtitle').length === 25);
  await row(page, 'Show 25 more...').click();
  await page.waitForFunction(() => document.querySelectorAll('.row.subtitle').length > 25);
  const found = await page.locator('.row.subtitle').allTextContents();
  for (const text of found) assert.match(text, /Daily Grind/);
  assert.ok(found.length <= 50, 'one more page: at most 25 more');
  assert.equal(await row(page, /^Show \d+ more/).count(), found.length === 50 ? 1 : 0);
  await shot(page, 'search-paged');
  await page.locator('input.search-field').fill('');
  await page.waitForFunction(() => document.querySelectorAll('.section-header').length > 0);

  // 100 to Savings: the chooser lists the other eight accounts.
  await right(page).click();
  await title(page, 'Select Payee');
  await row(page, 'Café Central').first().click();
  await title(page, 'Select Category');
  await searchFor(page, 'Market Hall');
  await row(page, 'Market Hall').first().click();
  await page.locator('.amount-value').waitFor();
  await page.locator('.segment', { hasText: 'Transfer' }).click();
  await title(page, 'Select Account');
  await shot(page, 'transfer-accounts');
  await row(page, 'Savings').click();
  await page.locator('.amount-name', { hasText: 'Transfer to Savings' }).waitFor();
  for (const key of '100') await page.keyboard.press(key);
  await page.keyboard.press('Enter');
  await title(page, 'New Transaction');
  await navButton(page, 'Done').click();
  await title(page, 'Checking');
  await balanceIs(page, checking - 15250);

  // Deleted from Savings' side: Checking's copy goes with it.
  await navButton(page, 'Back').click();
  await title(page, 'Home');
  await row(page, 'Savings').locator('.text').click();
  await title(page, 'Savings');
  const savingsToday = page.locator('.section', { has: page.locator('.section-header', { hasText: today }) });
  await swipeToDelete(page, savingsToday.locator('.row', { hasText: '$100.00' }).first());
  await savingsToday.locator('.row', { hasText: '$100.00' }).waitFor({ state: 'detached' });
  await navButton(page, 'Back').click();
  await title(page, 'Home');
  await page.waitForFunction((text) => [...document.querySelectorAll('.row')]
    .some((r) => r.textContent.includes('Checking') && r.querySelector('.value')?.textContent === text), money(checking - 5250));
  assert.equal(cents(await page.locator('.networth.top .amount').textContent()), netWorth - 5250);
  await shot(page, 'home-after');
  assert.deepEqual(pageErrors, [], 'the page ran without errors');
  console.log('journey passed; screenshots in ' + out);
} finally {
  await browser.close();
  await stopTallo(tallo.child);
  rmSync(book, { recursive: true, force: true });
}
