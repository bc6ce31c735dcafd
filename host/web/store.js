// The browser's storage: the text the game keeps under a key (its session
// says what and when; web_host.cpp which key holds what), the page's own
// settings, the lock that makes one page the keeper of the player's game,
// and the words of what the session has to say about them.
import * as game from './game.js';
import { note } from './menu.js';

const storage = () => window.localStorage;  // (a refused one throws)

// The text under `key` handed to the game: its size, -1 when there is
// none, -2 when storage cannot be read.
export function read(key) {
  let text;
  try {
    text = storage().getItem(key);
  } catch (e) {
    return -2;
  }
  if (text === null) return -1;
  const bytes = new TextEncoder().encode(text);
  game.bytesIn(bytes);
  return bytes.length;
}

// Whether `text` is kept under `key`, whole.
export function write(key, text) {
  try {
    storage().setItem(key, text);
    return true;
  } catch (e) {
    return false;
  }
}

export function remove(key) {
  try { storage().removeItem(key); } catch (e) { /* nothing kept */ }
}

// A setting of the page's ('murlo.sound', ...): null when none is kept.
// (One that cannot be written is remembered for the visit.)
export function setting(key) {
  try { return storage().getItem(key); } catch (e) { return null; }
}

// Whether this page keeps the player's games: the first of the browser's
// pages to ask for the lock, for as long as it is open (the browser lets
// the lock go when it closes, however). Without locks (an old browser, a
// page not served over https) no page can tell it is the only one: none
// keeps.
export function claim() {
  return new Promise((answer) => {
    if (!navigator.locks) return answer(false);
    try {
      navigator.locks.request('murlo.suspend', {ifAvailable: true}, (lock) => {
        answer(lock !== null);
        return lock === null ? null : new Promise(() => {});  // held while the page lives
      }).catch(() => answer(false));
    } catch (e) {
      answer(false);
    }
  });
}

// The session's notices (session.h's Notice, in order): a line for the
// player, and one for the console with the detail.
const notKept = 'This game is not kept if the page closes: ';
const notices = [
  [null, 'the best depth this browser keeps cannot be read: it starts again from 0'],
  [null, 'the best depth this browser keeps is damaged (%): the best depth starts again from 0'],
  [null, 'the best depth cannot be kept in this browser'],
  [null, 'the game kept in this browser cannot be read'],
  ['The game kept here is damaged, so it cannot go on.', 'the game kept in this browser cannot go on: %'],
  ['The game kept here is from another version of Murlo, which this one cannot go on with.',
   'the game kept in this browser cannot go on: %'],
  ['The game kept in this browser is being played in another of its tabs.', null],
  [notKept + 'Murlo is open in another tab, which keeps its game.', null],
  [notKept + 'the browser\'s storage is full or refused.', null],
];

export function say(notice, detail) {
  let [line, warning] = notices[notice] || [null, 'notice ' + notice];
  if (!navigator.locks && notice === 6) [line, warning] = [null, 'the game kept here is not gone on with: ' +
                                                           'without locks no page keeps games'];
  if (!navigator.locks && notice === 7) line = notKept + 'keeping it needs a page served over https, in a recent browser.';
  if (warning) console.warn('murlo: ' + warning.replace('%', detail));
  if (line) note(line);
}
