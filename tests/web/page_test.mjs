// The web page in headless Chromium, served from the built site: the face tapped and clicked,
// programs keyed from the keyboard, run and stopped, the state kept across a reload, files
// imported and exported (checked against korvelce-cli, built to WebAssembly beside the site),
// the printer tape, and the face on a phone. Run one test by name:
//   node page_test.mjs NAME      (node page_test.mjs lists the names)
// Environment: KORVELCE_SITE_DIR, KORVELCE_NPM_DIR (puppeteer-core), KORVELCE_SCREENSHOT_DIR,
// KORVELCE_CLI_JS (korvelce-cli.js), optionally KORVELCE_CHROMIUM (/usr/bin/chromium).
import assert from 'node:assert/strict';
import { execFile } from 'node:child_process';
import { readFile, writeFile } from 'node:fs/promises';
import path from 'node:path';
import { promisify } from 'node:util';
import {
  clickControl,
  PageSession,
  required,
  runningNextFrame,
  shown,
  state,
  type,
  waitShown,
} from './support/page_session.mjs';

const code = { A: 11, SUM: 44, GTO: 61, LBL: 76, PGM: 36, FIX: 58, STF: 86 };
const op = { plus: 85, times: 65, equals: 95, clr: 25 };

// korvelce-cli built to WebAssembly, run under node on the real file system.
async function cli(...args) {
  const script = required('KORVELCE_CLI_JS');
  const { stdout } = await promisify(execFile)(
    process.execPath,
    ['--no-experimental-fetch', '--stack-size=8192', script, ...args],
    { cwd: path.dirname(script) },
  );
  return stdout;
}

// Chooses file in #import; the page's question is accepted.
async function importFile(page, file) {
  const input = await page.$('#import');
  assert.ok(input, 'no #import on the page');
  await input.uploadFile(file);
}

// The message about file that the page gave after dialogsBefore dialogs and with textBefore on
// the page: a new alert, or a line the page gained, that names the file.
async function messageAbout(page, file, dialogsBefore, textBefore, timeout = 5000) {
  const old = new Set(textBefore.split('\n'));
  const end = Date.now() + timeout;
  let seen = [];
  for (;;) {
    const alerts = page.dialogs.slice(dialogsBefore).filter((d) => d.type === 'alert');
    const text = await page.evaluate(() => document.body.innerText);
    seen = [...alerts.map((d) => d.message), ...text.split('\n').filter((l) => !old.has(l))];
    const message = seen.find((m) => m.includes(file));
    if (message) return message;
    if (Date.now() > end) assert.fail(`no message names ${file} (new: ${JSON.stringify(seen)})`);
    await new Promise((resolve) => setTimeout(resolve, 50));
  }
}

async function waitFor(page, fn, what, ...args) {
  try {
    await page.waitForFunction(fn, { timeout: 5000 }, ...args);
  } catch {
    assert.fail(`timed out waiting for ${what}`);
  }
}

// The loop used by the learn, run and reload tests: R00 counts up until R/S.
const counterProgram = ['LRN', 'LBL', 'A', '1', 'SUM', '0', '0', 'GTO', 'A', 'LRN'];
// Stored as LBL A, 1, SUM 00 (one step for the register), GTO A.
const counterSteps = [code.LBL, code.A, 1, code.SUM, 0, code.GTO, code.A];

// Runs the counter with A, lets it count, stops it with R/S; returns R00.
async function runAndStop(page, millis = 300) {
  // Keys typed on a focused button belong to it (Space would press it): the face takes them.
  await page.focus('#face');
  await type(page, ['A']);
  await waitFor(page, () => window.korvelce.running(), 'the program to run');
  assert.equal(await shown(page), '[', 'a running program shows the running display');
  await new Promise((resolve) => setTimeout(resolve, millis));
  assert.equal(await page.evaluate(() => window.korvelce.running()), true, 'the loop still runs');
  await type(page, ['R/S']);
  assert.equal(await runningNextFrame(page), false, 'R/S stops the run by the next frame');
  const registers = (await state(page)).registers;
  return Number.parseFloat(registers[0]);
}

