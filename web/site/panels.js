// The workbench beside the face: the program listing (marking the step the engine marks), the
// registers with flags and modes, and the printer tape. Panels are refreshed from the engine's
// JSON at most once per frame, only when shown, and their DOM is touched only where something
// changed.
import { MODE_LEARN, MODE_RUN } from './calc.js';

const ROWS_PER_PAGE = 20;
const MAX_TAPE_LINES = 10000;
const TAPE_CHUNK_LINES = 64;

const pad = (n, width) => String(n).padStart(width, '0');

// Whether an element is laid out and on screen (a closed drawer or a hidden panel is not).
function shown(element) {
  return element.getClientRects().length > 0;
}

export class ListingPanel {
  constructor(root, calc) {
    this.calc = calc;
    this.section = root;
    this.caption = root.querySelector('#listing-caption');
    this.list = root.querySelector('#listing');
    this.json = '';
    this.rows = [];
    this.marker = -2;
    this.captionText = '';
  }

  // The marked step is the engine's (-1: none, as for a library program chosen with PGM and
  // not entered yet), so the page marks what the window marks.
  refresh(state, json) {
    const bank = state.bank;
    const marker = state.marker;
    if (json !== this.json || this.rows.length <= marker) this.fill(json, marker);
    let caption =
      bank > 0
        ? `Library ${this.calc.moduleName(state.module) || 'module'} (module ${state.module}), ` +
          `program ${pad(bank, 2)}${state.programTitle ? `: ${state.programTitle}` : ''} (read-only)`
        : 'Your program';
    if (state.mode === MODE_LEARN) caption += ` — learn mode, step ${pad(marker, 3)}`;
    else if (state.mode === MODE_RUN) caption += ' — running';
    else if (marker >= 0) caption += ` — program counter at step ${pad(marker, 3)}`;
    if (caption !== this.captionText) {
      this.captionText = caption;
      this.caption.textContent = caption;
    }
    this.mark(marker);
  }

  // The rows of the listing; a marker beyond the program gets the page of empty steps it is on.
  fill(json, marker) {
    this.json = json;
    const rows = JSON.parse(json);
    const wanted = Math.min(1000, (Math.floor(Math.max(marker, 0) / ROWS_PER_PAGE) + 1) * ROWS_PER_PAGE);
    for (let address = rows.length; address < wanted; ++address) rows.push([address, 0, '0']);
    const fragment = document.createDocumentFragment();
    this.rows = rows.map(([address, code, form]) => {
      const item = document.createElement('li');
      item.textContent = `${pad(address, 3)} ${pad(code, 2)} ${form}`;
      fragment.append(item);
      return item;
    });
    this.list.replaceChildren(fragment);
    // With no step marked, another program is shown from its start.
    if (marker < 0) this.list.scrollTop = 0;
    this.marker = -2;
  }

  mark(marker) {
    if (marker === this.marker) return;
    const old = this.rows[this.marker];
    if (old) {
      old.classList.remove('current');
      old.removeAttribute('aria-current');
    }
    this.marker = marker;
    const row = this.rows[marker];
    if (!row) return;
    row.classList.add('current');
    row.setAttribute('aria-current', 'step');
    // Scrolls the list only, never the page.
    const list = this.list;
    const top = row.offsetTop - list.offsetTop;
    if (top < list.scrollTop || top + row.offsetHeight > list.scrollTop + list.clientHeight) {
      list.scrollTop = top - list.clientHeight / 2;
    }
  }
}

export class RegistersPanel {
  constructor(root, store) {
    this.section = root;
    this.store = store;
    this.body = root.querySelector('#registers tbody');
    this.nonZero = root.querySelector('#registers-nonzero');
    this.fields = {
      t: root.querySelector('#reg-t'),
      flags: root.querySelector('#reg-flags'),
      angle: root.querySelector('#reg-angle'),
      format: root.querySelector('#reg-format'),
      depth: root.querySelector('#reg-depth'),
      pending: root.querySelector('#reg-pending'),
    };
    this.cells = [];
    this.rows = [];
    const fragment = document.createDocumentFragment();
    for (let i = 0; i < 100; ++i) {
      const row = document.createElement('tr');
      const name = document.createElement('th');
      name.scope = 'row';
      name.textContent = `R${pad(i, 2)}`;
      const value = document.createElement('td');
      row.append(name, value);
      fragment.append(row);
      this.rows.push(row);
      this.cells.push(value);
    }
    this.body.append(fragment);
    this.nonZero.checked = store.get('korvelce.registersNonZero') === '1';
    this.nonZero.addEventListener('change', () => {
      store.set('korvelce.registersNonZero', this.nonZero.checked ? '1' : '0');
      this.last = null;
      this.onChange?.();
    });
    this.last = null;
  }

