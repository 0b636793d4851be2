// The page's pure parts under node, imported from the built site: what a screen reader hears of
// the display, the keyboard map's lookup rules, the key grid's hit-testing, the saved state in a
// storage that fails, and the printer tape's line limit on a small stand-in for the DOM.
//
//   node --test page_units_test.mjs    with KORVELCE_SITE_DIR set to the built site
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { join } from 'node:path';
import { test } from 'node:test';
import { pathToFileURL } from 'node:url';

const site = process.env.KORVELCE_SITE_DIR;
assert.ok(site, 'KORVELCE_SITE_DIR names the built site');
const load = (name) => import(pathToFileURL(join(site, name)).href);
const { accessibleDisplayText } = await load('display.js');
const { KeyMap } = await load('keyboard.js');
const { hitTest } = await load('face.js');
const storage = await load('storage.js');
const { TapePanel } = await load('panels.js');
const face = JSON.parse(readFileSync(join(site, 'face', 'face.json'), 'utf8'));

test('the display as a screen reader hears it', () => {
  const rows = [
    // display text, the engine's plain number of it, mode, blinking, heard
    ['           14.', '14', 0, false, '14'],
    ['         -0.5', '-0.5', 0, false, '-0.5'],
    ['     1.5 -12', '1.5e-12', 0, false, '1.5e-12'],
    ['9.9999999 99', '9.9999999e99', 0, true, '9.9999999e99, error'],
    ['          -0.', '0', 0, false, '0'],
    ['     000 45', '000e45', 1, false, 'step 000, code 45'],
    ['          12.', '12', 1, false, '12'], // learn mode without a step shows a number
    ['[', '[', 2, false, 'running'],
  ];
  for (const [text, number, mode, blinking, heard] of rows)
    assert.equal(accessibleDisplayText(text, number, mode, blinking), heard, text);
});

test('PC keys give the face keys of the desktop map, with its Shift rule', () => {
  const map = new KeyMap(face.keyMap);
  const key = (column, row) => face.keys.find((k) => k.column === column && k.row === row);
  const codeOf = (hit) => (hit === null ? null : hit.second ? key(hit.column, hit.row).secondCode : key(hit.column, hit.row).code);
  const press = (init) => codeOf(map.lookup({ shiftKey: false, ctrlKey: false, altKey: false, metaKey: false, code: '', ...init }));
  const rows = [
    // event, code the calculator gets (null: the key is left to the browser)
    [{ key: '7' }, 7],
    [{ key: '+' }, 85],
    [{ key: '+', shiftKey: true }, 85], // Shift typed the character: the entry without Shift
    [{ key: '*', shiftKey: true }, 65],
    [{ key: '=' }, 95],
    [{ key: 'Enter', code: 'Enter' }, 95],
    [{ key: 'Enter', code: 'NumpadEnter' }, 95],
    [{ key: 'a' }, 11],
    [{ key: 'A' }, 11], // Caps Lock
    [{ key: 'A', shiftKey: true }, 16],
    [{ key: 'l' }, 23],
    [{ key: 'L', shiftKey: true }, 28],
    [{ key: ' ' }, 91],
    [{ key: 'Escape' }, 25],
    [{ key: 'F2' }, 21],
    [{ key: 'c', ctrlKey: true }, null],
    [{ key: 'v', metaKey: true }, null],
    [{ key: 'F1' }, null],
    [{ key: 'Shift', shiftKey: true }, null],
    [{ key: 'Dead' }, null],
  ];
  for (const [event, code] of rows) assert.equal(press(event), code, JSON.stringify(event));
  // Every entry of the map is reachable: the name the page gives an event is the map's own.
  for (const entry of face.keyMap) {
    const shift = entry.pc.startsWith('Shift+') && entry.pc.length > 'Shift+'.length;
    const name = shift ? entry.pc.slice('Shift+'.length) : entry.pc;
    const browserKey = { Space: ' ', Return: 'Enter', Up: 'ArrowUp', Down: 'ArrowDown' }[name] ?? name;
    const hit = map.lookup({ key: browserKey, code: name === 'Enter' ? 'NumpadEnter' : '', shiftKey: shift });
    assert.deepEqual(hit, { column: entry.column, row: entry.row, second: entry.second }, entry.pc);
  }
});

test('the codes the page treats apart are those of the face keys with their legends', () => {
  const rows = [
    // face.json field, legend of the one key with that code
    ['secondKeyCode', '2nd'],
    ['gtoKeyCode', 'GTO'],
    ['runStopKeyCode', 'R/S'],
  ];
  for (const [field, legend] of rows) {
    assert.ok(Number.isInteger(face[field]), `${field} in face.json`);
    const keys = face.keys.filter((k) => k.code === face[field]);
    assert.deepEqual(keys.map((k) => k.legend), [legend], field);
  }
});

test('hit-testing finds every key at its centre and nothing between the keys', () => {
  for (const { layout, scale } of face.scales) {
    for (const k of face.keys) {
      const x = layout.keyColumns[k.column] + layout.keyWidth / 2;
      const y = layout.keyRows[k.row] + layout.keyHeight / 2;
      assert.deepEqual(hitTest(layout, x, y), { column: k.column, row: k.row }, `scale ${scale}`);
    }
    const right = layout.keyColumns[0] + layout.keyWidth; // first pixel right of column 0
    assert.equal(hitTest(layout, right, layout.keyRows[0] + 1)?.column === 0, false);
    assert.equal(hitTest(layout, layout.keyColumns[0], layout.keyRows[0] - 1), null);
    assert.equal(hitTest(layout, -1, -1), null);
  }
});

