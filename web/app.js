// Tallo's browser client: draws the scene the program sends and sends back
// what the person does. All behaviour lives in the program; this page only
// draws and reports.

const screenEl = document.getElementById('screen');
const overlaysEl = document.getElementById('overlays');
const statusEl = document.getElementById('status');
let socket = null;
let retry = 250;

// The program lays out a screen of 320 × 480 points; the page is as wide
// and as tall as the window or the phone (style.css), so views the program
// places by their frame keep to the bottom edge and the full width.
const SCREEN_WIDTH = 320;
const SCREEN_HEIGHT = 480;

function send(event) {
  if (socket && socket.readyState === WebSocket.OPEN) socket.send(JSON.stringify(event));
}
const tap = (target) => send({ kind: 'tap', target });

function el(tag, className, text) {
  const node = document.createElement(tag);
  if (className) node.className = className;
  if (text !== undefined) node.textContent = text;
  return node;
}
// A built-in picture by its name ("Food.png", "Auto", "Auto@2x"): the 1x file
// and, for a sharp picture on a denser screen, its 2x file.
const resource = (name) => '/res/' + encodeURIComponent(name).replace(/%40/g, '@');
const baseName = (name) => name.replace(/\.png$/, '');
function picture(name, className) {
  const img = el('img', className);
  if (name.startsWith('data:')) {  // a stored picture, sent inline
    img.src = name;
    img.alt = '';
    return img;
  }
  const base = baseName(name);
  img.src = resource(base + '.png');
  if (!base.endsWith('@2x')) img.srcset = `${resource(base + '.png')} 1x, ${resource(base + '@2x.png')} 2x`;
  img.alt = '';
  img.onerror = () => { img.style.visibility = 'hidden'; };
  return img;
}
// A glyph: the picture's shape in the colour of the text around it.
function glyph(name, className) {
  const span = el('i', 'glyph' + (className ? ' ' + className : ''));
  span.style.setProperty('--picture', `url("${resource(baseName(name).replace(/@2x$/, '') + '@2x.png')}")`);
  span.setAttribute('aria-hidden', 'true');
  return span;
}

function drawNavbar(node) {
  const bar = el('div', 'navbar');
  const left = (node.children || []).find((c) => c.id === 'nav:left' || c.id === 'nav:back');
  const right = (node.children || []).find((c) => c.id === 'nav:right');
  const button = (item, side) => {
    if (!item) return el('span', 'spacer');
    const b = el('button', side + (item.done ? ' done' : ''));
    b.dataset.id = item.id;
    if (item.image === 'nav_back_left.png' || item.id === 'nav:back') {
      // The navigation stack's own back button looks like the screens' one.
      b.classList.add('back');
      b.append(glyph('nav_back_left'), item.title || '');
    } else if (item.image === 'nav_add.png') {
      b.append(glyph(item.image));
      b.setAttribute('aria-label', 'Add');
    } else {
      b.append(item.title || '');
    }
    if (item.enabled === false) b.disabled = true;
    b.onclick = () => tap(item.id);
    return b;
  };
  bar.append(button(left, 'left'), el('div', 'title', node.title || ''), button(right, 'right'));
  return bar;
}

// The row whose Delete button a swipe or the red minus has shown, by its
// delete target and text: a scene drawn meanwhile shows it again on the same
// row; a press anywhere else puts it away, as on the phone.
let deleteShown = null;
document.addEventListener('pointerdown', (e) => {
  if (!deleteShown || (e.target.closest && e.target.closest('.delete'))) return;
  deleteShown = null;
  for (const b of document.querySelectorAll('.row > .delete')) b.remove();
}, true);

