// The page in headless Chromium (Debian's /usr/bin/chromium, driven by
// playwright-core), served from 127.0.0.1 by tools/serve-web.mjs.
//
// usage: node page_checks.mjs CHECK   (WEB_DIR: the built page folder,
//        MURLO_NODE_MODULES: the folder holding playwright-core,
//        MURLO_REPLAY: the replay tool for node, murlo-replay.js)
// Checks: load, play, touch, sound, blur, gamepad, hidden, lcd, replay.
import { spawnSync } from 'node:child_process';
import { createRequire } from 'node:module';
import { readFileSync } from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import assert from 'node:assert/strict';

const here = path.dirname(fileURLToPath(import.meta.url));
const source = path.join(here, '..', '..');
const { serve } = await import(path.join(source, 'tools', 'serve-web.mjs'));
const require = createRequire(path.resolve(process.env.MURLO_NODE_MODULES, 'x.js'));
const { chromium } = require('playwright-core');

// The skin's controls, the LCD's place and colours, read from the one
// place the hosts and the skin generator take them from.
const rules = readFileSync(path.join(source, 'host', 'handheld', 'handheld.h'), 'utf8');
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
const digSounds = ['dig.wav', 'break.wav', 'up.wav', 'down.wav'];

// ---- the harness ---------------------------------------------------------

// The folder above the page's, so the page is reached under a path
// (/web/), as on a static host where it is not at the top.
const webDir = path.resolve(process.env.WEB_DIR);
const server = await serve(path.dirname(webDir));
const origin = `http://127.0.0.1:${server.address().port}`;
const browser = await chromium.launch({
  executablePath: '/usr/bin/chromium',
  args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
         '--disable-background-networking', '--disable-component-update', '--disable-sync'],
});
const problems = [];  // page errors, console errors, failed or foreign requests

async function open(options = {}, initScript = null, initArg = undefined) {
  const context = await browser.newContext({ viewport: { width: 1000, height: 700 }, ...options });
  const page = await context.newPage();
  page.on('pageerror', (error) => problems.push(`page error: ${error.message}`));
  page.on('console', (message) => {
    if (message.type() === 'error') problems.push(`console error: ${message.text()}`);
  });
  page.on('request', (request) => {
    if (!request.url().startsWith(origin + '/')) problems.push(`request elsewhere: ${request.url()}`);
  });
  page.on('requestfailed', (request) => problems.push(`request failed: ${request.url()}`));
  page.on('response', (response) => {
    if (response.status() >= 400) problems.push(`HTTP ${response.status()}: ${response.url()}`);
  });
  if (initScript) await page.addInitScript(initScript, initArg);
  await page.goto(`${origin}/${path.basename(webDir)}/`);
  await page.waitForFunction(() => window.murlo && window.murlo.presented > 0, null, { timeout: 10000 });
  // Record every sound the game starts, and when frames are presented.
  await page.evaluate(() => {
    window.presentTimes = [];
    const present = MurloPage.present;
    MurloPage.present = (rows) => {
      window.presentTimes.push(performance.now());
      if (window.presentTimes.length > 100000) window.presentTimes.splice(0, 50000);
      present(rows);
    };
    window.heard = [];
    let last = window.murlo.sound;
    setInterval(() => {
      if (window.murlo.sound !== last) window.heard.push((last = window.murlo.sound));
    }, 2);
  });
  return page;
}

// Presents per second over `ms` milliseconds of the page's own time.
async function rate(page, ms) {
  const [n0, t0] = await page.evaluate(() => [murlo.presented, performance.now()]);
  await page.waitForTimeout(ms);
  const [n1, t1] = await page.evaluate(() => [murlo.presented, performance.now()]);
  return ((n1 - n0) * 1000) / (t1 - t0);
}

async function onTitle(page) {
  return page.evaluate(() => murlo.sound === 'title.wav');
}

