// The game's page served by murlo-board, under the Content-Security-Policy
// the server sends with it, in headless Chromium; the browser reports no
// violation of the policy in either check.
//
// usage: node page_csp.mjs [csp | send]   (WEB_DIR: the built page
//        folder, MURLO_NODE_MODULES: the folder holding playwright-core,
//        MURLO_BOARD: the server, MURLO_SHOTS: a folder for screenshots)
import { spawn } from 'node:child_process';
import { createRequire } from 'node:module';
import { mkdtempSync, readFileSync, rmSync } from 'node:fs';
import net from 'node:net';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { deflateRawSync } from 'node:zlib';
import { fileURLToPath } from 'node:url';
import assert from 'node:assert/strict';
import { diesDeep, expand, holdKeys } from '../web/scripted_keys.mjs';

const here = path.dirname(fileURLToPath(import.meta.url));
const require = createRequire(path.resolve(process.env.MURLO_NODE_MODULES, 'x.js'));
const { chromium } = require('playwright-core');
const work = mkdtempSync(path.join(tmpdir(), 'murlo-csp-'));
const shots = process.env.MURLO_SHOTS || work;
const port = await new Promise((resolve) => {
  const s = net.createServer().listen(0, '127.0.0.1', () => {
    const { port: p } = s.address();
    s.close(() => resolve(p));
  });
});
const server = spawn(process.env.MURLO_BOARD, ['--web', process.env.WEB_DIR, '--db', path.join(work, 'b.sqlite'),
                                               '--port', String(port), '--per-minute', '0'],
                     { stdio: ['ignore', 'pipe', 'inherit'] });
const origin = `http://127.0.0.1:${port}`;
const problems = [];
let browser;

// A page of its own browser context, its problems and policy violations
// noted.
async function open(options, keys = null) {
  const context = await browser.newContext(options);
  await context.addInitScript(() => {
    window.violations = [];
    document.addEventListener('securitypolicyviolation',
                              (e) => window.violations.push(`${e.violatedDirective} ${e.blockedURI}`));
  });
  if (keys) await context.addInitScript(holdKeys, keys);
  const page = await context.newPage();
  page.setDefaultTimeout(30000);
  page.on('pageerror', (error) => problems.push(`page error: ${error.message}`));
  // (A run the board refuses is a 400 it answers, which the page shows.)
  const refusal = (url, status = 400) => status === 400 && url?.endsWith('/api/runs');
  page.on('response', (r) => r.status() >= 400 && !refusal(r.url(), r.status()) &&
                             problems.push(`HTTP ${r.status()}: ${r.url()}`));
  page.on('console', (m) => {
    if (refusal(m.location().url)) return;
    if (m.type() === 'error' || /Content.Security.Policy/i.test(m.text())) problems.push(`console: ${m.text()}`);
  });
  return page;
}

