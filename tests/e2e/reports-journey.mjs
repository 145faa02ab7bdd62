// The reports on a generated book of 10,000 transactions, through the
// browser: the Reports list under More with this month's figures; spending
// by category as a doughnut whose legend rows add up to its total, a slice
// tapped on the chart opening its subcategories and a subcategory its
// transactions; the period changed to the last 12 months and to a custom
// range through the date picker; income against expenses for twelve months;
// the net worth at 24 month ends, whose last point is Home's net worth. A
// screenshot of each is left in the output folder (reports-*.png), taken at
// phone size, and each chart is checked to have drawn its colours.
//
//   node reports-journey.mjs   with TALLO_BIN, TALLO_GEN, TALLO_RESOURCES, E2E_OUT set

import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { mkdtempSync, mkdirSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { chromium } from 'playwright-core';
import { screenshot, settle, startTallo, stopTallo } from './support.mjs';

const bin = process.env.TALLO_BIN;
const gen = process.env.TALLO_GEN;
const out = process.env.E2E_OUT || path.join(tmpdir(), 'tallo-e2e');
const browserPath = process.env.CHROMIUM || '/usr/bin/chromium';
assert.ok(bin, 'TALLO_BIN names the tallo program');
assert.ok(gen, 'TALLO_GEN names the tallo-gen program');
mkdirSync(out, { recursive: true });
const book = mkdtempSync(path.join(tmpdir(), 'tallo-e2e-reports-'));
execFileSync(gen, ['--home', book, '--transactions', '10000', '--seed', '11'], { stdio: 'inherit' });

// A screenshot once the chart (if any) has finished its own animation.
const shot = async (page, name) => {
  await settle(page);
  if (await page.locator('.chart-card canvas').count()) await page.waitForTimeout(600);
  await screenshot(page, out, 'reports-' + name);
};
const title = (page, text) => page.locator('.navbar .title', { hasText: text }).waitFor();
const row = (page, text) => page.locator('.row', { hasText: text });
const back = (page) => page.locator('.navbar button.left').click();
// "$1,234.56" or "-$5.00" as cents.
const cents = (text) => {
  const match = text.replace(/,/g, '').match(/(-?)\$(\d+)\.(\d\d)/);
  assert.ok(match, `an amount in dollars: ${text}`);
  return (match[1] ? -1 : 1) * (Number(match[2]) * 100 + Number(match[3]));
};
// Waits for the chart to finish drawing; answers how many of `colors` its
// canvas shows (a slice, a bar or a line of each).
async function chartColors(page, colors) {
  await page.locator('.chart-card canvas').waitFor();
  await page.waitForTimeout(600);  // the chart's own animation
  return page.evaluate((wanted) => {
    const canvas = document.querySelector('.chart-card canvas');
    const { width, height } = canvas;
    const pixels = canvas.getContext('2d').getImageData(0, 0, width, height).data;
    const rgb = wanted.map((hex) => [1, 3, 5].map((i) => parseInt(hex.slice(i, i + 2), 16)));
    const seen = new Set();
    for (let i = 0; i < pixels.length; i += 4 * 3) {
      rgb.forEach((c, n) => {
        if (Math.abs(pixels[i] - c[0]) < 6 && Math.abs(pixels[i + 1] - c[1]) < 6 && Math.abs(pixels[i + 2] - c[2]) < 6) seen.add(n);
      });
    }
    return seen.size;
  }, colors);
}
const options = ['--locale', 'en_US', '--time-zone', 'UTC', '--no-sync'];

const browser = await chromium.launch({ executablePath: browserPath, args: ['--no-sandbox'] });
const tallo = await startTallo(bin, book, options);
try {
  const page = await browser.newPage({ viewport: { width: 390, height: 760 }, deviceScaleFactor: 2 });
  const pageErrors = [];
  page.on('pageerror', (error) => pageErrors.push(String(error)));
  await page.goto(tallo.url);
  await title(page, 'Home');
  const homeNetWorth = await page.locator('.networth.top .amount').textContent();

  // More → Reports: one row a report with its headline figure.
  await page.locator('.tabbar button', { hasText: 'More' }).click();
  await title(page, 'More');
  await row(page, 'Reports').click();
  await title(page, 'Reports');
  await row(page, 'Net Worth').locator('.detail', { hasText: homeNetWorth }).waitFor();
  await shot(page, 'list');

  // Spending by category this month: the legend rows add up to the total.
  await row(page, 'Spending by Category').click();
  await title(page, 'Spending');
  assert.ok(await chartColors(page, ['#f2711c', '#2185d0', '#21ba45']) >= 3, 'the doughnut shows its first slices');
  const legend = page.locator('.section').nth(1).locator('.row');
  const amounts = (await legend.locator('.value').allTextContents()).map(cents);
  assert.ok(amounts.length >= 5, `a book's month spends in many categories (${amounts.length})`);
  const total = cents(await page.locator('.section-footer').textContent());
  assert.ok(Math.abs(amounts.reduce((a, b) => a + b, 0) - total) <= amounts.length,
    'the rounded legend amounts add up to the total within a cent each');
  assert.equal(cents(await page.locator('.chart-center').textContent()), total);
  await shot(page, 'spending');

  // A tap on the largest slice of the doughnut itself.
  const largest = await legend.first().locator('.text').textContent();
  const point = await page.evaluate(() => {
    const canvas = document.querySelector('.chart-card canvas');
    const at = window.Chart.getChart(canvas).getDatasetMeta(0).data[0].tooltipPosition();
    const box = canvas.getBoundingClientRect();
    return { x: box.left + at.x, y: box.top + at.y };
  });
  await page.mouse.click(point.x, point.y);
  await title(page, largest);
  await shot(page, 'drilled');
  const sub = await page.locator('.section').nth(1).locator('.row').first();
  const subName = await sub.locator('.text').textContent();
  const subAmount = cents(await sub.locator('.value').textContent());
  await sub.click();
  await title(page, subName);
  const registerRows = page.locator('.row.subtitle');
  await registerRows.first().waitFor();
  const listed = (await registerRows.locator('.value').allTextContents()).filter((t) => t.includes('$')).map(cents);
  assert.ok(listed.length > 0, 'the subcategory lists its transactions');
  assert.ok(listed.every((value) => value < 0), 'expenses only');
  assert.ok(-listed.reduce((a, b) => a + b, 0) >= Math.min(subAmount, 1), 'its dollar transactions are there');
  await shot(page, 'transactions');
  await back(page);
  await title(page, largest);
  await back(page);
  await title(page, 'Spending');

  // The last 12 months, then a custom range through the date picker.
  await row(page, 'Period').click();
  await title(page, 'Period');
  await row(page, 'Last 12 Months').click();
  await title(page, 'Spending');
  await page.locator('.chart-caption', { hasText: 'Last 12 Months' }).waitFor();
  const year = cents(await page.locator('.chart-center').textContent());
  assert.ok(year > total, 'a year spends more than a month');
  await shot(page, 'last-12-months');
  await row(page, 'Period').click();
  await row(page, 'Custom Range').click();
  await row(page, 'From').waitFor();
  await row(page, 'From').click();
  const picker = page.locator('input.datepicker');
  await picker.waitFor();
  const fromDay = new Date(Date.now() - 45 * 86400000);
  await picker.fill(fromDay.toISOString().slice(0, 10));
  const fromText = fromDay.toLocaleDateString('en-US', { month: 'short', day: 'numeric', year: 'numeric', timeZone: 'UTC' });
  await row(page, 'From').locator('.detail', { hasText: fromText }).waitFor();
  await page.locator('.chart-caption', { hasText: fromText + ' – ' }).waitFor();
  assert.ok(cents(await page.locator('.chart-center').textContent()) > total, 'six weeks spend more than this month so far');
  await shot(page, 'custom-range');
  await back(page);
  await title(page, 'Reports');

  // Income against expenses: twelve months, newest first, with the net.
  await row(page, 'Income and Expenses').click();
  await title(page, 'Income and Expenses');
  assert.equal(await chartColors(page, ['#21ba45', '#db2828']), 2, 'income and expense bars');
  assert.equal(await page.locator('.section').first().locator('.row').count(), 12);
  const firstMonth = page.locator('.section').first().locator('.row').first();
  const [inText, outText] = (await firstMonth.locator('.detail').textContent()).split('·');
  assert.equal(cents(await firstMonth.locator('.value').textContent()), cents(inText) - cents(outText));
  await shot(page, 'income-expenses');
  await back(page);

  // Net worth: 24 month ends at today's rates; the last is Home's figure.
  await row(page, 'Net Worth').click();
  await title(page, 'Net Worth');
  assert.equal(await chartColors(page, ['#2185d0']), 1, 'the line');
  assert.equal(await page.locator('.section').first().locator('.row').count(), 24);
  assert.equal(await page.locator('.section').first().locator('.row .value').first().textContent(), homeNetWorth);
  await page.locator('.section-footer', { hasText: "converted at today's rates" }).waitFor();
  await shot(page, 'net-worth');
  assert.deepEqual(pageErrors, [], 'the page ran without errors');
  console.log('journey passed; screenshots in ' + out);
} finally {
  await browser.close();
  await stopTallo(tallo.child);
  rmSync(book, { recursive: true, force: true });
}
