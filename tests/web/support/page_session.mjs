// One test's view of the page: the site served locally, a browser, pages opened on the site and
// watched, the face's keys, the keyboard as the README's table gives it, downloads and
// screenshots. Every problem the page watcher saw fails the test at the end.
import assert from 'node:assert/strict';
import { mkdir, mkdtemp, readFile, rm } from 'node:fs/promises';
import os from 'node:os';
import path from 'node:path';
import { captureDownloads, guardPage, launchBrowser } from './browser.mjs';
import { startSiteServer } from './site_server.mjs';

export function required(name) {
  const value = process.env[name];
  if (!value) throw new Error(`${name} is not set`);
  return value;
}

// PC keys of the calculator keys the tests type, as the README's table gives them.
export const pcKeys = {
  A: ['KeyA'],
  B: ['KeyB'],
  LRN: ['KeyK'],
  LBL: ['Shift', 'KeyU'],
  SUM: ['KeyM'],
  STO: ['KeyS'],
  RCL: ['KeyR'],
  GTO: ['KeyG'],
  PAU: ['Shift', 'KeyG'],
  'R/S': ['Space'],
  PRT: ['Shift', 'KeyN'],
  '+/-': ['KeyN'],
  CLR: ['Escape'],
  '=': ['Enter'],
  '.': ['Period'],
  '+': ['NumpadAdd'],
  '*': ['NumpadMultiply'],
  ...Object.fromEntries([...'0123456789'].map((d) => [d, [`Digit${d}`]])),
};

export class PageSession {
  constructor() {
    this.siteDir = required('KORVELCE_SITE_DIR');
    this.screenshotDir = required('KORVELCE_SCREENSHOT_DIR');
    this.pages = [];
  }

  async start(browserArgs = []) {
    this.scratch = await mkdtemp(path.join(os.tmpdir(), 'korvelce-page-test-'));
    this.downloadDir = path.join(this.scratch, 'downloads');
    await mkdir(this.downloadDir);
    this.face = JSON.parse(await readFile(path.join(this.siteDir, 'face', 'face.json'), 'utf8'));
    this.server = await startSiteServer(this.siteDir);
    this.chromium = await launchBrowser(browserArgs);
    this.browser = this.chromium.browser;
    this.downloads = await captureDownloads(this.browser, this.downloadDir);
  }

  // Closes the site's server: from then on only the browser's own caches can serve the site.
  async stopServer() {
    const server = this.server;
    this.server = null;
    await server?.close();
  }

  async finish() {
    const problems = this.pages.flatMap((entry) => entry.guard.problems());
    await this.chromium?.close();
    await this.server?.close();
    if (this.scratch) await rm(this.scratch, { recursive: true, force: true });
    assert.deepEqual(problems, [], 'the page fetched from another origin or reported errors');
  }

  // A new tab on the site (viewport: puppeteer's Viewport), ready once the face is drawn.
  async open(viewport, options = {}) {
    const page = await this.browser.newPage();
    if (viewport) await page.setViewport(viewport);
    const guard = await guardPage(page, this.server.origin, options);
    this.pages.push({ page, guard });
    page.dialogs = guard.dialogs;
    await page.goto(`${this.server.origin}/`, { waitUntil: 'load' });
    await waitReady(page);
    return page;
  }

  faceKey(code) {
    const key = this.face.keys.find((k) => k.code === code);
    assert.ok(key, `no key with code ${code} on the face`);
    return key;
  }

  async keyPoint(page, code) {
    const { column, row } = this.faceKey(code);
    const point = await page.evaluate((c, r) => window.korvelce.keyCentre(c, r), column, row);
    assert.ok(Number.isFinite(point?.x) && Number.isFinite(point?.y), `no centre for key ${code}`);
    return point;
  }

  async click(page, codes) {
    for (const code of codes) {
      const { x, y } = await this.keyPoint(page, code);
      await page.mouse.click(x, y);
    }
  }