test('the saved state survives a storage that is missing, full or holds something unreadable', () => {
  const told = [];
  const entries = new Map();
  let full = false;
  globalThis.window = {
    localStorage: {
      getItem: (k) => (entries.has(k) ? entries.get(k) : null),
      setItem: (k, v) => {
        if (full) throw Object.assign(new Error('full'), { name: 'QuotaExceededError' });
        entries.set(k, String(v));
      },
    },
  };
  const store = new storage.Store((m) => told.push(m));
  const image = Uint8Array.from({ length: 2600 }, (_, i) => (i * 7) & 255);
  assert.equal(store.saveImage(image), true);
  assert.deepEqual(store.loadImage(), image);

  full = true;
  assert.equal(store.saveImage(new Uint8Array(2600)), false);
  assert.match(told.at(-1), /full/);
  assert.deepEqual(store.loadImage(), image, 'a failed save keeps the last good state');
  full = false;

  entries.set(storage.STATE_KEY, '%%% not base64');
  assert.equal(store.loadImage(), null);
  assert.equal(entries.get(storage.UNREADABLE_KEY), '%%% not base64');
  assert.match(told.at(-1), /could not be read/);

  assert.equal(store.loadTape(), '');
  assert.equal(store.saveTape('      5.\n'), true);
  assert.equal(store.loadTape(), '      5.\n');

  assert.equal(store.loadModule(), storage.DEFAULT_MODULE);
  store.saveModule(128);
  assert.equal(store.loadModule(), 128);

  globalThis.window = {
    get localStorage() {
      throw new Error('blocked');
    },
  };
  const none = new storage.Store((m) => told.push(m));
  assert.match(told.at(-1), /not available/);
  assert.equal(none.saveImage(image), false);
  assert.equal(none.loadImage(), null);
  delete globalThis.window;
});

// As much of the DOM as the tape uses: elements holding elements and text, text that grows at
// its end and shrinks at its start.
class FakeText {
  constructor(data) {
    this.data = data;
    this.parent = null;
  }
  get length() {
    return this.data.length;
  }
  get textContent() {
    return this.data;
  }
  appendData(text) {
    this.data += text;
  }
  deleteData(offset, count) {
    this.data = this.data.slice(0, offset) + this.data.slice(offset + count);
  }
  remove() {
    this.parent?.children.splice(this.parent.children.indexOf(this), 1);
    this.parent = null;
  }
}

class FakeElement extends FakeText {
  constructor(document) {
    super('');
    this.ownerDocument = document;
    this.children = [];
    this.scrollTop = 0;
    this.clientHeight = 100;
  }
  get textContent() {
    return this.children.map((child) => child.textContent).join('');
  }
  set textContent(text) {
    this.children = [];
    if (text) this.append(new FakeText(text));
  }
  get scrollHeight() {
    return this.textContent.length;
  }
  append(child) {
    child.remove();
    child.parent = this;
    this.children.push(child);
  }
}

test('the tape keeps exactly its last 10,000 lines however they are printed', () => {
  const document = {
    createElement: () => new FakeElement(document),
    createTextNode: (text) => new FakeText(text),
  };
  const pre = new FakeElement(document);
  const root = { querySelector: (selector) => (selector === '#tape' ? pre : null) };
  const lines = (from, count) => Array.from({ length: count }, (_, i) => `${from + i}.\n`).join('');
  // The tape as it must read: everything printed, cut after its (count - 10,000)th line feed.
  const lastLines = (text) => {
    const feeds = [...text.matchAll(/\n/g)].map((m) => m.index);
    return feeds.length <= 10000 ? text : text.slice(feeds[feeds.length - 10001] + 1);
  };
  const rows = [
    // what is printed, one append each
    ['one line at a time', Array.from({ length: 10100 }, (_, i) => lines(i, 1))],
    ['the whole tape at once, and more', [lines(0, 10000), lines(10000, 1), lines(10001, 70)]],
    ['more than the tape in one go', [lines(0, 25003)]],
    ['slices of odd sizes', Array.from({ length: 300 }, (_, i) => lines(i * 100, 1 + ((i * 37) % 90)))],
    ['a line in two parts', [lines(0, 9999), 'half', ' and half\n', lines(1, 3)]],
    ['a kept tape without its last line feed', ['first\n'.repeat(10000) + 'open', ' end\n', lines(0, 130)]],
  ];
  for (const [what, appends] of rows) {
    const tape = new TapePanel(root);
    tape.clear();
    let all = '';
    let changes = tape.changes;
    for (const text of appends) {
      tape.append(text);
      all += text;
      assert.equal(tape.changes, ++changes, `${what}: every print is a change`);
    }
    const expected = lastLines(all);
    assert.equal(tape.text(), expected, what);
    assert.equal(tape.lines, Math.min(10000, (all.match(/\n/g) ?? []).length), what);
    // Small blocks, so that a print or a cut touches little of the tape.
    assert.ok(pre.children.length <= 10000 / 64 + 2, `${what}: ${pre.children.length} blocks`);
    const longest = Math.max(...pre.children.map((block) => (block.textContent.match(/\n/g) ?? []).length));
    assert.ok(longest <= 64, `${what}: a block of ${longest} lines`);
  }
  const tape = new TapePanel(root);
  tape.append('5.\n');
  const before = tape.changes;
  tape.append('');
  assert.equal(tape.changes, before, 'nothing printed is no change');
  tape.clear();
  assert.equal(tape.text(), '');
  assert.equal(tape.changes, before + 1, 'clearing is a change');
});