// Page coordinates of window point (x, y) of the skin.
async function pagePoint(page, x, y) {
  const box = await page.locator('#handheld').boundingBox();
  return { x: box.x + ((x + 0.5) * box.width) / skin.width, y: box.y + ((y + 0.5) * box.height) / skin.height };
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
  // Loads from 127.0.0.1 with no error and nothing fetched from elsewhere;
  // the title runs at about a thousand passes a second with its music.
  async load() {
    const page = await open();
    assert.equal(await page.evaluate(() => murlo.sound), 'title.wav');
    // Never faster than a pass a millisecond; not much slower either,
    // unless the machine is very busy.
    const title = await rate(page, 1500);
    assert.ok(title > 600 && title < 1020, `title passes a second: ${title}`);
    const rows = await page.evaluate(() => murlo.lcd());
    assert.equal(rows.length, 32);
    assert.ok(rows.every((r) => Number.isInteger(r) && r >= 0 && r <= 0xFFFFFFFF));
    assert.ok(rows.some((r) => r !== 0) && rows.some((r) => r !== 0xFFFFFFFF), 'a picture on the title');
    assert.equal(await page.locator('#message').isHidden(), true);
    // The skin loaded, and the plain outline's fill is gone.
    await page.waitForFunction(() => document.getElementById('skin').naturalWidth > 0);
    assert.equal(await page.evaluate(() => getComputedStyle(document.getElementById('handheld')).backgroundColor),
                 'rgba(0, 0, 0, 0)');
  },

  // A key leaves the title into play, which runs at the game's pace (a
  // frame each 45 ms and a little more), and arrows never scroll the page.
  async play() {
    const page = await open();
    await page.waitForTimeout(200);
    assert.ok(await onTitle(page));
    await page.keyboard.down('KeyZ');
    await page.waitForFunction(() => murlo.sound !== 'title.wav', null, { timeout: 2000 });
    await page.keyboard.up('KeyZ');
    assert.equal(await page.evaluate(() => murlo.sound), '');
    // A frame waits 5 ticks of 9 ms: presents never come closer than 45 ms,
    // and mostly not much further apart.
    const start = await page.evaluate(() => performance.now());
    await page.waitForTimeout(2000);
    const times = await page.evaluate((t) => window.presentTimes.filter((x) => x > t), start);
    const gaps = times.slice(1).map((t, i) => t - times[i]).sort((a, b) => a - b);
    assert.ok(gaps.length >= 25, `${gaps.length + 1} frames in 2 s`);
    assert.ok(gaps[0] >= 45, `frames ${gaps[0]} ms apart`);
    assert.ok(gaps[gaps.length >> 1] < 50, `frames mostly ${gaps[gaps.length >> 1]} ms apart`);
    await page.keyboard.down('ArrowDown');
    await page.waitForTimeout(1500);
    await page.keyboard.up('ArrowDown');
    const heard = await page.evaluate(() => window.heard);
    assert.ok(heard.some((s) => digSounds.includes(s)), `digging down: ${heard}`);
    assert.equal(await page.evaluate(() => [scrollX, scrollY].join()), '0,0');
  },

  // The pad and the Z button drawn on the skin, by touch: the pad's centre
  // holds nothing; a finger slid onto the Down arm holds Down, which leaves
  // the title; in play, Down digs while a second finger holds Z.
  async touch() {
    const page = await open({ hasTouch: true, isMobile: true, viewport: { width: 390, height: 844 } });
    const { send } = await touches(page);
    const centre = await pagePoint(page, skin.padX, skin.padY);
    const down = await pagePoint(page, skin.padX, skin.padY + skin.padMark);
    const z = await pagePoint(page, skin.buttonX, skin.buttonY);
    await send('touchStart', [centre]);
    await page.waitForTimeout(300);
    assert.ok(await onTitle(page), 'the pad centre holds no key');
    await send('touchMove', [down]);
    await page.waitForFunction(() => murlo.sound !== 'title.wav', null, { timeout: 2000 });
    await send('touchEnd', []);
    await page.waitForTimeout(200);
    // A fresh press of Down (a hard block below takes one) with Z beside it.
    await send('touchStart', [down, z]);
    await page.waitForTimeout(1500);
    await send('touchEnd', []);
    const heard = await page.evaluate(() => window.heard);
    assert.ok(heard.some((s) => digSounds.includes(s)), `digging down by touch: ${heard}`);
  },

  // No sound before a gesture; the first one (a click on the sound button)
  // starts the title music where it would be by then; a key then stops it,
  // and the game's sounds start from their beginning.
  async sound() {
    const page = await open({}, () => {
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
    await page.waitForTimeout(1500);
    assert.deepEqual(await page.evaluate(() => window.started), [], 'no sound before a gesture');
    const clicked = await page.evaluate(() => performance.now());
    await page.click('#sound');
    await page.waitForFunction(() => window.started.length > 0, null, { timeout: 5000 });
    const [title] = await page.evaluate(() => window.started);
    assert.ok(title.length > 10, `the title music (${title.length} s)`);
    assert.ok(title.offset >= clicked / 1000 - 0.5 && title.offset <= title.at / 1000,
              `started ${title.offset} s in, clicked at ${clicked / 1000} s`);
    assert.equal(await page.locator('#sound').textContent(), 'Sound on');
    await page.keyboard.down('KeyZ');
    await page.waitForFunction(() => murlo.sound === '', null, { timeout: 2000 });
    await page.keyboard.up('KeyZ');
    assert.ok(await page.evaluate(() => window.stopped) >= 1, 'the title music stopped');
    // A fresh press of Down digs whatever lies below (a hard block too).
    await page.keyboard.down('ArrowDown');
    await page.waitForFunction(() => window.started.length > 1, null, { timeout: 5000 });
    await page.keyboard.up('ArrowDown');
    const later = (await page.evaluate(() => window.started)).slice(1);
    assert.ok(later.every((s) => s.offset < 0.1 && s.length < 2), JSON.stringify(later));
  },

  // Keys held when the page loses focus count as released.
  async blur() {
    const page = await open();
    await page.keyboard.down('ArrowLeft');
    await page.keyboard.down('KeyZ');
    assert.notEqual(await page.evaluate(() => MurloPage.keys()), 0);
    await page.evaluate(() => window.dispatchEvent(new Event('blur')));
    assert.equal(await page.evaluate(() => MurloPage.keys()), 0);
  },

  // A standard-mapping pad: the south button leaves the title, the D-pad's
  // Down digs.
  async gamepad() {
    const page = await open({}, () => {
      window.padButtons = new Array(17).fill(false);
      navigator.getGamepads = () => [{
        id: 'test pad', index: 0, connected: true, mapping: 'standard', axes: [0, 0, 0, 0],
        buttons: window.padButtons.map((pressed) => ({ pressed, value: pressed ? 1 : 0 })),
      }];
    });
    await page.waitForTimeout(300);
    assert.ok(await onTitle(page));
    await page.evaluate(() => { window.padButtons[0] = true; });
    await page.waitForFunction(() => murlo.sound !== 'title.wav', null, { timeout: 2000 });
    await page.evaluate(() => { window.padButtons[0] = false; window.padButtons[13] = true; });
    await page.waitForTimeout(1500);
    const heard = await page.evaluate(() => window.heard);
    assert.ok(heard.some((s) => digSounds.includes(s)), `digging down by pad: ${heard}`);
  },

  // A hidden page holds the game: nothing is presented until it is shown,
  // and then the game goes on.
  async hidden() {
    const page = await open();
    await page.keyboard.down('KeyZ');
    await page.waitForFunction(() => murlo.sound !== 'title.wav', null, { timeout: 2000 });
    await page.keyboard.up('KeyZ');
    await setHidden(page, true);
    await page.waitForTimeout(100);
    const held = await rate(page, 1000);
    assert.equal(held, 0, 'presents while hidden');
    await setHidden(page, false);
    const again = await rate(page, 1000);
    assert.ok(again > 10, `game frames a second once shown: ${again}`);
  },

  // The page plays an input script, a poll each: the title, a game to the
  // digger's death, the closing pictures (with the page hidden for a while
  // among them), the title again and a new game. Every call the page
  // carries out, in order, frames and all, is what the replay tool traces
  // for the same script.
  async replay() {
    const script = '00*2 01 08*6 04*5 08*3 04*3 0a*11 04*7 08*9 0c*2 00*5 01 08*20';
    const keys = script.split(' ').flatMap((token) => {
      const [value, count = '1'] = token.split('*');
      return new Array(Number(count)).fill(parseInt(value, 16));
    });
    const page = await open({}, (keys) => {
      window.murloRecord = [];
      // The page's keys, replaced before its first poll by the script's.
      let murloPage;
      Object.defineProperty(window, 'MurloPage', {
        configurable: true,
        get: () => murloPage,
        set: (value) => {
          murloPage = value;
          let next = 0;
          murloPage.keys = () => (next < keys.length ? keys[next++] : 0);
        },
      });
    }, keys);
    await page.waitForFunction(() => window.murloRecord.includes('sound auu.wav'), null, { timeout: 10000 });
    await setHidden(page, true);
    const hiddenAt = await page.evaluate(() => window.murloRecord.length);
    await page.waitForTimeout(500);
    assert.equal(await page.evaluate(() => window.murloRecord.length), hiddenAt, 'calls while hidden');
    await setHidden(page, false);
    // Up to the poll after the script's last, where the replay tool quits.
    const polls = keys.length + 1;
    await page.waitForFunction((n) => window.murloRecord.filter((l) => l.startsWith('poll ')).length >= n,
                               polls, { timeout: 60000, polling: 100 });
    const record = await page.evaluate(() => window.murloRecord);
    let seen = 0;
    const got = record.slice(0, record.findIndex((l) => l.startsWith('poll ') && ++seen === polls));
    const replay = spawnSync(process.execPath, [process.env.MURLO_REPLAY, '-'],
                             { input: script + '\n', encoding: 'utf8' });
    assert.equal(replay.status, 0, replay.stderr);
    const want = replay.stdout.trimEnd().split('\n');
    assert.equal(want.pop(), 'quit');
    assert.ok(want.includes('sound auu.wav') && want.lastIndexOf('sound title.wav') > 0,
              'the script dies and comes back to the title');
    const differs = want.findIndex((line, i) => got[i] !== line);
    assert.ok(differs < 0 && got.length === want.length,
              `the page's calls differ from the replay tool's at line ${differs + 1} of ${want.length} ` +
              `(${got.length} on the page):\n  page:   ${got[differs]}\n  replay: ${want[differs]}`);
  },

  // The LCD on screen: every pixel of it in one of the two colours (no
  // smoothing), each display pixel a square of the colour its bit says.
  async lcd() {
    const page = await open({ deviceScaleFactor: 1, viewport: { width: 1000, height: 700 } });
    await setHidden(page, true);  // hold the game, so the picture stays
    await page.waitForTimeout(200);
    const rows = await page.evaluate(() => murlo.lcd());
    // The whole screen pixels inside the LCD's box (its edges may fall
    // between two, blended with the bezel).
    const box = await page.locator('#lcd').boundingBox();
    const left = Math.ceil(box.x), top = Math.ceil(box.y);
    const clip = { x: left, y: top, width: Math.floor(box.x + box.width) - left,
                   height: Math.floor(box.y + box.height) - top };
    const shot = await decodePng(page, await page.screenshot({ clip }));
    const clear = colour('lcd_clear');
    const ink = colour('lcd_ink');
    const cell = box.width / 32;
    assert.ok(cell > 8, `a display pixel ${cell} screen pixels wide`);
    let ambiguous = 0;
    for (let y = 0; y < shot.height; ++y) {
      for (let x = 0; x < shot.width; ++x) {
        const p = shot.pixel(x, y);
        const isClear = p.every((v, i) => v === clear[i]);
        const isInk = p.every((v, i) => v === ink[i]);
        assert.ok(isClear || isInk, `pixel (${x}, ${y}) is ${p}, neither LCD colour`);
        // Away from the squares' edges, the colour is the bit's.
        const lx = (left + x + 0.5 - box.x) / cell, ly = (top + y + 0.5 - box.y) / cell;
        const fx = lx - Math.floor(lx), fy = ly - Math.floor(ly);
        if (fx < 0.15 || fx > 0.85 || fy < 0.15 || fy > 0.85) continue;
        const bit = (rows[Math.floor(ly)] >>> Math.floor(lx)) & 1;
        if (bit !== (isInk ? 1 : 0)) ambiguous += 1;
      }
    }
    assert.equal(ambiguous, 0, 'screen pixels showing the wrong colour for their bit');
    assert.ok(rows.some((r) => r !== 0), 'a picture to compare');
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
