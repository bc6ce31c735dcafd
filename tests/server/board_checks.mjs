// murlo-board against real databases: an SQLite file, and a PostgreSQL 15
// cluster of the test's own on 127.0.0.1. No mocks: the server is started
// as a program, spoken to over HTTP, killed with SIGKILL.
//
// usage: node board_checks.mjs CHECK DB   (CHECK: api, crash; DB: sqlite, postgres)
//        node board_checks.mjs shared     (two servers on one PostgreSQL)
// MURLO_BOARD: the server; MURLO_TEST_DIR: a folder for databases.
import { spawn, spawnSync } from 'node:child_process';
import { chmodSync, mkdirSync, mkdtempSync, readFileSync, rmSync } from 'node:fs';
import net from 'node:net';
import path from 'node:path';
import { deflateRawSync } from 'node:zlib';
import { fileURLToPath } from 'node:url';
import assert from 'node:assert/strict';

const here = path.dirname(fileURLToPath(import.meta.url));
const scripts = path.join(here, '..', 'replay');
const board = process.env.MURLO_BOARD;
mkdirSync(process.env.MURLO_TEST_DIR, { recursive: true });
const work = mkdtempSync(path.join(process.env.MURLO_TEST_DIR, 'board-'));
chmodSync(work, 0o755);
const cleanups = [];

