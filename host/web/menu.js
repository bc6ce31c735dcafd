// The menu and the line beside it. The menu is a list of entries, each a
// button: a bar on a desktop, one button that opens the list on a phone.
// The line shows a note for a while, else what goes on with a paused game,
// else the help (none while a run is watched).
import * as game from './game.js';

const $ = (id) => document.getElementById(id);
let noteTimer = null;

// An entry: {id, text (the words, part of them in a span the narrowest
// screens leave out, led by a no-break space, which a flex item keeps:
// [all, wide]), title, click, stays (the list stays open after a click)}.
export function addEntry(entry) {
  const button = document.createElement('button');
  button.type = 'button';
  button.id = entry.id;
  if (entry.title) button.title = entry.title;
  if (entry.text) {
    button.textContent = entry.text[0];
    if (entry.text[1]) {
      const wide = document.createElement('span');
      wide.className = 'wide';
      wide.textContent = entry.text[1];
      button.appendChild(wide);
    }
  }
  button.addEventListener('click', () => {
    if (!entry.stays) showMenu(false);
    entry.click();
  });
  $('entries').appendChild(button);
  return button;
}

export function showMenu(open) {
  $('entries').classList.toggle('open', open);
  $('menu-button').setAttribute('aria-expanded', open ? 'true' : 'false');
}

// The menu button, and what the help says for the device at hand.
export function build() {
  $('menu-button').addEventListener('click', () => showMenu(!$('entries').classList.contains('open')));
  // A touch elsewhere closes the list.
  document.addEventListener('pointerdown', (event) => {
    if (!$('menu').contains(event.target)) showMenu(false);
  }, true);
  const touch = window.matchMedia('(pointer: coarse)').matches;
  $('help').textContent = touch ? 'The pad walks and digs; touch Z or the pad to start, the screen to pause.'
                                : 'Arrows walk and dig; Z or an arrow starts; P pauses.';
  $('paused').textContent = touch ? 'Paused: touch the handheld to go on.' : 'Paused: P, Z or an arrow goes on.';
}

// The last entry: full screen, where the browser has it.
export function fullScreenEntry(then) {
  const page = document.documentElement;
  const full = page.requestFullscreen || page.webkitRequestFullscreen;
  if (!full) return;
  addEntry({id: 'fullscreen', text: ['Full', '\u00a0screen'], click: () => {
    if (document.fullscreenElement || document.webkitFullscreenElement) {
      (document.exitFullscreen || document.webkitExitFullscreen).call(document);
    } else {
      const asked = full.call(page);
      if (asked && asked.catch) asked.catch(() => {});
    }
    then();
  }});
}

// One plain line where the help is, for a while.
export function note(text) {
  $('note').textContent = text;
  if (noteTimer !== null) clearTimeout(noteTimer);
  noteTimer = setTimeout(() => {
    noteTimer = null;
    showLines();
  }, 10000);
  showLines();
}

// A note about something gone (a link refused before another opened).
export function dropNote() {
  if (noteTimer !== null) clearTimeout(noteTimer);
  noteTimer = null;
  showLines();
}

export function showLines() {
  const noting = noteTimer !== null;
  $('note').hidden = !noting;
  $('paused').hidden = noting || !game.state.paused;
  $('help').hidden = noting || game.state.paused || game.state.watching;
}
