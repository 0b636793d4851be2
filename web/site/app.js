// The page's main module: loads the engine and the face, turns taps and PC keys into key
// codes the way the desktop window does (the 2nd state is the face's, not the engine's; keys act
// on release of the finger, on press of the PC key), paints after every key, drives runs,
// blinks the display on error, keeps the state, and wires the panels and files.
import { loadCalculator, MODE_CALCULATE, MODE_LEARN, MODE_RUN } from './calc.js';
import { accessibleDisplayText } from './display.js';
import { FaceView } from './face.js';
import { download, setUpFileInput } from './files.js';
import { KeyMap, belongsToControl } from './keyboard.js';
import { ListingPanel, Panels, RegistersPanel, TapePanel } from './panels.js';
import { Runner } from './runner.js';
import { DEFAULT_MODULE, SaveSchedule, Store } from './storage.js';

const BLINK_MS = 200; // the display's blink period while the engine is in error
const PANEL_RUN_INTERVAL_MS = 250; // panels refresh a few times a second during a run
const MODULES = [110, 128];

const $ = (selector) => document.querySelector(selector);

// The hooks the browser tests use; they exist before anything is loaded.
let resolveReady;
let rejectReady;
const api = {
  ready: new Promise((resolve, reject) => {
    resolveReady = resolve;
    rejectReady = reject;
  }),
};
window.korvelce = api;
api.ready.catch(() => {}); // a failed start is shown on the page; the tests see the rejection

// Messages: a quiet status line, and a box for what was refused.
let statusTimer = 0;
let alertTimer = 0;
function status(message, ms = 6000) {
  const element = $('#status');
  element.textContent = message;
  clearTimeout(statusTimer);
  if (ms > 0) statusTimer = setTimeout(() => (element.textContent = ''), ms);
}
function alertMessage(message) {
  const element = $('#alert');
  element.textContent = message;
  clearTimeout(alertTimer);
  alertTimer = setTimeout(() => (element.textContent = ''), 10000);
}
$('#alert').addEventListener('click', (event) => (event.currentTarget.textContent = ''));

