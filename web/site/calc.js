// The calculator engine, compiled to WebAssembly, behind plain JavaScript methods. The module
// hands strings back as pointers to UTF-8 and takes bytes through a buffer it owns; this file
// is the only one that knows that.
import createKorvelce from './korvelce.js';

export const MODE_CALCULATE = 0;
export const MODE_LEARN = 1;
export const MODE_RUN = 2;

export async function loadCalculator() {
  const module = await createKorvelce();
  return new Calculator(module);
}

export class Calculator {
  constructor(module) {
    this.m = module;
  }

  text(pointer) {
    return this.m.UTF8ToString(pointer);
  }

  // Calls fn with a C string holding s, freed afterwards.
  withString(s, fn) {
    const size = this.m.lengthBytesUTF8(s) + 1;
    const pointer = this.m._malloc(size);
    try {
      this.m.stringToUTF8(s, pointer, size);
      return fn(pointer);
    } finally {
      this.m._free(pointer);
    }
  }

  // Copies bytes into the module's buffer. HEAPU8 is read after the call: memory may have grown.
  fillBuffer(bytes) {
    const pointer = this.m._kv_buffer(bytes.length);
    this.m.HEAPU8.set(bytes, pointer);
  }

  reset() {
    this.m._kv_reset();
  }
  loadModule(id) {
    return this.m._kv_load_module(id) === 1;
  }
  moduleName(id) {
    return this.text(this.m._kv_module_name(id));
  }
  press(code) {
    this.m._kv_press(code);
  }
  // The display as a plain number for the clipboard; with allDigits every digit of the value.
  copyText(allDigits) {
    return this.text(this.m._kv_copy(allDigits ? 1 : 0));
  }
  // Types a number from the clipboard; "" when done, else why nothing was typed.
  paste(text) {
    return this.withString(text, (pointer) => this.text(this.m._kv_paste(pointer)));
  }
  run(count) {
    return this.m._kv_run(count);
  }
  mode() {
    return this.m._kv_mode();
  }
  error() {
    return this.m._kv_error() === 1;
  }
  inv() {
    return this.m._kv_inv() === 1;
  }
  angle() {
    return this.m._kv_angle();
  }
  paused() {
    return this.m._kv_paused() === 1;
  }

  // The display text (the value instead of the running display when showValue), whether its
  // last characters are shown apart (an exponent, or a step code in learn mode), and the text
  // as a plain number ("-0.5", "1.5e-12").
  display(showValue) {
    const text = this.text(this.m._kv_display(showValue ? 1 : 0));
    const apart = this.m._kv_display_apart() === 1;
    return { text, apart, number: this.text(this.m._kv_display_number()) };
  }

  stateJson() {
    return this.text(this.m._kv_state_json());
  }
  state() {
    return JSON.parse(this.stateJson());
  }
  listingJson() {
    return this.text(this.m._kv_listing_json());
  }

  // The memory image (registers and the user's program), copied out of the module.
  image() {
    const pointer = this.m._kv_image();
    const size = this.m._kv_buffer_size();
    return this.m.HEAPU8.slice(pointer, pointer + size);
  }

  // What is wrong with a file's bytes as a program file called name; "" when it can be opened.
  checkFile(name, bytes) {
    this.fillBuffer(bytes);
    return this.withString(name, (pointer) => this.text(this.m._kv_check(pointer)));
  }

  // Replaces registers and program with a file's bytes; "" when done, else what is wrong.
  importFile(name, bytes) {
    this.fillBuffer(bytes);
    return this.withString(name, (pointer) => this.text(this.m._kv_import(pointer)));
  }

  // Restores a saved memory image; false, with nothing changed, when its size is wrong.
  restore(bytes) {
    this.fillBuffer(bytes);
    return this.m._kv_restore() === 1;
  }

  source() {
    return this.text(this.m._kv_source());
  }
  takeTape() {
    return this.text(this.m._kv_take_tape());
  }
}
