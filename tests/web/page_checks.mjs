// The page in headless Chromium (Debian's /usr/bin/chromium, driven by
// playwright-core), served from 127.0.0.1 by tools/serve-web.mjs.
//
// usage: node page_checks.mjs CHECK   (WEB_DIR: the built page folder,
//        MURLO_NODE_MODULES: the folder holding playwright-core,
//        MURLO_REPLAY: the replay tool for node, murlo-replay.js,
//        MURLO_CMAKE: cmake, which makes a build's service worker)
// Checks: load, play, touch, sound, blur, gamepad, hidden, lcd, replay,
// install, screens, taps, share, damaged, wakelock, suspend.
import { spawnSync } from 'node:child_process';
import { createRequire } from 'node:module';
import { cpSync, mkdtempSync, readdirSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { deflateRawSync, inflateRawSync } from 'node:zlib';
import { fileURLToPath } from 'node:url';
import assert from 'node:assert/strict';
import { diesDeep, expand, holdKeys } from './scripted_keys.mjs';

const here = path.dirname(fileURLToPath(import.meta.url));
const source = path.join(here, '..', '..');
const { serve } = await import(path.join(source, 'tools', 'serve-web.mjs'));
const require = createRequire(path.resolve(process.env.MURLO_NODE_MODULES, 'x.js'));
const { chromium } = require('playwright-core');

// The skin's controls, the LCD's place and colours, read from the one
// place the hosts and the skin generator take them from.
const rules = readFileSync(path.join(source, 'handheld', 'handheld.h'), 'utf8');
function rule(name) {
  const match = rules.match(new RegExp(`\\b${name} = (\\d+)`));
  assert.ok(match, `${name} in handheld.h`);
  return Number(match[1]);
}
function colour(name) {
  const match = rules.match(new RegExp(`\\b${name}\\{(\\d+), (\\d+), (\\d+)\\}`));
  assert.ok(match, `${name} in handheld.h`);
  return match.slice(1, 4).map(Number);
}
const skin = {
  padX: rule('pad_x'), padY: rule('pad_y'), padMark: rule('pad_mark'),
  buttonX: rule('button_x'), buttonY: rule('button_y'),
  width: rule('window_width'), height: rule('window_height'),
};
// The layouts for phones held upright and sideways, from their own blocks.
function layoutRules(name) {
  const block = rules.slice(rules.indexOf(`constexpr Layout ${name}{`));
  const rule = (field) => {
    const match = block.match(new RegExp(`\\.${field} = (\\d+)`));
    assert.ok(match, `${name}'s ${field} in handheld.h`);
    return Number(match[1]);
  };
  return {
    padX: rule('pad_x'), padY: rule('pad_y'), padMark: rule('pad_mark'), padReach: rule('pad_reach'),
    buttonX: rule('button_x'), buttonY: rule('button_y'), buttonKey: rule('button_key'),
    width: rule('width'), height: rule('height'),
  };
}
const upright = layoutRules('portrait');
const sideways = layoutRules('sideways');
// The LCD's palettes.
const palettes = {};
for (const [, name, values] of readFileSync(path.join(source, 'handheld', 'palette.h'), 'utf8')
  .matchAll(/constexpr Palette (\w+)_palette\{(.*)\};/g)) {
  const [clear, ink, pausedClear, pausedInk] = [...values.matchAll(/\{(\d+), (\d+), (\d+)\}/g)]
    .map((m) => m.slice(1, 4).map(Number));
  palettes[name] = { clear, ink, pausedClear, pausedInk };
}
const digSounds = ['dig.wav', 'break.wav', 'up.wav', 'down.wav'];

// ---- the harness ---------------------------------------------------------

// The folder above the page's, so the page is reached under a path
// (/web/), as on a static host where it is not at the top.
const webDir = path.resolve(process.env.WEB_DIR);
const server = await serve(path.dirname(webDir));
const origin = `http://127.0.0.1:${server.address().port}`;
const pageUrl = `${origin}/${path.basename(webDir)}/`;
const browserArgs = ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
                     '--disable-background-networking', '--disable-component-update', '--disable-sync'];
const browser = await chromium.launch({ executablePath: '/usr/bin/chromium', args: browserArgs });
const problems = [];  // page errors, console errors, failed or foreign requests

async function open(options = {}, initScript = null, initArg = undefined, address = pageUrl) {
  const context = await browser.newContext({ viewport: { width: 1000, height: 700 }, ...options });
  return openIn(context, initScript, initArg, address);
}

// A page played by keys set in advance (holdKeys), its calls recorded.
// `initScript` runs too, as for open.
async function openScripted(keys, initScript, initArg) {
  const context = await browser.newContext({ viewport: { width: 1000, height: 700 } });
  await context.addInitScript(holdKeys, keys);
  return openIn(context, initScript, initArg);
}

// The page asks once whether a board serves it: here the answer is no
// (not found), or none at all when the server is gone.
const boardProbe = (url) => /\/api\/board\?limit=1$/.test(url || '');

async function openIn(context, initScript = null, initArg = undefined, address = pageUrl) {
  const page = await context.newPage();
  page.on('pageerror', (error) => problems.push(`page error: ${error.message}`));
  page.on('console', (message) => {
    if (message.type() === 'error' && !boardProbe(message.location().url)) {
      problems.push(`console error: ${message.text()}`);
    }
  });
  page.on('request', (request) => {
    if (!/^(http:\/\/127\.0\.0\.1:\d+\/|blob:)/.test(request.url())) problems.push(`request elsewhere: ${request.url()}`);
  });
  // (The browser's fetch of the tab's icon is cut short when the page
  // reloads or closes as it goes: no fault of the page's.)
  page.on('requestfailed', (request) => {
    if (boardProbe(request.url())) return;
    if (request.url().endsWith('/murlo.svg') && request.failure()?.errorText === 'net::ERR_ABORTED') return;
    problems.push(`request failed: ${request.url()}`);
  });
  page.on('response', (response) => {
    if (response.status() >= 400 && !(response.status() === 404 && boardProbe(response.url()))) {
      problems.push(`HTTP ${response.status()}: ${response.url()}`);
    }
  });
  page.setDefaultTimeout(deadline);
  if (initScript) await page.addInitScript(initScript, initArg);
  // Every call recorded, and the sounds the game starts among them.
  await page.addInitScript(() => {
    if (!Array.isArray(window.murloRecord)) window.murloRecord = [];
    Object.defineProperty(window, 'heard', {
      get: () => window.murloRecord.filter((line) => line.startsWith('sound ')).map((line) => line.slice(6)),
    });
  });
  await page.goto(address);
  await page.waitForFunction(() => window.murlo && window.murlo.presented > 0);
  return page;
}

// The checks wait for what they look for, each for at most this long: a
// loaded machine makes them slower, never wrong. None times the game (its
// speed is tools/bench-web.mjs's to measure).
const deadline = 30000;

// Until the game has run `ms` more of its own time (which stands still
// while it is paused or the page hidden): on the title a pass is a
// millisecond, in play a frame is 45.
const frame = 45;
async function played(page, ms) {
  const now = await page.evaluate(() => murlo.clock);
  await page.waitForFunction((t) => murlo.clock >= t, now + ms);
}

// Until the game has started one of `sounds`.
async function hears(page, sounds) {
  await page.waitForFunction((names) => window.heard.some((s) => names.includes(s)), sounds);
}

// Until a game runs: the title's music is over.
async function playing(page) {
  await page.waitForFunction(() => murlo.sound !== 'title.wav');
}

// A span of the page's own time, for a check that nothing happens in it:
// a loaded machine can make such a check weaker, never fail it.
async function quiet(page, ms) {
  await page.evaluate((span) => new Promise((done) => setTimeout(done, span)), ms);
}

// How long a touch or a key is held: what a check is about, not a wait.
function hold(ms) {
  return new Promise((done) => setTimeout(done, ms));
}

async function onTitle(page) {
  return page.evaluate(() => murlo.sound === 'title.wav');
}

// Page coordinates of point (x, y) of a layout's skin (the landscape
// window's unless said).
async function pagePoint(page, x, y, layout = skin) {
  const box = await page.locator('#handheld').boundingBox();
  return { x: box.x + ((x + 0.5) * box.width) / layout.width, y: box.y + ((y + 0.5) * box.height) / layout.height };
}