function drawRow(row, editing) {
  const r = el('div', 'row ' + (row.style || 'default') + (row.selected ? ' selected' : ''));
  r.dataset.id = row.id;
  if (row.background) r.style.background = row.background;
  // A row of its own height (points are pixels here); a row with notes
  // grows further with the lines its text wraps into (fitNotes).
  if (row.height) r.style.minHeight = row.height + 'px';
  // A row the last update added slides in; removed ones are simply gone.
  if (row.inserted) r.classList.add('inserted', 'inserted-' + row.inserted);
  if (row.indent) r.classList.add('indent');
  // The row's name in a column of its own before its picture ("Category").
  if (row.label) r.append(el('div', 'caption', row.label));
  // A one-colour picture (a tab's) drawn in the accent colour.
  if (row.glyph) r.append(glyph(row.glyph, 'row-glyph'));
  if (row.image) {
    const image = picture(row.image, 'icon' + (row.imageInactive ? ' inactive' : '') + (row.imageAction ? ' tappable' : ''));
    // A picture with an action of its own (a new transaction from a category or payee).
    if (row.imageAction) image.onclick = (e) => { e.stopPropagation(); tap(row.imageAction); };
    r.append(image);
  }
  if (row.swatch) {
    // A legend row: the colour of its slice of the chart.
    const dot = el('span', 'swatch');
    dot.style.background = row.swatch;
    r.append(dot);
  }
  const texts = el('div', 'texts');
  if (row.addMark) {
    // A category that can be given a budget limit.
    const mark = el('span', 'add-mark');
    mark.append(glyph('nav_add'));
    r.append(mark);
  }
  if (row.text) {
    const t = el('div', 'text', row.text);
    if (row.textColor) t.style.color = row.textColor;
    if (row.textSize) t.style.fontSize = row.textSize + 'px';
    if (row.textAlign) t.style.textAlign = row.textAlign;
    if (row.textBold) t.style.fontWeight = '600';
    texts.append(t);
  }
  if (row.limit || row.hint) {
    // A budget row: its limit under the name, what is left or over beside it.
    r.classList.add('budget-field');
    const line = el('div', 'budget-line');
    line.append(el('span', 'limit', row.limit || ''));
    const state = el('span', 'state');
    state.append(el('span', 'hint ' + (row.hint === 'Over' ? 'over' : 'left'), row.hint || ''), el('span', 'note', row.note || ''));
    line.append(state);
    texts.append(line);
  }
  let detailButton = null;
  if (row.detail) {
    const d = el('div', 'detail', row.detail);
    if (row.detailColor) d.style.color = row.detailColor;
    if (row.accessory === 'detail') {
      // The right-hand part of the row answers on its own (a rate to edit).
      detailButton = el('button', 'detail-button');
      detailButton.dataset.id = row.id.replace(/^row:/, 'accessory:');
      detailButton.append(d);
      detailButton.onclick = (e) => { e.stopPropagation(); tap(detailButton.dataset.id); };
    } else {
      texts.append(d);
    }
  }
  r.append(texts);
  if (row.value) {
    // An amount on the right of the row (a balance, a transaction's total).
    const v = el('div', 'value', row.value);
    if (row.valueColor) v.style.color = row.valueColor;
    r.append(v);
  }
  if (row.dimmed) r.classList.add('dimmed');
  if (row.line) r.classList.add('lined');
  if (detailButton) r.append(detailButton);
  for (const control of row.children || []) {
    if (control.kind === 'switch') {
      const s = el('button', 'switch' + (control.on ? ' on' : ''));
      s.setAttribute('role', 'switch');
      s.setAttribute('aria-checked', control.on ? 'true' : 'false');
      s.setAttribute('aria-label', row.text || 'switch');
      s.dataset.id = control.id;
      if (control.enabled === false) s.disabled = true;
      s.onclick = (e) => { e.stopPropagation(); send({ kind: 'toggle', target: control.id, on: !control.on }); };
      r.append(s);
    } else if (control.kind === 'field') {
      const f = el(control.multiline ? 'textarea' : 'input', 'field');
      f.value = control.text || '';
      // A text view starts at one line and grows with its text (fitNotes).
      if (control.multiline) f.rows = 1;
      f.placeholder = control.placeholder || '';
      if (control.secure) f.type = 'password';
      // A redraw replaces the field and focuses its successor: that is no
      // typing starting or ending, and must not bring the keyboard or take it.
      f.onfocus = () => { if (!redrawing) send({ kind: 'focus', target: control.id }); };
      f.onblur = () => { if (!redrawing) send({ kind: 'blur', target: control.id }); };
      if (control.keyboard === 'number' || control.keyboard === 'decimal') f.inputMode = control.keyboard === 'number' ? 'numeric' : 'decimal';
      f.dataset.id = control.id;
      // The program asks for the caret here once; draw() honours it.
      if (control.focus) f.dataset.focus = 'yes';
      f.onclick = (e) => e.stopPropagation();
      f.oninput = () => {
        if (control.multiline) fitNotes(f, true);
        send({ kind: 'text', target: control.id, text: f.value });
      };
      r.append(f);
    } else if (control.kind === 'budgetbar') {
      r.classList.add('budget-bar-row');
      r.append(drawBudgetBar(control));
    } else if (control.kind === 'datebar') {
      r.classList.add('date-bar-row');
      r.append(drawDateBar(control));
    } else if (control.kind === 'paybutton') {
      // A schedule's pay control: the amount, then "PAY" on the first tap.
      const p = el('button', 'pay ' + (control.tone || 'expense') + (control.active ? ' active' : ''), control.title || '');
      p.dataset.id = control.id;
      p.setAttribute('aria-pressed', control.active ? 'true' : 'false');
      p.onclick = (e) => { e.stopPropagation(); tap(control.id); };
      r.append(p);
    } else if (control.kind === 'segmented') {
      const bar = el('div', 'segmented');
      for (const segment of control.children || []) {
        const b = el('button', 'segment' + (segment.selected ? ' selected' : ''), segment.title || '');
        b.dataset.id = segment.id;
        b.setAttribute('aria-pressed', segment.selected ? 'true' : 'false');
        b.onclick = (e) => { e.stopPropagation(); tap(segment.id); };
        bar.append(b);
      }
      r.append(bar);
    }
  }
  if (row.accessory === 'disclosure') r.append(glyph('accessory_disclosure', 'accessory'));
  if (row.accessory === 'detail' && !detailButton) {
    // The accessory button answers on its own (an account's editor).
    const b = el('button', 'accessory-button');
    b.append(glyph('accessory_disclosure', 'accessory'));
    b.setAttribute('aria-label', 'Details');
    b.dataset.id = row.id.replace(/^row:/, 'accessory:');
    b.onclick = (e) => { e.stopPropagation(); tap(b.dataset.id); };
    r.append(b);
  }
  if (row.accessory === 'checkmark') {
    const check = glyph('accessory_checkmark', 'accessory checkmark');
    check.setAttribute('aria-hidden', 'false');
    check.setAttribute('role', 'img');
    check.setAttribute('aria-label', 'checked');
    r.append(check);
  }
  if (row.id) r.onclick = () => tap(row.id);
  if (row.insertable) {
    const add = el('button', 'insert');
    add.append(glyph('nav_add'));
    add.setAttribute('aria-label', 'Add');
    add.onclick = (e) => { e.stopPropagation(); tap(row.id.replace(/^row:/, 'insert:')); };
    r.prepend(add);
  }
  if (row.movable) {
    // Drag the handle onto another row of the table to move this one there.
    const handle = glyph('row_handle', 'handle');
    handle.setAttribute('aria-hidden', 'false');
    handle.setAttribute('aria-label', 'Move');
    handle.onclick = (e) => e.stopPropagation();
    handle.addEventListener('pointerdown', (e) => {
      e.preventDefault();
      e.stopPropagation();
      r.classList.add('dragging');
      const end = (up) => {
        document.removeEventListener('pointerup', end);
        r.classList.remove('dragging');
        const over = document.elementsFromPoint(up.clientX, up.clientY).find((n) => n.classList && n.classList.contains('row'));
        if (!over || over === r || !over.dataset.id) return;
        const [, section, rowIndex] = over.dataset.id.split(':').map(Number);
        send({ kind: 'move', target: row.id.replace(/^row:/, 'move:'), toSection: section, toRow: rowIndex });
      };
      document.addEventListener('pointerup', end);
    });
    r.append(handle);
  }
  if (row.deletable) {
    const deleteId = row.id.replace(/^row:/, 'delete:');
    const rowText = row.text || '';
    let startX = null;
    const showDelete = () => {
      deleteShown = { id: deleteId, text: rowText };
      // The release of a swipe may come after a held scene replaced this
      // row: the button goes on the row now on the page.
      const live = r.isConnected ? r : document.querySelector(`.row[data-id="${row.id}"]`);
      if (!live || live.querySelector('.delete')) return;
      const b = el('button', 'delete', 'Delete');
      b.onclick = (e) => { e.stopPropagation(); deleteShown = null; send({ kind: 'delete', target: deleteId }); };
      live.append(b);
    };
    if (editing) {
      // Editing: a red minus before the row asks for its Delete button.
      const remove = el('button', 'remove');
      remove.append(glyph('minus'));
      remove.setAttribute('aria-label', 'Remove');
      remove.onclick = (e) => { e.stopPropagation(); showDelete(); };
      r.prepend(remove);
    }
    // A scene drawn while Delete shows keeps it on the same row.
    if (deleteShown && deleteShown.id === deleteId && deleteShown.text === rowText) {
      queueMicrotask(showDelete);
    }
    // A swipe to the left shows Delete; the click the same release makes
    // is not a tap on the row (which would open it). Text under the
    // pointer is not selected by the drag.
    let swiped = false;
    r.addEventListener('pointerdown', (e) => { startX = e.clientX; swiped = false; });
    r.addEventListener('pointermove', (e) => { if (startX !== null && Math.abs(startX - e.clientX) > 8) e.preventDefault(); });
    r.addEventListener('pointerup', (e) => {
      if (startX !== null && startX - e.clientX > 40) {
        showDelete();
        swiped = true;
      }
      startX = null;
    });
    r.addEventListener('click', (e) => {
      if (!swiped) return;
      swiped = false;
      e.stopImmediatePropagation();
    }, true);
  }
  return r;
}

