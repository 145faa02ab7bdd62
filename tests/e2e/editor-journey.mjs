// A day's entry through the browser: a fresh home gets "Checking" with an
// opening balance; the register's "+" walks through the entry wizard — a
// new category typed into the chooser, the amount on the keypad — to the
// transaction editor, whose Done lists the expense under the balance bar.
// The expense is opened again, split in two through "Split Transaction",
// and the balance follows; notes typed into it grow their row line by line
// with the caret kept. Then, with payees on, a second expense for a
// payee made on the way ("Café Central") is found again by typing "cafe"
// into the register's search, and Home's net worth agrees. Last, 100 moved
// to a second account ("Savings") is deleted from Savings' side with a
// swipe, and Checking's balance comes back. A screenshot of each step is
// left in the output folder (editor-*.png).
//
//   node editor-journey.mjs   with TALLO_BIN, TALLO_RESOURCES, E2E_OUT set

import assert from 'node:assert/strict';
import { mkdtempSync, mkdirSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { chromium } from 'playwright-core';
import { navButton, row, screenshot, settle, startTallo, stopTallo, swipeToDelete, title } from './support.mjs';

const bin = process.env.TALLO_BIN;
const out = process.env.E2E_OUT || path.join(tmpdir(), 'tallo-e2e');
const browserPath = process.env.CHROMIUM || '/usr/bin/chromium';
assert.ok(bin, 'TALLO_BIN names the tallo program');
mkdirSync(out, { recursive: true });
const fresh = mkdtempSync(path.join(tmpdir(), 'tallo-e2e-editor-'));

const shot = async (page, name) => { await settle(page); await screenshot(page, out, 'editor-' + name); };
const right = (page) => page.locator('.navbar button.right');
const balance = (page) => page.locator('.networth.bottom .amount').textContent();
const options = ['--locale', 'en_US', '--time-zone', 'UTC', '--no-sync'];

const browser = await chromium.launch({ executablePath: browserPath, args: ['--no-sandbox'] });
const tallo = await startTallo(bin, fresh, options);
try {
  const page = await browser.newPage({ viewport: { width: 390, height: 700 } });
  const pageErrors = [];
  page.on('pageerror', (error) => pageErrors.push(String(error)));
  await page.goto(tallo.url);

  // The first account, with 1,000 to start from.
  await title(page, 'New Account');
  await page.locator('.row input.field').fill('Checking');
  await row(page, 'Balance').click();
  await title(page, 'Starting Balance');
  for (const key of '1000') await page.keyboard.press(key);
  await page.keyboard.press('Enter');
  await title(page, 'New Account');
  await navButton(page, 'Done').click();
  await title(page, 'Home');

  // The register's "+": category, amount, then the editor.
  await row(page, 'Checking').locator('.text').click();
  await title(page, 'Checking');
  await right(page).click();
  await title(page, 'Select Category');
  await page.locator('input.search-field').fill('Groceries');
  await row(page, 'Create "Groceries"').click();
  await page.locator('.amount-value').waitFor();
  for (const key of '42.50') await page.keyboard.press(key);
  await page.locator('.amount-value', { hasText: '$42.50' }).waitFor();
  await shot(page, 'amount');
  await page.keyboard.press('Enter');
  await title(page, 'New Transaction');
  await row(page, '-$42.50').waitFor();
  await row(page, 'Groceries').locator('.detail', { hasText: '$42.50' }).waitFor();
  await shot(page, 'new-transaction');
  await navButton(page, 'Done').click();

  await title(page, 'Checking');
  await row(page, 'Groceries').waitFor();
  await page.waitForFunction(() => document.querySelector('.networth.bottom .amount')?.textContent === '$957.50');
  assert.equal(await balance(page), '$957.50');
  await shot(page, 'register');

  // Opened again and split: 10 of it goes to Household.
  await row(page, 'Groceries').click();
  await title(page, 'Transaction Info');
  await shot(page, 'info');
  await navButton(page, 'Edit').click();
  await row(page, 'Split Transaction').click();
  await title(page, 'Select Category');
  await page.locator('input.search-field').fill('Household');
  await row(page, 'Create "Household"').click();
  await page.locator('.amount-value').waitFor();
  for (const key of '10') await page.keyboard.press(key);
  await page.keyboard.press('Enter');
  await title(page, 'Transaction Info');
  await row(page, '-$52.50').waitFor();
  await row(page, 'Household').locator('.detail', { hasText: '$10.00' }).waitFor();
  await row(page, 'Add split').waitFor();
  await shot(page, 'split');

  // A tap on the Notes row's name puts the caret into the notes; the row
  // grows a line (19 points) with each line typed, the caret staying at
  // the end through every redraw the typing brings.
  const notes = page.locator('.row', { has: page.locator('textarea.field') });
  // The notes row on screen: the row of the visible notes field (a redraw
  // in flight may leave a replaced copy out of view, measuring 0).
  const visibleNotesHeight = () => {
    const area = [...document.querySelectorAll('textarea.field')].find((a) => a.getClientRects().length > 0);
    return area ? Math.round(area.closest('.row').getBoundingClientRect().height) : 0;
  };
  const notesHeight = () => page.evaluate(visibleNotesHeight);
  const heightSettles = (expected) =>
    page
      .waitForFunction(
        (want) => {
          const area = [...document.querySelectorAll('textarea.field')].find((a) => a.getClientRects().length > 0);
          return area !== undefined && Math.round(area.closest('.row').getBoundingClientRect().height) === want;
        },
        expected,
        { timeout: 5000 },
      )
      .catch(() => {});
  await heightSettles(61);
  assert.equal(await notesHeight(), 61, 'one empty line: 19 + 42');
  await notes.locator('.text', { hasText: 'Notes' }).click();
  await page.waitForFunction(() => document.activeElement?.matches('textarea.field'));
  await page.keyboard.type('Weekly shop');
  await page.keyboard.press('Enter');
  await page.keyboard.type('at the market');
  await page.keyboard.press('Enter');
  await page.keyboard.type('with Ann');
  await page.waitForFunction(() => document.querySelector('textarea.field').value.endsWith('with Ann'));
  await settle(page);
  await heightSettles(99);
  assert.equal(await notesHeight(), 99, 'three lines: 3 × 19 + 42');
  const typed = await page.evaluate(() => {
    const area = document.activeElement;
    return { value: area.value, caret: area.selectionStart, end: area.value.length, focused: area.matches('textarea.field') };
  });
  assert.deepEqual(typed, { value: 'Weekly shop\nat the market\nwith Ann', caret: 34, end: 34, focused: true });
  // A line too long for the row wraps, and the row grows with the wrapping.
  await page.keyboard.press('Enter');
  await page.keyboard.type('and a long list of things we forgot last week, the bread and the cheese');
  await page.waitForFunction(() => Math.round(document.querySelector('textarea.field').closest('.row').getBoundingClientRect().height) >= 19 * 5 + 42);
  await shot(page, 'notes');
  // Typing elsewhere afterwards keeps the caret there: the notes asked for it once.
  await page.locator('.row input.field').click();
  await page.keyboard.type('17');
  await page.waitForFunction(() => document.activeElement?.matches('input.field') && document.activeElement.value === '17');
  // Done takes the editing rows out: they fold away where they stood, then
  // go. Typing ends first: the end of typing redraws the whole list, and
  // handled together with Done (a busy machine) it would leave nothing to
  // fold.
  await page.evaluate(() => document.activeElement.blur());
  await settle(page);
  await page.waitForTimeout(500);
  await page.evaluate(() => {
    window.leftRows = [];
    new MutationObserver((records) => {
      for (const record of records) {
        for (const node of record.addedNodes) {
          if (!node.querySelectorAll) continue;
          // The screen is drawn off the page and put in at once.
          const leaving = [...node.querySelectorAll('.row.leaving')];
          if (node.matches('.row.leaving')) leaving.push(node);
          for (const row of leaving) window.leftRows.push(row.textContent);
        }
      }
    }).observe(document.getElementById('screen'), { childList: true, subtree: true });
  });
  await navButton(page, 'Done').click();
  await navButton(page, 'Edit').waitFor();
  await row(page, 'Add split').waitFor({ state: 'detached' });
  assert.ok((await page.evaluate(() => window.leftRows)).some((text) => text.includes('Add split')), 'the row left where it stood');
  await page.waitForFunction(() => !document.querySelector('.row.leaving'));
  await row(page, 'Notes').locator('.detail', { hasText: 'the bread and the cheese' }).waitFor();
  await row(page, 'No.').locator('.detail', { hasText: '17' }).waitFor();
  // The editor's plain rows are 44 points high, as on the phone.
  for (const name of ['Date', 'No.']) {
    assert.equal(Math.round((await row(page, name).boundingBox()).height), 44, `the ${name} row`);
  }
  await navButton(page, 'Back').click();
  await title(page, 'Checking');
  await page.waitForFunction(() => document.querySelector('.networth.bottom .amount')?.textContent === '$947.50');
  await shot(page, 'register-split');

  // Payees on: Home → Settings → Transaction → Payee.
  await navButton(page, 'Back').click();
  await title(page, 'Home');
  await navButton(page, 'Settings').click();
  await row(page, 'Transaction').click();
  await title(page, 'Transaction Settings');
  await row(page, 'Payee').locator('.switch').click();
  await page.waitForFunction(() => document.querySelectorAll('.row .switch.on').length === 2);
  await navButton(page, 'Back').click();
  await title(page, 'Settings');
  await navButton(page, 'Home').click();
  await title(page, 'Home');

  // A coffee for a payee made in the wizard's first step, filed under Groceries.
  await row(page, 'Checking').locator('.text').click();
  await title(page, 'Checking');
  await right(page).click();
  await title(page, 'Select Payee');
  await page.locator('input.search-field').fill('Café Central');
  await row(page, 'Create "Café Central"').click();
  await title(page, 'Select Category');
  await row(page, 'Groceries').first().click();
  await page.locator('.amount-value').waitFor();
  for (const key of '7.25') await page.keyboard.press(key);
  await page.keyboard.press('Enter');
  await title(page, 'New Transaction');
  await navButton(page, 'Done').click();
  await title(page, 'Checking');
  await page.waitForFunction(() => document.querySelector('.networth.bottom .amount')?.textContent === '$940.25');
  await row(page, 'Café Central').waitFor();

  // Found again without the accent or the capitals.
  await page.locator('input.search-field').fill('cafe');
  await page.waitForFunction(() => {
    const texts = [...document.querySelectorAll('.row')].map((r) => r.textContent);
    return texts.some((t) => t.includes('Café Central')) && !texts.some((t) => t.includes('$52.50'));
  });
  await shot(page, 'search-cafe');
  await navButton(page, 'Back').click();
  await title(page, 'Home');
  await page.waitForFunction(() => [...document.querySelectorAll('.networth .amount')].some((a) => a.textContent === '$940.25'));
  await shot(page, 'home-after');

  // A second account, then 100 moved to it from Checking.
  await navButton(page, 'Edit').click();
  await row(page, 'Create Account').click();
  await title(page, 'New Account');
  await page.locator('.row input.field').fill('Savings');
  await navButton(page, 'Done').click();
  await title(page, 'Home');
  await row(page, 'Savings').waitFor();
  await navButton(page, 'Done').click();
  await navButton(page, 'Edit').waitFor();
  await row(page, 'Checking').locator('.text').click();
  await title(page, 'Checking');
  await page.locator('input.search-field').fill('');
  await right(page).click();
  await title(page, 'Select Payee');
  await row(page, 'Café Central').first().click();
  await title(page, 'Select Category');
  await row(page, 'Groceries').first().click();
  await page.locator('.amount-value').waitFor();
  await page.locator('.segment', { hasText: 'Transfer' }).click();
  await page.locator('.amount-name', { hasText: 'Transfer to Savings' }).waitFor();
  for (const key of '100') await page.keyboard.press(key);
  await page.keyboard.press('Enter');
  await title(page, 'New Transaction');
  await navButton(page, 'Done').click();
  await title(page, 'Checking');
  await page.waitForFunction(() => document.querySelector('.networth.bottom .amount')?.textContent === '$840.25');
  await shot(page, 'transfer');

  // Deleted from the other side: Savings' copy swiped away takes Checking's with it.
  await navButton(page, 'Back').click();
  await title(page, 'Home');
  await row(page, 'Savings').locator('.text').click();
  await title(page, 'Savings');
  await swipeToDelete(page, page.locator('.row', { hasText: '$100.00' }).first());
  await page.locator('.row', { hasText: '$100.00' }).waitFor({ state: 'detached' });
  await navButton(page, 'Back').click();
  await title(page, 'Home');
  await page.waitForFunction(() => [...document.querySelectorAll('.row')].some((r) => r.textContent.includes('Checking') && r.textContent.includes('$940.25')));
  await shot(page, 'transfer-deleted');
  assert.deepEqual(pageErrors, [], 'the page ran without errors');
} finally {
  await stopTallo(tallo.child);
  await browser.close();
}