const checks = {
  // It starts, plays with sound, keeps its game (localStorage), registers
  // its service worker, watches a run from the board, and the board's page
  // shows with its style.
  async csp() {
    const page = await open({ viewport: { width: 1000, height: 700 } });
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
  },

  // A game of the player's, ended, is sent to the board under a name
  // asked for once and remembered; a name the board refuses gets its
  // reason, and the same run sent again is said to be there already. The
  // board lists it at the depth the game reached, and its Watch link plays
  // it on the page, which offers no sending for a watched run, even once
  // it is over and the player has the game. The board's API never goes
  // through the service worker's cache. Screenshots at a desktop's and a
  // phone's size.
  async send() {
    const page = await open({ viewport: { width: 1000, height: 700 } }, expand(diesDeep));
    const api = [];
    page.on('response', (r) => r.url().includes('/api/') && api.push([r.url(), r.fromServiceWorker()]));
    await page.goto(`${origin}/`);
    await page.waitForSelector('#board', { state: 'visible' });
    assert.equal(await page.locator('#send').isHidden(), true, 'nothing to send while the game runs');
    await page.evaluate(() => navigator.serviceWorker.ready);
    await page.waitForSelector('#send', { state: 'visible' });
    const depth = await page.evaluate(() => window.deepest);
    await page.screenshot({ path: path.join(shots, 'board-desktop-over.png') });

    const said = async (start) => {
      await page.waitForFunction((s) => document.getElementById('answer-text').textContent.startsWith(s), start);
      return page.$eval('#answer-text', (p) => [p.textContent, p.classList.contains('failed')]);
    };
    await page.click('#send');
    await page.fill('#name', 'Dig\u200bger');
    await page.keyboard.press('Enter');
    assert.deepEqual(await said('The board did not'),
                     ['The board did not take the run: the name holds a control or format character.', true]);
    await page.click('#rename');
    await page.fill('#name', '');
    await page.keyboard.type(' Digger Zed ');  // Z and the arrows are typed, not played
    await page.keyboard.press('Enter');
    const sent = await said('On the board');
    const { entries } = await (await fetch(`${origin}/api/board?limit=100`)).json();
    const entry = entries.find((e) => e.name === 'Digger Zed');
    assert.equal(entry?.depth, depth, JSON.stringify(entries));
    assert.deepEqual(sent, [`On the board as Digger Zed: rank ${entry.rank}, depth ${depth}.`, false]);
    await page.screenshot({ path: path.join(shots, 'board-desktop-sent.png') });
    await page.click('#answer .close');
    await page.click('#send');
    assert.deepEqual(await said('Already'),
                     [`Already on the board as Digger Zed: rank ${entry.rank}, depth ${depth}.`, false]);
    assert.equal(await page.evaluate(() => localStorage.getItem('murlo.name')), 'Digger Zed');

    await page.click('text=See the board');
    await page.waitForURL(`${origin}/board`);
    const row = page.locator('tr', { hasText: 'Digger Zed' });
    assert.equal(await row.locator('td').nth(2).textContent(), String(depth));
    await row.locator('text=Watch').click();
    await page.waitForFunction(() => location.hash.startsWith('#run=1.') && window.murlo && murlo.watching);
    assert.equal(await page.evaluate(() => !!navigator.serviceWorker.controller), true);
    await page.waitForSelector('#board', { state: 'visible' });
    for (let i = 0; i < 3; ++i) await page.click('#faster');
    await page.waitForFunction(() => !murlo.watching);  // played to its end, the digger dead: the player's now
    assert.equal(await page.locator('#send').isHidden(), true, 'a watched run to send');
    const cached = await page.evaluate(async () => (await Promise.all((await caches.keys()).map(async (name) =>
      (await (await caches.open(name)).keys()).map((request) => request.url)))).flat());
    assert.ok(cached.some((url) => url.endsWith('/murlo.wasm')), `cached: ${cached}`);
    assert.deepEqual(cached.filter((url) => url.includes('/api/')), [], 'the API cached');
    assert.ok(api.length >= 5 && api.every(([, fromWorker]) => !fromWorker), `the API's answers: ${api}`);
    assert.deepEqual(await page.evaluate(() => window.violations), []);
    await page.context().close();

    // A phone: the menu says it has something new, and the form fits.
    const phone = await open({ viewport: { width: 390, height: 844 }, deviceScaleFactor: 3, isMobile: true,
                               hasTouch: true }, expand(diesDeep));
    await phone.goto(`${origin}/`);
    await phone.waitForSelector('#menu-button.news');
    await phone.tap('#menu-button');
    await phone.screenshot({ path: path.join(shots, 'board-phone-menu.png') });
    await phone.tap('#send');
    await phone.waitForSelector('#name', { state: 'visible' });
    const box = await phone.locator('#sending').boundingBox();
    assert.ok(box.x >= 0 && box.x + box.width <= 390 && box.y >= 0 && box.y + box.height <= 844, JSON.stringify(box));
    await phone.screenshot({ path: path.join(shots, 'board-phone-name.png') });
    assert.deepEqual(await phone.evaluate(() => window.violations), []);
  },
};

const name = process.argv[2] || 'csp';
try {
  assert.ok(checks[name], `no check called ${name}`);
  await new Promise((resolve, reject) => {
    server.stdout.on('data', (d) => String(d).includes('serving on') && resolve());
    server.on('exit', (code) => reject(new Error(`murlo-board exited ${code}`)));
  });
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
  await checks[name]();
  assert.deepEqual(problems, []);
  console.log(`the page under its policy, ${name}: passed`);
} finally {
  await browser?.close();
  server.kill('SIGTERM');
  rmSync(work, { recursive: true, force: true });
}
