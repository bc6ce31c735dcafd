// The handheld on the page. Held upright, it stands upright too: its
// screen on top and its controls at the bottom, where the thumbs are, the
// body between as long as the screen is tall. A phone held sideways shows
// the screen in the middle, as tall as the screen, the pad at the left
// edge and Z at the right, the body as wide as the screen. Elsewhere (a
// desktop) the whole landscape handheld, centred. Each fits inside the
// safe area (clear of notches and home bars), below the line and the menu
// where they do not lie over it, is drawn at the screen's own pixel size,
// and shows every display pixel as a square of the same whole number of
// screen pixels, its edges on whole screen pixels where the bezel meets
// them. On a phone the menu folds into one button. The game has the
// layouts' numbers and draws their skins; none is written here.
import * as best from './best.js';
import * as game from './game.js';
import { showMenu } from './menu.js';

const $ = (id) => document.getElementById(id);
const layouts = [];  // from the game: 0 landscape, 1 upright, 2 sideways (as stretched)
const bases = [];    // the same as they were first told, unstretched
const place = {layout: -1, skin: '', k: 1};  // the skin on screen
let skinJob = 0;

// A layout's numbers from the game (murlo_web_layout).
export function told(index, layout) {
  layouts[index] = layout;
  if (!bases[index]) bases[index] = layout;
}

// The layout shown: {index, width, height, ...}, as stretched.
export const shown = () => Object.assign({index: place.layout}, layouts[place.layout]);

export function fit() {
  const coarse = window.matchMedia('(pointer: coarse)').matches;
  const portrait = window.matchMedia('(orientation: portrait)').matches;
  const index = portrait ? 1 : coarse ? 2 : 0;
  document.body.classList.toggle('phone', coarse);
  document.body.classList.toggle('sideways', index === 2);
  if (!coarse) showMenu(false);
  const base = bases[index];
  const ratio = window.devicePixelRatio || 1;
  const safe = $('safe').getBoundingClientRect();
  const margin = index === 2 ? 0 : portrait ? 4 : 8;  // the body's own rim is margin enough at the sides
  const top = index === 2 ? safe.top : $('top').getBoundingClientRect().bottom + margin;
  const width = (safe.width - (index === 0 ? 2 * margin : 0)) * ratio;  // screen pixels from here on
  const height = (safe.bottom - top - margin) * ratio;
  // The largest whole number of screen pixels to a display pixel that
  // fits, and the skin's scale from it.
  const most = Math.min(width / base.width, height / base.height) * base.lcdSpan / 32;
  const square = Math.max(1, Math.floor(most + 1e-6));
  const k = 32 * square / base.lcdSpan;  // screen pixels to a skin pixel
  const extra = Math.max(0, index === 1 ? Math.floor(height / k + 1e-6) - base.height
                          : index === 2 ? Math.floor(width / k + 1e-6) - base.width : 0);
  game.fit(index, extra);  // (the game hands back the layout stretched)
  const layout = layouts[index];
  const columns = Math.round(layout.width * k), lines = Math.round(layout.height * k);
  const lcdX = Math.round(layout.lcdLeft * k), lcdY = Math.round(layout.lcdTop * k);
  const left = Math.round(safe.left * ratio + (safe.width * ratio - columns) / 2);
  const down = index === 1 ? Math.round((safe.bottom - margin) * ratio) - lines
                           : Math.round(top * ratio + (height - lines) / 2);
  place.k = k;
  // Inside the handheld a CSS pixel is a screen pixel: its box is in
  // screen pixels, scaled down by the screen's ratio (a transform, which
  // keeps whole screen pixels whole where a box's CSS size would be
  // rounded to a 64th of a CSS pixel).
  const handheld = $('handheld');
  handheld.style.width = columns + 'px';
  handheld.style.height = lines + 'px';
  handheld.style.transform = `translate(${left / ratio}px, ${down / ratio}px) scale(${1 / ratio})`;
  const lcd = $('lcd');
  lcd.style.left = lcdX + 'px';
  lcd.style.top = lcdY + 'px';
  lcd.style.width = lcd.style.height = 32 * square + 'px';
  // Held sideways the line lies on the body, above the pad.
  const line = $('top').style;
  line.left = index === 2 ? (left + 36 * k) / ratio + 'px' : '';
  line.top = index === 2 ? (down + 22 * k) / ratio + 'px' : '';
  line.width = index === 2 ? (lcdX - 60 * k) / ratio + 'px' : '';
  const skin = [index, k, columns, lines, lcdX, lcdY].join();
  if (skin !== place.skin) drawSkin(index, k, columns, lines, lcdX - layout.lcdLeft * k, lcdY - layout.lcdTop * k);
  place.layout = index;
  place.skin = skin;
  best.place(layout, k);
  handheld.style.visibility = 'visible';
}

// The skin, drawn by the game a slice at a time between its runs; the
// plain outline shows until the first is done.
function drawSkin(index, k, columns, lines, shiftX, shiftY) {
  const job = ++skinJob;
  const image = new ImageData(columns, lines);
  const handheld = $('handheld');
  let row = 0;
  if (place.layout !== index) {
    $('skin').style.visibility = 'hidden';
    handheld.style.background = game.css(game.setup.fill);
    handheld.style.borderRadius = layouts[index].corner * k / 2 + 'px';
  }
  const slice = () => {
    if (job !== skinJob) return;
    const began = performance.now();
    while (row < lines && performance.now() - began < 8) {
      const count = Math.min(lines - row, Math.max(1, Math.floor(20000 / columns)));
      image.data.set(game.skinRows(index, k, columns, row, count, shiftX, shiftY), row * columns * 4);
      row += count;
    }
    if (row < lines) return void setTimeout(slice, 0);
    const canvas = $('skin');
    canvas.width = columns;
    canvas.height = lines;
    canvas.getContext('2d').putImageData(image, 0, 0);
    canvas.style.visibility = 'visible';
    handheld.style.background = 'none';
    handheld.style.borderRadius = '0';
  };
  setTimeout(slice, 0);
}

// Where a pointer event falls in the shown layout's coordinates.
export function point(event) {
  const layout = layouts[place.layout];
  const rect = $('handheld').getBoundingClientRect();
  return [Math.floor((event.clientX - rect.left) * layout.width / rect.width),
          Math.floor((event.clientY - rect.top) * layout.height / rect.height)];
}

// Whether a point of the shown layout is on its screen.
export function onScreen(point) {
  const layout = layouts[place.layout];
  return point[0] >= layout.lcdLeft && point[0] < layout.lcdLeft + layout.lcdSpan &&
         point[1] >= layout.lcdTop && point[1] < layout.lcdTop + layout.lcdSpan;
}