// A budget section's bar: its labels over a groove filled to the share
// spent, in the colour of how the month stands, and today's pace marker.
function drawBudgetBar(node) {
  const box = el('div', 'budget-bar ' + (node.type || 'expense'));
  const labels = el('div', 'labels');
  labels.append(el('span', 'left', node.left || ''), el('span', 'right', node.right || ''));
  const groove = el('div', 'groove');
  if (node.indicator) {
    const fill = el('div', 'fill ' + node.indicator);
    fill.style.width = `max(12px, ${node.fill}%)`;
    groove.append(fill);
  }
  if (node.today !== undefined) {
    const marker = glyph('today', 'today');
    marker.style.left = `${node.todayAt}%`;
    groove.append(marker);
  }
  box.append(labels, groove);
  return box;
}

// The month bar: a step back, four months (the chosen one marked, a year
// tab on January), a step forward. A step slides the months across.
function drawDateBar(node) {
  const bar = el('div', 'date-bar');
  const months = el('div', 'months');
  for (const slot of node.children || []) {
    let b;
    if (slot.step) {
      b = el('button', 'step ' + slot.step);
      b.append(glyph(slot.step === 'back' ? 'nav_back_left' : 'accessory_disclosure'));
      b.setAttribute('aria-label', slot.step === 'back' ? 'Previous month' : 'Next month');
    } else {
      b = el('button', 'month' + (slot.bold ? ' chosen' : ''));
      if (slot.yearTab) b.append(el('span', 'year-tab', slot.yearTab));
      b.append(el('span', 'name', slot.title || ''));
      if (slot.bold) b.setAttribute('aria-current', 'date');
    }
    b.dataset.id = slot.id;
    b.onclick = (e) => { e.stopPropagation(); tap(slot.id); };
    (slot.step ? bar : months).append(b);
  }
  bar.insertBefore(months, bar.lastChild);
  if (node.slide && months.animate) {
    months.animate([{ transform: `translateX(${Math.sign(node.slide) * 25}%)`, opacity: 0.4 }, { transform: 'none', opacity: 1 }],
      { duration: 220, easing: 'ease-out' });
  }
  return bar;
}

function drawTable(node) {
  const table = el('div', 'table ' + (node.style || 'plain'));
  const update = rowUpdate(node.change);
  let sectionNumber = 0;
  for (const section of node.children || []) {
    if (section.kind === 'index') table.indexStrip = drawIndex(section);
    if (section.kind !== 'section') continue;
    const s = el('div', 'section');
    const number = sectionNumber++;
    s.dataset.section = number;
    if (section.header) s.append(el('div', 'section-header', section.header));
    const rows = el('div', 'rows');
    for (const row of section.children || []) rows.append(drawRow(node.rowHeight && !row.height ? { ...row, height: node.rowHeight } : row, node.editing));
    if (update) leaveRows(rows, number, update);
    if (rows.children.length) s.append(rows);
    if (section.footer) s.append(el('div', 'section-footer', section.footer));
    table.append(s);
  }
  previousRows = null;  // the last drawing's rows belong to this, the first list
  return table;
}

