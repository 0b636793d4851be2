// What a screen reader hears of the display, as the desktop window tells it: "running" during a
// run, "step 001, code 45" in learn mode, otherwise the number written plainly ("-0.5",
// "1.5e-12"), with ", error" while the display blinks.
import { MODE_LEARN } from './calc.js';

function withoutLeadingZeros(digits) {
  return digits.replace(/^0+/, '');
}

// The display text as a number other programs read: blanks and the trailing point gone, a 0
// before a leading point, the exponent (when shown apart) written with "e".
export function plainNumber(displayText, hasExponent) {
  let text = displayText;
  let exponent = '';
  if (hasExponent && text.length >= 3) {
    const field = text.slice(-3);
    text = text.slice(0, -3);
    const digits = withoutLeadingZeros(field.slice(1).trim());
    if (digits) exponent = `e${field[0] === '-' ? '-' : ''}${digits}`;
  }
  text = text.trim().replaceAll(' ', '');
  if (text.endsWith('.')) text = text.slice(0, -1);
  if (text === '' || text === '-' || text === '-0') text = '0';
  if (text.startsWith('.')) text = `0${text}`;
  if (text.startsWith('-.')) text = `-0${text.slice(1)}`;
  return text + exponent;
}

export function accessibleDisplayText(displayText, apart, mode, blinking) {
  const shown = displayText.trim();
  if (shown.startsWith('[')) return 'running';
  if (mode === MODE_LEARN) {
    const step = /^(\d{3}) (\d{2})$/.exec(shown);
    if (step) return `step ${step[1]}, code ${step[2]}`;
  }
  const number = plainNumber(displayText, apart);
  return blinking ? `${number}, error` : number;
}