const link = (text) => '#run=1.' + deflateRawSync(Buffer.from(text)).toString('base64url');
// A script's first n polls, one token each.
const firstPolls = (text, n) => text.replace(/#.*/g, '').split(/\s+/).filter(Boolean)
  .flatMap((token) => Array(token.includes('*') ? Number(token.split('*')[1]) : 1).fill(token.split('*')[0]))
  .slice(0, n).join(' ');

function freePort() {
  return new Promise((resolve) => {
    const s = net.createServer().listen(0, '127.0.0.1', () => {
      const { port } = s.address();
      s.close(() => resolve(port));
    });
  });
}

// A PostgreSQL cluster of this test's own, stopped at the end.
async function postgres() {
  const pg = '/usr/lib/postgresql/15/bin';
  const dir = path.join(work, 'pg');
  mkdirSync(path.join(dir, 'data'), { recursive: true });
  mkdirSync(path.join(dir, 'run'));
  chmodSync(dir, 0o755);
  spawnSync('chown', ['postgres', path.join(dir, 'data'), path.join(dir, 'run')]);
  const as = (...args) => {
    const r = spawnSync('runuser', ['-u', 'postgres', '--', ...args], { encoding: 'utf8' });
    assert.equal(r.status, 0, `${args.join(' ')}: ${r.stderr}`);
  };
  const port = await freePort();
  as(`${pg}/initdb`, '-D', `${dir}/data`, '-A', 'trust');
  as(`${pg}/pg_ctl`, '-D', `${dir}/data`, '-l', `${dir}/run/log`, '-w', 'start',
     '-o', `-p ${port} -k ${dir}/run -c listen_addresses=127.0.0.1`);
  cleanups.push(() => as(`${pg}/pg_ctl`, '-D', `${dir}/data`, '-m', 'immediate', 'stop'));
  as(`${pg}/createdb`, '-h', '127.0.0.1', '-p', String(port), 'board');
  return `postgresql://postgres@127.0.0.1:${port}/board`;
}

// The server started on a free port; resolves once it answers.
async function start(db, ...options) {
  const port = await freePort();
  const child = spawn(board, ['--db', db, '--port', String(port), ...options],
                      { stdio: ['ignore', 'pipe', 'inherit'] });
  const server = { child, url: `http://127.0.0.1:${port}`, exited: new Promise((r) => child.on('exit', r)) };
  cleanups.push(() => child.kill('SIGKILL'));
  await new Promise((resolve, reject) => {
    child.stdout.on('data', (d) => String(d).includes('serving on') && resolve());
    child.on('exit', (code) => reject(new Error(`murlo-board exited ${code}`)));
  });
  return server;
}

async function submit(server, name, run, headers = {}) {
  const r = await fetch(`${server.url}/api/runs`, {
    method: 'POST', headers: { 'Content-Type': 'application/json', ...headers },
    body: name === undefined ? run : JSON.stringify({ name, run }),
  });
  return { status: r.status, headers: r.headers, body: await r.json() };
}
const get = async (server, what) => (await fetch(server.url + what)).json();
async function wholeBoard(server) {
  const all = [];
  for (let offset = 0; ; offset += 100) {
    const { entries } = await get(server, `/api/board?limit=100&offset=${offset}`);
    all.push(...entries);
    if (entries.length < 100) return all;
  }
}

// Distinct runs, each its own board (the title's passes choose it), that
// dig and so reach some depth.
const dig = (i) => `00*${i + 1} 01 08*${150 + (i % 50)} 00*40\n`;

async function api(db) {
  const server = await start(db, '--per-minute', '0');
  const win = readFileSync(path.join(scripts, 'win.script'), 'utf8');
  const won = await submit(server, 'Winner', link(win));
  assert.equal(won.status, 201, JSON.stringify(won.body));
  assert.equal(won.body.depth, 1000);
  assert.equal(won.body.rank, 1);

  // A bot's run (murlo-autoplay made level1.script), its air then run
  // out, and a second, shallower game: the first game's depth and frames.
  const level1 = readFileSync(path.join(scripts, 'level1.script'), 'utf8');
  const bot = await submit(server, 'Bot <b>&"\'', level1 + '00*1200\n01 08*40\n');
  assert.equal(bot.status, 201, JSON.stringify(bot.body));
  assert.deepEqual([bot.body.depth, bot.body.games, bot.body.rank], [100, 2, 2]);
  // The same scoring part (two title passes, Z, then the frames up to the
  // depth), with or without what follows, is the same entry; a poll less
  // is not as deep.
  const again = await submit(server, 'Copycat', link(firstPolls(level1, 3 + bot.body.frames)));
  assert.equal(again.status, 200);
  assert.deepEqual([again.body.id, again.body.name], [bot.body.id, 'Bot <b>&"\'']);
  const short = await submit(server, 'Short', firstPolls(level1, 2 + bot.body.frames));
  assert.equal(short.status, 201);
  assert.ok(short.body.depth < 100 && short.body.frames < bot.body.frames);

  const entry = await get(server, `/api/runs/${bot.body.id}`);
  assert.equal(entry.depth, 100);
  assert.match(entry.link, /^\/#run=1\.[A-Za-z0-9_-]+$/);
  const replayed = await submit(server, 'Replayed', entry.link);
  assert.deepEqual([replayed.status, replayed.body.id], [200, bot.body.id]);

  // Bad input: its answer, and nothing stored.
  const before = JSON.stringify(await wholeBoard(server));
  const cases = [
    [413, 'x', '00 '.repeat(90000)],
    [400, 'x', '#run=1.AAAA'],
    [400, 'x', link('00 '.repeat(6 << 20))],
    [400, 'x', '00*3 01\n08\nzz 08\n', /line 3: bad token 'zz'/],
    [400, 'x', '00*400000 01 08*100001', /500000/],
    [422, 'x', '00*5000'],
    [422, 'x', ''],
    [400, '', dig(1)],
    [400, 'a'.repeat(21), dig(1)],
    [400, 'tab\there', dig(1)],
    [400, 'zero\u200bwidth', dig(1)],
    [400, 'x', 'aaaaaaaaaa'],
    [400, undefined, JSON.stringify({ run: dig(1) })],
    [400, undefined, Buffer.concat([Buffer.from('{"name": "'), Buffer.from([0xff]), Buffer.from('", "run": "00"}')])],
    [400, undefined, 'not json'],
  ];
  for (const [status, name, run, message] of cases) {
    const r = await submit(server, name, run);
    assert.equal(r.status, status, `${name} ${String(run).slice(0, 40)}: ${JSON.stringify(r.body)}`);
    assert.equal(typeof r.body.error, 'string');
    if (message) assert.match(r.body.error, message);
  }
  // curl -d sends a form: past 8 KiB it is told to send JSON.
  const form = await submit(server, 'x', '00 '.repeat(3000), { 'Content-Type': 'application/x-www-form-urlencoded' });
  assert.equal(form.status, 413);
  assert.match(form.body.error, /as JSON/);
  assert.equal(JSON.stringify(await wholeBoard(server)), before);

  // Twenty characters of any script is a name; shown escaped.
  const wide = await submit(server, 'ü'.repeat(19) + '😀', dig(3));
  assert.equal(wide.status, 201, JSON.stringify(wide.body));
  const page = await fetch(`${server.url}/board`);
  const html = await page.text();
  assert.match(page.headers.get('content-security-policy'), /default-src 'none'/);
  assert.ok(html.includes('Bot &lt;b&gt;&amp;&quot;&#39;') && !html.includes('<b>'));
  assert.ok(html.includes(`href="${entry.link}">Watch`));
  assert.ok(html.includes('ü'.repeat(19) + '😀'));
  const listed = await wholeBoard(server);
  assert.deepEqual(listed.slice(0, 3).map((e) => e.name), ['Winner', 'Bot <b>&"\'', 'Short']);
  assert.deepEqual(listed.map((e) => e.rank), listed.map((_, i) => i + 1));
  assert.ok(listed.every((e, i) => i === 0 || listed[i - 1].depth > e.depth ||
                         (listed[i - 1].depth === e.depth && listed[i - 1].frames <= e.frames)));

  // A full queue is refused, never a backlog: many at once, none lost.
  // Each is the won run with a long wait on the title after it, so each
  // takes a while to play, and it claims nothing beyond the won entry.
  const longer = link(`${win}\n00*100000\n`);
  const flood = await Promise.all(Array.from({ length: 140 }, () => submit(server, 'Flood', longer)));
  const statuses = new Set(flood.map((r) => r.status));
  assert.ok(flood.some((r) => r.status === 503 && r.headers.get('retry-after')), [...statuses].join());
  assert.ok(flood.every((r) => r.status === 503 || (r.status === 200 && r.body.id === won.body.id)));

  // --remove takes an entry off, from another process.
  const removed = spawnSync(board, ['--db', db, '--remove', String(wide.body.id)], { encoding: 'utf8' });
  assert.equal(removed.status, 0, removed.stderr);
  assert.deepEqual((await wholeBoard(server)).map((e) => e.id), [won.body.id, bot.body.id, short.body.id]);
  assert.equal((await fetch(`${server.url}/api/runs/${wide.body.id}`)).status, 404);
  server.child.kill('SIGTERM');
  assert.equal(await server.exited, 0);

  // Each client address: 3 a minute here; behind the named proxy, the
  // address the proxy forwards for.
  const limited = await start(db, '--per-minute', '3', '--trust-proxy', '127.0.0.1');
  const from = (ip, i) => submit(limited, 'Limit', dig(10 + i), { 'X-Forwarded-For': `10.9.9.9, ${ip}` });
  for (let i = 0; i < 3; ++i) assert.notEqual((await from('192.0.2.1', i)).status, 429);
  const refused = await from('192.0.2.1', 3);
  assert.equal(refused.status, 429);
  assert.ok(Number(refused.headers.get('retry-after')) >= 1);
  assert.notEqual((await from('192.0.2.2', 4)).status, 429);
  limited.child.kill('SIGTERM');
  await limited.exited;
  const direct = await start(db, '--per-minute', '3');
  for (let i = 0; i < 3; ++i) assert.notEqual((await submit(direct, 'Limit', dig(i), { 'X-Forwarded-For': `192.0.2.${i}` })).status, 429);
  assert.equal((await submit(direct, 'Limit', dig(4), { 'X-Forwarded-For': '192.0.2.9' })).status, 429);
}

// Kill -9 in the middle of ~500 submissions; every 201 is on the board
// after the restart, and every entry there replays to its stored depth.
async function crash(db, servers = 1) {
  const first = [];
  for (let i = 0; i < servers; ++i) first.push(start(db, '--per-minute', '0'));
  const running = await Promise.all(first);
  const created = new Map();
  let answered = 0;
  let killed = false;
  const sent = Array.from({ length: 500 }, async (_, i) => {
    const server = running[i % servers];
    for (;;) {
      let r;
      try {
        r = await submit(server, `Run ${i}`, dig(i));
      } catch {
        return;  // the server was killed under it
      }
      if (r.status === 503) {
        await new Promise((resolve) => setTimeout(resolve, 200));
        continue;
      }
      if (r.status === 201) created.set(r.body.id, r.body);
      if (++answered === 150 && servers === 1) {
        killed = true;
        server.child.kill('SIGKILL');
      }
      return;
    }
  });
  await Promise.all(sent);
  assert.ok(created.size >= 100, `${created.size} stored`);
  let after = running;
  if (killed) after = [await start(db, '--per-minute', '0')];
  const boards = await Promise.all(after.map(wholeBoard));
  for (const b of boards) assert.deepEqual(b, boards[0]);
  const stored = new Map(boards[0].map((e) => [e.id, e]));
  for (const [id, e] of created) assert.equal(stored.get(id)?.depth, e.depth, `entry ${id}`);
  for (const e of boards[0]) {
    const { link: run } = await get(after[0], `/api/runs/${e.id}`);
    const r = await submit(after[0], 'Again', run);
    assert.deepEqual([r.status, r.body.id, r.body.depth, r.body.frames], [200, e.id, e.depth, e.frames]);
  }
  console.log(`${created.size} stored before the kill, ${boards[0].length} on the board after`);
}

try {
  const [check, kind] = process.argv.slice(2);
  const db = kind === 'postgres' || check === 'shared' ? await postgres() : path.join(work, 'board.sqlite');
  if (check === 'api') await api(db);
  else if (check === 'crash') await crash(db);
  else if (check === 'shared') await crash(db, 2);
  else throw new Error(`no check ${check}`);
  console.log(`${check} ${kind ?? ''}: passed`);
} finally {
  for (const cleanup of cleanups.reverse()) {
    try { cleanup(); } catch {}
  }
  rmSync(work, { recursive: true, force: true });
}
