// A person brings a bank statement in and takes the account out: start
// Tallo on a fresh home, make a Checking account, go More → Settings →
// Import & Export, choose a bank CSV in the browser's file chooser, see the
// preview (two new rows), import them, then save Checking as QIF and find
// both rows in the saved file. Screenshots are left in the output folder
// (exchange-*.png).
//
//   node exchange-journey.mjs   with TALLO_BIN, TALLO_RESOURCES, E2E_OUT set

import assert from 'node:assert/strict';
import { mkdtempSync, mkdirSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { chromium } from 'playwright-core';
import { createFirstAccount, screenshot, startTallo, stopTallo } from './support.mjs';

const bin = process.env.TALLO_BIN;
const out = process.env.E2E_OUT || path.join(tmpdir(), 'tallo-e2e');
const browserPath = process.env.CHROMIUM || '/usr/bin/chromium';
assert.ok(bin, 'TALLO_BIN names the tallo program');
mkdirSync(out, { recursive: true });
const home = mkdtempSync(path.join(tmpdir(), 'tallo-e2e-home-'));
const shot = (page, name) => screenshot(page, out, 'exchange-' + name);
const row = (page, text) => page.locator('.row', { hasText: text });
const title = (page, text) => page.locator('.navbar .title', { hasText: text }).waitFor();

const statement = 'Date,Description,Amount\n01/15/2024,Acme Market,-54.17\n01/16/2024,Northwind Payroll,"2,150.00"\n';

const browser = await chromium.launch({ executablePath: browserPath, args: ['--no-sandbox'] });
const tallo = await startTallo(bin, home, ['--locale', 'en_US']);
try {
  const page = await browser.newPage({ viewport: { width: 390, height: 700 }, acceptDownloads: true });
  await page.goto(tallo.url);
  await createFirstAccount(page);

  await page.locator('.tab', { hasText: 'More' }).click();
  await row(page, 'Settings').click();
  await title(page, 'Settings');
  await row(page, 'Import & Export').click();
  await title(page, 'Import & Export');
  await shot(page, 'screen');

  await page.locator('.filepicker input[type=file]').setInputFiles({
    name: 'statement.csv', mimeType: 'text/csv', buffer: Buffer.from(statement),
  });
  await title(page, 'Preview');
  await page.locator('.section-header', { hasText: 'Without Category (2)' }).waitFor();
  assert.equal(await row(page, 'Acme Market').count(), 1);
  await shot(page, 'preview');

  await page.locator('.navbar button.right', { hasText: 'Import' }).click();
  await page.getByText('2 transactions imported into Checking, 0 already in the book left out.').waitFor();
  await shot(page, 'imported');
  await page.getByRole('button', { name: 'OK' }).click();
  await title(page, 'Import & Export');

  await row(page, 'QIF').click();
  const link = page.locator('.download a', { hasText: 'Save Checking.qif' });
  await link.waitFor();
  await shot(page, 'download');
  const [download] = await Promise.all([page.waitForEvent('download'), link.click()]);
  assert.equal(download.suggestedFilename(), 'Checking.qif');
  const saved = readFileSync(await download.path(), 'utf8');
  assert.match(saved, /^!Type:Bank\n/);
  assert.match(saved, /D01\/15\/2024\nT-54\.17\nPAcme Market\n\^/);
  assert.match(saved, /D01\/16\/2024\nT2150\nPNorthwind Payroll\n\^/);
  console.log('exchange journey: imported a bank CSV through its preview and saved Checking as QIF');
} finally {
  await browser.close();
  await stopTallo(tallo.child);
  rmSync(home, { recursive: true, force: true });
}