// The rows of the list drawn last, by section, while the next is drawn: the
// rows an update deleted leave from where they stood.
let previousRows = null;

// The update a table carries ("delete 0:2 0:5; insert 0:3"; deleted rows
// are numbered as before it, inserted ones as after it), or null when there
// is nothing to take out of the last drawing.
function rowUpdate(change) {
  if (!change || !previousRows || matchMedia('(prefers-reduced-motion: reduce)').matches) return null;
  const update = { deleted: new Map(), inserted: new Map() };
  for (const part of change.split(';')) {
    const [verb, ...paths] = part.trim().split(/\s+/);
    const into = verb === 'delete' ? update.deleted : verb === 'insert' ? update.inserted : null;
    if (!into) continue;
    for (const path of paths) {
      const [section, row] = path.split(':').map(Number);
      if (!Number.isInteger(section) || !Number.isInteger(row)) continue;
      if (!into.has(section)) into.set(section, new Set());
      into.get(section).add(row);
    }
  }
  return update.deleted.size ? update : null;
}

// Puts the deleted rows of section `number` of the last drawing back among
// the new rows, where they stood (the rows kept keep their order, the
// inserted ones are new), and lets them fold away. They take no taps, and
// lose their addresses so nothing finds them in place of a live row.
function leaveRows(rows, number, update) {
  const deleted = update.deleted.get(number);
  const old = previousRows[number];
  if (!deleted || !old) return;
  const inserted = update.inserted.get(number) || new Set();
  const kept = [...rows.children].filter((_, i) => !inserted.has(i));
  let next = 0;
  for (let r = 0; r < old.length; r++) {
    if (!deleted.has(r)) { next++; continue; }
    const ghost = old[r].element;
    ghost.inert = true;
    ghost.removeAttribute('data-id');
    for (const e of ghost.querySelectorAll('[data-id]')) e.removeAttribute('data-id');
    ghost.classList.remove('inserted', 'selected');
    ghost.classList.add('leaving');
    ghost.style.setProperty('--height', old[r].height + 'px');
    ghost.addEventListener('animationend', () => ghost.remove(), { once: true });
    rows.insertBefore(ghost, kept[next] || null);
  }
}

// The A–Z strip beside a list: a tap asks the screen which section to show
// ("{search}" is the magnifier that opens the search field).
function drawIndex(node) {
  const strip = el('nav', 'index-strip');
  for (const title of node.children || []) {
    const b = el('button', 'index-title', title.title === '{search}' ? '' : title.title);
    if (title.title === '{search}') {
      b.append(glyph('search'));
      b.setAttribute('aria-label', 'Search');
    }
    b.onclick = () => tap(title.id);
    strip.append(b);
  }
  return strip;
}

function drawSearchbar(node) {
  const bar = el('div', 'searchbar');
  const field = el('input', 'search-field');
  field.type = 'search';
  field.value = node.text || '';
  field.placeholder = node.placeholder || '';
  field.dataset.id = node.id;
  field.oninput = () => send({ kind: 'text', target: node.id, text: field.value });
  const box = el('label', 'search-box');
  box.append(glyph('search'), field);
  bar.append(box);
  for (const button of node.children || []) {
    const b = el('button', 'search-cancel', button.title || '');
    b.dataset.id = button.id;
    b.onclick = () => tap(button.id);
    bar.append(b);
  }
  return bar;
}

// The amount screen's display: what the amount is for, the amount, the
// date; tapped, it flips the sign (when it has an id).
function drawAmount(node) {
  const box = el(node.id ? 'button' : 'div', 'amount-display');
  if (node.name) box.append(el('div', 'amount-name', node.name));
  box.append(el('div', 'amount-value', node.amount || ''));
  if (node.date) box.append(el('div', 'amount-date', node.date));
  if (node.hint) box.append(el('div', 'amount-hint', node.hint));
  if (node.id) {
    box.dataset.id = node.id;
    box.onclick = () => tap(node.id);
  }
  return box;
}

// The pull-down header of a list that downloads: its state and last update.
function drawUpdater(node) {
  const box = el('div', 'updater');
  if (node.spinner) box.append(el('div', 'spinner'));
  box.append(el('div', 'status', node.status || ''));
  if (node.lastUpdate) box.append(el('div', 'last-update', node.lastUpdate));
  return box;
}

function drawIcon(node) {
  const icon = el('button', 'icon-control' + (node.editing ? ' editing' : ''));
  icon.dataset.id = node.id;
  if (node.image) {
    const img = el('img');
    img.src = node.image;
    img.alt = '';
    icon.append(img);
  }
  icon.onclick = () => tap(node.id);
  return icon;
}

// A picture chosen or taken is uploaded; the scene then shows the outcome.
function drawImagePicker(node) {
  const box = el('div', 'imagepicker');
  const input = el('input');
  input.type = 'file';
  input.accept = 'image/png,image/jpeg';
  if (node.source === 'camera') input.capture = 'environment';
  input.onchange = () => {
    const file = input.files && input.files[0];
    if (!file) return;
    fetch('/upload/' + encodeURIComponent(node.id), {
      method: 'POST', headers: { 'Content-Type': 'application/octet-stream' }, body: file,
    }).catch(() => {});
  };
  const label = el('label', 'choose', node.source === 'camera' ? 'Take a photo' : 'Choose a photo');
  label.append(input);
  box.append(label);
  if (node.error) box.append(el('div', 'error', node.error));
  return box;
}

