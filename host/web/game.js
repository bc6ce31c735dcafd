// The game (the wasm) as the page's modules reach it: its exports, the
// Host they are handed, the timer that runs it when it asks, what happens
// on the page handed to it with its time on the page's clock
// (performance.now(), on which events' timeStamps are too), and bytes
// handed in and out. web_host.cpp says what each export does.

let game = null;  // the instance, once it runs
let host = 0;     // the game's side of the page, handed back with every call
let opened = false;
let timer = null;
let given = null;  // the bytes the game gave last (murlo_web_give)

// What the game said at its start (murlo_web_start): the key bits, the
// colours of the body and its ink, the sounds, the version, the longest
// script a link may carry.
export const setup = {};
// What the game said last of itself (see told).
export const state = {playing: false, paused: false, watching: false};

// What can happen, for send: murlo_web_event's kinds.
export const Keys = 0, Pause = 1, FocusLost = 2, Hidden = 3, Shown = 4, TakeOver = 5, Speed = 6;

export function started(s) {
  Object.assign(setup, s);
  host = s.host;
}

export function attach(instance) { game = instance; }

// What the game says of itself (murlo_web_state); what it said before.
export function told(playing, paused, watching) {
  const was = Object.assign({}, state);
  Object.assign(state, {playing, paused, watching});
  return was;
}

export const ready = () => game !== null;

export function css(rgb) { return '#' + (0x1000000 + rgb).toString(16).slice(1); }

export function give(bytes) { given = bytes; }

function take() {
  const bytes = given;
  given = null;
  return bytes;
}

export function bytesIn(bytes) { game.HEAPU8.set(bytes, game._murlo_web_in(host, bytes.length)); }

const textIn = (text) => bytesIn(new TextEncoder().encode(text));
const textOut = () => new TextDecoder().decode(take());

// Runs the game now; it says how long it may sleep (timers fire late,
// never early: rounded up, it is never run too soon), or that it waits
// for something to happen.
function schedule(wait) {
  if (timer !== null) clearTimeout(timer);
  timer = wait >= 0 ? setTimeout(run, Math.ceil(wait)) : null;
}

export function run() {
  if (opened) schedule(game._murlo_web_run(host, performance.now()));
}

// `kind` happened at `at` (an event's timeStamp: no later than now); the
// game runs after it. Nothing reaches a game not yet open.
export function send(kind, value = 0, at = Infinity) {
  if (!opened) return;
  const now = performance.now();
  schedule(game._murlo_web_event(host, kind, value, at > 0 ? Math.min(at, now) : now, now));
}

// The session opened (see murlo_web_open), watching `script` (text, or ''
// for the player's start); null when it goes on, else why the script was
// refused.
export function open(keeps, tracing, script) {
  textIn(script);
  const read = game._murlo_web_open(host, keeps ? 1 : 0, tracing ? 1 : 0);
  opened = true;
  return read ? null : textOut();
}

// A script's text watched from the game's start: null, or why it cannot be.
export function watch(text) {
  textIn(text);
  return game._murlo_web_watch(host) ? null : textOut();
}

export function runText() {
  game._murlo_web_run_text(host);
  return textOut();
}

// A link's deflated bytes, or a string saying why it has none.
export function linkBytes(link) {
  textIn(link);
  return game._murlo_web_link_bytes(host) >= 0 ? take() : textOut();
}

// The "#run=" part of a link for deflated bytes.
export function linkOf(bytes) {
  bytesIn(bytes);
  game._murlo_web_link_of(host);
  return textOut();
}

export const keysAt = (point) => game._murlo_web_keys_at(host, point[0], point[1]);
export const padKeys = (buttons, x, y) => game._murlo_web_pad_keys(buttons, x, y);
export const fit = (index, extra) => game._murlo_web_fit(host, index, extra);
export const makeSound = (index) => game._murlo_web_make_sound(index);
export const clock = () => game._murlo_web_clock(host);
export const depth = () => game._murlo_web_depth(host);

// `count` rows from `first` of a layout's skin as RGBA (see
// murlo_web_draw_skin), valid until the next call.
export function skinRows(index, k, columns, first, count, shiftX, shiftY) {
  const at = game._murlo_web_draw_skin(host, index, k, columns, first, count, shiftX, shiftY);
  return game.HEAPU8.subarray(at, at + columns * count * 4);
}
