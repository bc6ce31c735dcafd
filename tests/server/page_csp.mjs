// The game's page served by murlo-board, under the Content-Security-Policy
// the server sends with it, in headless Chromium: it starts, plays with
// sound, keeps its game (localStorage), registers its service worker,
// watches a run from the board, and the board's page shows with its
// style; and the browser reports no violation of the policy.
//
// usage: node page_csp.mjs   (WEB_DIR: the built page folder,
//        MURLO_NODE_MODULES: the folder holding playwright-core,
//        MURLO_BOARD: the server)
import { spawn } from 'node:child_process';
import { createRequire } from 'node:module';
import { mkdtempSync, readFileSync, rmSync } from 'node:fs';
import net from 'node:net';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { deflateRawSync } from 'node:zlib';
import { fileURLToPath } from 'node:url';
import assert from 'node:assert/strict';

const here = path.dirname(fileURLToPath(import.meta.url));
const require = createRequire(path.resolve(process.env.MURLO_NODE_MODULES, 'x.js'));
const { chromium } = require('playwright-core');
const work = mkdtempSync(path.join(tmpdir(), 'murlo-csp-'));
const port = await new Promise((resolve) => {
  const s = net.createServer().listen(0, '127.0.0.1', () => {
    const { port: p } = s.address();
    s.close(() => resolve(p));
  });
});
const server = spawn(process.env.MURLO_BOARD, ['--web', process.env.WEB_DIR, '--db', path.join(work, 'b.sqlite'),
                                               '--port', String(port), '--per-minute', '0'],
                     { stdio: ['ignore', 'pipe', 'inherit'] });
let browser;
try {
  await new Promise((resolve, reject) => {
    server.stdout.on('data', (d) => String(d).includes('serving on') && resolve());
    server.on('exit', (code) => reject(new Error(`murlo-board exited ${code}`)));
  });
  const origin = `http://127.0.0.1:${port}`;
  const level1 = readFileSync(path.join(here, '..', 'replay', 'level1.script'));
  const submitted = await fetch(`${origin}/api/runs`, {
    method: 'POST',
    body: JSON.stringify({ name: 'Bot', run: '#run=1.' + deflateRawSync(level1).toString('base64url') }),
  });
  assert.equal(submitted.status, 201);

  browser = await chromium.launch({
    executablePath: '/usr/bin/chromium',
    args: ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
           '--disable-component-update', '--disable-sync', '--autoplay-policy=no-user-gesture-required'],
  });
  const context = await browser.newContext({ viewport: { width: 1000, height: 700 } });
  const problems = [];
  await context.addInitScript(() => {
    window.violations = [];
    document.addEventListener('securitypolicyviolation',
                              (e) => window.violations.push(`${e.violatedDirective} ${e.blockedURI}`));
  });
  const page = await context.newPage();
  page.setDefaultTimeout(30000);
  page.on('pageerror', (error) => problems.push(`page error: ${error.message}`));
  page.on('response', (r) => r.status() >= 400 && problems.push(`HTTP ${r.status()}: ${r.url()}`));
  page.on('console', (m) => {
    if (m.type() === 'error' || /Content.Security.Policy/i.test(m.text())) problems.push(`console: ${m.text()}`);
  });

  const answer = await page.goto(`${origin}/`);
  const policy = answer.headers()['content-security-policy'];
  assert.match(policy, /script-src 'self' 'wasm-unsafe-eval'/);
  await page.waitForFunction(() => window.murlo && window.murlo.presented > 0);
  await page.keyboard.press('KeyZ');
  await page.waitForFunction(() => murlo.sound !== 'title.wav');
  await page.evaluate(() => navigator.serviceWorker.ready);
  await page.evaluate(() => localStorage.setItem('murlo.check', '1'));
  assert.deepEqual(await page.evaluate(() => window.violations), []);

  // The board's page, its style, and its Watch link on the game's page.
  await page.goto(`${origin}/board`);
  assert.equal(await page.evaluate(() => getComputedStyle(document.body).backgroundColor), 'rgb(35, 37, 47)');
  await page.click('text=Watch');
  await page.waitForFunction(() => location.hash.startsWith('#run=1.') && window.murlo && murlo.presented > 0);
  await page.waitForSelector('#watching', { state: 'visible' });
  assert.deepEqual(await page.evaluate(() => window.violations), []);
  assert.deepEqual(problems, []);
  console.log('the page under its policy: passed');
} finally {
  await browser?.close();
  server.kill('SIGTERM');
  rmSync(work, { recursive: true, force: true });
}