// A file (a vCard) chosen from the computer is uploaded to the screen.
function drawFilePicker(node) {
  const box = el('div', 'filepicker');
  const input = el('input');
  input.type = 'file';
  input.accept = node.accept || '';
  input.onchange = () => {
    const file = input.files && input.files[0];
    if (!file) return;
    fetch('/upload/' + encodeURIComponent(node.id), {
      method: 'POST', headers: { 'Content-Type': 'application/octet-stream' }, body: file,
    }).catch(() => {});
    input.value = '';
  };
  const label = el('label', 'choose', node.title || 'Choose a file');
  label.append(input);
  box.append(label);
  if (node.error) box.append(el('div', 'error', node.error));
  return box;
}

// A report's chart, drawn by Chart.js (served from vendor/) from the figures
// the program sends: labels, and series of values written as decimals. The
// page is drawn anew for every scene; a chart whose figures did not change
// keeps its canvas, so it neither flickers nor animates again. A tap on a
// slice, bar or point is a tap on "chart:<index>".
let shownChart = null;
const compact = new Intl.NumberFormat(undefined, { notation: 'compact', maximumFractionDigits: 1 });
function drawChart(node) {
  const key = [node.type, node.data, node.center, node.caption, node.tappable].join('|');
  if (shownChart && shownChart.key === key) return shownChart.card;
  if (shownChart && shownChart.chart) shownChart.chart.destroy();
  const data = JSON.parse(node.data || '{"labels":[],"series":[]}');
  const card = el('div', 'chart-card ' + node.type);
  card.dataset.id = node.id;
  const box = el('div', 'chart-box');
  const canvas = el('canvas');
  canvas.setAttribute('role', 'img');
  canvas.setAttribute('aria-label', node.caption || 'chart');
  box.append(canvas);
  if (node.center) {
    // A long total is set smaller so it stays inside the ring.
    const center = el('div', 'chart-center', node.center);
    if (node.center.length > 9) center.style.fontSize = node.center.length > 12 ? '13px' : '15px';
    box.append(center);
  }
  card.append(box);
  if (node.caption) card.append(el('div', 'chart-caption', node.caption));
  shownChart = { key, card, chart: null };
  if (typeof window.Chart !== 'function') return card;  // the library is missing: the rows still tell all
  const empty = data.labels.length === 0;
  const series = data.series || [];
  const exact = (context) => series[context.datasetIndex].values[context.dataIndex];
  const datasets = series.map((one) => {
    const colors = one.colors || [];
    const set = { label: one.label, data: one.values.map(Number) };
    if (node.type === 'doughnut') {
      Object.assign(set, { backgroundColor: colors, borderColor: '#fff', borderWidth: 2, hoverOffset: 8 });
    } else if (node.type === 'bar') {
      Object.assign(set, { backgroundColor: colors[0], borderRadius: 3, maxBarThickness: 11, categoryPercentage: .7 });
    } else {
      Object.assign(set, { borderColor: colors[0], backgroundColor: colors[0] + '1f', fill: true, tension: .3,
        pointRadius: 2, pointHoverRadius: 5, borderWidth: 2 });
    }
    return set;
  });
  if (node.type === 'doughnut' && empty) datasets.push({ data: [1], backgroundColor: ['#e9ebf0'], borderWidth: 0 });
  const axes = {
    x: { grid: { display: false }, ticks: { maxRotation: 0, autoSkipPadding: 8, font: { size: 10 }, color: '#6c6f7a' } },
    y: { grid: { color: 'rgba(60,64,78,.08)' }, border: { display: false },
      ticks: { font: { size: 10 }, color: '#6c6f7a', maxTicksLimit: 5, callback: (value) => compact.format(value) } },
  };
  shownChart.chart = new window.Chart(canvas, {
    type: node.type,
    data: { labels: data.labels, datasets },
    options: {
      responsive: true,
      maintainAspectRatio: false,
      animation: { duration: 350 },
      cutout: node.type === 'doughnut' ? '64%' : undefined,
      layout: { padding: node.type === 'doughnut' ? 6 : { top: 4, right: 6 } },
      scales: node.type === 'doughnut' ? {} : axes,
      interaction: node.type === 'doughnut' ? undefined : { mode: 'index', intersect: false },
      plugins: {
        legend: { display: node.type === 'bar', position: 'bottom',
          labels: { boxWidth: 10, boxHeight: 10, font: { size: 11 }, color: '#1b1c20' } },
        tooltip: { enabled: !empty, callbacks: { label: (context) => `${context.dataset.label}: ${exact(context)}` } },
      },
      onClick: (event, elements) => {
        if (node.tappable && !empty && elements.length) tap(`chart:${elements[0].index}`);
      },
    },
  });
  return card;
}

// A file the program offers (an export) is saved through a plain link.
function drawDownload(node) {
  const box = el('div', 'download');
  const link = el('a', 'save', node.title || node.name);
  link.href = '/download/' + encodeURIComponent(node.name);
  link.download = node.name;
  box.append(link);
  if (node.detail) box.append(el('div', 'detail', node.detail));
  return box;
}

