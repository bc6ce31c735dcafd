// "BEST n" on the handheld's body, in the display's digit shapes, drawn at
// the screen's pixel size in the skin's ink, where the layout shown puts
// it. The game says the depth and its label's shapes whenever the best
// depth changes; the layout says where, whenever it is fitted.
import * as game from './game.js';

const $ = (id) => document.getElementById(id);
let depth = 0;
let label = null;   // five rows of 64 bits as pairs of words: bit c of row r is cell (c, r)
let layout = null;  // the layout shown, and its screen pixels to a skin pixel
let scale = 0;

export const shown = () => depth;

// The best depth and its label (murlo_web_best).
export function show(best, rows) {
  depth = best;
  label = rows;
  draw();
}

export function place(shownLayout, k) {
  layout = shownLayout;
  scale = k;
  draw();
}

function draw() {
  if (!label || !layout) return;
  const on = (c, r) => (label[2 * r + (c >> 5)] >>> (c & 31)) & 1;
  let used = 0;  // columns up to the last shape pixel
  for (let r = 0; r < 5; ++r) for (let c = 0; c < 64; ++c) if (on(c, r)) used = Math.max(used, c + 1);
  const k = scale * layout.bestCell;  // screen pixels to a cell
  const canvas = $('best');
  canvas.width = Math.round(used * k);
  canvas.height = Math.round(5 * k);
  const context = canvas.getContext('2d');
  context.fillStyle = game.css(game.setup.skinInk);
  for (let r = 0; r < 5; ++r) {
    for (let c = 0; c < used; ++c) {
      if (!on(c, r)) continue;
      const x = Math.round(c * k), y = Math.round(r * k);
      context.fillRect(x, y, Math.round((c + 1) * k) - x, Math.round((r + 1) * k) - y);
    }
  }
  const left = layout.bestX * scale - (layout.bestRight ? canvas.width : 0);
  canvas.style.left = Math.round(left) + 'px';  // (screen pixels: see layout.js)
  canvas.style.top = Math.round(layout.bestY * scale) + 'px';
  canvas.style.width = canvas.width + 'px';
  canvas.style.height = canvas.height + 'px';
  canvas.setAttribute('aria-label', 'BEST ' + depth);
}
