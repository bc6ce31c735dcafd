// The page side of the web host: the handheld on the page in the layout
// that suits the screen, keys, pointers and gamepads, the picture, the
// sound, pause, the best depth, the game kept when the page closes, the
// screen's wake lock, runs saved, opened and shared as links, and the
// timer that runs the game (a board the page may be served by is
// board.js's). The game (C++) reaches it through library.js; geometry,
// colours, key bits and the rules of links all come from the game, none
// is written here. The page calls the game's murlo_web_run with the time
// passed since the last, and sets one timer for the time the run asks
// for; the game's runner keeps the game's time, its pause, the watched
// script and the best depth's rule.
var MurloPage = (function () {
  'use strict';

  var setup = null;  // from start(): colours, key bits, version, ...
  var layouts = [];  // from the game: 0 landscape, 1 upright, 2 sideways (as stretched)
  var bases = [];    // the same as they were first told, unstretched
  var palettes = [];  // the LCD's palettes from the game, by index: {name, clear, ink, ...}
  var paletteKey = 'murlo.palette';
  var paletteIndex = 0;
  var game = null;   // the game's exports, once it runs
  var host = 0;      // the game's side of the page, handed back with every call

  // Keys, pointers and pads: what is held is read at each run; a press is
  // handed to the game as it comes, so it counts at the next poll even when
  // it is let go before.
  var keyBits = {};  // KeyboardEvent.code -> key bit
  var heldCodes = {};
  var pointers = new Map();  // pointerId -> [x, y] in the shown layout's coordinates
  var padsSeen = false;      // pads are read only once one has been connected
  var padWatch = false;      // pads are looked at each frame, for their presses

  var rows = new Uint32Array(32);  // the picture on screen
  var presented = 0;               // pictures shown
  var lcdContext = null;
  var lcdImage = null;
  var lcdWords = null;  // lcdImage's pixels as words
  var colours = null;  // [clear, ink] as ImageData words
  var dimmed = null;   // the same, at the lower contrast of a paused game
  var drawn = {rows: new Uint32Array(32), palette: null};  // what the canvas shows

  var place = {layout: -1, skin: '', k: 1, ratio: 0, stretch: [0, 0, 0]};  // the skin on screen
  var skinJob = 0;

  // The page's clock stands still while the game is held: while the page
  // is hidden (the game is not run then) and while the game is paused (the
  // game's own clock stands still too). It goes on where it was, so the
  // sound playing picks up where it stopped.
  var heldSince = document.hidden ? performance.now() : null;
  var heldTotal = 0;
  var holding = heldSince !== null;  // the clock and the sound are held
  var lastRun = null;   // the clock at the game's last run (null: it starts at the next)
  var timer = null;     // the next run of the game, while it is not held
  var started = false;  // the game runs (once a link in the address is read)
  var padLast = [];     // per pad: Start and the six buttons, as last looked at

  // The deepest depth reached in the player's games, kept by the browser;
  // also here, for where it keeps nothing.
  var bestKey = 'murlo.best';
  var best = 0;

  // A game of the player's left in the middle, kept by the browser for the
  // next visit to go on with: its snapshot, in base64. One page at a time
  // keeps it: the first open, which holds the lock of that name for as
  // long as it lives; the others leave it alone.
  var keptKey = 'murlo.suspend';
  var keeper = false;    // this page keeps the player's game
  var keepSaid = false;  // the line saying it cannot be kept was shown

  var speed = 1;  // how fast a watched script plays
  // The run recorded is all the player's: no script was watched in it, nor
  // in the game kept that it goes on with. Only such a run goes to a board.
  var ownRun = true;
  var watchedKey = keptKey + '.watched';
  var lastLink = '';
  var noteTimer = null;

  var wake = {playing: false, lock: null, asking: false};

  // The test interface's record: a test that sets window.murloRecord to an
  // array before the page loads finds in it every call the game makes, as
  // the replay tool traces them ('poll 08', 'present ...', 'wait 5', ...),
  // after each run.
  var record = Array.isArray(window.murloRecord) ? window.murloRecord : null;

  var soundKey = 'murlo.sound';
  var audio = {
    context: null,
    unlocked: false,  // a gesture has let sound start
    on: true,         // the page's sound button
    samples: [],      // Float32Array per sound index, once made
    making: false,    // a sound is to be made in a task of its own
    rate: 0,
    buffers: [],      // AudioBuffer per sound index
    node: null,       // the source now playing
    current: null,    // {index, start}: the sound the game is playing, and since when (clock())
    name: '',         // the name of the sound the game plays; '' when it plays none
  };

  function $(id) { return document.getElementById(id); }

  function clock() {
    return (heldSince !== null ? heldSince : performance.now()) - heldTotal;
  }

  function isPaused() { return game !== null && game._murlo_web_paused(host) !== 0; }

  function isWatching() { return game !== null && game._murlo_web_watching_now(host) !== 0; }

  function held() { return document.hidden || isPaused(); }

  // Runs the game with the time passed since its last run; it says what
  // changed through the calls below, and how long it may sleep (timers
  // fire late, never early: rounded up, it is never run too soon).
  function run() {
    if (timer !== null) clearTimeout(timer);
    timer = null;
    if (!started || document.hidden) return;
    var now = clock();
    var wait = game._murlo_web_run(host, lastRun === null ? 0 : now - lastRun);
    lastRun = now;
    if (wait >= 0 && !held()) timer = setTimeout(run, Math.ceil(wait));
  }

  // A change between runs: the game is run up to now first, so the change
  // comes at its time (and a poll due then does not see it twice: once
  // held, once pressed), and again after it, for what the change shows.
  function act(change) {
    run();
    change();
    holdChanged();
    run();
  }

  // The page was hidden or shown, or the game paused or went on: the clock
  // and the sound stop or go on.
  function holdChanged() {
    showLines();
    if (held() === holding) return;
    holding = !holding;
    if (holding) {
      heldSince = performance.now();
      if (audio.context) audio.context.suspend().catch(function () {});
    } else {
      heldTotal += performance.now() - heldSince;
      heldSince = null;
      if (audio.context && audio.unlocked) audio.context.resume().catch(function () {});
    }
    keepAwake();
  }

  // P, Pause, a pad's Start, a touch on the screen or the window losing the
  // focus pause a game (its closing pictures too; the title has nothing to
  // pause), a watched one as well. P, Pause, Start, any of the game's keys
  // or a touch on the handheld resume it, and that key or touch counts at
  // the next poll as it would have. Meanwhile the screen shows the last
  // frame at the lower contrast of a paused handheld. The game decides.
  function pause() { game._murlo_web_pause(host); }

  function press(keys) {
    if (keys) game._murlo_web_press(host, keys);
  }

  function css(rgb) {
    return '#' + (0x1000000 + rgb).toString(16).slice(1);
  }

  function word(rgb) {  // an ImageData pixel as a little-endian word: ABGR
    return (0xFF000000 | ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF)) >>> 0;
  }

  // Text into the game's input buffer, and bytes out of what it gave.
  function textIn(text) {
    bytesIn(new TextEncoder().encode(text));
  }

  function bytesIn(bytes) {
    var at = game._murlo_web_in(host, bytes.length);
    HEAPU8.set(bytes, at);
  }

  function bytesOut() {
    var at = game._murlo_web_out(host);
    return HEAPU8.slice(at, at + game._murlo_web_out_size(host));
  }

  function textOut() {
    return new TextDecoder().decode(bytesOut());
  }

  // ---- layout --------------------------------------------------------

  // Held upright, the handheld stands upright too: its screen on top and
  // its controls at the bottom, where the thumbs are, the body between
  // as long as the screen is tall. A phone held sideways shows the screen
  // in the middle, as tall as the screen, the pad at the left edge and Z
  // at the right, the body as wide as the screen. Elsewhere (a desktop)
  // the whole landscape handheld, centred. Each fits inside the safe area
  // (clear of notches and home bars), below the line and the menu where
  // they do not lie over it, is drawn at the screen's own pixel size, and
  // shows every display pixel as a square of the same whole number of
  // screen pixels, its edges on whole screen pixels where the bezel meets
  // them. On a phone the menu folds into one button.
  function fit() {
    var coarse = window.matchMedia('(pointer: coarse)').matches;
    var portrait = window.matchMedia('(orientation: portrait)').matches;
    var index = portrait ? 1 : coarse ? 2 : 0;
    var body = document.body;
    body.classList.toggle('phone', coarse);
    body.classList.toggle('sideways', index === 2);
    if (!coarse) showMenu(false);
    var base = bases[index];
    var ratio = window.devicePixelRatio || 1;
    var safe = $('safe').getBoundingClientRect();
    var margin = index === 2 ? 0 : portrait ? 4 : 8;  // the body's own rim is margin enough at the sides
    var top = index === 2 ? safe.top : $('top').getBoundingClientRect().bottom + margin;
    var width = (safe.width - (index === 0 ? 2 * margin : 0)) * ratio;  // screen pixels from here on
    var height = (safe.bottom - top - margin) * ratio;
    // The largest whole number of screen pixels to a display pixel that
    // fits, and the skin's scale from it.
    var most = Math.min(width / base.width, height / base.height) * base.lcdSpan / 32;
    var square = Math.max(1, Math.floor(most + 1e-6));
    var k = 32 * square / base.lcdSpan;  // screen pixels to a skin pixel
    var extra = index === 1 ? Math.floor(height / k + 1e-6) - base.height
              : index === 2 ? Math.floor(width / k + 1e-6) - base.width : 0;
    extra = Math.max(0, extra);
    if (index !== 0 && extra !== place.stretch[index]) {
      place.stretch[index] = extra;
      game._murlo_web_stretch(host, index, extra);
    }
    var layout = layouts[index];
    var columns = Math.round(layout.width * k), lines = Math.round(layout.height * k);
    var lcdX = Math.round(layout.lcdLeft * k), lcdY = Math.round(layout.lcdTop * k);
    var left = Math.round(safe.left * ratio + (safe.width * ratio - columns) / 2);
    var down = index === 1 ? Math.round((safe.bottom - margin) * ratio) - lines
                           : Math.round(top * ratio + (height - lines) / 2);
    place.k = k;
    place.ratio = ratio;
    // Inside the handheld a CSS pixel is a screen pixel: its box is in
    // screen pixels, scaled down by the screen's ratio (a transform, which
    // keeps whole screen pixels whole where a box's CSS size would be
    // rounded to a 64th of a CSS pixel).
    var handheld = $('handheld');
    handheld.style.width = columns + 'px';
    handheld.style.height = lines + 'px';
    handheld.style.transform = 'translate(' + left / ratio + 'px, ' + down / ratio + 'px) scale(' + 1 / ratio + ')';
    var lcd = $('lcd');
    lcd.style.left = lcdX + 'px';
    lcd.style.top = lcdY + 'px';
    lcd.style.width = lcd.style.height = 32 * square + 'px';
    // Held sideways the line lies on the body, above the pad.
    var line = $('top').style;
    line.left = index === 2 ? (left + 36 * k) / ratio + 'px' : '';
    line.top = index === 2 ? (down + 22 * k) / ratio + 'px' : '';
    line.width = index === 2 ? (lcdX - 60 * k) / ratio + 'px' : '';
    if (index !== place.layout) {
      game._murlo_web_show_layout(host, index);
      pointers.clear();  // fingers on the old layout's controls are let go
    }
    var skin = [index, k, columns, lines, lcdX, lcdY].join();
    if (skin !== place.skin) drawSkin(index, k, columns, lines, lcdX - layout.lcdLeft * k, lcdY - layout.lcdTop * k);
    place.layout = index;
    place.skin = skin;
    showBest();
    handheld.style.visibility = 'visible';
  }

  // The skin, drawn by the game a slice at a time between its runs; the
  // plain outline shows until the first is done.
  function drawSkin(index, k, columns, lines, shiftX, shiftY) {
    var job = ++skinJob;
    var image = new ImageData(columns, lines);
    var row = 0;
    var handheld = $('handheld');
    if (place.layout !== index) {
      $('skin').style.visibility = 'hidden';
      handheld.style.background = css(setup.fill);
      handheld.style.borderRadius = layouts[index].corner * k / 2 + 'px';
    }
    var slice = function () {
      if (job !== skinJob) return;
      var began = performance.now();
      while (row < lines && performance.now() - began < 8) {
        var count = Math.min(lines - row, Math.max(1, Math.floor(20000 / columns)));
        var at = game._murlo_web_draw_skin(host, index, k, columns, row, count, shiftX, shiftY);
        image.data.set(HEAPU8.subarray(at, at + columns * count * 4), row * columns * 4);
        row += count;
      }
      if (row < lines) return void setTimeout(slice, 0);
      var canvas = $('skin');
      canvas.width = columns;
      canvas.height = lines;
      canvas.getContext('2d').putImageData(image, 0, 0);
      canvas.style.visibility = 'visible';
      handheld.style.background = 'none';
      handheld.style.borderRadius = '0';
    };
    setTimeout(slice, 0);
  }

  // ---- input ---------------------------------------------------------

  function releaseAll() {
    heldCodes = {};
    pointers.clear();
  }

  // Where a pointer event falls in the shown layout's coordinates.
  function layoutPoint(event) {
    var layout = layouts[place.layout];
    var rect = $('handheld').getBoundingClientRect();
    return [Math.floor((event.clientX - rect.left) * layout.width / rect.width),
            Math.floor((event.clientY - rect.top) * layout.height / rect.height)];
  }

  function keysAt(point) { return game._murlo_web_keys_at(host, point[0], point[1]); }

  // Whether a point of the shown layout is on its screen.
  function onScreen(point) {
    var layout = layouts[place.layout];
    return point[0] >= layout.lcdLeft && point[0] < layout.lcdLeft + layout.lcdSpan &&
           point[1] >= layout.lcdTop && point[1] < layout.lcdTop + layout.lcdSpan;
  }

  function listen() {
    window.addEventListener('keydown', function (event) {
      if (document.querySelector('dialog[open]')) return;  // typing there
      if ((event.code === 'KeyP' || event.code === 'Pause') &&
          !event.ctrlKey && !event.metaKey && !event.altKey) {
        event.preventDefault();
        if (!event.repeat) act(pause);
        return;
      }
      var bit = keyBits[event.code];
      if (bit === undefined) return;
      event.preventDefault();  // arrows never scroll the page
      if (event.repeat) return void (heldCodes[event.code] = bit);
      act(function () {
        heldCodes[event.code] = bit;
        press(bit);
      });
      unlockAudio();
    });
    window.addEventListener('keyup', function (event) {
      if (keyBits[event.code] === undefined) return;
      event.preventDefault();
      delete heldCodes[event.code];
    });
    window.addEventListener('blur', function () {
      releaseAll();
      act(function () { game._murlo_web_lose_focus(host); });
    });
    // Pads connected before the game started announced themselves already.
    window.addEventListener('gamepadconnected', function () { padsSeen = true; watchPads(); });
    try {
      padsSeen = Array.prototype.some.call(navigator.getGamepads ? navigator.getGamepads() : [],
                                           function (pad) { return !!pad; });
    } catch (e) { /* no pads */ }
    watchPads();

    var handheld = $('handheld');
    handheld.addEventListener('pointerdown', function (event) {
      if (event.pointerType === 'mouse' && event.button !== 0) return;
      event.preventDefault();
      try { handheld.setPointerCapture(event.pointerId); } catch (e) { /* already gone */ }
      var point = layoutPoint(event);
      act(function () {
        pointers.set(event.pointerId, point);
        if (isPaused() || onScreen(point)) pause();
        press(keysAt(point));
      });
      unlockAudio();
    });
    // A finger slid onto a control presses it.
    handheld.addEventListener('pointermove', function (event) {
      var was = pointers.get(event.pointerId);
      if (!was) return;
      var point = layoutPoint(event);
      var fresh = keysAt(point) & ~keysAt(was);
      if (!fresh || isPaused()) return void pointers.set(event.pointerId, point);
      act(function () {
        pointers.set(event.pointerId, point);
        press(fresh);
      });
    });
    var release = function (event) { pointers.delete(event.pointerId); };
    handheld.addEventListener('pointerup', release);
    handheld.addEventListener('pointercancel', release);
    handheld.addEventListener('lostpointercapture', release);
    handheld.addEventListener('contextmenu', function (event) { event.preventDefault(); });

    document.addEventListener('visibilitychange', function () {
      if (document.hidden) {
        releaseAll();
        keepNow();  // the page may never be shown again
      } else {
        watchPads();
      }
      holdChanged();
      run();
    });
    window.addEventListener('pagehide', keepNow);
    document.addEventListener('freeze', keepNow);
    window.addEventListener('resize', fit);
    window.addEventListener('hashchange', function () {
      if (location.hash.indexOf('#run=') === 0) openLink(location.hash);
    });
    // A run's file dropped anywhere on the page.
    document.addEventListener('dragover', function (event) { event.preventDefault(); });
    document.addEventListener('drop', function (event) {
      event.preventDefault();
      var files = event.dataTransfer && event.dataTransfer.files;
      if (files && files.length) openFile(files[0]);
    });
  }

  // Standard-mapping pads as the game reads them: the D-pad (buttons 12
  // to 15), the south and east buttons (0 and 1) and the left stick, its
  // axes from -32767 to 32767. Which of them hold which key the game
  // decides, as on the desktop. A button pressed is a gesture that lets
  // sound start.
  var padButtons = [12, 13, 14, 15, 0, 1];

  var none = [];  // no pads, no pointers: what most runs find

  function readPads() {
    if (!padsSeen || !navigator.getGamepads) return none;
    try { return Array.prototype.filter.call(navigator.getGamepads() || [], function (pad) {
      return pad && pad.connected !== false;
    }); } catch (e) { return []; }
  }

  function pressed(pad, n) { return !!(pad.buttons[n] && pad.buttons[n].pressed); }

  // Pads have no events for their buttons: they are looked at each frame,
  // so a press shorter than a poll's gap still counts, and Start (button 9)
  // pauses and resumes, as does a fresh press of the others.
  function watchPads() {
    if (padWatch || !padsSeen || document.hidden) return;
    padWatch = true;
    var look = function () {
      if (!padsSeen || document.hidden) return void (padWatch = false);
      readPads().forEach(function (pad, i) {
        var was = padLast[i] || [];
        var now = [9].concat(padButtons).map(function (n) { return pressed(pad, n); });
        var fresh = 0;  // bit k: padButtons[k] pressed since the last look
        padButtons.forEach(function (n, k) { if (now[k + 1] && !was[k + 1]) fresh |= 1 << k; });
        if (now[0] && !was[0]) act(pause);
        else if (fresh) act(function () { game._murlo_web_pad_press(host, fresh); });
        if (fresh || (now[0] && !was[0])) unlockAudio();
        padLast[i] = now;
      });
      requestAnimationFrame(look);
    };
    requestAnimationFrame(look);
  }

  function padStates() {
    var pads = readPads();
    if (pads.length === 0) return none;
    return pads.map(function (pad) {
      var axis = function (n) {
        var value = pad.axes && pad.axes.length > 1 ? pad.axes[n] : 0;
        return Math.round(Math.max(-1, Math.min(1, value || 0)) * 32767);
      };
      return padButtons.map(function (n) { return pressed(pad, n) ? 1 : 0; }).concat([axis(0), axis(1)]);
    });
  }

  // ---- picture -------------------------------------------------------

  // The picture the game shows onto the canvas, in the colours of a paused
  // game or a running one: only the rows that changed since the canvas was
  // last drawn (all of them when the colours did), so the browser redraws
  // no more of the screen than changed. The canvas is opaque, and nothing
  // under it is drawn again.
  function draw() {
    var palette = isPaused() ? dimmed : colours;
    var all = palette !== drawn.palette;
    var first = 32, last = -1;
    for (var y = 0; y < 32; ++y) {
      var row = rows[y];
      if (!all && row === drawn.rows[y]) continue;
      drawn.rows[y] = row;
      if (first > y) first = y;
      last = y;
      for (var x = 0; x < 32; ++x) lcdWords[y * 32 + x] = palette[(row >>> x) & 1];
    }
    drawn.palette = palette;
    if (last >= first) lcdContext.putImageData(lcdImage, 0, 0, 0, first, 32, last - first + 1);
  }

  // The LCD's palette: the handheld's own, or high contrast; chosen in the
  // menu and remembered by the browser.
  function usePalette(index) {
    paletteIndex = index;
    var p = palettes[index];
    colours = [word(p.clear), word(p.ink)];
    dimmed = [word(p.pausedClear), word(p.pausedInk)];
    if (lcdContext) draw();
  }

  // ---- the best depth ------------------------------------------------

  // The best depth the browser keeps: 0 when none, or when it cannot keep
  // any; a damaged one is said once and taken as 0, and the next game's
  // replaces it.
  function storedBest() {
    try {
      var text = window.localStorage.getItem(bestKey);
      if (text === null) return 0;
      if (/^\d{1,4}$/.test(text) && Number(text) <= 1000) return Number(text);
      console.warn('murlo: the best depth this browser keeps is damaged (' + JSON.stringify(text.slice(0, 20)) +
                   '): the best depth starts again from 0');
      window.localStorage.removeItem(bestKey);
    } catch (e) { /* no storage */ }
    return 0;
  }

  // Keeps `depth` when it is deeper than the best, the larger of it and
  // what the browser holds now (another page may have played meanwhile),
  // and returns the best kept.
  function keepBest(depth) {
    var was = best;
    best = Math.max(best, storedBest(), depth);
    try { window.localStorage.setItem(bestKey, String(best)); } catch (e) { /* no storage */ }
    if (best !== was) showBest();
    return best;
  }

  // The depth of a game of the player's left in the middle.
  function keepDepth() {
    var depth = game ? game._murlo_web_depth(host) : -1;
    if (depth >= 0) keepBest(depth);
  }

  // ---- the game kept for the next visit ------------------------------

  // The page may be closed, frozen or never shown again: the depth of a
  // game of the player's counts, and the game is kept.
  function keepNow() {
    keepDepth();
    if (game) game._murlo_web_keep_now(host);
  }

  // Whether this page keeps the player's games: the first of the
  // browser's pages to ask, for as long as it is open (the browser lets
  // the lock go when it closes, however). Without locks (an old browser,
  // a page not served over https) no page can tell it is the only one:
  // none keeps.
  function claimKeeping(then) {
    var answered = false;
    var answer = function (keeps) {
      if (answered) return;
      answered = true;
      keeper = keeps;
      then();
    };
    if (!navigator.locks) return answer(false);
    try {
      navigator.locks.request(keptKey, {ifAvailable: true}, function (lock) {
        setTimeout(function () { answer(lock !== null); }, 0);  // (errors in it not taken for the lock's)
        return lock === null ? null : new Promise(function () {});  // held while the page lives
      }).catch(function () { answer(false); });
    } catch (e) {
      answer(false);
    }
  }

  function keptText() {
    try { return window.localStorage.getItem(keptKey); } catch (e) { return null; }
  }

  // The game kept by the browser goes on, paused, in the page that keeps
  // it. One that cannot go on is named in one line and set aside (as
  // murlo.suspend.bad), and the game starts on the title.
  function resumeKept() {
    var text = keptText();
    if (text === null) return;
    if (!keeper) {
      if (navigator.locks) note('The game kept in this browser is being played in another of its tabs.');
      return;
    }
    var bytes = null;
    try { bytes = Uint8Array.from(atob(text), function (c) { return c.charCodeAt(0); }); } catch (e) { /* none */ }
    var taken = 0, why = 'not base64';
    if (bytes !== null) {
      bytesIn(bytes);
      taken = game._murlo_web_resume(host);
      why = textOut();
    }
    if (taken === 1) {
      try { ownRun = window.localStorage.getItem(watchedKey) === null; } catch (e) { /* no storage */ }
      return;
    }
    console.warn('murlo: the game kept in this browser cannot go on: ' + why);
    note(taken === 2 ? 'The game kept here is from another version of Murlo, which this one cannot go on with.'
                     : 'The game kept here is damaged, so it cannot go on.');
    try { window.localStorage.setItem(keptKey + '.bad', text); } catch (e) { /* no room */ }
    try { window.localStorage.removeItem(keptKey); } catch (e) { /* no storage */ }
  }

  // The game's snapshot, kept in place of the last; when it cannot be, the
  // game plays on and one line says so.
  function keepGame(bytes) {
    if (!keeper) {
      return cannotKeep(navigator.locks ? 'Murlo is open in another tab, which keeps its game'
                                        : 'keeping it needs a page served over https, in a recent browser');
    }
    var text = '';
    for (var i = 0; i < bytes.length; i += 0x8000) {
      text += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
    }
    try {
      window.localStorage.setItem(keptKey, btoa(text));
      if (ownRun) window.localStorage.removeItem(watchedKey);
      else window.localStorage.setItem(watchedKey, '1');
    } catch (e) {
      cannotKeep('the browser\'s storage is full or refused');
    }
  }

  function cannotKeep(why) {
    if (keepSaid) return;
    keepSaid = true;
    note('This game is not kept if the page closes: ' + why + '.');
  }

  // The kept game ended.
  function dropGame() {
    if (!keeper) return;
    try {
      window.localStorage.removeItem(keptKey);
      window.localStorage.removeItem(watchedKey);
    } catch (e) { /* no storage */ }
  }

  // "BEST n" on the handheld's body, in the display's digit shapes, drawn
  // at the screen's pixel size in the skin's ink.
  function showBest() {
    var layout = layouts[place.layout];
    if (!layout || !place.ratio) return;
    var at = game._murlo_web_best_label(host, best) >> 2;
    var label = [];
    var used = 0;  // columns up to the last shape pixel
    for (var r = 0; r < 5; ++r) {
      label.push([HEAPU32[at + 2 * r], HEAPU32[at + 2 * r + 1]]);
      for (var c = 0; c < 64; ++c) if ((label[r][c >> 5] >>> (c & 31)) & 1) used = Math.max(used, c + 1);
    }
    var k = place.k * layout.bestCell;  // screen pixels to a cell
    var canvas = $('best');
    canvas.width = Math.round(used * k);
    canvas.height = Math.round(5 * k);
    var context = canvas.getContext('2d');
    context.fillStyle = css(setup.skinInk);
    for (r = 0; r < 5; ++r) {
      for (c = 0; c < used; ++c) {
        if (!((label[r][c >> 5] >>> (c & 31)) & 1)) continue;
        var x = Math.round(c * k), y = Math.round(r * k);
        context.fillRect(x, y, Math.round((c + 1) * k) - x, Math.round((r + 1) * k) - y);
      }
    }
    var left = layout.bestX * place.k - (layout.bestRight ? canvas.width : 0);
    canvas.style.left = Math.round(left) + 'px';  // (screen pixels: see fit)
    canvas.style.top = Math.round(layout.bestY * place.k) + 'px';
    canvas.style.width = canvas.width + 'px';
    canvas.style.height = canvas.height + 'px';
    canvas.setAttribute('aria-label', 'BEST ' + best);
  }

  // ---- sound ---------------------------------------------------------

  function soundWanted() {
    return audio.unlocked && audio.on && audio.context !== null;
  }

  // Sounds are made by the game's synthesiser once sound can be heard, one
  // in each task so the game runs between them: the one playing first,
  // then the rest. A page that stays silent makes none.
  function makeSounds() {
    if (audio.making) return;
    audio.making = true;
    setTimeout(function () {
      audio.making = false;
      if (!soundWanted()) return;
      var index = -1;
      var current = audio.current;
      if (current && !audio.samples[current.index]) index = current.index;
      for (var i = 0; index < 0 && i < setup.sounds; ++i) if (!audio.samples[i]) index = i;
      if (index < 0) return;
      game._murlo_web_make_sound(index);
      makeSounds();
    }, 0);
  }

  // Start the game's current sound where it would be by now, if it can be
  // heard and has not ended.
  function startCurrent() {
    stopNode();
    var current = audio.current;
    if (!current || !soundWanted()) return;
    var buffer = bufferOf(current.index);
    if (!buffer) return;
    var offset = (clock() - current.start) / 1000;
    if (offset >= buffer.duration) return;
    try {
      var node = audio.context.createBufferSource();
      node.buffer = buffer;
      node.connect(audio.context.destination);
      node.onended = function () { if (audio.node === node) audio.node = null; };
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
    if (index < 0 || !audio.samples[index]) return null;
    if (!audio.buffers[index]) {
      try {
        var samples = audio.samples[index];
        var buffer = audio.context.createBuffer(1, samples.length, audio.rate);
        buffer.getChannelData(0).set(samples);
        audio.buffers[index] = buffer;
      } catch (e) {
        return null;
      }
    }
    return audio.buffers[index];
  }

  // Browsers let sound start only from a gesture: the first key, touch,
  // click or pad press makes and resumes the audio context, unless sound
  // is off (then none is made until it is turned on).
  function unlockAudio(asked) {
    if (audio.unlocked || !audio.on || (held() && !asked)) return;
    var Context = window.AudioContext || window.webkitAudioContext;
    if (!Context) return;
    try {
      if (!audio.context) audio.context = new Context();
      audio.context.resume().then(function () {
        if (audio.context.state !== 'running' || audio.unlocked) return;
        audio.unlocked = true;
        showSoundButton();
        if (holding) audio.context.suspend().catch(function () {});
        startCurrent();
        makeSounds();
      }, function () {});
    } catch (e) {
      audio.context = null;
    }
  }

  // The sound button says what is heard: on, off (turned off), or not yet
  // (on, but the browser lets none start before a gesture: its tap starts it).
  function showSoundButton() {
    var button = $('sound');
    var heard = audio.on && audio.unlocked;
    var word = heard ? 'Sound on' : audio.on ? 'Start sound' : 'Sound off';
    button.firstChild.innerHTML = icons.speaker + (heard ? icons.waves : icons.muted);
    button.lastChild.textContent = word;
    button.setAttribute('aria-label', word);
    button.setAttribute('aria-pressed', heard ? 'true' : 'false');
    button.title = heard ? 'Turn the sound off' : 'Turn the sound on';
  }

  // ---- the screen kept on while a game runs ----------------------------

  // A screen wake lock, held while a game runs on a shown page; let go on
  // the title, when the page is hidden (the browser lets it go then too),
  // while the game is paused and when it ends. Where there is none, the
  // screen may dim.
  function keepAwake() {
    var want = wake.playing && !held();
    if (want && !wake.lock && !wake.asking && navigator.wakeLock) {
      wake.asking = true;
      navigator.wakeLock.request('screen').then(function (lock) {
        wake.asking = false;
        wake.lock = lock;
        lock.addEventListener('release', function () { if (wake.lock === lock) wake.lock = null; });
        keepAwake();  // the game may have ended meanwhile
      }, function () { wake.asking = false; });
    }
    if (!want && wake.lock) {
      var lock = wake.lock;
      wake.lock = null;
      lock.release().catch(function () {});
    }
  }

  // ---- runs: saved, opened, shared as links, watched -------------------

  // One plain line where the help is, for a while.
  function note(text) {
    $('note').textContent = text;
    if (noteTimer !== null) clearTimeout(noteTimer);
    noteTimer = setTimeout(function () {
      noteTimer = null;
      showLines();
    }, 10000);
    showLines();
  }

  // A note about something gone (a link refused before another opened).
  function dropNote() {
    if (noteTimer !== null) clearTimeout(noteTimer);
    noteTimer = null;
    showLines();
  }

  // The address bar tells the truth: once the link in it is refused,
  // taken over or played to its end, it goes, so a reload neither watches
  // it again nor warns again.
  function dropLink() {
    if (location.hash.indexOf('#run=') !== 0) return;
    try { history.replaceState(history.state, '', location.href.split('#')[0]); } catch (e) { /* kept */ }
  }

  // The line beside the bar: a note for a while, else what resumes a
  // paused game, else the help (none while watching).
  function showLines() {
    var noting = noteTimer !== null;
    var paused = isPaused();
    $('note').hidden = !noting;
    $('paused').hidden = noting || !paused;
    $('help').hidden = noting || paused || isWatching();
  }

  function runText() {
    game._murlo_web_run_text(host);
    return textOut();
  }

  function through(bytes, transform) {
    return new Blob([bytes]).stream().pipeThrough(transform);
  }

  // The link of a run's script: this page's address and the run's part,
  // which the game makes of the text the browser deflates.
  function linkFor(text) {
    var deflated = through(new TextEncoder().encode(text), new CompressionStream('deflate-raw'));
    return new Response(deflated).arrayBuffer().then(function (buffer) {
      bytesIn(new Uint8Array(buffer));
      game._murlo_web_link_of(host);
      return location.href.split('#')[0] + textOut();
    });
  }

  // The text of raw-deflated bytes, refused when it would pass `most`.
  function inflate(bytes, most) {
    var reader = through(bytes, new DecompressionStream('deflate-raw')).getReader();
    var parts = [];
    var size = 0;
    var next = function () {
      return reader.read().then(function (part) {
        if (part.done) return new Blob(parts).text();
        size += part.value.length;
        if (size > most) {
          reader.cancel().catch(function () {});
          throw new Error('its script is over 16 MiB');
        }
        parts.push(part.value);
        return next();
      });
    };
    return next();
  }

  function share() {
    linkFor(runText()).then(function (link) {
      lastLink = link;
      if (navigator.share) {
        return navigator.share({title: 'A run of Murlo', url: link}).catch(function () {});
      }
      return navigator.clipboard.writeText(link).then(function () {
        note('The link to this run is copied.');
      });
    }).catch(function () { note('The link could not be made or copied here.'); });
  }

  function save() {
    var text = '# murlo ' + setup.version + ', run recorded in a browser ' +
               new Date().toISOString() + '\n' + runText();
    var url = URL.createObjectURL(new Blob([text], {type: 'text/plain'}));
    var a = document.createElement('a');
    a.href = url;
    a.download = 'murlo-run.script';
    document.body.appendChild(a);
    a.click();
    a.remove();
    setTimeout(function () { URL.revokeObjectURL(url); }, 10000);
  }

  // Plays a script's text from the game's start, or says why it cannot.
  function watch(text, refused) {
    textIn(text);
    if (!game._murlo_web_watch(host)) return refused(textOut());
    ownRun = false;
    offer(null);
    dropNote();  // a note was about what was shown before
    begin();
  }

  // The game runs afresh from its next run.
  function begin() {
    started = true;
    speed = 1;
    lastRun = null;
    holdChanged();
    run();
  }

  function openFile(file) {
    if (file.size > setup.maxLinkText) return note('That file is too large to be a run.');
    file.text().then(function (text) {
      watch(text, function (why) { note('That file is not a run (' + why + ').'); });
    }, function () { note('That file could not be read.'); });
  }

  // A link, or its '#run=...' part. A damaged one is refused with one
  // line, and the game starts as usual.
  function openLink(link) {
    var damaged = function (why) {
      console.warn('murlo: the link is damaged: ' + why);
      note('This link is damaged, so its run cannot be shown.');
      dropLink();
      if (!started) begin();
    };
    textIn(link);
    if (game._murlo_web_link_bytes(host) < 0) return damaged(textOut());
    return inflate(bytesOut(), setup.maxLinkText).then(function (text) {
      watch(text, damaged);
    }, function (error) { damaged(error.message || 'not raw deflate'); });
  }

  // The run a board may be sent now (board.js, when the page has it), or
  // null for none.
  function offer(run) {
    if (window.MurloBoard) MurloBoard.offer(run);
  }

  function showWatching(on) {
    $('watching').hidden = !on;
    showLines();
    if (!on) {
      speed = 1;
      dropLink();
    }
    $('speed').textContent = on && speed > 1 ? 'Watching at ' + speed + 'x' : 'Watching';
    fit();
  }

  // ---- the buttons ---------------------------------------------------

  // The menu: a list of entries, each a button; a bar on a desktop, one
  // button that opens the list on a phone. An entry is {id, text (the
  // words, part of them in a span the narrowest screens leave out, led by
  // a no-break space, which a flex item keeps: [all,
  // wide]), title, click, stays (the list stays open after a click)}.
  function addEntry(entry) {
    var button = document.createElement('button');
    button.type = 'button';
    button.id = entry.id;
    if (entry.title) button.title = entry.title;
    if (entry.text) {
      button.textContent = entry.text[0];
      if (entry.text[1]) {
        var wide = document.createElement('span');
        wide.className = 'wide';
        wide.textContent = entry.text[1];
        button.appendChild(wide);
      }
    }
    button.addEventListener('click', function () {
      if (!entry.stays) showMenu(false);
      entry.click();
    });
    $('entries').appendChild(button);
    return button;
  }

  function showMenu(open) {
    $('entries').classList.toggle('open', open);
    $('menu-button').setAttribute('aria-expanded', open ? 'true' : 'false');
  }

  var icons = {
    speaker: '<path class="solid" d="M2 7h3l5-4v14l-5-4H2z"/>',
    waves: '<path d="M13 7a4 4 0 0 1 0 6M15.5 4.5a7.5 7.5 0 0 1 0 11"/>',
    muted: '<path d="M13 7l5 6M18 7l-5 6"/>',
  };

  function buttons() {
    try { audio.on = window.localStorage.getItem(soundKey) !== 'off'; } catch (e) { /* none */ }
    var sound = addEntry({id: 'sound', stays: true, click: function () {
      // Set on but not yet allowed by the browser: the tap starts it.
      if (audio.on && !audio.unlocked) return unlockAudio(true);
      audio.on = !audio.on;
      try { window.localStorage.setItem(soundKey, audio.on ? 'on' : 'off'); } catch (e) { /* none */ }
      showSoundButton();
      if (!audio.on) return stopNode();
      unlockAudio(true);
      startCurrent();
      makeSounds();
    }});
    sound.innerHTML = '<svg class="icon" viewBox="0 0 20 20" aria-hidden="true"></svg><span></span>';
    showSoundButton();
    addEntry({id: 'contrast', text: ['High contrast'], stays: true,
              title: 'The screen in near black on pale glass', click: function () {
      var next = paletteIndex === 0 ? 1 : 0;
      try { window.localStorage.setItem(paletteKey, palettes[next].name); } catch (e) { /* none */ }
      usePalette(next);
      showContrastButton();
    }}).classList.add('toggle');
    showContrastButton();
    addEntry({id: 'share', text: ['Share'], title: 'A link that plays this run', click: share});
    addEntry({id: 'save', text: ['Save', '\u00a0run'], title: 'Download this run as a script', click: save});
    addEntry({id: 'open', text: ['Open', '\u00a0run'], title: 'Watch a run from a script file',
              click: function () { $('file').click(); }});
    $('menu-button').addEventListener('click', function () {
      showMenu(!$('entries').classList.contains('open'));
    });
    // A touch elsewhere closes the list.
    document.addEventListener('pointerdown', function (event) {
      if (!$('menu').contains(event.target)) showMenu(false);
    }, true);
    $('file').addEventListener('change', function () {
      var file = $('file').files[0];
      $('file').value = '';
      if (file) openFile(file);
    });
    $('faster').addEventListener('click', function () {
      act(function () {
        speed = speed >= 8 ? 1 : speed * 2;
        game._murlo_web_speed(host, speed);
      });
      showWatching(isWatching());
    });
    $('takeover').addEventListener('click', function () {
      act(function () { game._murlo_web_take_over(host); });
    });
    // The help says what starts, plays and pauses on the device at hand.
    var touch = window.matchMedia('(pointer: coarse)').matches;
    $('help').textContent = touch
        ? 'The pad walks and digs; touch Z or the pad to start, the screen to pause.'
        : 'Arrows walk and dig; Z or an arrow starts; P pauses.';
    $('paused').textContent = touch ? 'Paused: touch the handheld to go on.'
                                    : 'Paused: P, Z or an arrow goes on.';
    var page = document.documentElement;
    var full = page.requestFullscreen || page.webkitRequestFullscreen;
    if (!full) return;
    addEntry({id: 'fullscreen', text: ['Full', '\u00a0screen'], click: function () {
      if (document.fullscreenElement || document.webkitFullscreenElement) {
        (document.exitFullscreen || document.webkitExitFullscreen).call(document);
      } else {
        var asked = full.call(page);
        if (asked && asked.catch) asked.catch(function () {});
      }
      unlockAudio();
    }});
  }

  function showContrastButton() {
    $('contrast').setAttribute('aria-pressed', paletteIndex === 1 ? 'true' : 'false');
  }

  // ---- what the game calls (through library.js) ----------------------

  return {
    layout: function (index, layout) {
      layouts[index] = layout;
      if (!bases[index]) bases[index] = layout;
    },
    palette: function (index, palette) {
      palettes[index] = palette;
    },
    start: function (s) {
      setup = s;
      game = Module;
      host = s.host;
      keyBits = {KeyZ: s.keys.z, ArrowRight: s.keys.right, ArrowLeft: s.keys.left,
                 ArrowDown: s.keys.down, ArrowUp: s.keys.up};
      var chosen = null;
      try { chosen = window.localStorage.getItem(paletteKey); } catch (e) { /* none */ }
      var index = palettes.findIndex(function (p) { return p.name === chosen; });
      best = storedBest();
      var lcd = $('lcd');
      // Desynchronized: the browser may show the canvas's changes without
      // painting the page again; here that halves what play costs.
      lcdContext = lcd.getContext('2d', {alpha: false, desynchronized: true});
      lcdImage = lcdContext.createImageData(32, 32);
      lcdWords = new Uint32Array(lcdImage.data.buffer);
      usePalette(Math.max(0, index));
      buttons();
      if (window.MurloBoard) MurloBoard.attach(addEntry);
      listen();
      // The game starts once it has been set up (when this returns) and
      // the page knows whether it keeps the player's game: the game kept
      // goes on, or the run of a link in the address is read first (the
      // game kept stays kept).
      setTimeout(function () {
        claimKeeping(function () {
          if (location.hash.indexOf('#run=') === 0) {
            openLink(location.hash);
          } else {
            resumeKept();
            begin();
          }
          fit();  // the skin is drawn after the game's first run
        });
      }, 0);
      return record !== null;
    },
    best: function () { return best; },
    keepBest: keepBest,
    keepGame: keepGame,
    dropGame: dropGame,
    keys: function () {
      var bits = 0;
      for (var code in heldCodes) bits |= heldCodes[code];
      return bits;
    },
    pads: padStates,
    pointers: function () {
      return pointers.size === 0 ? none : Array.from(pointers.values());
    },
    present: function (words) {
      rows.set(words);
      presented += 1;
      draw();
    },
    trace: function (text) {
      var lines = text.split('\n');
      lines.pop();  // after the last line's end
      for (var i = 0; i < lines.length; ++i) record.push(lines[i]);
    },
    play: function (name, index, atMs) {
      audio.name = name;
      audio.current = {index: index, start: clock() - atMs};
      startCurrent();
      makeSounds();
    },
    stop: function () {
      audio.name = '';
      audio.current = null;
      stopNode();
    },
    soundSamples: function (index, samples, rate) {
      audio.samples[index] = samples;
      audio.rate = rate;
      if (audio.current && audio.current.index === index) startCurrent();
    },
    watching: showWatching,
    playing: function (on) {
      wake.playing = on;
      keepAwake();
      if (on) offer(null);  // a new game
    },
    // The run as the player's game ended: the same however long the title
    // runs on before it is sent (its passes are polls of the run, which a
    // board takes only so many of).
    gameOver: function (own) { offer(own && ownRun ? runText() : null); },
    linkFor: linkFor,
    // The test interface, kept in the released page.
    api: {
      get presented() { return presented; },
      get clock() { return game._murlo_web_clock(host); },  // ms the game has run
      lcd: function () { return Array.from(rows); },
      get sound() { return audio.name; },
      get watching() { return isWatching(); },
      get link() { return lastLink; },
      get paused() { return isPaused(); },
      get best() { return best; },
      get depth() { return game._murlo_web_depth(host); },
      run: runText,
      // The layout shown ({index, width, height, ...}, as stretched), and
      // the keys a touch at a point of the page holds.
      get layout() { return Object.assign({index: place.layout}, layouts[place.layout]); },
      keysAt: function (x, y) { return keysAt(layoutPoint({clientX: x, clientY: y})); },
    },
  };
})();

window.murlo = MurloPage.api;
