// What a screen reader hears of the display, as the desktop window tells it: "running" during a
// run, "step 001, code 45" in learn mode, otherwise the number written plainly ("-0.5",
// "1.5e-12", as the engine gives it for the display text), with ", error" while the display
// blinks.
import { MODE_LEARN } from './calc.js';

export function accessibleDisplayText(displayText, number, mode, blinking) {
  const shown = displayText.trim();
  if (shown.startsWith('[')) return 'running';
  if (mode === MODE_LEARN) {
    const step = /^(\d{3}) (\d{2})$/.exec(shown);
    if (step) return `step ${step[1]}, code ${step[2]}`;
  }
  return blinking ? `${number}, error` : number;
}
