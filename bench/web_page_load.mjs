// The web page's weight and its time to the first drawn face: the total uncompressed size of
// the built site, then fresh loads in headless Chromium from a local server, each in a new
// browser context with the cache off, timed from navigation start to the page's
// 'korvelce-face-drawn' mark. Prints the loads, the median and the targets; asserts nothing.
//
//   KORVELCE_NPM_DIR=build/web/npm node bench/web_page_load.mjs [SITE_DIR [LOADS]]
import { readdir, stat } from 'node:fs/promises';
import path from 'node:path';
import { launchBrowser } from '../tests/web/support/browser.mjs';
import { startSiteServer } from '../tests/web/support/site_server.mjs';

const siteDir = path.resolve(process.argv[2] ?? process.env.KORVELCE_SITE_DIR ?? 'build/web/site');
const loads = Number.parseInt(process.argv[3] ?? '10', 10);

async function files(folder) {
  const entries = await readdir(folder, { withFileTypes: true });
  const nested = await Promise.all(entries.map(async (entry) => {
    const full = path.join(folder, entry.name);
    return entry.isDirectory() ? files(full) : [full];
  }));
  return nested.flat();
}

function median(values) {
  const sorted = [...values].sort((a, b) => a - b);
  const middle = Math.floor(sorted.length / 2);
  return sorted.length % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
}

const all = await files(siteDir);
const sizes = await Promise.all(all.map(async (file) => ({ file, size: (await stat(file)).size })));
const total = sizes.reduce((sum, { size }) => sum + size, 0);
console.log(`site: ${all.length} files, ${total} bytes (${(total / 1048576).toFixed(2)} MiB; target < 1.5 MB)`);
for (const { file, size } of sizes.sort((a, b) => b.size - a.size).slice(0, 5))
  console.log(`  ${String(size).padStart(9)}  ${path.relative(siteDir, file)}`);

const server = await startSiteServer(siteDir);
const chromium = await launchBrowser();
const times = [];
try {
  for (let i = 0; i < loads; ++i) {
    const context = await chromium.browser.createBrowserContext();
    const page = await context.newPage();
    await page.setCacheEnabled(false);
    const first = server.requests.length;
    await page.goto(`${server.origin}/`, { waitUntil: 'load' });
    await page.waitForFunction(() => document.documentElement.dataset.ready === '1', { timeout: 30000 });
    const drawn = await page.evaluate(
      () => performance.getEntriesByName('korvelce-face-drawn')[0]?.startTime ?? NaN,
    );
    const requested = server.requests.length - first;
    await context.close();
    times.push(drawn);
    console.log(`load ${i + 1}: face drawn at ${drawn.toFixed(1)} ms (${requested} requests)`);
  }
} finally {
  await chromium.close();
  await server.close();
}
console.log(`median time to the drawn face: ${median(times).toFixed(1)} ms (target < 500 ms)`);
