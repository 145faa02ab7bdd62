// Planning through the browser: on a fresh home with "Checking", the
// Scheduler tab's "+" walks through the entry wizard to the scheduled-
// transaction editor twice — rent of 700 a month that pays itself, due a
// week ago and reminded a day before, and a gym fee of 30 a week due three
// days ago that waits to be paid. After a restart the rent's payment is
// there (Checking, the schedule's Total and its Transactions list), the gym
// fee stands under "Overdue" and the rent under "Next", and the badge shows
// 1 on the tab and in the page's title. Paying the gym fee with two taps
// clears the badge. Last, the calendar address serves both bills with
// their alarms. A screenshot of each step is left in the output folder
// (scheduler-*.png).
//
//   node scheduler-journey.mjs   with TALLO_BIN, TALLO_RESOURCES, E2E_OUT set

import assert from 'node:assert/strict';
import { mkdtempSync, mkdirSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { chromium } from 'playwright-core';
import { screenshot, settle, startTallo, stopTallo } from './support.mjs';

const bin = process.env.TALLO_BIN;
const out = process.env.E2E_OUT || path.join(tmpdir(), 'tallo-e2e');
const browserPath = process.env.CHROMIUM || '/usr/bin/chromium';
assert.ok(bin, 'TALLO_BIN names the tallo program');
mkdirSync(out, { recursive: true });
const home = mkdtempSync(path.join(tmpdir(), 'tallo-e2e-scheduler-'));

const shot = async (page, name) => { await settle(page); await screenshot(page, out, 'scheduler-' + name); };
const title = (page, text) => page.locator('.navbar .title', { hasText: text }).waitFor();
const row = (page, text) => page.locator('.row', { hasText: text });
const navButton = (page, text) => page.locator('.navbar button', { hasText: text });
const right = (page) => page.locator('.navbar button.right');
const tab = (page, text) => page.locator('.tab', { hasText: text });
const sections = (page) => page.locator('.section-header').allTextContents();
// "2011-03-08": the day `days` before today, in the program's time zone (UTC).
const daysAgo = (days) => new Date(Date.now() - days * 86400000).toISOString().slice(0, 10);
const options = ['--locale', 'en_US', '--time-zone', 'UTC', '--no-sync'];

// "+" on the Scheduler tab: a new category, the amount, then the editor.
async function newSchedule(page, category, amount) {
  await right(page).click();
  await title(page, 'Select Category');
  await page.locator('input.search-field').fill(category);
  await row(page, `Create "${category}"`).click();
  await page.locator('.amount-value').waitFor();
  for (const key of amount) await page.keyboard.press(key);
  await page.keyboard.press('Enter');
  await title(page, 'New Scheduled');
}

async function setNextDate(page, day) {
  await row(page, 'Next Date').click();
  await page.locator('input.datepicker').fill(day);
  await settle(page);
}

const browser = await chromium.launch({ executablePath: browserPath, args: ['--no-sandbox'] });
let tallo = await startTallo(bin, home, options);
try {
  const page = await browser.newPage({ viewport: { width: 390, height: 700 } });
  const pageErrors = [];
  page.on('pageerror', (error) => pageErrors.push(String(error)));
  await page.goto(tallo.url);
  await title(page, 'New Account');
  await page.locator('.row input.field').fill('Checking');
  await page.waitForFunction(() => !document.querySelector('.navbar button.right')?.disabled);
  await navButton(page, 'Done').click();
  await title(page, 'Home');

  await tab(page, 'Scheduler').click();
  await title(page, 'Scheduler');
  await page.locator('.empty', { hasText: 'Press "+" to create your first scheduled transaction.' }).waitFor();
  await shot(page, 'empty');

  // Rent: monthly (the editor's first choice), due a week ago, paying itself.
  await newSchedule(page, 'Landlord', '700');
  await row(page, 'Frequency').locator('.detail', { hasText: 'Monthly' }).waitFor();
  await row(page, 'Remind').click();
  await title(page, 'Select Reminder');
  await row(page, '1 day before').click();
  await title(page, 'New Scheduled');
  await row(page, 'Pay automatically').locator('.switch').click();
  await page.locator('.row .switch.on').waitFor();
  await setNextDate(page, daysAgo(7));
  await shot(page, 'new-rent');
  await navButton(page, 'Done').click();
  await title(page, 'Scheduler');

  // The gym: weekly, due three days ago, paid by hand.
  await newSchedule(page, 'Gym', '30');
  await row(page, 'Frequency').click();
  await title(page, 'Select Frequency');
  await row(page, 'Every Week').click();
  await title(page, 'New Scheduled');
  await setNextDate(page, daysAgo(3));
  await navButton(page, 'Done').click();
  await title(page, 'Scheduler');
  await shot(page, 'list');

  // A restart: the rent was paid once and moved on; the gym fee waits.
  await stopTallo(tallo.child);
  tallo = await startTallo(bin, home, options);
  await page.goto(tallo.url);
  await title(page, 'Home');
  await row(page, 'Checking').locator('.value', { hasText: '-$700.00' }).waitFor();
  await tab(page, 'Scheduler').locator('.badge', { hasText: '1' }).waitFor();
  await page.waitForFunction(() => document.title === 'Tallo (1)');
  await tab(page, 'Scheduler').click();
  await title(page, 'Scheduler');
  assert.deepEqual(await sections(page), ['Overdue', 'Next']);
  await row(page, 'Gym').locator('.text', { hasText: '3 days' }).waitFor();
  await shot(page, 'after-restart');

  await row(page, 'Landlord').locator('.text').click();
  await title(page, 'Scheduler Info');
  await row(page, 'Total').locator('.detail', { hasText: '-$700.00' }).waitFor();
  await row(page, 'Remind').waitFor({ state: 'detached' });
  await shot(page, 'rent-info');
  await row(page, 'Total').click();
  await title(page, 'Transactions');
  assert.equal(await page.locator('.row', { hasText: 'Landlord' }).count(), 1);
  await page.locator('.networth.bottom', { hasText: 'Total Paid:' }).waitFor();
  await shot(page, 'rent-payments');
  await page.locator('.navbar button.left').click();
  await title(page, 'Scheduler Info');
  await page.locator('.navbar button.left').click();
  await title(page, 'Scheduler');

  // Two taps pay the gym fee; saving the payment clears the badge.
  const pay = row(page, 'Gym').locator('button.pay');
  await pay.click();
  await row(page, 'Gym').locator('button.pay.active', { hasText: 'PAY' }).waitFor();
  await shot(page, 'pay-armed');
  await row(page, 'Gym').locator('button.pay.active').click();
  await title(page, 'New Transaction');
  await navButton(page, 'Done').click();
  await title(page, 'Scheduler');
  assert.deepEqual(await sections(page), ['Next']);
  await page.waitForFunction(() => document.title === 'Tallo');
  assert.equal(await tab(page, 'Scheduler').locator('.badge').count(), 0);

  // The calendar a calendar program subscribes to.
  const answer = await fetch(new URL('Calendar.ics', tallo.url));
  assert.equal(answer.status, 200);
  assert.match(answer.headers.get('content-type'), /^text\/calendar/);
  const ics = await answer.text();
  assert.match(ics, /SUMMARY:Landlord \(-\$700\.00\)/);
  assert.match(ics, /SUMMARY:Gym \(-\$30\.00\)/);
  assert.match(ics, /RRULE:FREQ=MONTHLY/);
  assert.match(ics, /RRULE:FREQ=WEEKLY/);
  assert.match(ics, /BEGIN:VALARM[\s\S]*TRIGGER:-P1D[\s\S]*END:VALARM/);

  assert.deepEqual(pageErrors, []);
  console.log('journey passed; screenshots in ' + out);
} finally {
  await browser.close();
  await stopTallo(tallo.child);
  rmSync(home, { recursive: true, force: true });
}
