// Program runs, in slices: each animation frame runs steps in batches until a few
// milliseconds are used, so the page keeps drawing and a tap on R/S is handled between two
// slices, at once. After a step that ran PAU the value is shown for the long pause; while the
// GTO key is held each step is shown for the short pause, as on the desktop.
//
// A hidden page gets no animation frames. The run then goes on with timer slices instead, at
// whatever pace the browser grants a hidden page, because a program left running is expected
// to finish (the desktop window goes on running when minimised); nothing is drawn meanwhile.
import { MODE_RUN } from './calc.js';

const BATCH = 256; // steps per call into the engine between two looks at the clock
const SLICE_MS = 8; // engine time per animation frame
const HIDDEN_SLICE_MS = 20; // engine time per timer slice while the page is hidden
export const LONG_PAUSE_MS = 500; // the value shown after PAU
export const SHORT_PAUSE_MS = 50; // each step shown while GTO is held

export class Runner {
  // calc: the Calculator. hooks: { gtoHeld() → bool, afterSlice(showValue), ended() };
  // afterSlice shows the value instead of the running display when showValue.
  constructor(calc, hooks) {
    this.calc = calc;
    this.hooks = hooks;
    this.active = false;
    this.pauseUntil = 0;
    this.pending = 0; // the timer or frame waiting to run the next slice
    this.pendingIsFrame = false;
    document.addEventListener('visibilitychange', () => {
      // A frame asked for while visible never comes once hidden, and the other way round a
      // long timer would wait needlessly: the next slice is asked for again.
      if (this.active && !this.pauseUntil) this.schedule(0);
    });
  }

  // Called after every key: starts the slices when the key left the engine running.
  start() {
    if (this.active || this.calc.mode() !== MODE_RUN) return;
    this.active = true;
    this.pauseUntil = 0;
    this.schedule(0);
  }

  // A key was handled during a run (R/S above all): the pause shown ends, the next slice
  // comes at once and sees whether the run stopped.
  nudge() {
    if (!this.active) return;
    this.pauseUntil = 0;
    this.schedule(0);
  }

  cancelPending() {
    if (!this.pending) return;
    if (this.pendingIsFrame) cancelAnimationFrame(this.pending);
    else clearTimeout(this.pending);
    this.pending = 0;
  }

  schedule(delay) {
    this.cancelPending();
    const go = () => {
      this.pending = 0;
      this.slice();
    };
    if (delay > 0 || document.hidden) {
      this.pendingIsFrame = false;
      this.pending = setTimeout(go, delay);
    } else {
      this.pendingIsFrame = true;
      this.pending = requestAnimationFrame(go);
    }
  }

  slice() {
    if (!this.active) return;
    const calc = this.calc;
    this.pauseUntil = 0;
    const start = performance.now();
    const budget = document.hidden ? HIDDEN_SLICE_MS : SLICE_MS;
    let wait = 0;
    while (calc.mode() === MODE_RUN) {
      const gto = this.hooks.gtoHeld();
      calc.run(gto ? 1 : BATCH);
      if (calc.mode() !== MODE_RUN) break;
      if (calc.paused() || gto) {
        wait = calc.paused() ? LONG_PAUSE_MS : SHORT_PAUSE_MS;
        break;
      }
      if (performance.now() - start >= budget) break;
    }
    this.hooks.afterSlice(wait > 0 && calc.mode() === MODE_RUN);
    if (calc.mode() !== MODE_RUN) {
      this.active = false;
      this.hooks.ended();
      return;
    }
    if (wait) this.pauseUntil = performance.now() + wait;
    this.schedule(wait);
  }
}
