// The replay tool built for node answers its command line as the native
// one does: the same traces on stdout, the same messages on stderr and the
// same exit statuses; picture capture, absent here, is refused with 2 (a
// palette, which only colours pictures, is checked and changes nothing).
//
// usage: node replay_cli.mjs path/to/murlo-replay.js
import { spawnSync } from 'node:child_process';
import { existsSync, mkdtempSync, openSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { deflateRawSync } from 'node:zlib';
import assert from 'node:assert/strict';

const tool = process.argv[2];
const work = mkdtempSync(path.join(tmpdir(), 'murlo-replay-cli-'));
const usage = 'usage: murlo-replay [--png DIR] [--gif FILE] [--palette NAME] [--ghost RUN] [SCRIPT|-]\n' +
              '       murlo-replay --help | --version\n';

function run(args, { input = '', stdout = 'pipe' } = {}) {
  const result = spawnSync(process.execPath, [tool, ...args], {
    input, stdio: ['pipe', stdout, 'pipe'], encoding: 'utf8',
  });
  return { status: result.status, out: result.stdout ?? '', err: result.stderr };
}

function script(name, text) {
  const file = path.join(work, name);
  writeFileSync(file, text);
  return file;
}

const short = 'sound title.wav\npoll 08\nstop\nquit\n';
// A run shared as a link: the page's address, #run=1. and the script
// raw-deflated in base64url.
const link = (text) => `#run=1.${deflateRawSync(text).toString('base64url')}`;
const good = script('good.script', '# a key at once\n08\n');
const cases = [
  ['a script file', run([good]), { status: 0, out: short, err: '' }],
  ['standard input', run([], { input: '08\n' }), { status: 0, out: short, err: '' }],
  ['- for standard input', run(['-'], { input: '08' }), { status: 0, out: short, err: '' }],
  ['a bad token', run([script('bad.script', '08\n\n00*0\n')]), {
    status: 2, out: '',
    err: `murlo-replay: ${path.join(work, 'bad.script')}: line 3: bad token '00*0': a repeat count must be at least 1\n`,
  }],
  ['bits 5..7', run(['-'], { input: '20' }), {
    status: 2, out: '', err: "murlo-replay: -: line 1: bad token '20': only bits 0..4 name keys\n",
  }],
  ['a link', run([`https://example.org/murlo/${link('# a key at once\n08\n')}`]), { status: 0, out: short, err: '' }],
  ['the run part of a link', run([link('08')]), { status: 0, out: short, err: '' }],
  ['a link cut short', run([link('00*5 08\n').slice(0, -2)]), {
    status: 2, out: '', err: 'murlo-replay: the link is damaged: not raw deflate\n',
  }],
  ['a link with more after its end', run([`#run=1.${Buffer.concat([deflateRawSync('08'), Buffer.from('x')]).toString('base64url')}`]), {
    status: 2, out: '', err: 'murlo-replay: the link is damaged: not raw deflate\n',
  }],
  ['a link over 16 MiB', run([link(Buffer.alloc(16 * 1024 * 1024 + 1, 0x20))]), {
    status: 2, out: '', err: 'murlo-replay: the link is damaged: its script is over 16 MiB\n',
  }],
  ['a link with a bad token', run([link('08 00*0\n')]), {
    status: 2, out: '', err: "murlo-replay: the link is damaged: line 1: bad token '00*0': a repeat count must be at least 1\n",
  }],
  ['a missing script', run([path.join(work, 'none.script')]), {
    status: 2, out: '', err: `murlo-replay: cannot open ${path.join(work, 'none.script')}\n`,
  }],
  ['an unknown option', run(['--fast', good]), {
    status: 2, out: '', err: `murlo-replay: unknown option --fast\n${usage}`,
  }],
  ['two scripts', run([good, good]), {
    status: 2, out: '', err: `murlo-replay: more than one script: ${good}\n${usage}`,
  }],
  ['--png', run(['--png', path.join(work, 'frames'), good]), {
    status: 2, out: '', err: `murlo-replay: pictures are not available in this build: --png\n${usage}`,
  }],
  ['--gif', run(['--gif', path.join(work, 'game.gif'), good]), {
    status: 2, out: '', err: `murlo-replay: pictures are not available in this build: --gif\n${usage}`,
  }],
  ['--palette', run(['--palette', 'high-contrast', good]), { status: 0, out: short, err: '' }],
  ['a bad palette', run(['--palette', 'bright', good]), {
    status: 2, out: '', err: `murlo-replay: unknown palette (handheld or high-contrast): bright\n${usage}`,
  }],
  ['a trace that cannot be written', run([good], { stdout: openSync('/dev/full', 'w') }), {
    status: 1, out: '', err: 'murlo-replay: cannot write the trace\n',
  }],
];

let failed = 0;
for (const [name, got, want] of cases) {
  try {
    assert.deepEqual(got, want);
  } catch (error) {
    failed += 1;
    console.error(`replay tool, ${name}: FAILED\n${error.message}`);
  }
}
try {
  const help = run(['--help']);
  assert.equal(help.status, 0);
  assert.ok(help.out.startsWith(usage));
  assert.ok(!existsSync(path.join(work, 'frames')) && !existsSync(path.join(work, 'game.gif')),
            'no picture output made');
} catch (error) {
  failed += 1;
  console.error(`replay tool, help and outputs: FAILED\n${error.message}`);
}
console.log(`${cases.length + 1 - failed} passed, ${failed} failed`);
process.exit(failed ? 1 : 0);
