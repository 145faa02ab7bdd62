// A person pairs Tallo with a desktop library: More → Settings → Sync →
// Set Library shows a code; the desktop peer (tallo-sync) is given the code
// read off the page and pairs over 127.0.0.1; the page goes back to
// Settings and Sync names the library. Then "Set New Library" is opened and
// cancelled, and the device is still paired with it. Screenshots are left in
// the output folder (pairing-*.png).
//
//   node pairing-journey.mjs   with TALLO_BIN, TALLO_SYNC, TALLO_RESOURCES, E2E_OUT set

import assert from 'node:assert/strict';
import { execFile } from 'node:child_process';
import { mkdtempSync, mkdirSync, rmSync } from 'node:fs';
import { createServer } from 'node:net';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { chromium } from 'playwright-core';
import { createFirstAccount, row, screenshot, startTallo, stopTallo } from './support.mjs';

const bin = process.env.TALLO_BIN;
const syncTool = process.env.TALLO_SYNC;
const out = process.env.E2E_OUT || path.join(tmpdir(), 'tallo-e2e');
const browserPath = process.env.CHROMIUM || '/usr/bin/chromium';
assert.ok(bin, 'TALLO_BIN names the tallo program');
assert.ok(syncTool, 'TALLO_SYNC names the tallo-sync program');
mkdirSync(out, { recursive: true });
const home = mkdtempSync(path.join(tmpdir(), 'tallo-e2e-home-'));
const desk = mkdtempSync(path.join(tmpdir(), 'tallo-e2e-desk-'));

// A port free on 127.0.0.1 for the device's sync server.
const freePort = () => new Promise((resolve, reject) => {
  const server = createServer();
  server.once('error', reject);
  server.listen(0, '127.0.0.1', () => {
    const { port } = server.address();
    server.close(() => resolve(port));
  });
});

// tallo-sync with `args` against the device; resolves with its exit code and output.
const desktop = (port, args) => new Promise((resolve) => {
  execFile(syncTool, ['--settings', path.join(desk, 'settings.plist'), '--timeout', '10',
    '--host', '127.0.0.1', '--port', String(port), ...args], (error, stdout, stderr) => {
    resolve({ code: error ? error.code : 0, output: stdout + stderr });
  });
});

const shot = (page, name) => screenshot(page, out, 'pairing-' + name);
const title = (page, text) => page.locator('.navbar .title', { hasText: text });

const syncPort = await freePort();
const browser = await chromium.launch({ executablePath: browserPath, args: ['--no-sandbox'] });
const tallo = await startTallo(bin, home, ['--sync-address', '127.0.0.1', '--sync-port', String(syncPort)]);
try {
  const page = await browser.newPage({ viewport: { width: 390, height: 700 } });
  const pageErrors = [];
  page.on('pageerror', (error) => pageErrors.push(String(error)));
  await page.goto(tallo.url);
  await createFirstAccount(page);
  await page.locator('.tab', { hasText: 'More' }).click();
  await row(page, 'Settings').click();
  await row(page, 'Sync').click();
  await title(page, 'Sync').waitFor();
  await row(page, 'Set Library').waitFor();
  await shot(page, 'unpaired');

  await row(page, 'Set Library').click();
  await title(page, 'Set Library').waitFor();
  await page.locator('.passcode-action', { hasText: 'Code' }).waitFor();
  await page.locator('.passcode-message', { hasText: 'open Tallo on your computer' }).waitFor();
  const code = (await page.locator('.passcode-box').allTextContents()).join('');
  assert.match(code, /^\d{4}$/, 'the page shows a four-digit code');
  await shot(page, 'code');

  const paired = await desktop(syncPort, ['pair', '--code', code, '--name', 'Journey books']);
  assert.equal(paired.code, 0, paired.output);
  await title(page, 'Settings').waitFor();
  await row(page, 'Sync').click();
  await row(page, 'Journey books').waitFor();
  await row(page, 'Set New Library').waitFor();
  await shot(page, 'paired');

  // Set New Library, then Cancel: still paired with the same library.
  await row(page, 'Set New Library').click();
  await title(page, 'Set Library').waitFor();
  await page.locator('.navbar button', { hasText: 'Cancel' }).click();
  await title(page, 'Settings').waitFor();
  await row(page, 'Sync').click();
  await row(page, 'Journey books').waitFor();
  const pulled = await desktop(syncPort, ['pull', '--out', path.join(desk, 'backup')]);
  assert.equal(pulled.code, 0, 'the library still syncs after a cancelled pairing: ' + pulled.output);
  await shot(page, 'still-paired');
  assert.deepEqual(pageErrors, [], 'the page ran without errors');
  console.log('journey passed; screenshots in ' + out);
} finally {
  await browser.close();
  await stopTallo(tallo.child);
  rmSync(home, { recursive: true, force: true });
  rmSync(desk, { recursive: true, force: true });
}
