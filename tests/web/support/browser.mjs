// Starts the system's Chromium through puppeteer-core (installed by the build into its own
// folder, never beside the sources), headless, in a fresh profile and a temporary home that
// are removed afterwards, and watches a page for what a test must never see: a request to
// another origin, an error on the console, an uncaught exception.
import { mkdtemp, rm } from 'node:fs/promises';
import { createRequire } from 'node:module';
import os from 'node:os';
import path from 'node:path';

export const chromiumFlags = [
  '--headless=new',
  '--no-sandbox',
  '--disable-gpu',
  '--disable-quic',
  '--no-first-run',
  '--disable-background-networking',
  '--disable-component-update',
  '--disable-sync',
];

export function loadPuppeteer() {
  const folder = process.env.KORVELCE_NPM_DIR;
  if (!folder) throw new Error('KORVELCE_NPM_DIR is not set: the folder where puppeteer-core is installed');
  return createRequire(path.resolve(folder, 'package.json'))('puppeteer-core');
}

// A browser in a profile of its own, with extraArgs after the usual flags. close() ends it and
// removes the profile and the home.
export async function launchBrowser(extraArgs = []) {
  const puppeteer = loadPuppeteer();
  const scratch = await mkdtemp(path.join(os.tmpdir(), 'korvelce-browser-'));
  const home = path.join(scratch, 'home');
  const env = {
    ...process.env,
    HOME: home,
    XDG_CONFIG_HOME: path.join(home, '.config'),
    XDG_DATA_HOME: path.join(home, '.local', 'share'),
    XDG_STATE_HOME: path.join(home, '.local', 'state'),
    XDG_CACHE_HOME: path.join(home, '.cache'),
  };
  let browser;
  try {
    browser = await puppeteer.launch({
      executablePath: process.env.KORVELCE_CHROMIUM || '/usr/bin/chromium',
      headless: true,
      args: [...chromiumFlags, ...extraArgs, `--user-data-dir=${path.join(scratch, 'profile')}`],
      env,
      defaultViewport: { width: 1000, height: 900 },
      protocolTimeout: 60000,
    });
  } catch (error) {
    await rm(scratch, { recursive: true, force: true });
    throw error;
  }
  return {
    browser,
    scratch,
    async close() {
      await browser.close().catch(() => {});
      await rm(scratch, { recursive: true, force: true });
    },
  };
}

// Watches a page: requests leaving origin are refused and recorded, console errors and
// uncaught exceptions recorded; problems() lists them all. Dialogs are answered by onDialog
// (accepted by default) and recorded as {type, message}.
export async function guardPage(page, origin, { onDialog, watchOnly = false } = {}) {
  const foreign = [];
  const errors = [];
  const dialogs = [];
  // Intercepting requests makes the browser bypass service workers: a page whose worker is
  // under test is only watched, and a request elsewhere still fails the test.
  if (!watchOnly) await page.setRequestInterception(true);
  page.on('request', (request) => {
    if (!watchOnly && request.isInterceptResolutionHandled()) return;
    const url = request.url();
    const scheme = url.slice(0, url.indexOf(':') + 1);
    const pass = () => (watchOnly ? undefined : request.continue());
    if (scheme === 'data:' || scheme === 'blob:') return void pass();
    let requestOrigin = '';
    try {
      requestOrigin = new URL(url).origin;
    } catch {
      // not a URL with an origin: refused below
    }
    if (requestOrigin === origin) return void pass();
    foreign.push(url);
    if (!watchOnly) request.abort('blockedbyclient');
  });
  page.on('console', (message) => {
    if (message.type() === 'error') {
      const where = message.location()?.url ?? '';
      errors.push(`console error: ${message.text()}${where ? ` (${where})` : ''}`);
    }
  });
  page.on('pageerror', (error) => errors.push(`uncaught: ${error.message}`));
  page.on('dialog', async (dialog) => {
    dialogs.push({ type: dialog.type(), message: dialog.message() });
    const accept = onDialog ? onDialog(dialog) : true;
    if (accept) await dialog.accept();
    else await dialog.dismiss();
  });
  return {
    dialogs,
    problems() {
      return [...foreign.map((url) => `request to another origin: ${url}`), ...errors];
    },
  };
}

// Lets the browser write downloads into folder; next() resolves with the path and suggested
// name of the next completed download.
export async function captureDownloads(browser, folder) {
  const session = await browser.target().createCDPSession();
  await session.send('Browser.setDownloadBehavior', {
    behavior: 'allowAndName',
    downloadPath: folder,
    eventsEnabled: true,
  });
  const names = new Map();
  const waiting = [];
  const done = [];
  session.on('Browser.downloadWillBegin', (event) => names.set(event.guid, event.suggestedFilename));
  session.on('Browser.downloadProgress', (event) => {
    if (event.state !== 'completed' && event.state !== 'canceled') return;
    const result = {
      state: event.state,
      file: path.join(folder, event.guid),
      name: names.get(event.guid) ?? '',
    };
    const waiter = waiting.shift();
    if (waiter) waiter(result);
    else done.push(result);
  });
  return {
    next(timeoutMs = 10000) {
      if (done.length) return Promise.resolve(done.shift());
      return new Promise((resolve, reject) => {
        const timer = setTimeout(() => reject(new Error('no download completed')), timeoutMs);
        waiting.push((result) => {
          clearTimeout(timer);
          resolve(result);
        });
      });
    },
  };
}
