// The page: the game (the wasm, murlo.js) loaded with the page's handlers
// for its calls, started once the page knows whether it keeps the
// player's games, and the test interface. Each of the page's jobs is a
// module with its own state: game.js (the game's exports and its timer),
// input.js, layout.js, picture.js (the LCD), best.js, sound.js, wake.js,
// runs.js (links, files, watching), menu.js (the menu and the line),
// store.js (the browser's storage and the lock), and board.js (a board
// that serves the page). Geometry, colours, key bits, the rules of links
// and every rule of play, pause, the kept game and the best depth are the
// game's; none is written here.
import * as best from './best.js';
import * as board from './board.js';
import * as game from './game.js';
import * as input from './input.js';
import * as layout from './layout.js';
import * as menu from './menu.js';
import * as picture from './picture.js';
import * as runs from './runs.js';
import * as sound from './sound.js';
import * as store from './store.js';
import { keepAwake } from './wake.js';

// The test interface's record: a test that sets window.murloRecord to an
// array before the page loads finds in it every call the game makes, as
// the replay tool traces them ('poll 08', 'present ...', 'wait 5', ...),
// after each run.
const record = Array.isArray(window.murloRecord) ? window.murloRecord : null;

function fail(text) {
  const message = document.getElementById('message');
  message.textContent = text;
  message.hidden = false;
  document.getElementById('handheld').style.display = 'none';
}

// The game is paused or the page hidden, or neither: the sound, the wake
// lock and the line follow.
function held() {
  const still = document.hidden || game.state.paused;
  sound.hold(still);
  keepAwake(game.state.playing && !still);
  menu.showLines();
}

// What the game calls (library.js), by name.
const page = {
  layout: layout.told,
  palette: picture.palette,
  start: game.started,
  present: picture.present,
  sound: sound.play,
  trace(text) {
    const lines = text.split('\n');
    lines.pop();  // after the last line's end
    for (const line of lines) record.push(line);
  },
  samples: sound.samples,
  state(playing, paused, watching) {
    const was = game.told(playing, paused, watching);
    if (playing && !was.playing) runs.offer(null);  // a new game
    if (watching !== was.watching) runs.showWatching(watching);
    held();
  },
  best: best.show,
  gameOver: runs.gameOver,
  give: game.give,
  read: store.read,
  write: store.write,
  remove: store.remove,
  say: store.say,
};

async function start() {
  if (typeof WebAssembly !== 'object' || typeof WebAssembly.instantiate !== 'function') {
    return fail('Murlo needs a browser with WebAssembly, and this one has none (or has it turned off). ' +
                'Any recent Chrome, Edge, Firefox or Safari will do.');
  }
  const keeping = store.claim();
  let load;
  try {
    load = (await import('./murlo.js')).default;
  } catch (error) {
    return fail('Murlo could not load its program (murlo.js).');
  }
  const instance = await load({page, onAbort: (what) => fail('Murlo stopped: ' + what),
                               printErr: (text) => console.warn(text)}).catch(() => null);
  if (!instance) return;  // (said by onAbort)
  game.attach(instance);
  picture.init();
  menu.build();
  sound.entry();
  picture.entry();
  runs.entries();
  menu.fullScreenEntry(() => sound.unlock());
  board.attach(menu.addEntry);
  window.murlo = api;
  document.addEventListener('visibilitychange', held);
  // The game starts once the page knows whether it keeps the player's
  // game: the game kept goes on, or the run of a link in the address is
  // watched (the game kept stays kept).
  const keeps = await keeping;
  let script = '';
  if (location.hash.startsWith('#run=')) {
    script = await runs.linkText(location.hash).catch((error) => {
      runs.damaged(error.message);
      return '';
    });
  }
  const refused = game.open(keeps, record !== null, script);
  if (refused !== null) runs.damaged(refused);
  input.begin();  // (which runs it)
  layout.fit();  // the skin is drawn after the game's first run
}

// The test interface, kept in the released page.
const api = {
  get presented() { return picture.count(); },
  get clock() { return game.clock(); },  // ms the game has run
  lcd: picture.lcd,
  get sound() { return sound.playing(); },
  get watching() { return game.state.watching; },
  get paused() { return game.state.paused; },
  get link() { return runs.link(); },
  get best() { return best.shown(); },
  get depth() { return game.depth(); },
  run: game.runText,
  linkFor: runs.linkFor,
  // The layout shown ({index, width, height, ...}, as stretched), and the
  // keys a touch at a point of the page holds.
  get layout() { return layout.shown(); },
  keysAt: (x, y) => game.keysAt(layout.point({clientX: x, clientY: y})),
};

start();

// Every file of the page kept for playing offline (sw.js): asked for a
// little after the page has started, so that fetching them all again
// does not slow the first visit's start.
if ('serviceWorker' in navigator) {
  window.addEventListener('load', () => setTimeout(() => {
    navigator.serviceWorker.register('sw.js').catch((error) => {
      console.warn('Murlo will not play offline: ' + error.message);
    });
  }, 1000));
}
