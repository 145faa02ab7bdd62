// A person's journey through the categories and payees screens in the
// browser: on a fresh home, go More → Payees, make a payee "Vera Marsh"
// and give her a new category typed as "Pets:Vet" in the category chooser
// (a master and a subcategory made together); find Pets with Vet under it
// on the Categories tab, rename it to "Animals", delete it; then import a
// payee from a vCard file the journey writes itself (a made-up person with
// a picture) through the people picker. Screenshots of each screen are
// left in the output folder (categories-*.png).
//
//   node categories-journey.mjs   with TALLO_BIN, TALLO_RESOURCES, E2E_OUT set

import assert from 'node:assert/strict';
import { mkdtempSync, mkdirSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { chromium } from 'playwright-core';
import { createFirstAccount, row, screenshot, startTallo, stopTallo, tab } from './support.mjs';

const bin = process.env.TALLO_BIN;
const out = process.env.E2E_OUT || path.join(tmpdir(), 'tallo-e2e');
const browserPath = process.env.CHROMIUM || '/usr/bin/chromium';
assert.ok(bin, 'TALLO_BIN names the tallo program');
mkdirSync(out, { recursive: true });
const home = mkdtempSync(path.join(tmpdir(), 'tallo-e2e-home-'));

// A made-up card with a small blue square as its photo.
const PHOTO = 'iVBORw0KGgoAAAANSUhEUgAAAAIAAAACCAIAAAD91JpzAAAAEElEQVR4nGPQiLoDRAwQCgAjhgV5kdVeeQAAAABJRU5ErkJggg==';
const cardFile = path.join(home, 'Theo Brandt.vcf');
writeFileSync(cardFile, ['BEGIN:VCARD', 'VERSION:3.0', 'N:Brandt;Theo;;;', 'FN:Theo Brandt',
  'ORG:Brandt Bicycles', `PHOTO;ENCODING=b;TYPE=PNG:${PHOTO}`, 'END:VCARD', ''].join('\r\n'));

const shot = (page, name) => screenshot(page, out, 'categories-' + name);
const exactRow = (page, text) => page.locator('.row', { has: page.locator('.text', { hasText: new RegExp(`^${text}$`) }) });
const titled = (page, title) => page.locator('.navbar .title', { hasText: new RegExp(`^${title}$`) }).waitFor();
const right = (page) => page.locator('.navbar button.right');
const left = (page) => page.locator('.navbar button.left');
const field = (page, placeholder) => page.locator(`input.field[placeholder="${placeholder}"]`);
const rowTexts = (page) => page.locator('.content .row .text').allTextContents();

const browser = await chromium.launch({ executablePath: browserPath, args: ['--no-sandbox'] });
const tallo = await startTallo(bin, home);
try {
  const page = await browser.newPage({ viewport: { width: 390, height: 844 } });
  await page.goto(tallo.url);
  await createFirstAccount(page);

  // The Categories tab lists the default categories with their totals.
  await tab(page, 'Categories').click();
  await titled(page, 'Categories');
  assert.ok((await rowTexts(page)).length > 5, 'the default categories are listed');
  await shot(page, 'list');

  // A new payee, with a category made on the way as "Pets:Vet".
  await tab(page, 'More').click();
  await row(page, 'Payees').click();
  await titled(page, 'Payees');
  await page.locator('.empty .title', { hasText: 'No payees' }).waitFor();
  await shot(page, 'payees-empty');
  await right(page).click();
  await page.locator('.sheet button', { hasText: 'Create New' }).click();
  await titled(page, 'New Payee');
  assert.equal(await right(page).isDisabled(), true, 'no save without a name');
  await field(page, 'First').fill('Vera');
  await field(page, 'Last').fill('Marsh');
  await row(page, 'Category').click();
  await titled(page, 'Select Category');
  await shot(page, 'chooser');
  await page.locator('input.search-field').fill('Pets:Vet');
  await row(page, 'Create "Vet" in "Pets"').waitFor();
  await shot(page, 'chooser-create');
  await row(page, 'Create "Vet" in "Pets"').click();
  await titled(page, 'New Payee');
  await row(page, 'Category').locator('.detail', { hasText: 'Vet' }).waitFor();
  await shot(page, 'new-payee');
  await right(page).click();
  await titled(page, 'Payees');
  await exactRow(page, 'Vera Marsh').waitFor();

  // Pets is on the Categories tab, with Vet under it.
  await tab(page, 'Categories').click();
  await titled(page, 'Categories');
  await exactRow(page, 'Pets').click();
  await titled(page, 'Pets');
  await exactRow(page, 'Vet').waitFor();
  await shot(page, 'pets');

  // Renamed.
  await right(page).click();
  await titled(page, 'Pets');
  await row(page, 'Create Subcategory').waitFor();
  await field(page, 'Category Name').fill('Animals');
  await right(page).click();
  await titled(page, 'Animals');
  await shot(page, 'renamed');
  await left(page).click();
  await titled(page, 'Categories');
  await exactRow(page, 'Animals').waitFor();
  assert.equal(await exactRow(page, 'Pets').count(), 0);

  // Deleted, after the question.
  await exactRow(page, 'Animals').click();
  await right(page).click();
  await row(page, 'Delete Category').click();
  await page.locator('.sheet button.destructive', { hasText: 'Delete Category' }).click();
  await titled(page, 'Categories');
  await page.waitForFunction(() => ![...document.querySelectorAll('.row .text')].some((t) => t.textContent === 'Animals'));
  await shot(page, 'after-delete');

  // A payee from a vCard file: uploaded in the people picker, then chosen.
  await tab(page, 'More').click();
  await row(page, 'Payees').click();
  await titled(page, 'Payees');
  await right(page).click();
  await page.locator('.sheet button', { hasText: 'Add from Address Book' }).click();
  await titled(page, 'All Contacts');
  await page.locator('.filepicker input[type=file]').setInputFiles(cardFile);
  await row(page, 'Theo Brandt').waitFor();
  await shot(page, 'people-picker');
  await row(page, 'Theo Brandt').click();
  await titled(page, 'Payees');
  await exactRow(page, 'Theo Brandt').waitFor();
  const photo = exactRow(page, 'Theo Brandt').locator('img.icon');
  assert.match(await photo.getAttribute('src'), /^data:image\/png;base64,/, 'the card\'s photo is the payee\'s picture');
  assert.deepEqual(await rowTexts(page), ['Theo Brandt', 'Vera Marsh']);
  await shot(page, 'payees');

  console.log('journey passed; screenshots in ' + out);
} finally {
  await browser.close();
  await stopTallo(tallo.child);
  rmSync(home, { recursive: true, force: true });
}
