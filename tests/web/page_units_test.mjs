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
const { plainNumber, accessibleDisplayText } = await load('display.js');
const { KeyMap } = await load('keyboard.js');
const { hitTest } = await load('face.js');
const storage = await load('storage.js');
const face = JSON.parse(readFileSync(join(site, 'face', 'face.json'), 'utf8'));

test('the display as a plain number and as a screen reader hears it', () => {
  const rows = [
    // text, exponent apart, mode, blinking, plain, heard
    ['           14.', false, 0, false, '14', '14'],
    ['         -0.5', false, 0, false, '-0.5', '-0.5'],
    ['       .5', false, 0, false, '0.5', '0.5'],
    ['     1.5 -12', true, 0, false, '1.5e-12', '1.5e-12'],
    [' 6.0221408 23', true, 0, false, '6.0221408e23', '6.0221408e23'],
    ['  1.  00', true, 0, false, '1', '1'],
    ['9.9999999 99', true, 0, true, '9.9999999e99', '9.9999999e99, error'],
    ['           0.', false, 0, false, '0', '0'],
    ['          -0.', false, 0, false, '0', '0'],
    ['     000 45', true, 1, false, null, 'step 000, code 45'],
    ['[', false, 2, false, null, 'running'],
  ];
  // The window's own table of plain numbers: the page must read every text the same way.
  const windowRows = [
    ['1.414213562', false, '1.414213562'],
    ['-1.5-12', true, '-1.5e-12'],
    ['.3333333333', false, '0.3333333333'],
    ['-.5', false, '-0.5'],
    ['6.0221408 23', true, '6.0221408e23'],
    ['12.', false, '12'],
    ['0.', false, '0'],
    ['-0', false, '0'],
    ['5 00', true, '5'],
    ['9.9999999 99', true, '9.9999999e99'],
    ['1.-99', true, '1e-99'],
    ['-12.5 05', true, '-12.5e5'],
  ];
  for (const [text, apart, plain] of windowRows) assert.equal(plainNumber(text, apart), plain, text);
  for (const [text, apart, mode, blinking, plain, heard] of rows) {
    if (plain !== null) assert.equal(plainNumber(text, apart), plain, text);
    assert.equal(accessibleDisplayText(text, apart, mode, blinking), heard, text);
  }
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
