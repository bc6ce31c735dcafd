// Runs: the page's run shared as a link, saved as a script and offered to
// a board that serves the page; a link or a script file watched, faster
// on request, until it ends or the player plays from there. The game
// writes and reads links and scripts; the browser deflates and inflates.
import * as board from './board.js';
import * as game from './game.js';
import * as layout from './layout.js';
import { addEntry, dropNote, note } from './menu.js';

const $ = (id) => document.getElementById(id);
let speed = 1;  // how fast a watched script plays
let lastLink = '';

export const link = () => lastLink;

export function entries() {
  addEntry({id: 'share', text: ['Share'], title: 'A link that plays this run', click: share});
  addEntry({id: 'save', text: ['Save', '\u00a0run'], title: 'Download this run as a script', click: save});
  addEntry({id: 'open', text: ['Open', '\u00a0run'], title: 'Watch a run from a script file',
            click: () => $('file').click()});
  $('file').addEventListener('change', () => {
    const file = $('file').files[0];
    $('file').value = '';
    if (file) openFile(file);
  });
  $('faster').addEventListener('click', () => {
    speed = speed >= 8 ? 1 : speed * 2;
    game.send(game.Speed, speed);
    showWatching(game.state.watching);
  });
  $('takeover').addEventListener('click', () => game.send(game.TakeOver));
  window.addEventListener('hashchange', () => {
    if (location.hash.startsWith('#run=')) openLink(location.hash);
  });
  // A run's file dropped anywhere on the page.
  document.addEventListener('dragover', (event) => event.preventDefault());
  document.addEventListener('drop', (event) => {
    event.preventDefault();
    const files = event.dataTransfer && event.dataTransfer.files;
    if (files && files.length) openFile(files[0]);
  });
}

const through = (bytes, transform) => new Blob([bytes]).stream().pipeThrough(transform);

// The link of a run's script: this page's address and the run's part,
// which the game makes of the text the browser deflates.
export function linkFor(text) {
  const deflated = through(new TextEncoder().encode(text), new CompressionStream('deflate-raw'));
  return new Response(deflated).arrayBuffer().then((buffer) => location.href.split('#')[0] +
                                                               game.linkOf(new Uint8Array(buffer)));
}

// The script a link carries (a link, or its '#run=...' part), refused
// when it is damaged or would pass the longest a link may carry.
export function linkText(link) {
  const bytes = game.linkBytes(link);
  if (typeof bytes === 'string') return Promise.reject(new Error(bytes));
  const reader = through(bytes, new DecompressionStream('deflate-raw')).getReader();
  const parts = [];
  let size = 0;
  const next = () => reader.read().then((part) => {
    if (part.done) return new Blob(parts).text();
    size += part.value.length;
    if (size > game.setup.maxLinkText) {
      reader.cancel().catch(() => {});
      throw new Error('its script is over 16 MiB');
    }
    parts.push(part.value);
    return next();
  });
  return next().catch((error) => { throw new Error(error.message || 'not raw deflate'); });
}

// A link that cannot be watched: one line says so, and it leaves the
// address.
export function damaged(why) {
  console.warn('murlo: the link is damaged: ' + why);
  note('This link is damaged, so its run cannot be shown.');
  dropLink();
}

function openLink(link) {
  linkText(link).then((text) => watch(text, damaged), (error) => damaged(error.message));
}

function openFile(file) {
  if (file.size > game.setup.maxLinkText) return note('That file is too large to be a run.');
  file.text().then((text) => watch(text, (why) => note(`That file is not a run (${why}).`)),
                   () => note('That file could not be read.'));
}

// Plays a script's text from the game's start, or says why it cannot.
function watch(text, refused) {
  const why = game.watch(text);
  if (why !== null) return refused(why);
  offer(null);
  dropNote();  // a note was about what was shown before
  speed = 1;
  game.run();
}

// The address bar tells the truth: once the link in it is refused, taken
// over or played to its end, it goes, so a reload neither watches it
// again nor warns again.
function dropLink() {
  if (!location.hash.startsWith('#run=')) return;
  try { history.replaceState(history.state, '', location.href.split('#')[0]); } catch (e) { /* kept */ }
}

// Whether a script is watched, as the game says (murlo_web_state).
export function showWatching(on) {
  $('watching').hidden = !on;
  if (!on) {
    speed = 1;
    dropLink();
  }
  $('speed').textContent = on && speed > 1 ? `Watching at ${speed}x` : 'Watching';
  layout.fit();
}

// The run a board may be sent now, or null for none: from the end of a
// game of the player's (the run the same however long the title runs on
// before it is sent: its passes are polls of the run, which a board takes
// only so many of) until the next game begins.
export const offer = (run) => board.offer(run);
export const gameOver = (own) => offer(own ? game.runText() : null);

function share() {
  linkFor(game.runText()).then((made) => {
    lastLink = made;
    if (navigator.share) return navigator.share({title: 'A run of Murlo', url: made}).catch(() => {});
    return navigator.clipboard.writeText(made).then(() => note('The link to this run is copied.'));
  }).catch(() => note('The link could not be made or copied here.'));
}

function save() {
  const text = `# murlo ${game.setup.version}, run recorded in a browser ${new Date().toISOString()}\n` +
               game.runText();
  const url = URL.createObjectURL(new Blob([text], {type: 'text/plain'}));
  const a = document.createElement('a');
  a.href = url;
  a.download = 'murlo-run.script';
  document.body.appendChild(a);
  a.click();
  a.remove();
  setTimeout(() => URL.revokeObjectURL(url), 10000);
}
