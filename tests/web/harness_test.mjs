// The page tests' watcher and download capture in the real browser, on small pages made here:
// a page that reaches another origin, logs an error or throws must be caught, a clean page
// must not be, and a download must arrive byte for byte.
import assert from 'node:assert/strict';
import { mkdtemp, readFile, rm, writeFile } from 'node:fs/promises';
import os from 'node:os';
import path from 'node:path';
import { after, before, test } from 'node:test';
import { captureDownloads, guardPage, launchBrowser } from './support/browser.mjs';
import { startSiteServer } from './support/site_server.mjs';

const pages = {
  'clean.html': '<!doctype html><title>clean</title><p>nothing wrong</p>',
  'foreign.html': '<!doctype html><img src="http://192.0.2.1/x.png"><script>fetch("https://example.invalid/data").catch(() => {});</script>',
  'console.html': '<!doctype html><script>console.error("broken: " + 6 * 7);</script>',
  'throws.html': '<!doctype html><script>null.property;</script>',
  'missing.html': '<!doctype html><script src="not-there.js"></script>',
  'download.html': `<!doctype html><button id="save">save</button><script>
    document.getElementById('save').onclick = () => {
      const bytes = new Uint8Array(256).map((_, i) => 255 - i);
      const a = document.createElement('a');
      a.href = URL.createObjectURL(new Blob([bytes]));
      a.download = 'bytes.bin';
      a.click();
    };</script>`,
};

// Each page names its icon, so that the browser asks for no /favicon.ico.
const head = '<!doctype html><link rel="icon" href="data:,">';

let site;
let server;
let chromium;

before(async () => {
  site = await mkdtemp(path.join(os.tmpdir(), 'korvelce-harness-'));
  for (const [name, html] of Object.entries(pages))
    await writeFile(path.join(site, name), html.replace('<!doctype html>', head));
  server = await startSiteServer(site);
  chromium = await launchBrowser();
});

after(async () => {
  await chromium?.close();
  await server?.close();
  await rm(site, { recursive: true, force: true });
});

async function problemsOf(name) {
  const page = await chromium.browser.newPage();
  const guard = await guardPage(page, server.origin);
  await page.goto(`${server.origin}/${name}`, { waitUntil: 'networkidle0' });
  const problems = guard.problems();
  await page.close();
  return problems;
}

test('the watcher reports what a page must not do, and nothing on a clean page', async () => {
  const cases = [
    ['clean.html', []],
    // A refused request is also a console error.
    ['foreign.html', [/request to another origin: http:\/\/192\.0\.2\.1\/x\.png/,
      /request to another origin: https:\/\/example\.invalid\/data/,
      /console error: .*BLOCKED_BY_CLIENT.*192\.0\.2\.1/,
      /console error: .*BLOCKED_BY_CLIENT.*example\.invalid/]],
    ['console.html', [/console error: broken: 42/]],
    ['throws.html', [/uncaught: .*null/]],
    ['missing.html', [/console error: .*404/]],
  ];
  for (const [name, expected] of cases) {
    const problems = await problemsOf(name);
    assert.equal(problems.length, expected.length, `${name}: ${problems.join('; ')}`);
    for (const pattern of expected)
      assert.ok(problems.some((p) => pattern.test(p)), `${name}: ${pattern} in ${problems}`);
  }
  assert.ok(!server.requests.some((r) => r.path.includes('x.png')), 'foreign requests stay off');
});

test('a download arrives whole in the folder, with its name', async () => {
  const folder = path.join(chromium.scratch, 'downloads');
  const downloads = await captureDownloads(chromium.browser, folder);
  const page = await chromium.browser.newPage();
  await page.goto(`${server.origin}/download.html`);
  const next = downloads.next();
  await page.click('#save');
  const result = await next;
  assert.equal(result.state, 'completed');
  assert.equal(result.name, 'bytes.bin');
  const bytes = await readFile(result.file);
  assert.deepEqual([...bytes], Array.from({ length: 256 }, (_, i) => 255 - i));
  await page.close();
});