  // Whether a register is zero comes from its value, not from what it shows: 0.001 under FIX 2
  // shows "0.00" and is not zero.
  refresh(state) {
    const last = this.last;
    const nonZeroOnly = this.nonZero.checked;
    state.registers.forEach((text, i) => {
      const zero = state.nonZero[i] !== 1;
      if (last && last.registers[i] === text && (last.nonZero[i] !== 1) === zero) return;
      this.cells[i].textContent = text.trim();
      this.rows[i].hidden = nonZeroOnly && zero;
    });
    const set = (field, value) => {
      if (field.textContent !== value) field.textContent = value;
    };
    set(this.fields.t, state.t.trim());
    set(this.fields.flags, state.flagsText);
    set(this.fields.angle, state.angleText);
    set(this.fields.format, state.formatText);
    set(this.fields.depth, String(state.depth));
    set(this.fields.pending, state.pending);
    this.last = state;
  }
}

// The line feeds in text.
function lineCount(text) {
  let count = 0;
  for (let at = text.indexOf('\n'); at >= 0; at = text.indexOf('\n', at + 1)) ++count;
  return count;
}

// Where the count-th line of text ends, after its line feed; the text's length when it holds
// fewer line feeds.
function afterLine(text, count) {
  let cut = 0;
  for (let left = count; left > 0; --left) {
    const at = text.indexOf('\n', cut);
    if (at < 0) return text.length;
    cut = at + 1;
  }
  return cut;
}

// The tape keeps its text in blocks of at most TAPE_CHUNK_LINES lines each, oldest first:
// printing adds to the last block and going past the limit drops or shortens the first, so the
// cost of a print, and of laying the tape out again, does not grow with the tape.
export class TapePanel {
  constructor(root) {
    this.section = root;
    this.pre = root.querySelector('#tape');
    this.chunks = []; // { block, node (its text), lines } in the order of the tape
    this.lines = 0;
    this.changes = 0; // goes up with every change: a save tells from it whether to write
  }

  // Printed lines, each ending in a line feed; the oldest go beyond 10,000 lines.
  append(text) {
    if (!text) return;
    const pre = this.pre;
    const atEnd = pre.scrollTop + pre.clientHeight >= pre.scrollHeight - 4;
    let rest = text;
    while (rest) {
      const last = this.chunks.at(-1);
      const room = last ? TAPE_CHUNK_LINES - last.lines : 0;
      // The lines that fit in the last node, else a new node's worth.
      const take = room > 0 ? room : TAPE_CHUNK_LINES;
      const piece = rest.slice(0, afterLine(rest, take));
      rest = rest.slice(piece.length);
      const lines = lineCount(piece);
      if (room > 0) {
        last.node.appendData(piece);
        last.lines += lines;
      } else {
        const block = pre.ownerDocument.createElement('div');
        const node = pre.ownerDocument.createTextNode(piece);
        block.append(node);
        pre.append(block);
        this.chunks.push({ block, node, lines });
      }
      this.lines += lines;
    }
    this.dropOldest();
    ++this.changes;
    if (atEnd) pre.scrollTop = pre.scrollHeight;
  }

  // Cuts the tape after its line feed number lines - MAX_TAPE_LINES.
  dropOldest() {
    let extra = this.lines - MAX_TAPE_LINES;
    while (extra > 0) {
      const first = this.chunks[0];
      const cut = first.lines < extra ? first.node.length : afterLine(first.node.data, extra);
      const dropped = Math.min(first.lines, extra);
      if (cut === first.node.length) {
        first.block.remove();
        this.chunks.shift();
      } else {
        first.node.deleteData(0, cut);
        first.lines -= dropped;
      }
      this.lines -= dropped;
      extra -= dropped;
      if (dropped === 0 && this.chunks.length === 0) break;
    }
  }

  text() {
    return this.pre.textContent;
  }

  clear() {
    this.pre.textContent = '';
    this.chunks = [];
    this.lines = 0;
    ++this.changes;
  }
}

// Refreshes the panels shown, once per frame at most, from one reading of the engine's state.
export class Panels {
  constructor(calc, listing, registers) {
    this.calc = calc;
    this.listing = listing;
    this.registers = registers;
    this.dirty = true;
    this.lastJson = '';
    this.lastListing = '';
    this.seen = '';
    // The state is the same after a change of what the registers panel shows: it is drawn
    // again at once.
    registers.onChange = () => this.refresh(true);
  }

  invalidate() {
    this.dirty = true;
  }

  // Called from the page's frame; running programs refresh the panels a few times a second.
  refresh(force = false) {
    if (!this.dirty && !force) return;
    const showListing = shown(this.listing.section);
    const showRegisters = shown(this.registers.section);
    if (!showListing && !showRegisters) return; // stays dirty until a panel is shown
    this.dirty = false;
    const json = this.calc.stateJson();
    const listing = showListing ? this.calc.listingJson() : '';
    const seen = `${showListing ? 1 : 0}${showRegisters ? 1 : 0}`;
    if (!force && json === this.lastJson && listing === this.lastListing && seen === this.seen) return;
    this.lastJson = json;
    this.lastListing = listing;
    this.seen = seen;
    const state = JSON.parse(json);
    if (showListing) this.listing.refresh(state, listing);
    if (showRegisters) this.registers.refresh(state);
  }
}
