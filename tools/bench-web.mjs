#!/usr/bin/env node
// Weight and speed of the web page, in headless Chromium (Debian's): the
// size of the page folder, the time from navigation to the first title
// frame (median of 5 loads), and the processor share of the page's
// renderer process over 10 s of title screen and 10 s of play (and, beside
// it, of the GPU and browser processes, which composite the picture), with
// the pictures the page shows a second on the title and in play and how far
// apart play's come, and for comparison the same of a bare page that only
// changes a 32 x 32 canvas as often as play does; and the title's passes
// a second with the processor throttled 4 and 8 times, as on a slow phone;
// and play's share over the bare canvas's, in the same run.
// A measurement, not a test: it prints figures and passes no judgement.
//
// usage: tools/bench-web.mjs [DIR]   (builds the web preset first and
//        measures its page, or measures the page folder DIR, another build
//        to compare with; BENCH_SECONDS changes the 10 s)
import { execFileSync } from 'node:child_process';
import { createRequire } from 'node:module';
import { readdirSync, readFileSync, statSync } from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { gzipSync } from 'node:zlib';

const root = path.join(path.dirname(fileURLToPath(import.meta.url)), '..');
const seconds = Number(process.env.BENCH_SECONDS || 10);
const run = (command, args) => execFileSync(command, args, { cwd: root, stdio: ['ignore', 'ignore', 'inherit'] });

if (!process.argv[2]) {
  run('cmake', ['--preset', 'web']);
  run('cmake', ['--build', '--preset', 'web', '--target', 'murlo_web_page']);
}
const modules = path.join(root, 'build-web', 'tests', 'web', 'npm');
run('cmake', [`-DSOURCE=${path.join(root, 'tests', 'web')}`, `-DDIR=${modules}`, '-P',
              path.join(root, 'tests', 'web', 'npm_ci.cmake')]);
const { chromium } = createRequire(path.join(modules, 'node_modules', 'x.js'))('playwright-core');
const { serve } = await import(path.join(root, 'tools', 'serve-web.mjs'));

// ---- weight --------------------------------------------------------------
const web = process.argv[2] ? path.resolve(process.argv[2]) : path.join(root, 'build-web', 'web');
let bytes = 0, gzipped = 0;
for (const name of readdirSync(web)) {
  const file = path.join(web, name);
  bytes += statSync(file).size;
  gzipped += gzipSync(readFileSync(file), { level: 9 }).length;
  console.log(`  ${name.padEnd(12)} ${String(statSync(file).size).padStart(8)} bytes`);
}
console.log(`page folder: ${(bytes / 1024).toFixed(1)} KiB (${(gzipped / 1024).toFixed(1)} KiB gzipped)`);

// ---- speed ---------------------------------------------------------------
const server = await serve(web);
const url = `http://127.0.0.1:${server.address().port}/`;
const args = ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
              '--disable-background-networking', '--disable-component-update', '--disable-sync'];
const launched = await chromium.launchServer({ executablePath: '/usr/bin/chromium', args });
const browser = await chromium.connect(launched.wsEndpoint());
const browserPid = launched.process().pid;

// Processor time (ns) of every process under the browser, by its --type.
function cpuByType() {
  const totals = {};
  const children = new Map();
  for (const entry of readdirSync('/proc')) {
    if (!/^\d+$/.test(entry)) continue;
    try {
      const stat = readFileSync(`/proc/${entry}/stat`, 'utf8');
      const ppid = Number(stat.slice(stat.lastIndexOf(')') + 2).split(' ')[1]);
      if (!children.has(ppid)) children.set(ppid, []);
      children.get(ppid).push(Number(entry));
    } catch { /* gone */ }
  }
  const walk = (pid) => {
    try {
      const cmd = readFileSync(`/proc/${pid}/cmdline`, 'utf8').split(/[\0 ]/);
      const type = (cmd.find((a) => a.startsWith('--type=')) || '--type=browser').slice(7);
      let ns = 0;
      for (const task of readdirSync(`/proc/${pid}/task`)) {
        ns += Number(readFileSync(`/proc/${pid}/task/${task}/schedstat`, 'utf8').split(' ')[0]);
      }
      totals[type] = (totals[type] || 0) + ns;
    } catch { /* gone */ }
    for (const child of children.get(pid) || []) walk(child);
  };
  walk(browserPid);
  return totals;
}

