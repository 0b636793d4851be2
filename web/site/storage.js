// The calculator's state kept in the browser's local storage: the memory image (registers and
// the user's program) as base64, the printer tape, the library module, and the page's own
// choices. Storage can
// be missing (private windows, blocked cookies) or full: every access is guarded, the caller is
// told once, and the calculator keeps working without it.

export const STATE_KEY = 'korvelce.state';
export const MODULE_KEY = 'korvelce.module';
export const NONZERO_KEY = 'korvelce.registersNonZero';
// The printer tape, as its text: on the desktop the printer writes a file that stays.
export const TAPE_KEY = 'korvelce.tape';
// Where a saved state that cannot be used is set aside, so the next save does not destroy it.
export const UNREADABLE_KEY = 'korvelce.state.unreadable';
export const DEFAULT_MODULE = 110;

export function toBase64(bytes) {
  let binary = '';
  for (let i = 0; i < bytes.length; i += 0x8000) {
    binary += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
  }
  return btoa(binary);
}

export function fromBase64(text) {
  const binary = atob(text);
  const bytes = new Uint8Array(binary.length);
  for (let i = 0; i < binary.length; ++i) bytes[i] = binary.charCodeAt(i);
  return bytes;
}

export class Store {
  // onProblem(message): told when storage fails, once per kind of failure.
  constructor(onProblem) {
    this.onProblem = onProblem;
    this.told = new Set();
    this.storage = null;
    try {
      this.storage = window.localStorage;
      // Some browsers give an object that throws at first use.
      this.storage.getItem(STATE_KEY);
    } catch {
      this.storage = null;
      this.problem('unavailable', 'Browser storage is not available: the calculator will not be kept.');
    }
  }

  problem(kind, message) {
    if (this.told.has(kind)) return;
    this.told.add(kind);
    this.onProblem(message);
  }

  get(key) {
    if (!this.storage) return null;
    try {
      return this.storage.getItem(key);
    } catch {
      return null;
    }
  }

  set(key, value) {
    if (!this.storage) return false;
    try {
      this.storage.setItem(key, value);
      this.told.delete('full');
      return true;
    } catch (error) {
      const full = error && (error.name === 'QuotaExceededError' || error.code === 22);
      this.problem(
        full ? 'full' : 'failed',
        full
          ? 'Browser storage is full: the calculator was not saved.'
          : 'The calculator could not be saved in browser storage.',
      );
      return false;
    }
  }

  loadImage() {
    const text = this.get(STATE_KEY);
    if (!text) return null;
    try {
      return fromBase64(text);
    } catch {
      this.setAside();
      return null;
    }
  }

  // The saved state cannot be used: it is copied to UNREADABLE_KEY before anything overwrites
  // it, and the user is told.
  setAside() {
    const text = this.get(STATE_KEY);
    const kept = text !== null && this.set(UNREADABLE_KEY, text);
    this.problem(
      'corrupt',
      kept
        ? `The saved calculator could not be read: it starts afresh (the old state is kept as ${UNREADABLE_KEY}).`
        : 'The saved calculator could not be read: it starts afresh.',
    );
  }

  saveImage(bytes) {
    return this.set(STATE_KEY, toBase64(bytes));
  }

  loadTape() {
    return this.get(TAPE_KEY) ?? '';
  }

  saveTape(text) {
    return this.set(TAPE_KEY, text);
  }

  loadModule() {
    const id = Number.parseInt(this.get(MODULE_KEY) ?? '', 10);
    return Number.isFinite(id) ? id : DEFAULT_MODULE;
  }

  saveModule(id) {
    return this.set(MODULE_KEY, String(id));
  }
}

// When the state is written: about a second after the keys rest, at once when asked, and at
// most every two seconds while a program runs.
export class SaveSchedule {
  constructor(save) {
    this.save = save;
    this.timer = 0;
    this.lastSave = 0;
  }

  soon(delay = 1000) {
    clearTimeout(this.timer);
    this.timer = setTimeout(() => this.now(), delay);
  }

  now() {
    clearTimeout(this.timer);
    this.timer = 0;
    this.lastSave = performance.now();
    this.save();
  }

  // Called after every slice of a run.
  duringRun() {
    if (performance.now() - this.lastSave >= 2000) this.now();
  }
}
