// The sound: what the game plays, made by the game's own synthesiser once
// sound can be heard, started where it would be by then (on the game's
// clock, which stands still while the game is paused or hidden), held
// while the game is, and the menu's button that turns it on and off.
// Browsers let sound start only from a gesture: the first key, touch,
// click or pad press makes and resumes the audio context, unless sound is
// off (then none is made until it is turned on).
import * as game from './game.js';
import { addEntry } from './menu.js';
import { setting, write } from './store.js';

const soundKey = 'murlo.sound';
const audio = {
  context: null,
  unlocked: false,  // a gesture has let sound start
  on: setting(soundKey) !== 'off',  // the page's sound button
  held: false,      // the game is paused or hidden: so is the sound
  samples: [],      // Float32Array per sound index, once made
  making: false,    // a sound is to be made in a task of its own
  rate: 0,
  buffers: [],      // AudioBuffer per sound index
  node: null,       // the source now playing
  current: null,    // {index, start}: the sound the game is playing, and since when (game.clock())
  name: '',         // the name of the sound the game plays; '' when it plays none
};

export const playing = () => audio.name;

const icons = {
  speaker: '<path class="solid" d="M2 7h3l5-4v14l-5-4H2z"/>',
  waves: '<path d="M13 7a4 4 0 0 1 0 6M15.5 4.5a7.5 7.5 0 0 1 0 11"/>',
  muted: '<path d="M13 7l5 6M18 7l-5 6"/>',
};

// The menu's entry, which says what is heard: on, off (turned off), or not
// yet (on, but the browser lets none start before a gesture: its tap
// starts it).
export function entry() {
  const button = addEntry({id: 'sound', stays: true, click: () => {
    if (audio.on && !audio.unlocked) return unlock(true);  // on but not yet allowed: the tap starts it
    audio.on = !audio.on;
    write(soundKey, audio.on ? 'on' : 'off');
    showButton();
    if (!audio.on) return stopNode();
    unlock(true);
    startCurrent();
    makeSounds();
  }});
  button.innerHTML = '<svg class="icon" viewBox="0 0 20 20" aria-hidden="true"></svg><span></span>';
  showButton();
}

function showButton() {
  const button = document.getElementById('sound');
  if (!button) return;  // (a key pressed before the page is set up)
  const heard = audio.on && audio.unlocked;
  const word = heard ? 'Sound on' : audio.on ? 'Start sound' : 'Sound off';
  button.firstChild.innerHTML = icons.speaker + (heard ? icons.waves : icons.muted);
  button.lastChild.textContent = word;
  button.setAttribute('aria-label', word);
  button.setAttribute('aria-pressed', heard ? 'true' : 'false');
  button.title = heard ? 'Turn the sound off' : 'Turn the sound on';
}

const wanted = () => audio.unlocked && audio.on && audio.context !== null;

// The game plays sound `index` from `atMs` into it, or none (-1)
// (murlo_web_sound).
export function play(index, name, atMs) {
  audio.name = name;
  audio.current = index < 0 ? null : {index, start: game.clock() - atMs};
  if (index < 0) return stopNode();
  startCurrent();
  makeSounds();
}

// A sound's samples, made (murlo_web_sound_samples).
export function samples(index, values, rate) {
  audio.samples[index] = values;
  audio.rate = rate;
  if (audio.current && audio.current.index === index) startCurrent();
}

// The game is paused or hidden, or goes on: the sound stops or goes on
// where it was.
export function hold(held) {
  if (held === audio.held) return;
  audio.held = held;
  if (!audio.context) return;
  if (held) audio.context.suspend().catch(() => {});
  else if (audio.unlocked) audio.context.resume().catch(() => {});
}

// Sounds are made one in each task so the game runs between them: the one
// playing first, then the rest.
function makeSounds() {
  if (audio.making) return;
  audio.making = true;
  setTimeout(() => {
    audio.making = false;
    if (!wanted() || !game.ready()) return;
    const current = audio.current;
    let index = current && !audio.samples[current.index] ? current.index : -1;
    for (let i = 0; index < 0 && i < game.setup.sounds; ++i) if (!audio.samples[i]) index = i;
    if (index < 0) return;
    game.makeSound(index);
    makeSounds();
  }, 0);
}

// The game's current sound started where it would be by now, if it can be
// heard and has not ended.
function startCurrent() {
  stopNode();
  const current = audio.current;
  if (!current || !wanted()) return;
  const buffer = bufferOf(current.index);
  if (!buffer) return;
  const offset = (game.clock() - current.start) / 1000;
  if (offset >= buffer.duration) return;
  try {
    const node = audio.context.createBufferSource();
    node.buffer = buffer;
    node.connect(audio.context.destination);
    node.onended = () => { if (audio.node === node) audio.node = null; };
    node.start(0, Math.max(0, offset));
    audio.node = node;
  } catch (e) { /* no sound */ }
}

function stopNode() {
  if (!audio.node) return;
  try { audio.node.stop(); } catch (e) { /* already stopped */ }
  audio.node.disconnect();
  audio.node = null;
}

function bufferOf(index) {
  if (!audio.samples[index]) return null;
  if (!audio.buffers[index]) {
    try {
      const values = audio.samples[index];
      const buffer = audio.context.createBuffer(1, values.length, audio.rate);
      buffer.getChannelData(0).set(values);
      audio.buffers[index] = buffer;
    } catch (e) {
      return null;
    }
  }
  return audio.buffers[index];
}

// A gesture (`asked`: the sound button's).
export function unlock(asked) {
  if (audio.unlocked || !audio.on || (audio.held && !asked)) return;
  const Context = window.AudioContext || window.webkitAudioContext;
  if (!Context) return;
  try {
    if (!audio.context) audio.context = new Context();
    audio.context.resume().then(() => {
      if (audio.context.state !== 'running' || audio.unlocked) return;
      audio.unlocked = true;
      showButton();
      if (audio.held) audio.context.suspend().catch(() => {});
      startCurrent();
      makeSounds();
    }, () => {});
  } catch (e) {
    audio.context = null;
  }
}
