// The PC keyboard: the desktop window's default key map (face.json's keyMap, PC keys named as
// the desktop names them), looked up with the desktop's rules. Letters are known by their
// capital whatever Caps Lock says, and Shift+letter has entries of its own; Shift with any
// other key that has no entry of its own counts as that key alone, since Shift was only needed
// to type its character ("*" is Shift+8 on many layouts).

// Browser key names of the keys the desktop map names in words.
const NAMED = {
  ' ': 'Space',
  Backspace: 'Backspace',
  Escape: 'Escape',
  Esc: 'Escape',
  Tab: 'Tab',
  Delete: 'Delete',
  Del: 'Delete',
  Insert: 'Insert',
  Home: 'Home',
  End: 'End',
  PageUp: 'PageUp',
  PageDown: 'PageDown',
  ArrowUp: 'Up',
  ArrowDown: 'Down',
  ArrowLeft: 'Left',
  ArrowRight: 'Right',
  Up: 'Up',
  Down: 'Down',
  Left: 'Left',
  Right: 'Right',
};

function isLetter(name) {
  return name.length === 1 && name.toUpperCase() !== name.toLowerCase();
}

// The desktop's name of the key of a keyboard event, without "Shift+"; null when the map
// cannot hold it.
export function pcKeyName(event) {
  const key = event.key;
  if (key === 'Enter') return event.code === 'NumpadEnter' ? 'Enter' : 'Return';
  if (key in NAMED) return NAMED[key];
  if (/^F([2-9]|1[0-2])$/.test(key)) return key;
  if ([...key].length === 1) return key.toUpperCase();
  return null; // dead keys, modifiers alone, "Unidentified"...
}

export class KeyMap {
  // entries: face.json's keyMap: { pc, column, row, second }.
  constructor(entries) {
    this.map = new Map(entries.map((e) => [e.pc, { column: e.column, row: e.row, second: e.second }]));
  }

  // The face key of a keyboard event, or null. Ctrl, Alt and Meta combinations are the
  // browser's.
  lookup(event) {
    if (event.ctrlKey || event.altKey || event.metaKey) return null;
    const name = pcKeyName(event);
    if (name === null) return null;
    if (event.shiftKey) {
      const shifted = this.map.get(`Shift+${name}`);
      if (shifted) return shifted;
      return isLetter(name) ? null : this.map.get(name) ?? null;
    }
    return this.map.get(name) ?? null;
  }
}

// Whether a key event belongs to the control it was typed in rather than to the calculator:
// text fields and lists take every key, buttons and links their own activation keys.
export function belongsToControl(event) {
  const target = event.target;
  if (!(target instanceof Element)) return false;
  const activates = 'button, a[href], summary, [role="button"], [role="tab"], ' +
    'input[type="checkbox"], input[type="radio"], input[type="file"]';
  if (target.closest(activates)) {
    return event.key === ' ' || event.key === 'Enter';
  }
  return target.closest('input, textarea, select, [contenteditable=""], [contenteditable="true"]') !== null;
}
