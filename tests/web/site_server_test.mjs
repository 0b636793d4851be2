// The browser tests' file server: it must never serve a file outside the site, and must give
// the types without which a browser refuses a module or a WebAssembly stream.
import assert from 'node:assert/strict';
import { get } from 'node:http';
import { mkdir, mkdtemp, rm, writeFile } from 'node:fs/promises';
import os from 'node:os';
import path from 'node:path';
import { test } from 'node:test';
import { fileFor, mimeType, startSiteServer } from './support/site_server.mjs';

test('request paths resolve inside the site or not at all', () => {
  const root = '/srv/site';
  const cases = [
    ['/', '/srv/site'],
    ['/index.html', '/srv/site/index.html'],
    ['/face/face.json?v=2', '/srv/site/face/face.json'],
    ['/a%20b.png', '/srv/site/a b.png'],
    ['/../secret', '/srv/site/secret'],
    ['/face/../../etc/passwd', '/srv/site/etc/passwd'],
    ['/%2e%2e/%2e%2e/etc/passwd', '/srv/site/etc/passwd'],
    ['/..%2fsite-other/x', '/srv/site/site-other/x'],
    ['/bad%zz', null],
    ['/nul%00.html', null],
  ];
  for (const [request, expected] of cases) assert.equal(fileFor(root, request), expected, request);
});

test('types a browser checks', () => {
  const cases = [
    ['korvelce.wasm', 'application/wasm'],
    ['korvelce.js', 'text/javascript; charset=utf-8'],
    ['index.html', 'text/html; charset=utf-8'],
    ['face/face.json', 'application/json; charset=utf-8'],
    ['face/skin-3.PNG', 'image/png'],
    ['site.webmanifest', 'application/manifest+json; charset=utf-8'],
    ['no-extension', 'application/octet-stream'],
  ];
  for (const [file, expected] of cases) assert.equal(mimeType(file), expected, file);
});

// A GET with the path sent exactly as given (fetch would tidy away "..").
function rawGet(origin, requestPath) {
  return new Promise((resolve, reject) => {
    get(origin + '/', { path: requestPath }, (response) => {
      const chunks = [];
      response.on('data', (chunk) => chunks.push(chunk));
      response.on('end', () => resolve({
        status: response.statusCode,
        type: response.headers['content-type'],
        body: Buffer.concat(chunks).toString('latin1'),
      }));
    }).on('error', reject);
  });
}

test('serves files with their type, index.html for a folder, 404 otherwise', async () => {
  const root = await mkdtemp(path.join(os.tmpdir(), 'korvelce-server-test-'));
  const outside = `${root}-outside.txt`;
  await mkdir(path.join(root, 'face'));
  await writeFile(path.join(root, 'index.html'), '<!doctype html>page');
  await writeFile(path.join(root, 'face', 'm.wasm'), Buffer.from([0, 0x61, 0x73, 0x6d]));
  await writeFile(outside, 'secret');
  const server = await startSiteServer(root);
  try {
    assert.match(server.origin, /^http:\/\/127\.0\.0\.1:\d+$/);
    const cases = [
      ['/', 200, 'text/html; charset=utf-8', '<!doctype html>page'],
      ['/face/m.wasm', 200, 'application/wasm', '\0asm'],
      ['/missing.js', 404, 'text/plain; charset=utf-8', 'not found\n'],
      [`/../${path.basename(outside)}`, 404, 'text/plain; charset=utf-8', 'not found\n'],
      [`/%2e%2e/${path.basename(outside)}`, 404, 'text/plain; charset=utf-8', 'not found\n'],
    ];
    for (const [request, status, type, body] of cases) {
      const response = await rawGet(server.origin, request);
      assert.deepEqual(response, { status, type, body }, request);
    }
    assert.equal(server.requests.length, cases.length, 'every request is logged');
  } finally {
    await server.close();
    await rm(root, { recursive: true, force: true });
    await rm(outside, { force: true });
  }
});