// Page coordinates of a control of the layout shown (stretched to the
// screen's shape: upright the controls move down with the body's
// length, sideways the button moves right with its width): the pad's
// centre or the end of an arm ('centre', 'down', 'right'), or 'z'.
async function control(page, which) {
  const shown = await page.evaluate(() => murlo.layout);
  const l = [skin, upright, sideways][shown.index];
  const dx = shown.index === 2 ? shown.width - l.width : 0, dy = shown.index === 1 ? shown.height - l.height : 0;
  const [x, y] = { centre: [l.padX, l.padY + dy], down: [l.padX, l.padY + dy + l.padMark],
                   right: [l.padX + l.padMark, l.padY + dy], z: [l.buttonX + dx, l.buttonY + dy] }[which];
  return pagePoint(page, x, y, shown);
}

// Until the LCD's canvas shows the latest frame, in one colour for each
// bit: those two colours, clear and ink.
async function lcdDrawn(page) {
  const found = await page.waitForFunction(() => {
    const data = document.getElementById('lcd').getContext('2d').getImageData(0, 0, 32, 32).data;
    const rows = murlo.lcd();
    const seen = [null, null];
    for (let i = 0; i < 1024; ++i) {
      const bit = (rows[i >> 5] >>> (i & 31)) & 1;
      const rgb = [data[4 * i], data[4 * i + 1], data[4 * i + 2]];
      if (seen[bit] === null) seen[bit] = rgb;
      else if (seen[bit].join() !== rgb.join()) return false;
    }
    return seen[0] && seen[1] && seen[0].join() !== seen[1].join() && seen;
  });
  return found.jsonValue();
}

// The LCD as the screen shows it: every whole screen pixel inside its box
// (its edges may fall between two, blended with the bezel) in `clear` or
// `ink`, each display pixel a square of its bit's colour.
async function lcdOnScreen(page, clear, ink) {
  const rows = await page.evaluate(() => murlo.lcd());
  const box = await page.locator('#lcd').boundingBox();
  const left = Math.ceil(box.x), top = Math.ceil(box.y);
  const clip = { x: left, y: top, width: Math.floor(box.x + box.width) - left,
                 height: Math.floor(box.y + box.height) - top };
  const shot = await decodePng(page, await page.screenshot({ clip }));
  const cell = box.width / 32;
  assert.ok(cell > 8, `a display pixel ${cell} screen pixels wide`);
  let ambiguous = 0;
  for (let y = 0; y < shot.height; ++y) {
    for (let x = 0; x < shot.width; ++x) {
      const p = shot.pixel(x, y);
      const isClear = p.every((v, i) => v === clear[i]);
      const isInk = p.every((v, i) => v === ink[i]);
      assert.ok(isClear || isInk, `pixel (${x}, ${y}) is ${p}, neither ${clear} nor ${ink}`);
      // Away from the squares' edges, the colour is the bit's.
      const lx = (left + x + 0.5 - box.x) / cell, ly = (top + y + 0.5 - box.y) / cell;
      const fx = lx - Math.floor(lx), fy = ly - Math.floor(ly);
      if (fx < 0.15 || fx > 0.85 || fy < 0.15 || fy > 0.85) continue;
      const bit = (rows[Math.floor(ly)] >>> Math.floor(lx)) & 1;
      if (bit !== (isInk ? 1 : 0)) ambiguous += 1;
    }
  }
  assert.equal(ambiguous, 0, 'screen pixels showing the wrong colour for their bit');
}

// The polls among recorded calls, and the trace of the replay tool for
// node for a script, a file or a link.
function polls(record) {
  return record.filter((line) => line.startsWith('poll '));
}

function replayTrace(argument, input = '') {
  const replay = spawnSync(process.execPath, [process.env.MURLO_REPLAY, argument], { input, encoding: 'utf8' });
  assert.equal(replay.status, 0, replay.stderr);
  const lines = replay.stdout.trimEnd().split('\n');
  assert.equal(lines.pop(), 'quit');
  return lines;
}

// The calls recorded on the page, up to the poll after the script's last
// (where the replay tool quits), are the tool's trace.
function assertSameCalls(record, want, what) {
  let seen = 0;
  const count = polls(want).length + 1;
  const end = record.findIndex((l) => l.startsWith('poll ') && ++seen === count);
  const got = end < 0 ? record : record.slice(0, end);
  const differs = want.findIndex((line, i) => got[i] !== line);
  assert.ok(differs < 0 && got.length === want.length,
            `${what}: the page's calls differ from the replay tool's at line ${differs + 1} of ${want.length} ` +
            `(${got.length} on the page):\n  page:   ${got[differs]}\n  replay: ${want[differs]}`);
}

// Down pressed until the game in play is `depth` deep (a hard block
// takes a press of its own).
async function digTo(page, depth) {
  const until = Date.now() + deadline;
  while (await page.evaluate(() => murlo.depth) < depth) {
    assert.ok(Date.now() < until, `not ${depth} deep in time`);
    await page.keyboard.press('ArrowDown', { delay: 2 * frame });
  }
}

// Touches through the browser's own touch input.
async function tap(page, point, ms) {
  const { send } = await touches(page);
  await send('touchStart', [point]);
  if (ms > 0) await hold(ms);
  await send('touchEnd', []);
}

async function touches(page, points) {
  const cdp = await page.context().newCDPSession(page);
  const send = (type, list) => cdp.send('Input.dispatchTouchEvent', {
    type, touchPoints: list.map((p, id) => ({ x: p.x, y: p.y, id })),
  });
  return { send };
}

// Make the page hidden, as another tab or a locked phone would, and back.
async function setHidden(page, hidden) {
  await page.evaluate((h) => {
    Object.defineProperty(document, 'hidden', { configurable: true, get: () => h });
    Object.defineProperty(document, 'visibilityState', { configurable: true, get: () => (h ? 'hidden' : 'visible') });
    document.dispatchEvent(new Event('visibilitychange'));
  }, hidden);
}

// ---- the checks ----------------------------------------------------------

