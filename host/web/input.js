// What the player does, handed to the game as it happens, with its time:
// the game keys held and let go (the arrows and Z by their place on the
// keyboard, fingers and the mouse on the controls drawn on the handheld,
// pads), P, Pause, a pad's Start or a touch on the screen (a pause, or
// going on), the focus lost, the page hidden, frozen or left, and shown.
// The game keeps every press until its next look at the keys, so a tap
// shorter than a frame still counts; which keys a point or a pad holds is
// the game's to say. Keys held as the page starts count once it runs.
import * as game from './game.js';
import * as layout from './layout.js';
import { unlock } from './sound.js';

const names = {KeyZ: 'z', ArrowRight: 'right', ArrowLeft: 'left', ArrowDown: 'down', ArrowUp: 'up'};
const codes = new Set();    // the game keys held on the keyboard, by KeyboardEvent.code
const pointers = new Map(); // pointerId -> the keys it holds
const pads = [];            // per pad: {start, keys}, as last looked at
let sent = 0;               // the keys the game was last told are held
let begun = false;          // the game runs
let padsSeen = false;       // pads are looked at only once one has been connected
let padWatch = false;       // ... each frame, while the page is shown

function held() {
  let bits = 0;
  if (game.setup.keys) for (const code of codes) bits |= game.setup.keys[names[code]];
  for (const keys of pointers.values()) bits |= keys;
  for (const pad of pads) bits |= pad.keys;
  return bits;
}

// The keys held now, handed to the game when they changed.
function update(at) {
  const keys = held();
  if (keys === sent) return;
  sent = keys;
  game.send(game.Keys, keys, at);
}

// Keys and touches held when the focus goes or the page is hidden count
// as let go: their release may never come.
function release(at) {
  codes.clear();
  pointers.clear();
  update(at);
}

// The game runs: it hears what is held already, and whether it is hidden.
export function begin() {
  begun = true;
  sent = held();
  game.send(game.Keys, sent);
  if (document.hidden) game.send(game.Hidden);
  watchPads();
}

window.addEventListener('keydown', (event) => {
  if (document.querySelector('dialog[open]')) return;  // typing there
  if ((event.code === 'KeyP' || event.code === 'Pause') && !event.ctrlKey && !event.metaKey && !event.altKey) {
    event.preventDefault();
    if (!event.repeat) game.send(game.Pause, 0, event.timeStamp);
    return;
  }
  if (!names[event.code]) return;
  event.preventDefault();  // arrows never scroll the page
  if (event.repeat) return;
  codes.add(event.code);
  update(event.timeStamp);
  unlock();
});
window.addEventListener('keyup', (event) => {
  if (!names[event.code]) return;
  event.preventDefault();
  codes.delete(event.code);
  update(event.timeStamp);
});
window.addEventListener('blur', (event) => {
  release(event.timeStamp);
  game.send(game.FocusLost, 0, event.timeStamp);
});
document.addEventListener('visibilitychange', (event) => {
  if (document.hidden) {
    release(event.timeStamp);
    game.send(game.Hidden, 0, event.timeStamp);
  } else {
    game.send(game.Shown, 0, event.timeStamp);
    watchPads();
  }
});
// Frozen or left, the page may never run again.
window.addEventListener('pagehide', (event) => game.send(game.Hidden, 0, event.timeStamp));
document.addEventListener('freeze', (event) => game.send(game.Hidden, 0, event.timeStamp));

// A touch on the screen pauses the game, and one anywhere on the handheld
// goes on with a paused one; the keys of the controls under a finger or
// the mouse are held while it stays there.
const handheld = document.getElementById('handheld');
handheld.addEventListener('pointerdown', (event) => {
  if (!begun || (event.pointerType === 'mouse' && event.button !== 0)) return;
  event.preventDefault();
  try { handheld.setPointerCapture(event.pointerId); } catch (e) { /* already gone */ }
  const point = layout.point(event);
  if (game.state.paused || layout.onScreen(point)) game.send(game.Pause, 0, event.timeStamp);
  pointers.set(event.pointerId, game.keysAt(point));
  update(event.timeStamp);
  unlock();
});
// A finger slid onto a control presses it (not while paused: a touch goes
// on, a slide does not).
handheld.addEventListener('pointermove', (event) => {
  if (!pointers.has(event.pointerId)) return;
  pointers.set(event.pointerId, game.keysAt(layout.point(event)));
  if (!game.state.paused) update(event.timeStamp);
});
const lift = (event) => {
  if (pointers.delete(event.pointerId)) update(event.timeStamp);
};
handheld.addEventListener('pointerup', lift);
handheld.addEventListener('pointercancel', lift);
handheld.addEventListener('lostpointercapture', lift);
handheld.addEventListener('contextmenu', (event) => event.preventDefault());

// The layout fitted again to a changed window: fingers on the old one's
// controls are let go.
window.addEventListener('resize', (event) => {
  if (!begun) return;
  const was = layout.shown().index;
  layout.fit();
  if (layout.shown().index === was) return;
  pointers.clear();
  update(event.timeStamp);
});

// Standard-mapping pads: the D-pad (buttons 12 to 15), the south and east
// buttons (0 and 1) and the left stick hold keys as the game reads them;
// Start (button 9) pauses and goes on. Pads have no events for their
// buttons: they are looked at each frame, so a press shorter than a poll's
// gap still counts. A button pressed is a gesture that lets sound start.
const padButtons = [12, 13, 14, 15, 0, 1];
const pressed = (pad, n) => !!(pad.buttons[n] && pad.buttons[n].pressed);

function readPads() {
  try {
    return Array.prototype.filter.call(navigator.getGamepads() || [], (pad) => pad && pad.connected !== false);
  } catch (e) {
    return [];
  }
}

function watchPads() {
  if (padWatch || !padsSeen || !begun || document.hidden) return;
  padWatch = true;
  const look = (at) => {
    if (document.hidden) return void (padWatch = false);
    const now = readPads().map((pad, i) => {
      const axis = (n) => Math.round(Math.max(-1, Math.min(1, (pad.axes && pad.axes[n]) || 0)) * 32767);
      const buttons = padButtons.reduce((bits, n, k) => bits | (pressed(pad, n) ? 1 << k : 0), 0);
      const was = pads[i] || {start: false, keys: 0};
      const state = {start: pressed(pad, 9), keys: game.padKeys(buttons, axis(0), axis(1))};
      if (state.start && !was.start) game.send(game.Pause, 0, at);
      if ((state.start && !was.start) || (state.keys & ~was.keys)) unlock();
      return state;
    });
    pads.splice(0, pads.length, ...now);
    update(at);
    requestAnimationFrame(look);
  };
  requestAnimationFrame(look);
}

// Pads connected before the page started announced themselves already.
window.addEventListener('gamepadconnected', () => {
  padsSeen = true;
  watchPads();
});
try {
  padsSeen = Array.prototype.some.call(navigator.getGamepads ? navigator.getGamepads() : [], (pad) => !!pad);
} catch (e) { /* no pads */ }