function drawContent(node) {
  const content = el('div', 'content');
  for (const child of node.children || []) {
    if (child.kind === 'table') {
      const table = drawTable(child);
      content.append(table);
      if (table.indexStrip) content.indexStrip = table.indexStrip;
      if (child.scrollTo) content.dataset.scrollTo = child.scrollTo.split(':')[0];
      if (child.inset) content.style.paddingBottom = child.inset + 'px';
      if (child.offset !== undefined) content.dataset.offset = child.offset;
    } else if (child.kind === 'searchbar') content.append(drawSearchbar(child));
    else if (child.kind === 'amount') content.append(drawAmount(child));
    else if (child.kind === 'updater') content.append(drawUpdater(child));
    else if (child.kind === 'icon') content.append(drawIcon(child));
    else if (child.kind === 'imagepicker') content.append(drawImagePicker(child));
    else if (child.kind === 'filepicker') content.append(drawFilePicker(child));
    else if (child.kind === 'download') content.append(drawDownload(child));
    else if (child.kind === 'empty') {
      const e = el('div', 'empty');
      e.append(el('div', 'title', child.title || ''), el('div', 'detail', child.detail || ''));
      if (child.info) e.classList.add('info');
      content.append(e);
    } else if (child.kind === 'keypad') {
      const pad = el('div', 'keypad');
      pad.style.gridTemplateColumns = `repeat(${child.columns || 3}, 1fr)`;
      for (const key of child.children || []) {
        const k = el('button', 'key' + (key.highlighted ? ' highlighted' : ''));
        if (key.image) {
          k.append(glyph(key.image));
          k.setAttribute('aria-label', key.title || '');
        } else {
          k.append(key.title || '');
        }
        k.dataset.id = key.id;
        if (key.enabled === false) k.disabled = true;
        if (!key.title && !key.image) k.classList.add('blank');
        k.onclick = () => tap(key.id);
        pad.append(k);
      }
      content.append(pad);
    } else if (child.kind === 'passcode') {
      content.classList.add('passcode-screen');
      content.append(drawPasscode(child));
    } else if (child.kind === 'networth') {
      // The net worth over the accounts, an account's balance under its register.
      const bar = el('div', 'networth ' + (child.position || 'top'));
      const amount = el('span', 'amount', child.amount || '');
      if (child.color) amount.style.color = child.color;
      bar.append(el('span', 'label', child.label || ''), amount);
      content.append(bar);
    } else if (child.kind === 'chart') {
      content.append(drawChart(child));
    } else if (child.kind === 'logo') {
      content.append(picture(child.image, 'logo'));
    } else if (child.kind === 'text') {
      const t = el('div', 'text-line', child.text || '');
      if (child.size) t.style.fontSize = child.size + 'px';
      if (child.bold) t.style.fontWeight = '700';
      if (child.color) t.style.color = child.color;
      content.append(t);
    }
  }
  let pullStart = null;
  content.addEventListener('pointerdown', (e) => { pullStart = content.scrollTop === 0 ? e.clientY : null; });
  content.addEventListener('pointerup', (e) => {
    if (pullStart !== null && e.clientY - pullStart > 70) send({ kind: 'refresh', target: 'table' });
    pullStart = null;
  });
  // Where a scroll came to rest (the program opens or hides the search bar).
  let settle = null;
  content.addEventListener('scroll', () => {
    clearTimeout(settle);
    // A list replaced by the next scene meanwhile reads 0: only the one in
    // view reports where it rests.
    settle = setTimeout(() => { if (content.isConnected) send({ kind: 'scroll', target: 'table', offset: Math.round(content.scrollTop) }); }, 150);
  });
  return content;
}

// The passcode panels: each a row of four boxes between its action line and
// its message, placed across the screen by its frame; a panel that moved
// slides from where it was. A masked box shows a bubble, never the digit.
function drawPasscode(node) {
  const panels = el('div', 'passcode-panels');
  for (const dialog of node.children || []) {
    if (dialog.kind !== 'dialog') continue;
    const panel = el('div', 'passcode-panel');
    const share = (frame) => (Number((frame || '0').split(',')[0]) / SCREEN_WIDTH) * 100 + '%';
    panel.style.left = share(dialog.frame);
    panel.append(el('div', 'passcode-action', dialog.action || ''));
    const boxes = el('div', 'passcode-boxes');
    for (const field of dialog.children || []) {
      if (field.kind !== 'passcodefield') continue;
      const box = el('div', 'passcode-box' + (field.active ? ' active' : ''));
      if (field.text) box.textContent = field.text;
      if (field.masked) box.append(el('i', 'bubble'));
      box.setAttribute('aria-label', field.text ? field.text : field.masked ? 'entered' : 'empty');
      boxes.append(box);
    }
    panel.append(boxes, el('div', 'passcode-message', dialog.message || ''));
    if (dialog.animate && dialog.from) {
      panel.animate([{ left: share(dialog.from) }, { left: share(dialog.frame) }],
        { duration: dialog.animate * 1000, easing: 'ease-out' });
    }
    panels.append(panel);
  }
  return panels;
}

function drawDatePicker(node) {
  const input = el('input', 'datepicker');
  input.type = 'date';
  input.value = node.date || '';
  input.dataset.id = node.id;
  input.onchange = () => { if (input.value) send({ kind: 'text', target: node.id, text: input.value }); };
  return input;
}

function drawPicker(node) {
  const picker = el('div', 'picker' + (node.indicator ? ' indicator' : ''));
  for (const component of node.children || []) {
    const wheel = el('div', 'wheel');
    for (const row of component.children || []) {
      const r = el('button', 'picker-row' + (row.selected ? ' selected' : ''), row.title || '');
      r.dataset.id = row.id;
      r.onclick = () => tap(row.id);
      wheel.append(r);
    }
    picker.append(wheel);
  }
  return picker;
}

