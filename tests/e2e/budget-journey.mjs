// A person plans a monthly budget in the browser: on a fresh home with 210
// spent on Food and 40 on Bills this month, the Budget tab invites to
// "Edit"; the budget wizard gives Food a limit of 300 for every month and
// shows it for review; Done saves it, and Bills is listed as unbudgeted.
// Next month Food gets 120 for that month only; the month after reads 300
// again, the one before 120, and "Now" comes back to this month's 300. The
// limits outlive a restart of the program. A screenshot of each step is
// left in the output folder (budget-*.png), taken at phone size.
//
//   node budget-journey.mjs   with TALLO_BIN, TALLO_RESOURCES, E2E_OUT set

import assert from 'node:assert/strict';
import { mkdtempSync, mkdirSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { chromium } from 'playwright-core';
import { createFirstAccount, screenshot, searchFor, startTallo as start, stopTallo } from './support.mjs';

const bin = process.env.TALLO_BIN;
const out = process.env.E2E_OUT || path.join(tmpdir(), 'tallo-e2e');
const browserPath = process.env.CHROMIUM || '/usr/bin/chromium';
assert.ok(bin, 'TALLO_BIN names the tallo program');
mkdirSync(out, { recursive: true });
const home = mkdtempSync(path.join(tmpdir(), 'tallo-e2e-home-'));

const startTallo = () => start(bin, home, ['--locale', 'en_US', '--time-zone', 'America/New_York']);
const shot = (page, name) => screenshot(page, out, 'budget-' + name);

const title = (page, text) => page.locator('.navbar .title', { hasText: text }).waitFor();
const navButton = (page, text) => page.locator('.navbar button', { hasText: text });
const categoryRow = (page, name) => page.locator('.row').filter({ has: page.locator('.text', { hasText: new RegExp(`^${name}$`) }) });
const chosenMonth = (page) => page.locator('.date-bar .month.chosen .name').textContent();
const foodLimit = (page) => categoryRow(page, 'Food').locator('.limit').textContent();

// Types `digits` on the amount screen with the keyboard and ends with Enter (Done).
async function enterAmount(page, name, digits, { oneMonthOnly = false } = {}) {
  await title(page, new RegExp(`^${name}$`));
  for (const key of digits) await page.keyboard.press(key);
  if (oneMonthOnly) await page.getByRole('button', { name: 'Every month' }).click();
  await page.keyboard.press('Enter');
}

// An expense entered from the register in view: category, amount, editor.
async function spend(page, category, digits) {
  await page.locator('.navbar button.right').click();
  await title(page, 'Select Category');
  await searchFor(page, category);
  await categoryRow(page, category).first().click();
  await page.locator('.amount-value').waitFor();
  for (const key of digits) await page.keyboard.press(key);
  await page.keyboard.press('Enter');
  await title(page, 'New Transaction');
  await navButton(page, 'Done').click();
  await title(page, /^Checking$/);
}

// Steps the month bar and waits for the chosen month to change.
async function step(page, direction) {
  const before = await chosenMonth(page);
  await page.locator(`.date-bar .step.${direction}`).click();
  await page.waitForFunction((was) => document.querySelector('.date-bar .month.chosen .name')?.textContent !== was, before);
  return chosenMonth(page);
}

const browser = await chromium.launch({ executablePath: browserPath, args: ['--no-sandbox'] });
let tallo = await startTallo();
try {
  const page = await browser.newPage({ viewport: { width: 390, height: 844 } });
  await page.goto(tallo.url);
  await createFirstAccount(page);

  // 210 spent on Food and 40 on Bills this month, entered from the register's "+".
  await categoryRow(page, 'Checking').locator('.text').click();
  await title(page, /^Checking$/);
  await spend(page, 'Food', '210');
  await spend(page, 'Bills', '40');

  // The empty budget.
  await page.locator('.tab', { hasText: 'Budget' }).click();
  await title(page, /^\d{4} Budget$/);
  await page.locator('.empty .title', { hasText: 'Press "Edit" to manage budget.' }).waitFor();
  await shot(page, 'empty');

  // The wizard: Food gets 300 for every month, then the review, then Done.
  await navButton(page, 'Edit').click();
  await title(page, 'Manage Budget');
  await shot(page, 'manage');
  await categoryRow(page, 'Food').click();
  await enterAmount(page, 'Food', '300');
  await title(page, 'Manage Budget');
  await categoryRow(page, 'Food').locator('.checkmark').waitFor();
  await navButton(page, 'Next').click();
  await title(page, /Budget$/);
  await categoryRow(page, 'Food').waitFor();
  assert.equal(await foodLimit(page), 'of $300.00');
  await shot(page, 'review');
  await navButton(page, 'Done').click();
  await page.locator('.budget-bar').waitFor();
  assert.equal(await page.locator('.budget-bar .left').textContent(), 'Expense (*$300.00)', 'the section limit is the sum of its categories');
  assert.equal(await page.locator('.budget-bar .right').textContent(), '$50.00 left', 'Bills counts in the section too');
  assert.equal(await categoryRow(page, 'Food').locator('.value').textContent(), '-$210.00');
  assert.equal(await navButton(page, 'Now').isDisabled(), true, '"Now" has nothing to do in this month');
  const thisMonth = await chosenMonth(page);
  assert.equal(await categoryRow(page, 'Unbudgeted').locator('.value').textContent(), '-$40.00');
  await shot(page, 'this-month');

  // Bills, unbudgeted, has its list; leaving it alone brings the budget back.
  await categoryRow(page, 'Unbudgeted').click();
  await title(page, /^Unbudgeted$/);
  assert.equal(await categoryRow(page, 'Bills').locator('.value').textContent(), '-$40.00');
  await shot(page, 'unbudgeted');
  await navButton(page, 'Back').click();
  await title(page, /Budget$/);

  // Next month: still 300, then 120 for that month alone.
  const nextMonth = await step(page, 'forward');
  assert.notEqual(nextMonth, thisMonth);
  assert.equal(await foodLimit(page), 'of $300.00');
  assert.equal(await page.locator('.budget-bar .right').textContent(), '$300.00 left', 'nothing spent there yet');
  await navButton(page, 'Edit').click();
  await categoryRow(page, 'Food').click();
  await enterAmount(page, 'Food', '120', { oneMonthOnly: true });
  await title(page, /Budget$/);
  await navButton(page, 'Done').click();
  await page.locator('.date-bar').waitFor();
  assert.equal(await foodLimit(page), 'of $120.00');
  assert.equal(await chosenMonth(page), nextMonth);
  await shot(page, 'next-month-one-month-limit');

  // The month after is back on 300; the one between keeps its 120.
  await step(page, 'forward');
  assert.equal(await foodLimit(page), 'of $300.00');
  await shot(page, 'month-after');
  await step(page, 'back');
  assert.equal(await foodLimit(page), 'of $120.00');

  // "Now" comes back to this month.
  await navButton(page, 'Now').click();
  await page.waitForFunction((month) => document.querySelector('.date-bar .month.chosen .name')?.textContent === month, thisMonth);
  assert.equal(await foodLimit(page), 'of $300.00');

  // Both limits were saved.
  await stopTallo(tallo.child);
  tallo = await startTallo();
  await page.goto(tallo.url);
  await page.locator('.tab', { hasText: 'Budget' }).click();
  await page.locator('.budget-bar').waitFor();
  assert.equal(await foodLimit(page), 'of $300.00');
  await step(page, 'forward');
  assert.equal(await foodLimit(page), 'of $120.00');
  await shot(page, 'after-restart');
  console.log('budget journey: every-month and one-month limits read back in both months');
} finally {
  await browser.close();
  await stopTallo(tallo.child);
  rmSync(home, { recursive: true, force: true });
}
