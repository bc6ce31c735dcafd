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

// The session's notices (session.h's Notice, by number), worded: a line
// for the player, or one for the console, with the detail if any.
export function say(notice, detail) {
  const warn = (text) => console.warn('murlo: ' + text);
  const notKept = 'This game is not kept if the page closes: ';
  switch (notice) {
    case 0: return warn('the best depth this browser keeps cannot be read: it starts again from 0');
    case 1: return warn(`the best depth this browser keeps is damaged (${JSON.stringify(detail)}): ` +
                        'the best depth starts again from 0');
    case 2: return warn('the best depth cannot be kept in this browser');
    case 3: return warn('the game kept in this browser cannot be read');
    case 4: case 5:
      warn('the game kept in this browser cannot go on: ' + detail);
      return note(notice === 4 ? 'The game kept here is damaged, so it cannot go on.'
                               : 'The game kept here is from another version of Murlo, which this one cannot go on with.');
    case 6:
      if (!navigator.locks) return warn('without locks no page can tell it is the only one: the game kept stays');
      return note('The game kept in this browser is being played in another of its tabs.');
    case 7: return note(notKept + (navigator.locks ? 'Murlo is open in another tab, which keeps its game.'
                                                   : 'keeping it needs a page served over https, in a recent browser.'));
    case 8: return note(notKept + 'the browser\'s storage is full or refused.');
    case 9: return warn('the run kept with the best depth is not the run of it: ' + detail);
  }
}
