// The LCD: the picture the game presents, drawn on a canvas of its own in
// the palette the player chose (the handheld's own, or high contrast,
// remembered by the browser), at the lower contrast of a paused handheld
// while the game is paused. Only the rows that changed since the canvas
// was last drawn are drawn again (all of them when the colours did), so
// the browser redraws no more of the screen than changed; the canvas is
// opaque, and nothing under it is drawn again.
import { addEntry } from './menu.js';
import { setting, write } from './store.js';

const $ = (id) => document.getElementById(id);
const paletteKey = 'murlo.palette';
const palettes = [];  // from the game, by index: {name, clear, ink, pausedClear, pausedInk}
let chosen = 0;
const rows = new Uint32Array(32);  // the picture presented last
let dim = false;                   // ... while paused
let presented = 0;
let context = null, words = null, image = null;
let colours = null, dimmed = null;  // [clear, ink] as ImageData words, and paused
const drawn = {rows: new Uint32Array(32), palette: null};  // what the canvas shows

// An ImageData pixel as a little-endian word: ABGR.
const word = (rgb) => (0xFF000000 | ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF)) >>> 0;

// A palette from the game (murlo_web_palette).
export function palette(index, p) { palettes[index] = p; }

export function init() {
  // Desynchronized: the browser may show the canvas's changes without
  // painting the page again; here that halves what play costs.
  context = $('lcd').getContext('2d', {alpha: false, desynchronized: true});
  image = context.createImageData(32, 32);
  words = new Uint32Array(image.data.buffer);
  const name = setting(paletteKey);
  use(Math.max(0, palettes.findIndex((p) => p.name === name)));
}

// The menu's entry: the screen in near black on pale glass, or not.
export function entry() {
  const button = addEntry({id: 'contrast', text: ['High contrast'], stays: true,
                           title: 'The screen in near black on pale glass', click: () => {
    use(chosen === 0 ? 1 : 0);
    write(paletteKey, palettes[chosen].name);
  }});
  button.classList.add('toggle');
  use(chosen);
}

function use(index) {
  chosen = index;
  const p = palettes[index];
  colours = [word(p.clear), word(p.ink)];
  dimmed = [word(p.pausedClear), word(p.pausedInk)];
  if ($('contrast')) $('contrast').setAttribute('aria-pressed', index === 1 ? 'true' : 'false');
  draw();
}

// A picture from the game (murlo_web_present).
export function present(picture, paused) {
  rows.set(picture);
  dim = paused;
  presented += 1;
  draw();
}

function draw() {
  const palette = dim ? dimmed : colours;
  const all = palette !== drawn.palette;
  let first = 32, last = -1;
  for (let y = 0; y < 32; ++y) {
    const row = rows[y];
    if (!all && row === drawn.rows[y]) continue;
    drawn.rows[y] = row;
    if (first > y) first = y;
    last = y;
    for (let x = 0; x < 32; ++x) words[y * 32 + x] = palette[(row >>> x) & 1];
  }
  drawn.palette = palette;
  if (last >= first) context.putImageData(image, 0, 0, 0, first, 32, last - first + 1);
}

// For the test interface: pictures shown, and the last one's rows.
export const count = () => presented;
export const lcd = () => Array.from(rows);