// A view laid over the screens (the shared pickers), placed by its frame.
// One laid on the screen itself keeps its distance to the bottom edge, and
// spans the width when it spans the program's screen.
function drawView(node, nested = false) {
  const [x, y, w, h] = (node.frame || '0,0,0,0').split(',').map(Number);
  const view = el('div', 'overview');
  view.style.height = h + 'px';
  if (nested) {
    Object.assign(view.style, { left: x + 'px', top: y + 'px', width: w + 'px' });
  } else {
    view.style.bottom = (SCREEN_HEIGHT - y - h) + 'px';
    if (x === 0 && w >= SCREEN_WIDTH) Object.assign(view.style, { left: '0', right: '0' });
    // One at the right edge stays at the right edge of a wider page.
    else if (x + w >= SCREEN_WIDTH) Object.assign(view.style, { right: '0', width: w + 'px' });
    else Object.assign(view.style, { left: x + 'px', width: w + 'px' });
  }
  if (node.image) {
    // A picture laid over everything (the screen's rounded corners): it
    // takes no taps from what lies under it.
    view.className = 'overview picture-view';
    view.append(picture(node.image));
  }
  if (node.animate) view.style.transition = `${nested ? 'top' : 'bottom'} ${node.animate}s ease-out`;
  for (const child of node.children || []) {
    if (child.kind === 'datepicker') view.append(drawDatePicker(child));
    else if (child.kind === 'picker') view.append(drawPicker(child));
    else if (child.kind === 'view') view.append(drawView(child, true));
  }
  return view;
}

function drawTabbar(node) {
  const bar = el('div', 'tabbar');
  if (node.background) bar.style.backgroundImage = `url("${resource(baseName(node.background) + '@2x.png')}")`;
  for (const tab of node.children || []) {
    const t = el('button', 'tab' + (tab.selected ? ' selected' : ''));
    t.dataset.id = tab.id;
    if (tab.selected && tab.button) {
      const plate = el('i', 'plate');
      plate.style.backgroundImage = `url("${resource(baseName(tab.button) + '@2x.png')}")`;
      t.append(plate);
    }
    if (tab.image) t.append(glyph(tab.image));
    t.append(el('span', '', tab.title || ''));
    if (tab.badge) t.append(el('span', 'badge', tab.badge));
    t.onclick = () => tap(tab.id);
    bar.append(t);
  }
  return bar;
}

function drawOverlay(node) {
  if (node.kind === 'busy') {
    const back = el('div', 'busy-back');
    const box = el('div', 'busy');
    if (node.image) box.append(picture(node.image));
    box.append(el('div', 'spinner'), el('div', 'title', node.title || ''));
    back.append(box);
    return back;
  }
  const back = el('div', node.kind === 'sheet' ? 'sheet-back' : '');
  const box = el('div', node.kind);
  if (node.title) box.append(el('div', 'title', node.title));
  if (node.message) box.append(el('div', 'message', node.message));
  (node.children || []).forEach((button, index) => {
    let cls = '';
    if (node.kind === 'sheet' && node.destructive === index) cls = 'destructive';
    if (node.kind === 'sheet' && node.cancel === index) cls = 'cancel';
    const b = el('button', cls, button.title);
    b.dataset.id = button.id;
    b.onclick = () => tap(button.id);
    box.append(b);
  });
  back.append(box);
  return back;
}

// A text view and its row as high as its lines: 19 points a line plus 42
// for the row, the lines being (content height − 16) ÷ 19, at least one —
// the text's own line breaks and the wrapping the page alone can measure.
// While typing, the caret stays in view with 10 points below it.
const NOTES_LINE = 19;
const NOTES_PADDING = 16;
const NOTES_ROW_EXTRA = 42;
function fitNotes(area, typing) {
  const row = area.closest('.row');
  if (!row || !area.isConnected) return;
  area.style.height = 'auto';
  const lines = Math.max(1, Math.floor((area.scrollHeight - NOTES_PADDING) / NOTES_LINE));
  area.style.height = (lines * NOTES_LINE + NOTES_PADDING) + 'px';
  row.style.minHeight = (lines * NOTES_LINE + NOTES_ROW_EXTRA) + 'px';
  const content = row.closest('.content');
  if (!typing || !content) return;
  const below = area.getBoundingClientRect().bottom + 10 - content.getBoundingClientRect().bottom;
  if (below > 0) content.scrollTop += below;
}

// The field the program put the caret into (once, when a screen starts
// text entry): focused with the caret after its text. Any other drawing
// leaves the focus where the person put it.
function focusRequested() {
  const field = screenEl.querySelector('[data-focus="yes"]');
  if (!field || document.activeElement === field) return;
  field.focus({ preventScroll: false });
  if (field.setSelectionRange) field.setSelectionRange(field.value.length, field.value.length);
}

// The scene is drawn anew each time; the field being typed in keeps its
// focus and caret across the redraw.
let redrawing = false;
function draw(scene) {
  const active = document.activeElement;
  const focusedId = active && active.dataset ? active.dataset.id : undefined;
  // A date field has no caret (its selectionStart reads null).
  const caret = focusedId && typeof active.selectionStart === 'number' ? [active.selectionStart, active.selectionEnd] : null;
  // What is being typed: the scene may carry the text of a keystroke or two
  // before, and the field must not lose what came since.
  const typing = caret && (active.tagName === 'INPUT' || active.tagName === 'TEXTAREA') ? active.value : null;
  redrawing = true;
  try {
    drawScene(scene);
    if (focusedId) {
      const again = document.querySelector(`[data-id="${CSS.escape(focusedId)}"]`);
      if (again) {
        if (typing !== null && again.tagName === active.tagName && again.value !== typing) again.value = typing;
        again.focus({ preventScroll: true });
        if (caret && again.setSelectionRange) again.setSelectionRange(caret[0], caret[1]);
      }
    }
    for (const area of screenEl.querySelectorAll('textarea.field')) fitNotes(area, false);
  } finally {
    redrawing = false;
  }
  // After the redraw, so that the program hears typing start there.
  focusRequested();
  // The field typed in has gone with its screen: typing has ended.
  if (focusedId && caret && !document.querySelector(`[data-id="${CSS.escape(focusedId)}"]`)) {
    send({ kind: 'blur', target: focusedId });
  }
}