// What read() gives once it satisfies check, or within five seconds; the last reading otherwise.
async function settle(read, check) {
  const end = Date.now() + 5000;
  for (;;) {
    const value = await read();
    if (check(value) || Date.now() > end) return value;
    await new Promise((resolve) => setTimeout(resolve, 50));
  }
}

// Presses keys by code through the page's hook, for keys without a PC key.
async function pressCodes(page, codes) {
  await page.evaluate((list) => list.forEach((c) => window.korvelce.press(c)), codes);
}

// The registers the panel shows, as [name, value] rows.
async function shownRegisters(page) {
  return page.$$eval('#registers tbody tr', (rows) =>
    rows.filter((row) => !row.hidden).map((row) => [row.cells[0].textContent, row.cells[1].textContent]));
}

function imageProgram(bytes) {
  return [...bytes.subarray(1600, 1600 + counterSteps.length + 1)];
}

const tests = {
  // 2 + 3 × 4 = on the canvas, by mouse and by touch, at the centres the page gives.
  async 'tap-arithmetic'(session) {
    const keys = [2, op.plus, 3, op.times, 4, op.equals];
    const page = await session.open();
    await session.click(page, keys);
    await waitShown(page, '14.');
    await session.click(page, [op.clr, 9, op.times, 9, op.equals]);
    await waitShown(page, '81.');
    await session.screenshot(page, 'tap-mouse');

    const touch = await session.open({ width: 800, height: 900, hasTouch: true, isMobile: true });
    await session.tap(touch, [op.clr, ...keys]);
    await waitShown(touch, '14.');
    await session.screenshot(touch, 'tap-touch');
  },

  // A program keyed in learn mode from the keyboard, run with A, stopped with R/S.
  async 'learn-run-stop'(session) {
    const page = await session.open();
    await type(page, ['LRN']);
    assert.equal((await state(page)).mode, 1, 'LRN enters learn mode');
    await waitShown(page, '000 00');
    await type(page, counterProgram.slice(1, -1));
    const learning = await state(page);
    assert.equal(learning.mode, 1);
    assert.equal(learning.learnPointer, counterSteps.length, 'every key stored one step');
    await type(page, ['LRN']);
    assert.equal((await state(page)).mode, 0, 'LRN leaves learn mode');

    const first = await runAndStop(page);
    assert.ok(first > 0, `R00 counted (${first})`);
    const stopped = await state(page);
    assert.equal(stopped.mode, 0, 'back in calculate mode');
    assert.notEqual(await shown(page), '[', 'the display shows a value again');
    // Keys work again at once after the stop.
    await type(page, ['CLR', '2', '+', '3', '=']);
    await waitShown(page, '5.');
    await session.screenshot(page, 'learn-run-stop');
  },

  // Registers and program survive a reload: the same image, and the program still runs.
  async 'reload-keeps-state'(session) {
    const page = await session.open();
    await type(page, counterProgram);
    const counted = await runAndStop(page);
    assert.ok(counted > 0);
    const before = await session.download(page, '#export-kv');
    assert.deepEqual(imageProgram(before.bytes), [...counterSteps, 0], 'the program is in the image');
    // The printer tape is kept too, as the desktop's printer file is. CLR first: the run may
    // have stopped in the middle of keying its 1, and a 7 would go on that number.
    await type(page, ['CLR', '7', 'PRT']);
    const tapeText = () => page.$eval('#tape', (e) => e.textContent ?? '');
    await waitFor(page, () => /^\s*7\.\s*$/m.test(document.querySelector('#tape').textContent),
      'the printed line');
    const printed = await tapeText();

    await page.reload({ waitUntil: 'load' });
    await page.waitForFunction(() => document.documentElement.dataset.ready === '1');
    await page.evaluate(() => window.korvelce.ready);
    const restored = await state(page);
    assert.equal(Number.parseFloat(restored.registers[0]), counted, 'R00 kept');
    const after = await session.download(page, '#export-kv');
    assert.ok(after.bytes.equals(before.bytes), 'the memory image is kept byte for byte');
    const saved = await page.evaluate(() => localStorage.getItem('korvelce.state'));
    assert.ok(Buffer.from(saved ?? '', 'base64').equals(before.bytes), 'localStorage holds it');
    assert.equal(await tapeText(), printed, 'the tape is kept');

    const again = await runAndStop(page);
    assert.ok(again > counted, `the kept program counts on (${counted} then ${again})`);
    await session.screenshot(page, 'reload');
  },

  // A memory image written by korvelce-cli comes in through #import and goes out through
  // #export-kv byte for byte; its program runs.
  async 'import-export-kv'(session) {
    const file = path.join(session.scratch, 'squares.kv');
    await cli(
      '--save', file,
      'LRN', 'LBL', 'A', 'X^2', '+', '1', '=', 'R/S', 'LRN',
      '42', 'STO', '05', '3.5', '+/-', 'STO', '99',
    );
    const written = await readFile(file);
    assert.equal(written.length, 2600);

    const page = await session.open();
    await importFile(page, file);
    await waitFor(page, () => window.korvelce.state().registers[5] === '42.', 'R05 from the file');
    const confirm = page.dialogs.find((d) => d.type === 'confirm');
    assert.equal(confirm?.message, 'Replace the program memory and registers with squares.kv?');
    assert.equal((await state(page)).registers[99], '-3.5');

    const exported = await session.download(page, '#export-kv');
    assert.equal(exported.name, 'korvelce.kv');
    assert.ok(exported.bytes.equals(written), 'the exported image is the imported one');

    await type(page, ['CLR', '7', 'A']);
    await waitShown(page, '50.');
    await session.screenshot(page, 'import-kv');
  },

  // Program source text in and out: the page's .kvs is the CLI's disassembly, and keyed in
  // again it is the CLI's assembly byte for byte. Source holds no registers: they become zero.
  async 'import-export-kvs'(session) {
    const source = path.join(session.scratch, 'double.kvs');
    await writeFile(source, '# twice R05\nLBL B RCL 05 * 2 = R/S\n');
    const assembled = path.join(session.scratch, 'double.kv');
    await cli('asm', source, '-o', assembled);
    const expectedText = await cli('disasm', assembled);

    const page = await session.open();
    await type(page, ['8', 'STO', '0', '5']);
    await waitFor(page, () => window.korvelce.state().registers[5] === '8.', 'R05 stored');
    await importFile(page, source);
    await waitFor(page, () => window.korvelce.state().registers[5] === '0.', 'registers cleared');
    const confirm = page.dialogs.find((d) => d.type === 'confirm');
    assert.equal(confirm?.message, 'Replace the program memory and registers with double.kvs?');

    const text = await session.download(page, '#export-kvs');
    assert.match(text.name, /\.kvs$/);
    assert.equal(text.bytes.toString('utf8'), expectedText, 'the source text is the disassembly');
    const image = await session.download(page, '#export-kv');
    assert.ok(image.bytes.equals(await readFile(assembled)), 'the image is the assembly');

    const roundTrip = path.join(session.scratch, 'again.kvs');
    await writeFile(roundTrip, text.bytes);
    await importFile(page, roundTrip);
    await waitFor(page, () => window.korvelce.state().mode === 0, 'the import');
    const second = await session.download(page, '#export-kv');
    assert.ok(second.bytes.equals(image.bytes), 'the exported source keys in to the same steps');

    await type(page, ['2', '1', 'STO', '0', '5', 'B']);
    await waitShown(page, '42.');
  },

  // PRT prints the display on the tape; Save writes it, Copy puts it on the clipboard, Clear
  // empties it.
  async 'tape-prints'(session) {
    const page = await session.open();
    const tape = () => page.$eval('#tape', (e) => e.textContent ?? '');
    assert.doesNotMatch(await tape(), /5\./);
    const cases = [
      { keys: ['5', 'PRT'], line: /^\s*5\.\s*$/m },
      { keys: ['1', '.', '2', '5', '+/-', 'PRT'], line: /^\s*-1\.25\s*$/m },
    ];
    for (const { keys, line } of cases) {
      await type(page, ['CLR', ...keys]);
      await waitFor(page, (source) => new RegExp(source, 'm').test(
        document.querySelector('#tape')?.textContent ?? ''), `${line} on the tape`, line.source);
    }
    const lines = (await tape()).split('\n').filter((l) => l.trim() !== '');
    assert.equal(lines.length, cases.length, 'one line for each PRT');
    await page.$eval('#tape', (tape) => tape.scrollIntoView({ block: 'center' }));
    await session.screenshot(page, 'tape');

    const saved = await session.download(page, '#tape-save');
    const savedLines = saved.bytes.toString('utf8').split('\n').filter((l) => l.trim() !== '');
    assert.deepEqual(savedLines.map((l) => l.trim()), lines.map((l) => l.trim()));

    await session.browser.defaultBrowserContext().overridePermissions(session.server.origin,
      ['clipboard-read', 'clipboard-write', 'clipboard-sanitized-write']);
    await clickControl(page, '#tape-copy');
    await waitFor(page, async () => (await navigator.clipboard.readText()).includes('-1.25'),
      'the tape on the clipboard');
    const copied = (await page.evaluate(() => navigator.clipboard.readText())).split('\n');
    assert.deepEqual(copied.map((l) => l.trim()).filter((l) => l !== ''), lines.map((l) => l.trim()));

    await clickControl(page, '#tape-clear');
    await waitFor(page, () => (document.querySelector('#tape')?.textContent ?? '').trim() === '',
      'the tape to be cleared');
  },

  // A phone: the whole face is on the screen, sharp, and its keys answer taps.
  async 'phone-viewport'(session) {
    // The device pixel ratio of 3 comes from the browser (see browserArgs): emulated alone, its
    // canvases' device-pixel boxes stay in CSS pixels, which no phone does.
    const viewport = { width: 390, height: 844, deviceScaleFactor: 0, isMobile: true, hasTouch: true };
    const page = await session.open(viewport);
    const ratio = await page.evaluate(() => devicePixelRatio);
    assert.equal(ratio, 3);
    const box = await page.$eval('#face', (canvas) => {
      const r = canvas.getBoundingClientRect();
      return { left: r.left, top: r.top, right: r.right, bottom: r.bottom, width: r.width,
        height: r.height, pixels: canvas.width };
    });
    assert.ok(box.left >= 0 && box.top >= 0, `the canvas starts on screen (${box.left}, ${box.top})`);
    assert.ok(box.right <= viewport.width && box.bottom <= viewport.height,
      `the canvas ends on screen (${box.right}, ${box.bottom})`);
    assert.ok(box.pixels >= Math.floor(box.width * ratio) - 1,
      `drawn at device pixels (${box.pixels} for ${box.width} CSS px)`);

    // The skin, found from the keys at two corners of the grid: the same scale across and
    // down (its proportions kept), wide on the phone, and wholly on the canvas and the screen.
    const l = session.face.layout;
    const first = await session.keyPoint(page, session.face.keys.find((k) => k.column === 0 && k.row === 0).code);
    const last = await session.keyPoint(page, session.face.keys.find((k) => k.column === 4 && k.row === 8).code);
    const across = (last.x - first.x) / (l.keyColumns[4] - l.keyColumns[0]);
    const down = (last.y - first.y) / (l.keyRows[8] - l.keyRows[0]);
    assert.ok(Math.abs(across / down - 1) < 0.01, `one scale across and down (${across}, ${down})`);
    const skin = {
      left: first.x - across * (l.keyColumns[0] + l.keyWidth / 2),
      top: first.y - down * (l.keyRows[0] + l.keyHeight / 2),
    };
    skin.right = skin.left + across * l.skinWidth;
    skin.bottom = skin.top + down * l.skinHeight;
    const inside = (outer, what) => {
      const slack = 1; // rounding to device pixels
      assert.ok(skin.left >= outer.left - slack && skin.top >= outer.top - slack &&
        skin.right <= outer.right + slack && skin.bottom <= outer.bottom + slack,
        `the skin ${JSON.stringify(skin)} lies inside ${what} ${JSON.stringify(outer)}`);
    };
    inside(box, 'the canvas');
    inside({ left: 0, top: 0, right: viewport.width, bottom: viewport.height }, 'the screen');
    assert.ok(skin.right - skin.left > 0.9 * viewport.width,
      `the face uses the phone's width (${skin.right - skin.left} px)`);
    const scrollWidth = await page.evaluate(() => document.documentElement.scrollWidth);
    assert.ok(scrollWidth <= viewport.width, `no sideways scrolling (${scrollWidth} px)`);

    for (const key of session.face.keys) {
      const { x, y } = await session.keyPoint(page, key.code);
      assert.ok(x > box.left && x < box.right && y > box.top && y < box.bottom,
        `key ${key.legend} lies on the face`);
    }
    await session.tap(page, [op.clr, 2, op.plus, 3, op.times, 4, op.equals]);
    await waitShown(page, '14.');
    await session.screenshot(page, 'phone');
  },

  // Files that are not programs are refused with a message, and nothing changes.
  async 'malformed-import'(session) {
    const page = await session.open();
    await type(page, [...counterProgram, 'CLR', '7', 'STO', '0', '3']);
    await waitFor(page, () => window.korvelce.state().registers[3] === '7.', 'R03 stored');
    const before = await state(page);
    const image = await session.download(page, '#export-kv');
    const cases = [
      { name: 'short.kv', bytes: Buffer.alloc(12, 1) },
      { name: 'long.kv', bytes: Buffer.alloc(2601, 0) },
      { name: 'words.kvs', bytes: Buffer.from('LBL A FROBNICATE R/S\n') },
    ];
    for (const { name, bytes } of cases) {
      const file = path.join(session.scratch, name);
      await writeFile(file, bytes);
      const dialogsBefore = page.dialogs.length;
      const textBefore = await page.evaluate(() => document.body.innerText);
      await importFile(page, file);
      await messageAbout(page, name, dialogsBefore, textBefore);
      const replaced = page.dialogs.slice(dialogsBefore).filter((d) => d.type === 'confirm');
      assert.deepEqual(replaced, [], `${name} is refused before asking to replace anything`);
      assert.deepEqual(await state(page), before, `${name} changes nothing`);
      const still = await session.download(page, '#export-kv');
      assert.ok(still.bytes.equals(image.bytes), `${name} leaves the memory image as it was`);
    }
    await session.screenshot(page, 'malformed-import');
  },

  // PAU shows the value for half a second and the run goes on: a counting loop with a pause
  // in every turn shows its counts, and counts only a few in a second and a half.
  async 'pause-shows-value'(session) {
    const page = await session.open();
    await type(page, ['LRN', 'LBL', 'A', '1', 'SUM', '0', '0', 'RCL', '0', '0', 'PAU', 'GTO', 'A',
      'LRN', 'CLR']);
    await page.focus('#face');
    const started = Date.now();
    await type(page, ['A']);
    await waitFor(page, () => window.korvelce.running(), 'the program to run');
    const seen = await page.evaluate(
      () =>
        new Promise((resolve) => {
          const texts = new Set();
          const end = performance.now() + 1500;
          const look = () => {
            texts.add(document.querySelector('#display').dataset.display.trim());
            if (performance.now() < end) requestAnimationFrame(look);
            else resolve([...texts]);
          };
          look();
        }),
    );
    assert.ok(seen.includes('1.') && seen.includes('2.'), `the counts are shown (${seen})`);
    assert.ok(await page.evaluate(() => window.korvelce.running()), 'the run goes on after PAU');
    await type(page, ['R/S']);
    await waitFor(page, () => !window.korvelce.running(), 'R/S to stop the run');
    // A busy machine may take longer between A and R/S than the page's second and a half; the
    // most turns the run may have made is what half-second pauses allow in the time taken.
    const most = Math.ceil((Date.now() - started) / 500) + 1;
    const count = Number((await state(page)).registers[0]);
    assert.ok(count >= 2 && count <= most,
      `each pause lasts half a second (R00 = ${count}, at most ${most})`);
  },

  // F1 shows the PC keys over the face and F1 again takes them away; Ctrl held shows them
  // while it is held. Keys still act meanwhile.
  async 'key-hints'(session) {
    const page = await session.open();
    const picture = () => page.$eval('#face', (canvas) => canvas.toDataURL());
    const plain = await picture();
    await page.keyboard.press('F1');
    await page.evaluate(() => new Promise((resolve) => requestAnimationFrame(resolve)));
    const hinted = await picture();
    assert.notEqual(hinted, plain, 'F1 draws the PC keys');
    await session.screenshot(page, 'key-hints');
    await type(page, ['7']);
    await waitShown(page, '7');
    await page.keyboard.press('F1');
    await type(page, ['CLR']);
    await waitShown(page, '0');
    await page.evaluate(() => new Promise((resolve) => requestAnimationFrame(resolve)));
    assert.equal(await picture(), plain, 'F1 again takes them away');
    await page.keyboard.down('Control');
    await page.evaluate(() => new Promise((resolve) => requestAnimationFrame(resolve)));
    assert.equal(await picture(), hinted, 'Ctrl held shows them');
    await page.keyboard.up('Control');
    await page.evaluate(() => new Promise((resolve) => requestAnimationFrame(resolve)));
    assert.equal(await picture(), plain, 'Ctrl let go hides them');
  },

  // Ctrl+C copies the display as a number and Ctrl+V types one in, as in the window; a
  // refused paste says why and changes nothing.
  async 'copy-paste'(session) {
    const page = await session.open();
    const clipboardEvent = (type, text) =>
      page.evaluate(
        (kind, data) => {
          const transfer = new DataTransfer();
          if (data !== null) transfer.setData('text/plain', data);
          const event = new ClipboardEvent(kind, { clipboardData: transfer, bubbles: true, cancelable: true });
          document.body.dispatchEvent(event);
          return { handled: event.defaultPrevented, text: transfer.getData('text/plain') };
        },
        type,
        text,
      );
    await type(page, ['CLR', '1', '.', '2', '5', '+/-', '=']);
    await waitShown(page, '-1.25');
    // A screen reader hears the number as copy writes it.
    assert.equal(await page.$eval('#display', (e) => e.textContent), '-1.25');
    const copy = await clipboardEvent('copy', null);
    assert.deepEqual(copy, { handled: true, text: '-1.25' });
    await type(page, ['CLR', '7']);
    const paste = await clipboardEvent('paste', ' 1.5e-12 ');
    assert.equal(paste.handled, true);
    await waitShown(page, '1.5-12');
    assert.equal(await page.$eval('#display', (e) => e.textContent), '1.5e-12');
    const before = await state(page);
    await clipboardEvent('paste', 'twelve');
    await waitFor(page, () => /Nothing pasted: "twelve" is not a number/.test(document.body.innerText),
      'the refusal');
    assert.deepEqual(await state(page), before, 'a refused paste changes nothing');
    await session.screenshot(page, 'copy-paste');
  },

  // "Only registers not zero" goes by the value: 0.001 shown as 0.00 under FIX 2 stays.
  async 'registers-nonzero'(session) {
    const page = await session.open();
    await pressCodes(page, [code.FIX, 2]);
    await type(page, ['.', '0', '0', '1', 'STO', '0', '5', '3', 'STO', '0', '7']);
    await clickControl(page, '#registers-nonzero');
    const expected = [['R05', '0.00'], ['R07', '3.00']];
    const same = (want) => (rows) => JSON.stringify(rows) === JSON.stringify(want);
    assert.deepEqual(await settle(() => shownRegisters(page), same(expected)), expected);
    // The modes and flags in the window's words.
    await pressCodes(page, [code.STF, 3]);
    const modes = () => page.evaluate(() => ['#reg-flags', '#reg-angle', '#reg-format'].map(
      (id) => document.querySelector(id).textContent));
    const wanted = ['set: 3', 'DEG', 'FIX 2, normal'];
    assert.deepEqual(await settle(modes, same(wanted)), wanted);
    await page.$eval('#panel-registers', (panel) => panel.scrollIntoView({ block: 'center' }));
    await session.screenshot(page, 'registers-nonzero');
    // A register that becomes zero goes, one that stops being zero comes back, with the same
    // text shown.
    await type(page, ['0', 'STO', '0', '5', '.', '0', '0', '4', 'STO', '0', '9']);
    const later = [['R07', '3.00'], ['R09', '0.00']];
    assert.deepEqual(await settle(() => shownRegisters(page), same(later)), later);
    await clickControl(page, '#registers-nonzero');
    await waitFor(page, () => [...document.querySelectorAll('#registers tbody tr')].every((r) => !r.hidden),
      'every register');
  },

  // The listing marks the engine's step: the program counter in the user's program, none for a
  // library program chosen with PGM, the learn pointer in learn mode.
  async 'listing-marker'(session) {
    const page = await session.open();
    const listing = () => page.evaluate(() => ({
      caption: document.querySelector('#listing-caption').textContent,
      marked: [...document.querySelectorAll('#listing li.current')].map((li) => li.textContent),
    }));
    const cases = [
      { keys: ['GTO', '0', '1', '2'], codes: [], caption: 'Your program — program counter at step 012', marked: /^012 / },
      { keys: [], codes: [code.PGM, 0, 1], caption: /^Library .* \(module 110\), program 01(: .*)? \(read-only\)$/, marked: null },
      // Learn mode starts at the program counter.
      { keys: ['LRN'], codes: [], caption: 'Your program — learn mode, step 012', marked: /^012 / },
    ];
    for (const { keys, codes, caption, marked } of cases) {
      await type(page, keys);
      await pressCodes(page, codes);
      const fits = (text) => (typeof caption === 'string' ? text === caption : caption.test(text));
      const now = await settle(listing, (shown) => fits(shown.caption));
      assert.ok(fits(now.caption), `the caption "${now.caption}" is ${caption}`);
      if (marked === null) assert.deepEqual(now.marked, [], `no step marked under "${now.caption}"`);
      else assert.ok(now.marked.length === 1 && marked.test(now.marked[0]), `marked ${now.marked}`);
      if (codes.length > 0) {
        await page.$eval('#panel-listing', (panel) => panel.scrollIntoView({ block: 'center' }));
        await session.screenshot(page, 'listing-pgm');
      }
    }
  },

  // Past 10,000 lines the oldest printed lines go, one for one, and the kept tape is the one
  // shown.
  async 'tape-limit'(session) {
    const page = await session.open();
    // R00 counts up and each count is printed: the tape holds consecutive numbers.
    await type(page, ['LRN', 'LBL', 'A', '1', 'SUM', '0', '0', 'RCL', '0', '0', 'PRT', 'GTO', 'A', 'LRN']);
    await page.focus('#face');
    await type(page, ['A']);
    try {
      await page.waitForFunction(() => Number.parseFloat(window.korvelce.state().registers[0]) > 10500,
        { timeout: 60000, polling: 100 });
    } catch {
      assert.fail('the printing loop did not pass 10,500 counts');
    }
    await type(page, ['R/S']);
    await waitFor(page, () => !window.korvelce.running(), 'R/S to stop the run');
    const counted = Number.parseFloat((await state(page)).registers[0]);
    const tapeLines = async () =>
      (await page.$eval('#tape', (e) => e.textContent)).split('\n').slice(0, -1).map((l) => l.trim());
    const lines = await tapeLines();
    assert.equal(lines.length, 10000, 'the tape keeps 10,000 lines');
    const last = Number.parseFloat(lines.at(-1));
    assert.ok(last === counted || last === counted - 1, `the last line is the last count (${last}, ${counted})`);
    lines.forEach((line, i) => assert.equal(Number.parseFloat(line), last - 9999 + i, `line ${i}: ${line}`));
    // On screen too: 10,000 lines high, nothing between the lines (the line height is rounded
    // to a fraction of a pixel, which adds up to a line or two over the tape).
    const rows = await page.$eval('#tape', (tape) => {
      const style = getComputedStyle(tape);
      const padding = Number.parseFloat(style.paddingTop) + Number.parseFloat(style.paddingBottom);
      return (tape.scrollHeight - padding) / Number.parseFloat(style.lineHeight);
    });
    assert.ok(Math.abs(rows - 10000) < 10, `the tape is ${rows} lines high`);

    // The tape is kept as shown, and stays at 10,000 lines with the next print.
    await waitFor(page, () => localStorage.getItem('korvelce.tape') === document.querySelector('#tape').textContent,
      'the tape to be kept');
    await type(page, ['CLR', '5', 'PRT']);
    const after = await settle(tapeLines, (shown) => shown.at(-1) === '5.');
    assert.equal(after.at(-1), '5.', `the printed 5 ends the tape (${after.slice(-3)})`);
    assert.equal(after.length, 10000);
    assert.deepEqual(after.slice(0, -1), lines.slice(1), 'one line went for one line printed');
    await waitFor(page, () => localStorage.getItem('korvelce.tape') === document.querySelector('#tape').textContent,
      'the new tape to be kept');
    await page.$eval('#tape', (tape) => tape.scrollIntoView({ block: 'center' }));
    await session.screenshot(page, 'tape-limit');
  },

  // After one visit the page opens and computes with the server gone: every file comes from
  // the service worker's cache.
  async offline(session) {
    const page = await session.open(undefined, { watchOnly: true });
    await waitFor(page, () => navigator.serviceWorker.controller !== null, 'the service worker');
    await page.evaluate(() => navigator.serviceWorker.ready);
    await session.stopServer();
    await page.setOfflineMode(true);
    await page.reload({ waitUntil: 'load' });
    await waitFor(page, () => document.documentElement.dataset.ready === '1', 'the face offline');
    await session.click(page, [op.clr, 2, op.plus, 3, op.times, 4, op.equals]);
    await waitShown(page, '14.');
    await session.screenshot(page, 'offline');
  },
};

// Flags a test's browser starts with.
const browserArgs = { 'phone-viewport': ['--force-device-scale-factor=3'] };

async function main() {
  const name = process.argv[2];
  if (!name || !(name in tests)) {
    console.log(Object.keys(tests).join('\n'));
    process.exit(name ? 2 : 0);
  }
  const session = new PageSession();
  let failure;
  try {
    await session.start(browserArgs[name]);
    await tests[name](session);
  } catch (error) {
    failure = error;
  }
  try {
    await session.finish();
  } catch (error) {
    failure ??= error;
  }
  if (failure) {
    console.error(`FAILED ${name}: ${failure.stack ?? failure}`);
    process.exit(1);
  }
  console.log(`passed ${name}`);
}

await main();