  async tap(page, codes) {
    for (const code of codes) {
      const { x, y } = await this.keyPoint(page, code);
      await page.touchscreen.tap(x, y);
    }
  }

  async screenshot(page, name) {
    await mkdir(this.screenshotDir, { recursive: true });
    await page.screenshot({ path: path.join(this.screenshotDir, `web-${name}.png`) });
  }

  // Clicks a button that downloads a file; returns {name, bytes}.
  async download(page, selector) {
    const next = this.downloads.next();
    await clickControl(page, selector);
    const result = await next;
    assert.equal(result.state, 'completed', `the download of ${selector} did not complete`);
    return { name: result.name, bytes: await readFile(result.file) };
  }
}

// What a click at the element's centre would reach: '' when the element itself (or a child),
// otherwise the id or tag of what covers it, or 'hidden'.
function coveredBy(element) {
  if (element.getClientRects().length === 0) return 'hidden';
  const box = element.getBoundingClientRect();
  const x = box.left + box.width / 2;
  const y = box.top + box.height / 2;
  if (x < 0 || y < 0 || x >= innerWidth || y >= innerHeight) return 'off screen';
  const top = document.elementFromPoint(x, y);
  if (top && (top === element || element.contains(top))) return '';
  return top ? top.id || top.tagName.toLowerCase() : 'nothing';
}

// Clicks a control as a user would: with the mouse where it is seen, first opening the tab that
// shows its panel when it is hidden or covered.
export async function clickControl(page, selector) {
  const element = await page.$(selector);
  assert.ok(element, `no ${selector} on the page`);
  await element.scrollIntoView();
  if ((await element.evaluate(coveredBy)) !== '') {
    const tab = await page.evaluateHandle((e) => {
      for (let node = e.parentElement; node; node = node.parentElement) {
        const tab = node.id && document.querySelector(`[aria-controls="${node.id}"]`);
        if (tab && tab.getClientRects().length > 0) return tab;
      }
      return null;
    }, element);
    const tabElement = tab.asElement();
    if (tabElement) {
      await tabElement.click();
      await page.waitForFunction((e) => {
        const box = e.getBoundingClientRect();
        const top = document.elementFromPoint(box.left + box.width / 2, box.top + box.height / 2);
        return top === e || e.contains(top);
      }, { timeout: 5000 }, element).catch(() => {});
    }
  }
  const covered = await element.evaluate(coveredBy);
  assert.equal(covered, '', `${selector} cannot be clicked: ${covered === 'hidden' || covered === 'off screen' ? covered : `covered by ${covered}`}`);
  await element.click();
}

export async function waitReady(page) {
  await page.waitForFunction(
    () => window.korvelce && document.documentElement.dataset.ready === '1',
    { timeout: 30000 },
  );
  await page.evaluate(() => window.korvelce.ready);
}

// Types calculator keys by name, each token one key (see pcKeys).
export async function type(page, tokens) {
  for (const token of tokens) {
    const keys = pcKeys[token];
    assert.ok(keys, `no PC key for ${token}`);
    const modifiers = keys.slice(0, -1);
    for (const modifier of modifiers) await page.keyboard.down(modifier);
    await page.keyboard.press(keys.at(-1));
    for (const modifier of modifiers.reverse()) await page.keyboard.up(modifier);
  }
}

export async function shown(page) {
  return (await page.$eval('#display', (e) => e.dataset.display ?? '')).trim();
}

export async function waitShown(page, expected, timeout = 5000) {
  try {
    await page.waitForFunction(
      (text) => (document.querySelector('#display')?.dataset.display ?? '').trim() === text,
      { timeout },
      expected,
    );
  } catch {
    assert.fail(`the display shows "${await shown(page)}", expected "${expected}"`);
  }
}

export async function state(page) {
  return page.evaluate(() => window.korvelce.state());
}

// Whether a program runs, asked in the next animation frame.
export async function runningNextFrame(page) {
  return page.evaluate(
    () => new Promise((resolve) => requestAnimationFrame(() => resolve(window.korvelce.running()))),
  );
}