function drawScene(scene) {
  const screen = (scene.children || []).find((c) => c.kind === 'screen');
  // A screen pushed, popped or presented is another list: nothing leaves it.
  const lastTable = screenEl.querySelector('.content .table');
  previousRows = screen && !screen.transition && lastTable ? [...lastTable.querySelectorAll(':scope > .section')].map((section) =>
    [...section.querySelectorAll(':scope > .rows > .row:not(.leaving)')].map((r) => ({ element: r, height: r.offsetHeight }))) : null;
  screenEl.replaceChildren();
  if (screen) {
    for (const part of screen.children || []) {
      if (part.kind === 'navbar') screenEl.append(drawNavbar(part));
      else if (part.kind === 'content') {
        const content = drawContent(part);
        screenEl.append(content);
        if (content.indexStrip) screenEl.append(content.indexStrip);
      }
      else if (part.kind === 'tabbar') screenEl.append(drawTabbar(part));
    }
    const animation = { push: 'slide-in', pop: 'slide-back', present: 'rise', dismiss: 'slide-back' }[screen.transition];
    const content = screenEl.querySelector('.content');
    if (animation && content) content.classList.add(animation);
    if (content && content.dataset.offset !== undefined) content.scrollTop = Number(content.dataset.offset);
    const target = content && content.dataset.scrollTo !== undefined
      ? content.querySelector(`.section[data-section="${content.dataset.scrollTo}"]`) : null;
    if (target) {
      // Tell the program where the list now rests, so the scenes that follow
      // keep it there.
      content.scrollTop = target.offsetTop - content.offsetTop;
      send({ kind: 'scroll', target: 'table', offset: Math.round(content.scrollTop) });
    }
  }
  for (const view of (scene.children || []).filter((c) => c.kind === 'view')) screenEl.append(drawView(view));
  overlaysEl.replaceChildren(...(scene.children || []).filter((c) => c.kind === 'alert' || c.kind === 'sheet' || c.kind === 'busy').map(drawOverlay));
  showBadge(scene.badge || 0);
}

// The application's badge: in the page title, on the favicon, and on the
// icon of a page added to a home screen.
let badgeShown = 0;
const favicon = document.getElementById('favicon');
const plainFavicon = favicon.href;
function showBadge(count) {
  if (count === badgeShown) return;
  badgeShown = count;
  document.title = count ? `Tallo (${count})` : 'Tallo';
  if (navigator.setAppBadge) (count ? navigator.setAppBadge(count) : navigator.clearAppBadge()).catch(() => {});
  if (!count) {
    favicon.href = plainFavicon;
    return;
  }
  const logo = new Image();
  logo.onload = () => {
    if (badgeShown !== count) return;
    const canvas = document.createElement('canvas');
    canvas.width = canvas.height = 64;
    const g = canvas.getContext('2d');
    g.drawImage(logo, 0, 0, 64, 64);
    g.fillStyle = getComputedStyle(document.documentElement).getPropertyValue('--red').trim() || '#e5484d';
    g.beginPath();
    g.arc(44, 20, 20, 0, 2 * Math.PI);
    g.fill();
    g.fillStyle = '#fff';
    g.font = '600 26px "Inter Variable", sans-serif';
    g.textAlign = 'center';
    g.textBaseline = 'middle';
    g.fillText(count > 99 ? '99+' : String(count), 44, 21, 36);
    favicon.href = canvas.toDataURL('image/png');
  };
  logo.src = 'icons/favicon@2x.png';
}

// A scene that arrives while a finger or the mouse is down waits until it is
// lifted: redrawn in between, the press and the release would land on two
// different elements and the tap would be lost.
let pressing = false;
let heldScene = null;
document.addEventListener('pointerdown', () => { pressing = true; }, true);
const release = () => {
  pressing = false;
  // After the click the release makes has been handled.
  setTimeout(() => {
    if (pressing || !heldScene) return;
    const scene = heldScene;
    heldScene = null;
    draw(scene);
  }, 0);
};
document.addEventListener('pointerup', release, true);
document.addEventListener('pointercancel', release, true);

function connect() {
  socket = new WebSocket(`ws://${location.host}/ws`);
  socket.onopen = () => { statusEl.hidden = true; retry = 250; if (document.hidden) send({ kind: 'hidden' }); };
  socket.onmessage = (message) => {
    const data = JSON.parse(message.data);
    if (data.type !== 'scene') return;
    if (pressing) heldScene = data.scene;
    else {
      // A scene held during the press is older than this one: never drawn after it.
      heldScene = null;
      draw(data.scene);
    }
  };
  socket.onclose = () => {
    statusEl.hidden = false;
    setTimeout(connect, retry);
    retry = Math.min(retry * 2, 4000);
  };
}

// Keys typed outside a field go to the screen in view (the keypads of the
// amount and passcode screens answer them); the program ignores the rest.
const SCREEN_KEYS = new Set(['0', '1', '2', '3', '4', '5', '6', '7', '8', '9', '.', ',', '+', '-', '=', '*', '/',
  'Backspace', 'Delete', 'Enter', 'Escape']);
document.addEventListener('keydown', (e) => {
  if (e.ctrlKey || e.metaKey || e.altKey || e.isComposing) return;
  const tag = e.target && e.target.tagName;
  if (tag === 'INPUT' || tag === 'TEXTAREA' || tag === 'SELECT' || !SCREEN_KEYS.has(e.key)) return;
  if (!overlaysEl.hasChildNodes()) send({ kind: 'key', key: e.key });
  if (e.key === 'Backspace' || e.key === '/') e.preventDefault();
});
document.addEventListener('visibilitychange', () => send({ kind: document.hidden ? 'hidden' : 'shown' }));
connect();
