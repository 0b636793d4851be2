// The page's pure parts under node, imported from the built site: what a screen reader hears of
// the display, the keyboard map's lookup rules, the key grid's hit-testing, and the saved state
// in a storage that fails.
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