// Over `seconds`: with `walk`, the player walks left and right by turns,
// a second each way, so the picture changes in every frame.
async function share(page, label, walk = false, counter = () => murlo.presented) {
  const before = cpuByType();
  const t0 = process.hrtime.bigint();
  const n0 = await page.evaluate(counter);
  for (let s = 0; s < seconds; ++s) {
    const key = s % 2 ? 'ArrowLeft' : 'ArrowRight';
    if (walk) await page.keyboard.down(key);
    await page.waitForTimeout(1000);
    if (walk) await page.keyboard.up(key);
  }
  const n1 = await page.evaluate(counter);
  const after = cpuByType();
  const wall = Number(process.hrtime.bigint() - t0);
  const pct = (type) => (((after[type] || 0) - (before[type] || 0)) / wall * 100).toFixed(1);
  console.log(`${label}: renderer ${pct('renderer')}% of a core (GPU process ${pct('gpu-process')}%, ` +
              `browser ${pct('browser')}%), ${((n1 - n0) / seconds).toFixed(0)} pictures a second`);
  return Number(pct('renderer'));
}

const firsts = [];
for (let i = 0; i < 5; ++i) {
  const context = await browser.newContext({ viewport: { width: 1024, height: 768 } });
  const page = await context.newPage();
  await page.goto(url, { waitUntil: 'commit' });
  await page.waitForFunction(() => window.murlo && window.murlo.presented > 0, null, { polling: 'raf' });
  // From the start of navigation to the first title picture shown.
  firsts.push(await page.evaluate(() => performance.now()));
  await context.close();
}
firsts.sort((a, b) => a - b);
console.log(`first title frame: ${firsts[2].toFixed(0)} ms after navigation (median of 5; ` +
            `${firsts[0].toFixed(0)} to ${firsts[4].toFixed(0)})`);

const context = await browser.newContext({ viewport: { width: 1024, height: 768 } });
const page = await context.newPage();
await page.goto(url);
await page.waitForFunction(() => window.murlo && window.murlo.presented > 0);
await page.waitForTimeout(1000);
await share(page, 'title');
// A slow phone: the processor throttled 8 times. The title's passes come
// one a millisecond of the game's clock, all those due run at each run, so
// passes a second are the milliseconds the clock moves in a second.
const cdp = await context.newCDPSession(page);
for (const rate of [4, 8]) {
  await cdp.send('Emulation.setCPUThrottlingRate', { rate });
  await page.waitForTimeout(1000);
  const c0 = await page.evaluate(() => murlo.clock);
  const w0 = process.hrtime.bigint();
  await page.waitForTimeout(seconds * 1000);
  const c1 = await page.evaluate(() => murlo.clock);
  const wall = Number(process.hrtime.bigint() - w0) / 1e9;
  console.log(`title at ${rate}x throttling: ${((c1 - c0) / wall).toFixed(0)} passes a second (aim: 1000)`);
}
await cdp.send('Emulation.setCPUThrottlingRate', { rate: 1 });
await page.keyboard.down('KeyZ');
await page.waitForFunction(() => murlo.sound !== 'title.wav');
await page.keyboard.up('KeyZ');
await page.waitForTimeout(500);
// (The LCD's canvas is drawn each time a picture changes.)
await page.evaluate(() => {
  window.presentTimes = [];
  const put = CanvasRenderingContext2D.prototype.putImageData;
  CanvasRenderingContext2D.prototype.putImageData = function (...args) {
    if (this.canvas.id === 'lcd') window.presentTimes.push(performance.now());
    return put.apply(this, args);
  };
});
const play = await share(page, 'play ', true);
// The game's pace in play: a frame waits 5 ticks of 9 ms.
const gaps = await page.evaluate(() => presentTimes.slice(1).map((t, i) => t - presentTimes[i]).sort((a, b) => a - b));
console.log(`play frames: ${gaps[0].toFixed(1)} ms apart at the least, ${gaps[gaps.length >> 1].toFixed(1)} ms ` +
            `the median, ${gaps[gaps.length - 1].toFixed(1)} ms at the most (the game's wait: 45 ms)`);
await context.close();

// The floor: what any page pays here for a small picture that changes at
// play's pace.
const bare = await (await browser.newContext({ viewport: { width: 1024, height: 768 } })).newPage();
await bare.setContent('<canvas width="32" height="32" style="width:460px;height:460px;' +
                      'image-rendering:pixelated"></canvas>');
await bare.evaluate(() => {
  const canvas = document.querySelector('canvas').getContext('2d');
  const image = canvas.createImageData(32, 32);
  window.drawn = 0;
  const frame = () => {
    new Uint32Array(image.data.buffer).fill(++window.drawn & 1 ? 0xFF6E504F : 0xFFC6B6AA);
    canvas.putImageData(image, 0, 0);
    setTimeout(frame, 46);
  };
  frame();
});
await bare.waitForTimeout(2000);
const floor = await share(bare, 'bare canvas at the same pace', false, () => window.drawn);
console.log(`play against the bare canvas: ${(play / floor).toFixed(2)} times (aim: at most 1.2)`);

await browser.close();
await launched.close();
server.close();