const checks = {
  // Loads from 127.0.0.1 with no error and nothing fetched from elsewhere,
  // under a strict Content-Security-Policy; the title runs with its music.
  // Served by no board, it asks once and shows nothing of one.
  async load() {
    // Served under a strict Content-Security-Policy: nothing inline, no
    // eval (only WebAssembly's), nothing from elsewhere; the browser
    // reports anything refused as an error.
    const context = await browser.newContext({ viewport: { width: 1000, height: 700 } });
    await context.route(pageUrl, async (route) => {
      const response = await route.fetch();
      await route.fulfill({ response, headers: { ...response.headers(), 'content-security-policy':
        "default-src 'self'; script-src 'self' 'wasm-unsafe-eval'; style-src 'self'; img-src 'self' blob: data:; " +
        "object-src 'none'; base-uri 'none'; form-action 'none'; frame-ancestors 'none'" } });
    });
    const asked = [];
    context.on('request', (request) => request.url().includes('/api/') && asked.push(request.url()));
    const answered = context.waitForEvent('response', (response) => boardProbe(response.url()));
    const page = await openIn(context);
    assert.equal(await page.evaluate(() => murlo.sound), 'title.wav');
    assert.equal((await answered).status(), 404);
    await played(page, 300);
    const rows = await page.evaluate(() => murlo.lcd());
    assert.equal(rows.length, 32);
    assert.ok(rows.every((r) => Number.isInteger(r) && r >= 0 && r <= 0xFFFFFFFF));
    assert.ok(rows.some((r) => r !== 0) && rows.some((r) => r !== 0xFFFFFFFF), 'a picture on the title');
    // The title runs a pass a millisecond and shows a picture only when it
    // changed, at most 15 a second of the game's time (a picture at most
    // each 1000 / 15 ms after the pass that drew the last).
    const before = await page.evaluate(() => [murlo.presented, murlo.clock]);
    await played(page, 2000);
    const [pictures, ms] = (await page.evaluate(() => [murlo.presented, murlo.clock])).map((v, i) => v - before[i]);
    assert.ok(pictures >= 1 && pictures <= 1 + ms / (1000 / 15 - 1), `${pictures} pictures in ${ms} ms of the title`);
    assert.equal(await page.locator('#message').isHidden(), true);
    assert.deepEqual(asked, [`${pageUrl}api/board?limit=1`]);
    for (const id of ['#board', '#send', '#sending']) assert.equal(await page.locator(id).isHidden(), true, id);
    // The skin is drawn at the screen's own pixel size, and the plain
    // outline's fill is gone.
    await page.waitForFunction(() => getComputedStyle(document.getElementById('handheld')).backgroundColor ===
                               'rgba(0, 0, 0, 0)');
    const [drawn, box] = await page.evaluate(() => [document.getElementById('skin').width,
                                                    document.getElementById('handheld').getBoundingClientRect().width]);
    assert.equal(drawn, Math.round(box), 'skin pixels across');
    // The server sends each file as what it is, and a folder's address
    // without its slash goes to the folder.
    const types = await page.evaluate(async (names) => {
      const got = {};
      for (const name of names) got[name] = (await fetch(name, { cache: 'no-store' })).headers.get('Content-Type');
      const folder = await fetch(location.pathname.replace(/\/$/, ''), { cache: 'no-store' });
      got.folder = new URL(folder.url).pathname;
      return got;
    }, ['index.html', 'murlo.js', 'murlo.wasm', 'murlo.svg', 'manifest.webmanifest', 'icon-192.png']);
    assert.deepEqual(types, {
      'index.html': 'text/html; charset=utf-8', 'murlo.js': 'text/javascript; charset=utf-8',
      'murlo.wasm': 'application/wasm', 'murlo.svg': 'image/svg+xml',
      'manifest.webmanifest': 'application/manifest+json', 'icon-192.png': 'image/png',
      folder: `/${path.basename(webDir)}/`,
    });
  },

  // A key leaves the title into play, which runs frame after frame; Down
  // digs, and arrows never scroll the page. P pauses the game: no calls,
  // the help says how to go on, and an arrow tapped while paused goes on
  // and is held at the next poll. P on the title pauses nothing.
  async play() {
    const page = await open({}, () => { window.murloRecord = []; });
    assert.ok(await onTitle(page));
    await page.keyboard.press('KeyP');
    assert.equal(await page.evaluate(() => murlo.paused), false, 'the title paused');
    await page.keyboard.down('KeyZ');
    await playing(page);
    await page.keyboard.up('KeyZ');
    const record = await page.evaluate(() => window.murloRecord);
    const left = record.findIndex((line) => line.startsWith('poll ') && line !== 'poll 00');
    assert.equal(record[left + 1], 'stop', 'the key that leaves the title stops its music');
    await played(page, 25 * frame);
    await page.keyboard.down('ArrowDown');
    await hears(page, digSounds);
    await page.keyboard.up('ArrowDown');
    assert.equal(await page.evaluate(() => [scrollX, scrollY].join()), '0,0');

    await page.keyboard.press('KeyP');
    assert.equal(await page.evaluate(() => murlo.paused), true);
    assert.match(await page.locator('#paused').textContent(), /^Paused: P, Z or an arrow goes on\.$/);
    assert.equal(await page.locator('#help').isHidden(), true);
    const calls = await page.evaluate(() => window.murloRecord.length);
    await quiet(page, 300);
    assert.equal(await page.evaluate(() => window.murloRecord.length), calls, 'calls while paused');
    await page.keyboard.press('ArrowLeft', { delay: 10 });
    assert.equal(await page.evaluate(() => murlo.paused), false);
    assert.equal(await page.locator('#paused').isHidden(), true);
    await page.waitForFunction((n) => window.murloRecord.slice(n).some((l) => l.startsWith('poll ')), calls);
    const next = polls(await page.evaluate((n) => window.murloRecord.slice(n), calls))[0];
    assert.ok(parseInt(next.slice(5), 16) & 0x04, `the arrow that went on is held at the next poll: ${next}`);
  },

  // The pad and the Z button drawn on the skin, by touch on a phone held
  // sideways: the pad's centre holds nothing; a finger slid onto the Down
  // arm holds Down, which leaves the title; in play, Down digs while a
  // second finger holds Z.
  async touch() {
    const page = await open({ hasTouch: true, isMobile: true, viewport: { width: 844, height: 390 } });
    const { send } = await touches(page);
    const centre = await control(page, 'centre');
    const down = await control(page, 'down');
    const z = await control(page, 'z');
    await send('touchStart', [centre]);
    await played(page, 100);
    assert.ok(await onTitle(page), 'the pad centre holds no key');
    await send('touchMove', [down]);
    await playing(page);
    await send('touchEnd', []);
    await played(page, 2 * frame);
    // A fresh press of Down (a hard block below takes one) with Z beside it.
    await send('touchStart', [down, z]);
    await hears(page, digSounds);
    await send('touchEnd', []);
    // A touch on the screen pauses, one on the handheld goes on.
    const lcd = await page.locator('#lcd').boundingBox();
    await tap(page, { x: lcd.x + lcd.width / 2, y: lcd.y + lcd.height / 2 }, 10);
    assert.equal(await page.evaluate(() => murlo.paused), true, 'paused by a touch on the screen');
    assert.match(await page.locator('#paused').textContent(), /touch the handheld/);
    await tap(page, z, 10);
    assert.equal(await page.evaluate(() => murlo.paused), false, 'going on by a touch on Z');
  },

  // No sound before a gesture. The sound button says what is heard, by its
  // icon and its name: before a gesture, that sound is yet to start, and
  // its first click starts the title music where it would be by then; the
  // next turns sound off and starts nothing until it is turned on again,
  // remembered by the browser; a key then stops the music, and the game's
  // sounds start from their beginning.
  async sound() {
    const page = await open({}, () => {
      window.contexts = 0;
      const Context = window.AudioContext;
      window.AudioContext = function (...args) { window.contexts += 1; return new Context(...args); };
      window.started = [];
      const start = AudioBufferSourceNode.prototype.start;
      AudioBufferSourceNode.prototype.start = function (when, offset) {
        window.started.push({ offset, length: this.buffer.duration, at: performance.now() });
        return start.call(this, when, offset);
      };
      window.stopped = 0;
      const stop = AudioBufferSourceNode.prototype.stop;
      AudioBufferSourceNode.prototype.stop = function (...args) {
        window.stopped += 1;
        return stop.apply(this, args);
      };
    });
    // (Half a second of the title's music at least.)
    await played(page, 500);
    assert.deepEqual(await page.evaluate(() => window.started), [], 'no sound before a gesture');
    const button = () => page.evaluate(() => {
      const b = document.getElementById('sound');
      return [b.textContent, b.getAttribute('aria-label'), b.getAttribute('aria-pressed'),
              b.querySelectorAll('svg path').length];
    });
    assert.deepEqual(await button(), ['Start sound', 'Start sound', 'false', 2]);
    await page.click('#sound');
    await page.waitForFunction(() => window.started.length > 0);
    const [title] = await page.evaluate(() => window.started);
    assert.ok(title.length > 10, `the title music (${title.length} s)`);
    assert.ok(title.offset >= 0.4 && title.offset <= title.at / 1000, `started ${title.offset} s in`);
    assert.deepEqual(await button(), ['Sound on', 'Sound on', 'true', 2]);
    await page.click('#sound');
    assert.deepEqual(await button(), ['Sound off', 'Sound off', 'false', 2]);
    assert.equal(await page.evaluate(() => window.stopped), 1, 'the music stopped');
    await page.reload();
    await page.waitForFunction(() => window.murlo && murlo.presented > 0);
    const body = await pagePoint(page, skin.width / 2, skin.height - 16);  // a gesture that holds no key
    await page.mouse.click(body.x, body.y);
    await played(page, 300);
    assert.deepEqual([await page.evaluate(() => [window.started, window.contexts]), await button()],
                     [[[], 0], ['Sound off', 'Sound off', 'false', 2]], 'no audio made once turned off');
    await page.click('#sound');
    await page.waitForFunction(() => window.started.length > 0);
    assert.deepEqual(await button(), ['Sound on', 'Sound on', 'true', 2]);
    await page.keyboard.down('KeyZ');
    await playing(page);
    await page.keyboard.up('KeyZ');
    assert.ok(await page.evaluate(() => window.stopped) >= 1, 'the title music stopped');
    // A fresh press of Down digs whatever lies below (a hard block too).
    await page.keyboard.down('ArrowDown');
    await page.waitForFunction(() => window.started.length > 1);
    await page.keyboard.up('ArrowDown');
    const later = (await page.evaluate(() => window.started)).slice(1);
    assert.ok(later.every((s) => s.offset < 0.1 && s.length < 2), JSON.stringify(later));
  },

  // Keys held when the page loses focus count as released. On the title
  // nothing pauses; in a game, losing the focus pauses it, and P goes on
  // with the keys let go, though they are still down.
  async blur() {
    const page = await open();
    await page.evaluate(() => window.dispatchEvent(new Event('blur')));
    assert.equal(await page.evaluate(() => murlo.paused), false, 'the title paused');
    await page.keyboard.down('ArrowLeft');
    await page.keyboard.down('KeyZ');
    await playing(page);
    await page.waitForFunction(() => window.murloRecord.filter((l) => l.startsWith('poll ')).pop() === 'poll 05');
    await page.evaluate(() => window.dispatchEvent(new Event('blur')));
    assert.equal(await page.evaluate(() => murlo.paused), true, 'paused when the focus is lost');
    const clock = await page.evaluate(() => murlo.clock);
    const calls = await page.evaluate(() => window.murloRecord.length);
    await quiet(page, 300);
    assert.equal(await page.evaluate(() => murlo.clock), clock, 'the game ran while paused');
    await page.keyboard.press('KeyP');
    assert.equal(await page.evaluate(() => murlo.paused), false);
    await page.waitForFunction((n) => window.murloRecord.slice(n).some((l) => l.startsWith('poll ')), calls);
    assert.equal(polls(await page.evaluate((n) => window.murloRecord.slice(n), calls))[0], 'poll 00', 'keys held');
    await page.keyboard.up('ArrowLeft');
    await page.keyboard.up('KeyZ');
  },

  // A standard-mapping pad: the south button leaves the title, the D-pad's
  // Down digs. Start pauses the game, and the D-pad's Down, pressed while
  // paused, goes on and digs.
  async gamepad() {
    const page = await open({}, () => {
      window.padButtons = new Array(17).fill(false);
      navigator.getGamepads = () => [{
        id: 'test pad', index: 0, connected: true, mapping: 'standard', axes: [0, 0, 0, 0],
        buttons: window.padButtons.map((pressed) => ({ pressed, value: pressed ? 1 : 0 })),
      }];
    });
    assert.ok(await onTitle(page));
    await page.evaluate(() => { window.padButtons[0] = true; });
    await playing(page);
    await page.evaluate(() => { window.padButtons[0] = false; window.padButtons[9] = true; });
    await page.waitForFunction(() => murlo.paused);
    await page.evaluate(() => { window.padButtons[9] = false; });
    const clock = await page.evaluate(() => murlo.clock);
    await quiet(page, 300);
    assert.equal(await page.evaluate(() => murlo.paused), true, 'still paused once Start is let go');
    assert.equal(await page.evaluate(() => murlo.clock), clock, 'the game ran while paused');
    await page.evaluate(() => { window.padButtons[13] = true; });
    await page.waitForFunction(() => !murlo.paused);
    await hears(page, digSounds);
  },

  // A hidden page holds the game: nothing is presented until it is shown,
  // and then the game waits, paused, for the player to go on.
  async hidden() {
    const page = await open();
    await page.keyboard.down('KeyZ');
    await playing(page);
    await page.keyboard.up('KeyZ');
    await setHidden(page, true);
    const [clock, presented] = await page.evaluate(() => [murlo.clock, murlo.presented]);
    await quiet(page, 1000);
    assert.deepEqual(await page.evaluate(() => [murlo.clock, murlo.presented]), [clock, presented],
                     'the game ran while hidden');
    await setHidden(page, false);
    assert.equal(await page.evaluate(() => murlo.paused), true);
    await page.keyboard.press('KeyP');
    await played(page, 10 * frame);
  },

  // The page plays keys a poll each: the title, a game to the digger's
  // death, the closing pictures (with the page hidden for a while among
  // them, which pauses them) and the title again; the game paused for a
  // while, and the page hidden during the pause. The page's own record of
  // the run is those keys, poll for poll, and every call the page carries
  // out, in order, frames and all, is what the replay tool traces for that
  // record: the pause is nothing to the game. The best depth kept in the browser was
  // damaged: it is replaced by the depth the hidden page had reached, then
  // by the deepest of the game once the digger dies, and the handheld
  // shows it. The game is kept while it is in the middle, not once it ends.
  async replay() {
    const keys = expand(diesDeep);
    const page = await openScripted(keys, () => { localStorage.setItem('murlo.best', 'deep'); });
    const best = () => page.evaluate(() => [murlo.best, localStorage.getItem('murlo.best'),
                                            document.getElementById('best').getAttribute('aria-label'),
                                            localStorage.getItem('murlo.suspend') !== null]);
    await page.waitForFunction(() => murlo.depth > 0);
    await page.keyboard.press('KeyP');
    assert.equal(await page.evaluate(() => murlo.paused), true);
    const pausedAt = await page.evaluate(() => window.murloRecord.length);
    await setHidden(page, true);
    const depth = await page.evaluate(() => murlo.depth);
    assert.deepEqual(await best(), [depth, String(depth), `BEST ${depth}`, true], 'kept when hidden in a game');
    await quiet(page, 300);
    await setHidden(page, false);
    await quiet(page, 300);
    assert.equal(await page.evaluate(() => murlo.paused), true, 'shown again, still paused');
    assert.equal(await page.evaluate(() => window.murloRecord.length), pausedAt, 'calls while paused');
    await page.evaluate(() => goOn());

    await page.waitForFunction(() => window.murloRecord.includes('sound auu.wav'));
    const deepest = await page.evaluate(() => window.deepest);
    assert.ok(deepest >= depth, `deepest ${deepest}`);
    assert.deepEqual(await best(), [deepest, String(deepest), `BEST ${deepest}`, false], 'kept when the digger died');
    const label = await page.evaluate(() => {
      const canvas = document.getElementById('best');
      const data = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
      return { width: canvas.getBoundingClientRect().width, inked: data.filter((v, i) => i % 4 === 3 && v > 0).length };
    });
    assert.ok(label.width > 20 && label.inked > 0, `the label drawn: ${JSON.stringify(label)}`);

    await setHidden(page, true);
    const hiddenAt = await page.evaluate(() => window.murloRecord.length);
    await quiet(page, 500);
    assert.equal(await page.evaluate(() => window.murloRecord.length), hiddenAt, 'calls while hidden');
    await setHidden(page, false);
    await page.evaluate(() => goOn());
    await page.waitForFunction(() => window.murloRecord.lastIndexOf('sound title.wav') >
                               window.murloRecord.indexOf('sound auu.wav'));
    const [run, record] = await page.evaluate(() => [murlo.run(), window.murloRecord.slice()]);
    const played = expand(run.trim());
    const left = played.findIndex((bits) => bits !== 0);
    assert.deepEqual(played.slice(left + 1, left + 1 + keys.length), keys, 'the run recorded is the keys');
    assert.ok(played.slice(left + 1 + keys.length).every((bits) => bits === 0), 'and no key after them');
    assertSameCalls(record, replayTrace('-', run), 'the run recorded');
  },

  // The LCD on screen: every pixel of it in one of the two colours (no
  // smoothing), each display pixel a square of the colour its bit says, in
  // the handheld's palette and the menu's high-contrast one. Paused, the
  // last frame in two colours nearer each other, as crisp. High contrast
  // is remembered.
  async lcd() {
    const page = await open({ deviceScaleFactor: 1, viewport: { width: 1000, height: 700 } });
    await setHidden(page, true);  // hold the title, so the picture stays
    const { clear, ink } = palettes.handheld;
    const high = palettes.high_contrast;
    assert.deepEqual(await lcdDrawn(page), [clear, ink], 'the colours on the title');
    await lcdOnScreen(page, clear, ink);
    await page.click('#contrast');
    assert.equal(await page.getAttribute('#contrast', 'aria-pressed'), 'true');
    assert.deepEqual(await lcdDrawn(page), [high.clear, high.ink], 'high contrast');
    await lcdOnScreen(page, high.clear, high.ink);
    await page.click('#contrast');

    await setHidden(page, false);
    await page.keyboard.press('KeyZ');
    await playing(page);
    await played(page, 3 * frame);
    await page.keyboard.press('KeyP');
    const [dimClear, dimInk] = await lcdDrawn(page);
    const apart = (a, b) => Math.hypot(...a.map((v, i) => v - b[i]));
    assert.ok(apart(dimClear, dimInk) < 0.75 * apart(clear, ink) && apart(dimClear, clear) < apart(dimClear, ink) &&
              apart(dimInk, ink) < apart(dimInk, clear), `paused: ${dimClear} and ${dimInk}`);
    await lcdOnScreen(page, dimClear, dimInk);
    await page.screenshot({ path: path.join(process.env.MURLO_SHOTS || tmpdir(), 'paused-1000x700.png') });

    // The high-contrast palette, paused and in play, from the menu; the
    // browser remembers it.
    await page.click('#contrast');
    assert.deepEqual(await lcdDrawn(page), [high.pausedClear, high.pausedInk], 'high contrast, paused');
    await page.reload();  // the game kept comes back, paused
    await page.waitForFunction(() => window.murlo && murlo.presented > 0);
    assert.deepEqual(await lcdDrawn(page), [high.pausedClear, high.pausedInk], 'high contrast, remembered');
    await page.keyboard.press('KeyP');
    assert.deepEqual(await lcdDrawn(page), [high.clear, high.ink], 'high contrast in play');
    await page.screenshot({ path: path.join(process.env.MURLO_SHOTS || tmpdir(), 'high-contrast-1000x700.png') });
    await page.click('#contrast');
    assert.deepEqual(await lcdDrawn(page), [clear, ink], 'the handheld\'s own again');
  },

  // Installable and offline: Chromium finds nothing missing for installing
  // the page; the service worker keeps every file of the page folder;
  // once loaded, it starts and plays with the server gone; and a changed
  // build deployed to the same place replaces it, at the latest when the
  // page is next started, with the old build's files gone.
  async install() {
    const listed = [...readFileSync(path.join(webDir, 'sw.js'), 'utf8').matchAll(/\['([^']+)', '[0-9a-f]{64}'\]/g)];
    assert.deepEqual(listed.map((m) => m[1]), readdirSync(webDir).filter((name) => name !== 'sw.js').sort());
    const work = mkdtempSync(path.join(tmpdir(), 'murlo-page-'));
    const dir = path.join(work, 'web');
    cpSync(webDir, dir, { recursive: true });
    let site = await serve(work);
    const port = site.address().port;
    const address = `http://127.0.0.1:${port}/web/`;
    const stop = (server) => new Promise((done) => { server.close(done); server.closeAllConnections(); });
    // A profile of its own: nothing is installed from a private window.
    const context = await chromium.launchPersistentContext(path.join(work, 'profile'), {
      executablePath: '/usr/bin/chromium', args: browserArgs, viewport: { width: 1000, height: 700 },
    });
    let page = await openIn(context, null, undefined, address);
    await page.evaluate(() => navigator.serviceWorker.ready);
    const cdp = await context.newCDPSession(page);
    const { installabilityErrors } = await cdp.send('Page.getInstallabilityErrors');
    assert.deepEqual(installabilityErrors, [], 'installability');

    await stop(site);
    await page.reload();
    await page.waitForFunction(() => window.murlo && murlo.presented > 0 && murlo.sound === 'title.wav');
    await page.keyboard.press('KeyZ');
    await playing(page);
    await played(page, 10 * frame);  // offline

    // A new build: its page says so; the service worker is made for it
    // as the build makes it.
    const index = path.join(dir, 'index.html');
    const oldPage = readFileSync(index, 'utf8');
    const newPage = oldPage.replace('<title>', '<meta name="murlo-check" content="new">\n<title>');
    writeFileSync(index, newPage);
    const names = [...readFileSync(path.join(dir, 'sw.js'), 'utf8').matchAll(/\['([^']+)', '[0-9a-f]{64}'\]/g)]
      .map((m) => m[1]);
    const made = spawnSync(process.env.MURLO_CMAKE, [`-DDIR=${dir}`, `-DVERSION=test`, `-DFILES=${names.join(',')}`,
                                                     `-DTEMPLATE=${path.join(source, 'host', 'web', 'sw.js.in')}`,
                                                     '-P', path.join(source, 'host', 'web', 'make_sw.cmake')],
                           { encoding: 'utf8' });
    assert.equal(made.status, 0, made.stderr);
    const isNew = (p) => p.evaluate(() => !!document.querySelector('meta[name="murlo-check"]'));
    site = await serve(work, port);
    // Deployed only in part (the new worker with the old page): the new
    // worker refuses it, and the old build stays, whole.
    writeFileSync(index, oldPage);
    page = await openIn(context, null, undefined, address);
    // (The browser may try it a second time a moment after the page loads:
    // a try's cache lives until the try fails.)
    const tried = await page.evaluate(async (ms) => {
      const pause = (t) => new Promise((done) => setTimeout(done, t));
      const registration = await navigator.serviceWorker.getRegistration();
      await registration.update().catch(() => {});
      const until = Date.now() + ms;
      let kept;
      do {
        while (registration.installing) await pause(50);
        kept = await caches.keys();
        if (kept.length !== 1) await pause(50);
      } while ((registration.installing || kept.length !== 1) && Date.now() < until);
      return { waiting: !!registration.waiting, caches: kept.length };
    }, deadline);
    assert.deepEqual(tried, { waiting: false, caches: 1 }, 'a build deployed in part');
    await page.close();
    writeFileSync(index, newPage);

    // While a page of the old build is open, pages keep being the old
    // build; the new one waits, and is used once they are all closed.
    page = await openIn(context, null, undefined, address);
    // (The browser looks for a new build a moment after the page loads, and
    // a look begun while the old page was still deployed may fail after
    // this page opened: ask again until the new build waits.)
    const waits = await page.evaluate(async (ms) => {
      const pause = (t) => new Promise((done) => setTimeout(done, t));
      const registration = await navigator.serviceWorker.getRegistration();
      const until = Date.now() + ms;
      while (!registration.waiting && Date.now() < until) {
        await registration.update().catch(() => {});
        while (registration.installing) await pause(50);
        if (!registration.waiting) await pause(200);
      }
      return !!registration.waiting;
    }, deadline);
    assert.ok(waits, 'the new build waits while a page of the old one is open');
    assert.equal(await isNew(page), false, 'a page of the old build while the old build runs');
    // (The browser lets the new worker take over a moment after the last
    // page closes: a start that comes sooner still gets the old build.)
    const until = Date.now() + deadline;
    let fresh = false;
    while (!fresh && Date.now() < until) {
      for (const old of context.pages()) await old.close();
      await hold(200);
      page = await openIn(context, null, undefined, address);
      fresh = await isNew(page);
    }
    assert.ok(fresh, 'the new build is used');
    const caches = await page.evaluate(() => caches.keys());
    assert.equal(caches.length, 1, `caches: ${caches}`);
    assert.ok(caches[0].endsWith(' test-' + readFileSync(path.join(dir, 'sw.js'), 'utf8').match(/'test-([0-9a-f]+)'/)[1]));
    await stop(site);
    await context.close();
    rmSync(work, { recursive: true, force: true });  // its copy of the page and its browser profile
  },

  // The handheld at the sizes of common phones, held either way, and of a
  // desktop, each in a screenshot: every display pixel a square of the
  // same whole number of screen pixels in its bit's colour, and all round
  // the LCD the bezel's dark frame, no light edge; nothing scrolls. On a
  // phone the menu is one thumb-sized button. Upright: the screen on top
  // and the pad and Z at the bottom, thumb-sized, the handheld taking the
  // height below the line (no empty band). Sideways: the screen as tall
  // as the phone, the pad at the left edge and Z at the right, each part
  // of the pad and Z holding a 56 x 56 CSS pixel square of its own key.
  // Touches on the upright pad play; turned, the phone shows the other
  // layout, and a desktop the whole landscape handheld.
  async screens() {
    for (const [width, height, scale] of [[360, 640, 3], [390, 844, 3], [844, 390, 3], [412, 915, 2.625],
                                          [1280, 800, 1]]) {
      const phone = scale > 1;
      const page = await open({ hasTouch: phone, isMobile: phone, viewport: { width, height }, deviceScaleFactor: scale });
      await page.waitForFunction(() => getComputedStyle(document.getElementById('handheld')).backgroundColor ===
                                 'rgba(0, 0, 0, 0)');
      await setHidden(page, true);  // the picture stays
      const what = `${width} x ${height} x ${scale}`;
      const shot = await page.screenshot({ path: path.join(process.env.MURLO_SHOTS || tmpdir(), `screen-${width}x${height}.png`) });
      const got = await page.evaluate(() => {
        const box = (id) => document.getElementById(id).getBoundingClientRect().toJSON();
        return {
          scroll: [document.documentElement.scrollWidth, document.documentElement.scrollHeight],
          handheld: box('handheld'), lcd: box('lcd'), top: box('top'), line: box('line'),
          menu: Array.from(document.querySelectorAll('#menu button'), (b) => b.checkVisibility() &&
                           [b.getBoundingClientRect().width, b.getBoundingClientRect().height]).filter(Boolean),
          skin: document.getElementById('skin').width, help: document.getElementById('help').textContent,
          layout: murlo.layout, rows: murlo.lcd(),
        };
      });
      assert.deepEqual(got.scroll, [width, height], `${what}: scrolls`);
      const h = got.handheld;
      assert.ok(h.left >= 0 && h.right <= width && h.top >= 0 && h.bottom <= height, `${what}: placed at ${JSON.stringify(h)}`);
      assert.equal(got.skin, Math.round(h.width * scale), `${what}: skin pixels across`);
      // The LCD in the screenshot, decoded by the browser.
      const lcd = await page.evaluate(async ([png, box, ratio, rows, clear, ink]) => {
        const image = new Image();
        image.src = `data:image/png;base64,${png}`;
        await image.decode();
        const x0 = Math.round(box.x * ratio), y0 = Math.round(box.y * ratio), side = Math.round(box.width * ratio);
        const canvas = document.createElement('canvas');
        canvas.width = canvas.height = side + 2;
        const context = canvas.getContext('2d');
        context.drawImage(image, -(x0 - 1), -(y0 - 1));
        const data = context.getImageData(0, 0, side + 2, side + 2).data;
        const at = (x, y) => data.subarray(((y + 1) * (side + 2) + x + 1) * 4, ((y + 1) * (side + 2) + x + 1) * 4 + 3);
        const square = side / 32;
        let wrong = 0, light = 0;
        for (let y = -1; y <= side; ++y) {
          for (let x = -1; x <= side; ++x) {
            const p = at(x, y);
            if (x < 0 || y < 0 || x === side || y === side) {
              if (Math.max(...p) > 90) light += 1;  // the bezel's frame is dark
              continue;
            }
            const bit = (rows[Math.floor(y / square)] >>> Math.floor(x / square)) & 1;
            const want = bit ? ink : clear;
            if (p[0] !== want[0] || p[1] !== want[1] || p[2] !== want[2]) wrong += 1;
          }
        }
        return { side, square, wrong, light };
      }, [shot.toString('base64'), got.lcd, scale, got.rows, palettes.handheld.clear, palettes.handheld.ink]);
      assert.ok(Number.isInteger(lcd.square) && lcd.square >= 8, `${what}: a display pixel of ${lcd.square} screen pixels`);
      assert.deepEqual([lcd.wrong, lcd.light], [0, 0], `${what}: screen pixels off their square's colour, light ones round the LCD`);

      const shown = got.layout;
      if (!phone) {
        assert.equal(shown.index, 0, `${what}: the landscape handheld`);
        assert.ok(Math.abs(h.width / h.height - 512 / 400) < 0.01 && h.top >= got.top.bottom, `${what}: ${JSON.stringify(h)}`);
        assert.ok(got.menu.length > 4 && !(await page.isVisible('#menu-button')), `${what}: the menu a bar`);
        await page.context().close();
        continue;
      }
      assert.equal(got.menu.length, 1, `${what}: the menu folded`);
      assert.ok(got.menu[0][0] >= 44 && got.menu[0][1] >= 44, `${what}: a menu button of ${got.menu[0]}`);
      assert.match(got.help, /pad/);
      const unit = h.width / shown.width;
      if (width > height) {
        assert.equal(shown.index, 2, `${what}: held sideways`);
        assert.ok(h.width >= width - 4 && got.lcd.height >= 0.75 * height, `${what}: ${JSON.stringify([h, got.lcd])}`);
        assert.ok(got.line.bottom < h.top + (sideways.padY - sideways.padReach) * unit && got.line.right < got.lcd.left,
                  `${what}: the line on the body: ${JSON.stringify(got.line)}`);
        // The largest square of each key, probed every 2 CSS pixels.
        const sides = await page.evaluate(([w, hgt]) => {
          const step = 2, columns = Math.floor(w / step), lines = Math.floor(hgt / step);
          const sides = {};
          let above = new Array(columns).fill(0);
          let aboveKeys = new Array(columns).fill(-1);
          for (let j = 0; j < lines; ++j) {
            const row = [], keys = [];
            for (let i = 0; i < columns; ++i) {
              const key = murlo.keysAt(i * step, j * step);
              keys.push(key);
              const n = key && i > 0 && keys[i - 1] === key && aboveKeys[i] === key && aboveKeys[i - 1] === key
                ? Math.min(row[i - 1], above[i], above[i - 1]) + 1 : 1;
              row.push(n);
              if (key) sides[key] = Math.max(sides[key] || 0, (n - 1) * step);
            }
            above = row;
            aboveKeys = keys;
          }
          return sides;
        }, [width, height]);
        for (const [key, name] of [[0x01, 'Z'], [0x02, 'Right'], [0x04, 'Left'], [0x08, 'Down'], [0x10, 'Up']]) {
          assert.ok(sides[key] >= 56, `${what}: ${name} holds a square of ${sides[key]} CSS pixels`);
        }
        const pad = await control(page, 'centre'), z = await control(page, 'z');
        assert.ok(pad.x < got.lcd.left && pad.x < 0.2 * width && z.x > got.lcd.right && z.x > 0.8 * width,
                  `${what}: pad at ${pad.x}, Z at ${z.x}`);
        await page.context().close();
        continue;
      }
      assert.equal(shown.index, 1, `${what}: held upright`);
      assert.ok(h.top - got.top.bottom <= 12 && h.bottom >= height - 8, `${what}: ${JSON.stringify([got.top, h])}`);
      assert.ok(2 * upright.padReach * unit >= 0.4 * width, `${what}: pad ${2 * upright.padReach * unit} px`);
      assert.ok(2 * upright.buttonKey * unit >= 0.2 * width, `${what}: Z ${2 * upright.buttonKey * unit} px`);
      const padY = (await control(page, 'centre')).y, padTop = padY - upright.padReach * unit;
      assert.ok(got.lcd.width >= 0.75 * width && got.lcd.bottom < padTop && h.bottom - (padY + upright.padReach * unit) < 0.15 * width,
                `${what}: screen on top, pad at the bottom (${padY})`);
      if (width !== 390) {
        await page.context().close();
        continue;
      }
      await setHidden(page, false);
      const down = await control(page, 'down');
      const { send } = await touches(page);
      await send('touchStart', [down]);
      await playing(page);
      await send('touchEnd', []);
      await played(page, 2 * frame);
      await send('touchStart', [down]);
      await hears(page, digSounds);
      await send('touchEnd', []);
      // Paused by a touch on the screen: the best depth under it, right.
      await tap(page, { x: got.lcd.x + got.lcd.width / 2, y: got.lcd.y + got.lcd.height / 2 }, 10);
      assert.equal(await page.evaluate(() => murlo.paused), true);
      const best = await page.locator('#best').boundingBox();
      assert.ok(best.y > got.lcd.bottom && best.y + best.height < padTop &&
                Math.abs(best.x + best.width - got.lcd.right) < 2, `the best depth at ${JSON.stringify(best)}`);
      await page.screenshot({ path: path.join(process.env.MURLO_SHOTS || tmpdir(), `screen-paused-${width}x${height}.png`) });
      // The menu opens as a list, thumb-high (the board's entries hidden: no board here).
      await page.click('#menu-button');
      const entries = await page.evaluate(() => Array.from(document.querySelectorAll('#entries button'))
        .filter((b) => !b.hidden).map((b) => b.checkVisibility() && b.getBoundingClientRect().height));
      assert.ok(entries.length > 4 && entries.every((e) => e >= 44), `entries ${entries}`);
      await page.screenshot({ path: path.join(process.env.MURLO_SHOTS || tmpdir(), `screen-menu-${width}x${height}.png`) });
      await page.setViewportSize({ width: height, height: width });
      await page.waitForFunction(() => murlo.layout.index === 2);
      await page.context().close();
    }
  },

  // No tap is lost: a 10 ms key tap and a 10 ms touch on Z each leave the
  // title, and in play a touch on the pad's Right let go at once holds
  // Right at one poll, once, and the digger moves. The script the page records of all
  // that replays to the same calls.
  async taps() {
    const keyed = await open();
    await keyed.keyboard.press('KeyZ', { delay: 10 });
    await playing(keyed);
    await keyed.context().close();

    const page = await open({ hasTouch: true, isMobile: true, viewport: { width: 844, height: 390 } },
                            () => { window.murloRecord = []; });
    await tap(page, await control(page, 'z'), 10);
    await playing(page);
    await played(page, 5 * frame);
    const before = await page.evaluate(() => window.murloRecord.length);
    // (Let go at once: a busy machine could stretch a held touch over two
    // polls.)
    await tap(page, await control(page, 'right'), 0);
    await played(page, 5 * frame);
    const after = (await page.evaluate(() => window.murloRecord)).slice(before);
    const right = polls(after).filter((line) => parseInt(line.slice(5), 16) & 0x02);
    assert.deepEqual(right, ['poll 02'], 'Right held at one poll');
    const shown = after.filter((line) => line.startsWith('present '));
    const last = (await page.evaluate((n) => window.murloRecord.slice(0, n), before))
      .filter((line) => line.startsWith('present ')).pop();
    assert.notEqual(shown[shown.length - 1], last, 'the digger moved');

    const script = await page.evaluate(() => murlo.run());
    await page.waitForFunction((n) => window.murloRecord.filter((l) => l.startsWith('poll ')).length > n,
                               expand(script.trim()).length);
    assertSameCalls(await page.evaluate(() => window.murloRecord), replayTrace('-', script), 'the recorded run');
  },

  // A run shared as a link: Share after a short game copies the page's
  // address with the run; the replay tool reads the link as the script it
  // carries; a fresh page opened at it watches the run, paused a while and
  // faster on request, with exactly the calls the tool traces, and then
  // plays on; its game, begun by the link, does not count for the best
  // depth. Save run downloads the script, Open run watches it, and Play
  // from here hands the game to the keys at once. A won game's link is
  // under 2 KB.
  async share() {
    const page = await open();
    await page.context().grantPermissions(['clipboard-read', 'clipboard-write'], { origin });
    await page.keyboard.press('KeyZ');
    await playing(page);
    await page.keyboard.down('ArrowDown');
    await hears(page, digSounds);
    await page.keyboard.up('ArrowDown');
    await page.keyboard.press('ArrowRight');
    await page.waitForFunction(() => murlo.run().split(/\s+/).some((token) => parseInt(token, 16) & 0x02));
    await played(page, 60 * frame);  // a run that lasts a while
    await page.click('#share');
    await page.waitForFunction(() => /copied/.test(document.getElementById('note').textContent));
    const link = await page.evaluate(() => navigator.clipboard.readText());
    assert.equal(link, await page.evaluate(() => murlo.link));
    assert.match(link, new RegExp(`^${pageUrl.replace(/[.?]/g, '\\$&')}#run=1\\.[A-Za-z0-9_-]+$`));
    const trace = replayTrace(link);
    const text = inflateRawSync(Buffer.from(link.split('#run=1.')[1], 'base64url')).toString();
    assert.deepEqual(replayTrace('-', text), trace, 'the link and its script');
    assert.ok(polls(trace).includes('poll 08'), 'the run digs');

    const [download] = await Promise.all([page.waitForEvent('download'), page.click('#save')]);
    const saved = path.join(mkdtempSync(path.join(tmpdir(), 'murlo-run-')), download.suggestedFilename());
    await download.saveAs(saved);
    assert.ok(saved.endsWith('.script'));
    assert.match(readFileSync(saved, 'utf8'), /^# murlo \d+\.\d+\.\d+, run recorded in a browser/);
    const savedPolls = polls(replayTrace(saved));
    assert.deepEqual(savedPolls.slice(0, polls(trace).length), polls(trace), 'the saved run goes on from the link');

    const winText = readFileSync(path.join(source, 'tests', 'replay', 'win.script'), 'utf8')
      .replace(/#.*$/gm, '').split(/\s+/).filter(Boolean).join(' ') + '\n';
    const winLink = await page.evaluate((t) => murlo.linkFor(t), winText);
    assert.ok(winLink.length < 2048, `a won game's link is ${winLink.length} characters`);
    await page.context().close();

    // Paused while watched, so the run is still on when it is made faster.
    const watcher = await open({}, () => { window.murloRecord = []; }, undefined, link);
    assert.equal(await watcher.evaluate(() => [murlo.watching, location.href].join()), `true,${link}`);
    await playing(watcher);
    await watcher.keyboard.press('KeyP');
    assert.equal(await watcher.evaluate(() => murlo.paused), true, 'a watched game paused');
    await watcher.click('#faster');
    await watcher.click('#faster');
    assert.equal(await watcher.locator('#speed').textContent(), 'Watching at 4x');
    await watcher.keyboard.press('KeyP');
    await watcher.waitForFunction(() => !murlo.watching);
    assert.equal(await watcher.locator('#watching').isHidden(), true);
    assert.equal(await watcher.evaluate(() => location.href), pageUrl, 'the link gone once played to its end');
    await watcher.waitForFunction((n) => window.murloRecord.filter((l) => l.startsWith('poll ')).length > n,
                                  polls(trace).length);
    assertSameCalls(await watcher.evaluate(() => window.murloRecord), trace, 'the link\'s run');
    await setHidden(watcher, true);
    assert.deepEqual(await watcher.evaluate(() => [murlo.depth, murlo.best, localStorage.getItem('murlo.best')]),
                     [-1, 0, null], 'the link\'s game counts for no best depth');
    await watcher.context().close();

    // Taken over: the link leaves the address, and a reload starts afresh.
    const taker = await open({}, null, undefined, link);
    await taker.click('#takeover');
    assert.equal(await taker.evaluate(() => [murlo.watching, location.href].join()), `false,${pageUrl}`);
    await taker.reload();
    await taker.waitForFunction(() => window.murlo && murlo.presented > 0);
    assert.ok(await onTitle(taker) && !(await taker.evaluate(() => murlo.watching)), 'a reload after taking over');
    await taker.context().close();

    const opener = await open({}, () => { window.murloRecord = []; });
    await opener.setInputFiles('#file', saved);
    await opener.waitForFunction(() => murlo.watching);
    await opener.click('#takeover');
    assert.equal(await opener.evaluate(() => murlo.watching), false);
    const handed = await opener.evaluate(() => window.murloRecord.length);
    await opener.keyboard.down('ArrowLeft');
    await opener.waitForFunction((n) => window.murloRecord.slice(n).some((line) =>
      line.startsWith('poll ') && parseInt(line.slice(5), 16) & 0x04), handed);  // the keys play on
    await opener.keyboard.up('ArrowLeft');
    rmSync(path.dirname(saved), { recursive: true, force: true });
  },

  // Damaged, cut or hostile links: one plain line says so, the link leaves
  // the address (a reload warns no more), and the game starts as usual. A
  // good link opened then is watched without the other's note.
  async damaged() {
    const b64 = (bytes) => Buffer.from(bytes).toString('base64url');
    const good = b64(deflateRawSync('01 08*3\n'));
    const links = {
      'bad base64': '#run=1.@@@@',
      'unknown form': `#run=2.${good}`,
      'bad deflate': `#run=1.${b64('no deflate here')}`,
      'cut short': `#run=1.${good.slice(0, -3)}`,
      'bad token': `#run=1.${b64(deflateRawSync('01 08*0\n'))}`,
      'over 16 MiB': `#run=1.${b64(deflateRawSync(Buffer.alloc(16 * 1024 * 1024 + 1, 0x20)))}`,
    };
    for (const [what, link] of Object.entries(links)) {
      const page = await open({}, null, undefined, pageUrl + link);
      await page.waitForFunction(() => !document.getElementById('note').hidden);
      const note = await page.locator('#note').textContent();
      assert.match(note, /^[^\n]*damaged[^\n]*$/, what);
      assert.equal(await page.evaluate(() => murlo.watching), false, what);
      assert.equal(await page.evaluate(() => location.href), pageUrl, what);
      assert.ok(await onTitle(page), what);
      await played(page, 300);  // the title runs
      if (what === 'bad token') {
        await page.reload();
        await page.waitForFunction(() => window.murlo && murlo.presented > 0);
        await played(page, 300);
        assert.equal(await page.locator('#note').isHidden(), true, 'a note after the reload');
        await page.evaluate((hash) => { location.hash = hash; }, `#run=1.${good}`);
        await page.waitForFunction(() => murlo.watching);
        assert.equal(await page.locator('#note').isHidden(), true, 'the damaged link\'s note beside another');
      }
      await page.context().close();
    }
  },

  // The screen is kept on while a game runs on a shown page: the lock is
  // asked for when play starts, let go when the game is paused or the page
  // hidden (which pauses it) and asked for again when it goes on, and let
  // go when the game ends. That browser keeps nothing (its storage refused):
  // one line says the game cannot be kept, and the best depth of the visit
  // is shown all the same. A browser without
  // wake locks plays as well.
  async wakelock() {
    const script = diesDeep;
    const page = await openScripted(expand(script), () => {
      Object.defineProperty(window, 'localStorage', {
        get: () => { throw new DOMException('storage refused', 'SecurityError'); },
      });
      window.locks = [];
      navigator.wakeLock.request = (type) => {
        window.locks.push(`request ${type}`);
        const lock = new EventTarget();
        lock.release = () => {
          window.locks.push('release');
          lock.dispatchEvent(new Event('release'));
          return Promise.resolve();
        };
        return Promise.resolve(lock);
      };
    });
    const locks = () => page.evaluate(() => window.locks);
    const until = (count) => page.waitForFunction((n) => window.locks.length >= n, count);
    await until(1);
    assert.deepEqual(await locks(), ['request screen']);
    assert.match(await page.locator('#note').textContent(), /^[^\n]*not kept[^\n]*storage[^\n]*$/);
    await page.keyboard.press('KeyP');  // paused: the game cannot end meanwhile
    await until(2);
    await page.keyboard.press('KeyP');
    await until(3);
    await setHidden(page, true);
    await until(4);
    await setHidden(page, false);  // paused, until the player goes on
    await quiet(page, 300);
    assert.deepEqual(await locks(), ['request screen', 'release', 'request screen', 'release'], 'while paused');
    await page.evaluate(() => goOn());
    await until(5);
    assert.deepEqual(await locks(), ['request screen', 'release', 'request screen', 'release', 'request screen']);
    await until(6);
    assert.equal((await locks())[5], 'release', 'let go when the game ended');
    assert.ok((await page.evaluate(() => window.heard)).includes('auu.wav'), 'the game ended');
    const best = await page.evaluate(() => [murlo.best, document.getElementById('best').getAttribute('aria-label')]);
    assert.ok(best[0] > 0 && best[1] === `BEST ${best[0]}`, `the best depth without storage: ${best}`);
    await page.context().close();

    const plain = await open({}, () => { delete Navigator.prototype.wakeLock; });
    await plain.keyboard.press('KeyZ');
    await playing(plain);
    await played(plain, 10 * frame);
  },

  // A game of the player's hidden, then closed, in the middle comes back
  // at the next visit, paused on the same picture, as the same run: the
  // second visit's calls begin with all of the first's, and the run it
  // shares replays to every call of both. Closed as it runs, it comes
  // back as it was closed. A second tab meanwhile starts on the title and
  // says where the game is. A kept game that is damaged, cut or another
  // version's is named in one line, set aside, and the title starts.
  async suspend() {
    const context = await browser.newContext({ viewport: { width: 1000, height: 700 } });
    await context.grantPermissions(['clipboard-read', 'clipboard-write'], { origin });
    await context.addInitScript(() => { window.murloRecord = []; });
    const first = await openIn(context);
    await first.keyboard.press('KeyZ');
    await playing(first);
    await digTo(first, 2);
    await setHidden(first, true);  // held: no more calls
    const left = await first.evaluate(() => [murlo.lcd(), murlo.depth, window.murloRecord.slice()]);
    await first.close();

    const page = await openIn(context);
    const kept = await page.evaluate(() => localStorage.getItem('murlo.suspend'));
    assert.deepEqual(await page.evaluate(() => [murlo.lcd(), murlo.depth, window.murloRecord.slice(), murlo.paused]),
                     [...left, true], 'the picture, the depth and the calls of the game left, paused');
    assert.match(await page.locator('#paused').textContent(), /^Paused: /);

    const other = await openIn(context);
    assert.match(await other.locator('#note').textContent(), /^[^\n]*being played in another[^\n]*$/);
    assert.ok(await onTitle(other), 'a second tab on the title');
    await other.close();

    await page.keyboard.press('ArrowDown');
    assert.equal(await page.evaluate(() => murlo.paused), false);
    await digTo(page, left[1] + 1);
    await page.click('#share');
    await page.waitForFunction(() => /copied/.test(document.getElementById('note').textContent));
    const trace = replayTrace(await page.evaluate(() => navigator.clipboard.readText()));
    await page.waitForFunction((n) => window.murloRecord.filter((l) => l.startsWith('poll ')).length > n,
                               polls(trace).length);
    const record = await page.evaluate(() => window.murloRecord.slice());
    assertSameCalls(record, trace, 'the resumed run');
    // Closed while it runs: kept as it closes.
    await page.close();
    const third = await openIn(context);
    assert.equal(await third.evaluate(() => murlo.paused), true);
    assert.deepEqual((await third.evaluate(() => window.murloRecord)).slice(0, record.length), record,
                     'the calls of the game closed');
    await context.close();

    const bytes = Buffer.from(kept, 'base64');
    const otherVersion = Buffer.from(bytes);
    otherVersion[7] += 1;
    const cases = {
      'not base64': [':-(', /^[^\n]*damaged[^\n]*$/],
      'cut short': [bytes.subarray(0, 200).toString('base64'), /^[^\n]*damaged[^\n]*$/],
      'another version\'s': [otherVersion.toString('base64'), /^(?![^\n]*damaged)[^\n]*another version[^\n]*$/],
    };
    for (const [what, [text, says]] of Object.entries(cases)) {
      const bad = await open({}, (t) => localStorage.setItem('murlo.suspend', t), text);
      await bad.waitForFunction(() => !document.getElementById('note').hidden);
      assert.match(await bad.locator('#note').textContent(), says, what);
      assert.ok(await onTitle(bad) && !(await bad.evaluate(() => murlo.paused)), what);
      assert.deepEqual(await bad.evaluate(() => [localStorage.getItem('murlo.suspend'),
                                                 localStorage.getItem('murlo.suspend.bad')]), [null, text], what);
      await bad.context().close();
    }
  },
};

// The pixels of a PNG screenshot, decoded by the browser itself.
async function decodePng(page, file) {
  const { width, height, data } = await page.evaluate(async (base64) => {
    const image = new Image();
    image.src = `data:image/png;base64,${base64}`;
    await image.decode();
    const canvas = document.createElement('canvas');
    canvas.width = image.width;
    canvas.height = image.height;
    const context = canvas.getContext('2d');
    context.drawImage(image, 0, 0);
    return { width: image.width, height: image.height,
             data: Array.from(context.getImageData(0, 0, image.width, image.height).data) };
  }, file.toString('base64'));
  return { width, height, pixel: (x, y) => data.slice((y * width + x) * 4, (y * width + x) * 4 + 3) };
}

const name = process.argv[2];
let status = 0;
try {
  assert.ok(checks[name], `no check called ${name}; checks: ${Object.keys(checks).join(', ')}`);
  await checks[name]();
  assert.deepEqual(problems, [], 'the page had problems');
  console.log(`page check ${name}: passed`);
} catch (error) {
  console.error(`page check ${name}: FAILED\n${error.stack || error}`);
  if (problems.length) console.error(problems.join('\n'));
  status = 1;
} finally {
  await browser.close();
  server.close();
}
process.exit(status);