async function start() {
  const [calc, data] = await Promise.all([
    loadCalculator(),
    fetch('face/face.json').then((response) => {
      if (!response.ok) throw new Error(`face/face.json: ${response.status}`);
      return response.json();
    }),
  ]);

  const canvas = $('#face');
  const output = $('#display');
  const store = new Store((message) => status(message, 8000));
  // The state and, when it changed, the printer tape (the tape is made below).
  let savedTapeChanges = 0;
  const saves = new SaveSchedule(() => {
    store.saveImage(calc.image());
    if (tape.changes !== savedTapeChanges && store.saveTape(tape.text())) savedTapeChanges = tape.changes;
  });
  const face = new FaceView(canvas, data, 'face/');
  const keyMap = new KeyMap(data.keyMap);
  const keys = new Map(data.keys.map((k) => [`${k.column},${k.row}`, k]));
  const keyAt = (column, row) => keys.get(`${column},${row}`);

  // The library module, then the saved registers and program.
  let module = store.loadModule();
  if (!calc.loadModule(module)) {
    module = DEFAULT_MODULE;
    calc.loadModule(module);
  }
  store.saveModule(module);
  const saved = store.loadImage();
  if (saved && !calc.restore(saved)) store.setAside();

  // What the face shows besides the engine's flags.
  const view = {
    text: '',
    apart: false,
    number: '0', // the text as a plain number, for screen readers
    displayVisible: true,
    second: false,
    pressed: null, // { column, row } held under a finger or a PC key
  };
  let blinkTimer = 0;
  let faceDirty = true;
  let frameAsked = false;
  let firstDrawn = false;
  let lastPanelRefresh = 0;

  const listing = new ListingPanel($('#panel-listing'), calc);
  const registers = new RegistersPanel($('#panel-registers'), store);
  const tape = new TapePanel($('#panel-tape'));
  const savedTape = store.loadTape();
  tape.append(savedTape);
  // A kept tape longer than the panel keeps is written again shortened.
  savedTapeChanges = tape.text() === savedTape ? tape.changes : -1;
  const panels = new Panels(calc, listing, registers);

  // Drawing, at most once per frame.
  function render(now = performance.now()) {
    if (faceDirty) {
      faceDirty = !face.draw({ ...view, inv: calc.inv(), angle: calc.angle() });
      if (!faceDirty && !firstDrawn) {
        firstDrawn = true;
        document.documentElement.dataset.ready = '1';
        performance.mark('korvelce-face-drawn');
        resolveReady();
      }
    }
    if (!runner.active || now - lastPanelRefresh >= PANEL_RUN_INTERVAL_MS) {
      lastPanelRefresh = now;
      panels.refresh();
    } else if (panels.dirty) {
      invalidate(false);
    }
  }
  function invalidate(face = true) {
    if (face) faceDirty = true;
    if (frameAsked) return;
    frameAsked = true;
    requestAnimationFrame((now) => {
      frameAsked = false;
      render(now);
    });
  }

  // The display: read from the engine, told to screen readers and to the tests.
  function showDisplay(showValue) {
    const { text, apart, number } = calc.display(showValue);
    if (text !== view.text || apart !== view.apart) {
      view.text = text;
      view.apart = apart;
      faceDirty = true;
    }
    view.number = number;
    describeDisplay();
  }
  function describeDisplay() {
    const mode = calc.mode();
    const error = calc.error();
    const spoken = accessibleDisplayText(view.text, view.number, mode, blinkTimer !== 0);
    if (output.textContent !== spoken) output.textContent = spoken;
    if (output.dataset.display !== view.text) output.dataset.display = view.text;
    output.dataset.mode = String(mode);
    output.dataset.error = error ? '1' : '0';
  }

  // The display blinks only in calculate mode with the error set; a key restarts the period.
  function updateBlink() {
    const wanted = calc.mode() === MODE_CALCULATE && calc.error();
    if (wanted) {
      clearInterval(blinkTimer);
      blinkTimer = setInterval(() => {
        view.displayVisible = !view.displayVisible;
        invalidate();
      }, BLINK_MS);
    } else if (blinkTimer) {
      clearInterval(blinkTimer);
      blinkTimer = 0;
      view.displayVisible = true;
    }
    describeDisplay();
  }

  function takeTape() {
    tape.append(calc.takeTape());
  }

  const runner = new Runner(calc, {
    gtoHeld: () => view.pressed !== null && keyAt(view.pressed.column, view.pressed.row).code === data.gtoKeyCode,
    afterSlice(showValue) {
      takeTape();
      showDisplay(showValue);
      panels.invalidate();
      saves.duringRun();
      if (!document.hidden) render();
    },
    ended() {
      showDisplay(false);
      updateBlink();
      saves.soon();
      panels.invalidate();
      invalidate();
    },
  });

  function afterKey() {
    takeTape();
    // A key dropped during a pause of a run leaves the value shown.
    showDisplay(runner.active && runner.pauseUntil > 0 && calc.mode() === MODE_RUN);
    updateBlink();
    panels.invalidate();
    invalidate();
    if (calc.mode() === MODE_RUN) runner.start();
  }

  // One key code to the engine. The 2nd state goes with it; during a run only R/S reaches the
  // engine (the binding drops the others).
  function deliverKey(code) {
    view.second = false;
    const before = calc.mode();
    calc.press(code);
    view.displayVisible = true;
    // A program just keyed in is saved at once; any other change once the keys rest.
    if (before === MODE_LEARN && calc.mode() !== MODE_LEARN) saves.now();
    else saves.soon();
    if (code === data.runStopKeyCode) runner.nudge();
    afterKey();
  }

  // A face key: the 2nd key toggles the page's 2nd state, any other key sends its code, its
  // gold code after 2nd or when the PC key asked for it.
  function faceKey(column, row, second = false) {
    const key = keyAt(column, row);
    if (!key) return;
    if (key.code === data.secondKeyCode && !second) {
      view.second = !view.second;
      invalidate();
      return;
    }
    deliverKey(second || view.second ? key.secondCode : key.code);
  }

  function setPressed(key) {
    const same =
      key === view.pressed ||
      (key && view.pressed && key.column === view.pressed.column && key.row === view.pressed.row);
    if (same) return;
    view.pressed = key;
    invalidate();
  }

  // Taps: the key shows pressed under the finger and acts when the finger lifts over it. A
  // second finger coming down lets the first key act first, so quick typing loses nothing.
  let pointerId = null;
  let pointerKey = null;
  function finishPointer(act) {
    const key = pointerKey;
    const over = view.pressed !== null;
    pointerId = null;
    pointerKey = null;
    setPressed(null);
    if (act && over && key) faceKey(key.column, key.row);
  }
  canvas.addEventListener('pointerdown', (event) => {
    if (event.pointerType === 'mouse' && event.button !== 0) return;
    event.preventDefault();
    // The keyboard comes to the face with the mouse; a finger needs no focus (and no ring).
    if (event.pointerType === 'mouse') canvas.focus({ preventScroll: true });
    if (pointerId !== null) finishPointer(true);
    const key = face.keyAtClient(event.clientX, event.clientY);
    if (!key) return;
    pointerId = event.pointerId;
    pointerKey = key;
    try {
      canvas.setPointerCapture(event.pointerId);
    } catch {
      // a pointer that is already gone: its up event still comes
    }
    setPressed(key);
  });
  canvas.addEventListener('pointermove', (event) => {
    if (event.pointerId !== pointerId) return;
    const key = face.keyAtClient(event.clientX, event.clientY);
    const over = key && key.column === pointerKey.column && key.row === pointerKey.row;
    setPressed(over ? pointerKey : null);
  });
  canvas.addEventListener('pointerup', (event) => {
    if (event.pointerId !== pointerId) return;
    const key = face.keyAtClient(event.clientX, event.clientY);
    const over = key && key.column === pointerKey.column && key.row === pointerKey.row;
    if (!over) setPressed(null);
    finishPointer(Boolean(over));
  });
  canvas.addEventListener('pointercancel', (event) => {
    if (event.pointerId === pointerId) finishPointer(false);
  });
  // No context menu, selection or magnifier on a long press of a key.
  canvas.addEventListener('contextmenu', (event) => event.preventDefault());
  canvas.addEventListener('selectstart', (event) => event.preventDefault());
  canvas.addEventListener('dblclick', (event) => event.preventDefault());

  // The PC keys over the face while Ctrl is held, or from one F1 to the next, as on the
  // desktop: the first PC key of each face key and of its 2nd function ("⇧" for Shift).
  const hints = new Map();
  for (const entry of data.keyMap) {
    const place = `${entry.column},${entry.row}`;
    const names = hints.get(place) ?? {};
    const slot = entry.second ? 'second' : 'main';
    names[slot] ??= entry.pc.replace('Shift+', '\u21e7');
    hints.set(place, names);
  }
  let hintsPinned = false;
  let ctrlHeld = false;
  function showHints() {
    const shown = hintsPinned || ctrlHeld;
    if (Boolean(face.hints) === shown) return;
    face.setHints(shown ? hints : null);
    invalidate();
  }

  // PC keys act when pressed; the face key shows pressed while the PC key is down (G held
  // shows every step of a run, as GTO held does). A key held down types once.
  let heldKey = null;
  document.addEventListener('keydown', (event) => {
    if (event.key === 'Control') {
      ctrlHeld = true;
      showHints();
    }
    if (event.key === 'F1' && !event.ctrlKey && !event.altKey && !event.metaKey) {
      event.preventDefault();
      if (!event.repeat) hintsPinned = !hintsPinned;
      showHints();
      return;
    }
    if (belongsToControl(event)) return;
    const faceKeyFound = keyMap.lookup(event);
    if (!faceKeyFound) return;
    event.preventDefault();
    if (event.repeat) return;
    heldKey = event.code || event.key;
    setPressed({ column: faceKeyFound.column, row: faceKeyFound.row });
    faceKey(faceKeyFound.column, faceKeyFound.row, faceKeyFound.second);
  });
  document.addEventListener('keyup', (event) => {
    if (event.key === 'Control') {
      ctrlHeld = false;
      showHints();
    }
    // Known by its physical key: Shift let go first turns "*" into "8".
    if (heldKey === null || (event.code || event.key) !== heldKey) return;
    heldKey = null;
    if (pointerId === null) setPressed(null);
  });
  window.addEventListener('blur', () => {
    ctrlHeld = false;
    showHints();
    if (heldKey !== null && pointerId === null) setPressed(null);
    heldKey = null;
  });

  // The canvas's backing store follows its size on screen in device pixels.
  async function resizeFace(width, height, cssWidth, cssHeight) {
    if (await face.resize(width, height, cssWidth, cssHeight)) {
      faceDirty = true;
      render();
    }
  }
  function measure() {
    const rect = canvas.getBoundingClientRect();
    const ratio = window.devicePixelRatio || 1;
    resizeFace(rect.width * ratio, rect.height * ratio, rect.width, rect.height);
  }
  let exactPixels = false;
  const observer = new ResizeObserver((entries) => {
    const entry = entries[entries.length - 1];
    const box = entry.devicePixelContentBoxSize?.[0];
    // The exact device-pixel size is used when it agrees with the ratio; an emulated ratio
    // (a desktop browser's device mode) leaves that size in unscaled pixels.
    const ratio = window.devicePixelRatio || 1;
    const agrees = box && Math.abs(box.inlineSize - entry.contentRect.width * ratio) <= 2;
    if (agrees) {
      exactPixels = true;
      resizeFace(box.inlineSize, box.blockSize, entry.contentRect.width, entry.contentRect.height);
    } else {
      exactPixels = false;
      measure();
    }
  });
  try {
    observer.observe(canvas, { box: 'device-pixel-content-box' });
  } catch {
    observer.observe(canvas);
  }
  // A change of the device pixel ratio alone (zoom, another screen) may not resize the box.
  function watchRatio() {
    const query = matchMedia(`(resolution: ${window.devicePixelRatio || 1}dppx)`);
    query.addEventListener(
      'change',
      () => {
        if (!exactPixels) measure();
        watchRatio();
      },
      { once: true },
    );
  }
  watchRatio();

  // The workbench drawer of small screens: one panel at a time.
  const drawer = $('#panels');
  const tabs = [...document.querySelectorAll('#tabs .tab')];
  function openPanel(id) {
    const open = id !== null;
    drawer.classList.toggle('open', open);
    for (const tab of tabs) tab.setAttribute('aria-expanded', String(tab.dataset.panel === id));
    for (const panel of drawer.querySelectorAll('.panel')) panel.classList.toggle('selected', panel.id === id);
    panels.invalidate();
    invalidate(false);
  }
  for (const tab of tabs) {
    tab.addEventListener('click', () => {
      const current = tab.getAttribute('aria-expanded') === 'true';
      openPanel(current ? null : tab.dataset.panel);
    });
  }
  $('#panels-close').addEventListener('click', () => {
    openPanel(null);
    canvas.focus({ preventScroll: true });
  });
  // Going from one layout to the other shows other panels.
  matchMedia('(min-width: 700px) and (min-aspect-ratio: 4/5)').addEventListener('change', () => {
    panels.invalidate();
    invalidate(false);
  });

  // Files and the library module.
  function replaceWith(name, bytes) {
    // The whole file is checked before the question, so that only a good file is offered.
    // The engine's message goes on from the file's name ("… is not program source text: …").
    const refusal = (problem) => alertMessage(`${name} ${problem}. Nothing was changed.`);
    const wrong = calc.checkFile(name, bytes);
    if (wrong) {
      refusal(wrong);
      return;
    }
    if (!window.confirm(`Replace the program memory and registers with ${name}?`)) return;
    const problem = calc.importFile(name, bytes);
    if (problem) {
      refusal(problem);
      return;
    }
    view.displayVisible = true;
    saves.now();
    afterKey();
    status(`Opened ${name}.`);
  }
  setUpFileInput($('#import'), { offer: replaceWith, refuse: alertMessage });
  $('#export-kv').addEventListener('click', () =>
    download('korvelce.kv', calc.image(), 'application/octet-stream'),
  );
  $('#export-kvs').addEventListener('click', () =>
    download('korvelce.kvs', calc.source(), 'text/plain;charset=utf-8'),
  );

  const moduleSelect = $('#module');
  for (const id of MODULES) {
    const option = document.createElement('option');
    option.value = String(id);
    option.textContent = calc.moduleName(id) || `Module ${id}`;
    moduleSelect.append(option);
  }
  moduleSelect.value = String(module);
  moduleSelect.addEventListener('change', () => {
    const id = Number(moduleSelect.value);
    if (!calc.loadModule(id)) {
      alertMessage(`Library module ${id} is not available.`);
      moduleSelect.value = String(module);
      return;
    }
    module = id;
    store.saveModule(id);
    status(`Library module: ${calc.moduleName(id)}.`);
    afterKey();
  });

  $('#reset').addEventListener('click', () => {
    const question =
      'Reset the calculator? Every register, flag and program step becomes zero; the library module stays.';
    if (!window.confirm(question)) return;
    calc.reset();
    view.second = false;
    view.displayVisible = true;
    saves.now();
    afterKey();
    status('The calculator was reset.');
  });

  // Copy and paste of numbers, as in the window: Ctrl+C copies the display as a number, Ctrl+V
  // types a number in; the buttons do the same, and copy all digits of the value. Text being
  // selected or edited keeps the browser's own copy and paste.
  const editing = (target) =>
    target instanceof Element &&
    target.closest('input, textarea, select, [contenteditable=""], [contenteditable="true"]') !== null;
  const selecting = () => {
    const selection = window.getSelection();
    return selection !== null && !selection.isCollapsed;
  };
  function copied(allDigits) {
    const number = calc.copyText(allDigits);
    status(`Copied ${number}`);
    return number;
  }
  function pasted(text) {
    view.second = false;
    const problem = calc.paste(text);
    if (problem) status(`Nothing pasted: ${problem}.`);
    afterKey();
    saves.soon();
  }
  document.addEventListener('copy', (event) => {
    if (editing(event.target) || selecting() || !event.clipboardData) return;
    event.preventDefault();
    event.clipboardData.setData('text/plain', copied(false));
  });
  document.addEventListener('paste', (event) => {
    if (editing(event.target) || !event.clipboardData) return;
    event.preventDefault();
    pasted(event.clipboardData.getData('text/plain'));
  });
  const copyButton = (allDigits) => async () => {
    const number = calc.copyText(allDigits);
    try {
      await navigator.clipboard.writeText(number);
      status(`Copied ${number}`);
    } catch {
      alertMessage('Nothing was copied: the browser refused the clipboard.');
    }
  };
  $('#copy').addEventListener('click', copyButton(false));
  $('#copy-all').addEventListener('click', copyButton(true));
  $('#paste').addEventListener('click', async () => {
    let text;
    try {
      text = await navigator.clipboard.readText();
    } catch {
      alertMessage('Nothing was pasted: the browser refused the clipboard (Ctrl+V works).');
      return;
    }
    pasted(text);
  });

  // The printer tape.
  $('#tape-copy').addEventListener('click', async () => {
    try {
      await navigator.clipboard.writeText(tape.text());
      status('The tape was copied.');
    } catch {
      alertMessage('The tape could not be copied: the browser refused the clipboard.');
    }
  });
  $('#tape-save').addEventListener('click', () =>
    download('korvelce-tape.txt', tape.text(), 'text/plain;charset=utf-8'),
  );
  $('#tape-clear').addEventListener('click', () => {
    tape.clear();
    saves.soon();
  });

  // Nothing lost when the page goes away or out of sight.
  document.addEventListener('visibilitychange', () => {
    if (document.hidden) saves.now();
    else invalidate();
  });
  window.addEventListener('pagehide', () => saves.now());

  // The tests' hooks.
  Object.assign(api, {
    keyCentre: (column, row) => face.keyCentre(column, row),
    press(code) {
      if (code === data.secondKeyCode) {
        view.second = !view.second;
        invalidate();
      } else {
        deliverKey(code);
      }
    },
    state: () => calc.state(),
    display: () => view.text,
    running: () => calc.mode() === MODE_RUN,
  });

  showDisplay(false);
  updateBlink();
  measure();
}

start().catch((error) => {
  console.error(error);
  document.documentElement.dataset.ready = 'error';
  alertMessage(`The calculator could not start: ${error.message || error}`);
  rejectReady(error);
});

// Offline after the first visit: the service worker keeps every file of the site. Browsers
// allow one only on https and on localhost.
if ('serviceWorker' in navigator && window.isSecureContext && /^https?:$/.test(location.protocol)) {
  window.addEventListener('load', () => {
    const hadController = Boolean(navigator.serviceWorker.controller);
    navigator.serviceWorker.register('sw.js').catch(() => {
      // without it the page works as before, online only
    });
    navigator.serviceWorker.addEventListener('controllerchange', () => {
      if (hadController) status('A new version is ready: reload the page to use it.', 10000);
    });
  });
}
