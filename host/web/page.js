// The page side of the web host: the handheld on the page, keys, pointers
// and gamepads, the picture, the sound, and the timer that runs the game.
// The game (C++) reaches it through library.js; geometry, colours and key
// bits all come from the game at start, none is written here. The page
// calls the game's murlo_web_run with its clock, and sets one timer for
// the time the run asks for.
var MurloPage = (function () {
  'use strict';

  var setup = null;  // from start(): sizes, colours and key bits
  var keyBits = {};  // KeyboardEvent.code -> key bit
  var heldCodes = {};
  var pointers = new Map();  // pointerId -> [x, y] in window coordinates
  var padWasPressed = false;
  var padsSeen = false;  // pads are read only once one has been connected

  var rows = new Uint32Array(32);
  var shown = new Uint32Array(32);  // the rows now on screen
  var presented = 0;
  var drawPending = false;
  var lastDraw = -1e9;
  // The canvas takes at most this many frames a second, each drawn at
  // once: play presents 22; the title a thousand, of which a screen could
  // show 60, but its specks move ten times a second, so 30 lose nothing
  // and cost half (each picture the browser shows costs it about 2 ms).
  var drawGap = 1000 / 30 - 3;
  var lcdContext = null;
  var lcdImage = null;
  var colours = null;  // [clear, ink] as ImageData words

  // The page's clock stands still while the page is hidden, and the game
  // is not run then: it goes on where it was once the page is shown.
  var hiddenSince = document.hidden ? performance.now() : null;
  var hiddenTotal = 0;
  var timer = null;  // the next run of the game, while the page is shown

  // The test interface's record: a test that sets window.murloRecord to an
  // array before the page loads finds in it every call the game makes, as
  // the replay tool traces them ('poll 08', 'present ...', 'wait 5', ...).
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
    current: null,    // {index, start}: the sound the game is playing, and since when
    name: '',         // the name given to the last play_sound; '' after stop_sound
  };

  function $(id) { return document.getElementById(id); }

  function clock() {
    return (hiddenSince !== null ? hiddenSince : performance.now()) - hiddenTotal;
  }

  // Runs the game with the page's clock, then sleeps as long as it asks
  // (timers fire late, never early: rounded up, it is never run too soon).
  function run() {
    timer = null;
    if (document.hidden) return;
    var ms = Module['_murlo_web_run'](clock());
    timer = setTimeout(run, Math.ceil(ms));
  }

  function hex(word, digits) {
    return (word >>> 0).toString(16).padStart(digits, '0');
  }

  function css(rgb) {
    return '#' + (0x1000000 + rgb).toString(16).slice(1);
  }

  function word(rgb) {  // an ImageData pixel as a little-endian word: ABGR
    return (0xFF000000 | ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF)) >>> 0;
  }

  // ---- layout --------------------------------------------------------

  // The handheld as large as fits below the buttons, centred.
  function fit() {
    var handheld = $('handheld');
    var margin = 8;
    var top = Math.max($('bar').getBoundingClientRect().bottom,
                       $('help').getBoundingClientRect().bottom) + margin;
    var width = window.innerWidth - 2 * margin;
    var height = window.innerHeight - top - margin;
    var scale = Math.max(0.1, Math.min(width / setup.width, height / setup.height));
    var left = (window.innerWidth - setup.width * scale) / 2;
    var y = top + (height - setup.height * scale) / 2;
    handheld.style.transform = 'translate(' + left + 'px,' + y + 'px) scale(' + scale + ')';
  }

  // ---- input ---------------------------------------------------------

  function releaseAll() {
    heldCodes = {};
    pointers.clear();
  }

  // Where a pointer event falls in window coordinates (the skin's pixels).
  function windowPoint(event) {
    var rect = $('handheld').getBoundingClientRect();
    return [Math.floor((event.clientX - rect.left) * setup.width / rect.width),
            Math.floor((event.clientY - rect.top) * setup.height / rect.height)];
  }

  function listen() {
    window.addEventListener('keydown', function (event) {
      var bit = keyBits[event.code];
      if (bit === undefined) return;
      event.preventDefault();  // arrows never scroll the page
      heldCodes[event.code] = bit;
      unlockAudio();
    });
    window.addEventListener('keyup', function (event) {
      if (keyBits[event.code] === undefined) return;
      event.preventDefault();
      delete heldCodes[event.code];
    });
    window.addEventListener('blur', releaseAll);
    // Pads connected before the game started announced themselves already.
    window.addEventListener('gamepadconnected', function () { padsSeen = true; });
    try {
      padsSeen = Array.prototype.some.call(navigator.getGamepads ? navigator.getGamepads() : [],
                                           function (pad) { return !!pad; });
    } catch (e) { /* no pads */ }

    var handheld = $('handheld');
    handheld.addEventListener('pointerdown', function (event) {
      if (event.pointerType === 'mouse' && event.button !== 0) return;
      event.preventDefault();
      try { handheld.setPointerCapture(event.pointerId); } catch (e) { /* already gone */ }
      pointers.set(event.pointerId, windowPoint(event));
      unlockAudio();
    });
    handheld.addEventListener('pointermove', function (event) {
      if (pointers.has(event.pointerId)) pointers.set(event.pointerId, windowPoint(event));
    });
    var release = function (event) { pointers.delete(event.pointerId); };
    handheld.addEventListener('pointerup', release);
    handheld.addEventListener('pointercancel', release);
    handheld.addEventListener('lostpointercapture', release);
    handheld.addEventListener('contextmenu', function (event) { event.preventDefault(); });

    document.addEventListener('visibilitychange', function () {
      if (document.hidden) {
        if (hiddenSince === null) hiddenSince = performance.now();
        if (timer !== null) clearTimeout(timer);
        timer = null;
        releaseAll();
        if (audio.context) audio.context.suspend().catch(function () {});
        return;
      }
      if (hiddenSince !== null) hiddenTotal += performance.now() - hiddenSince;
      hiddenSince = null;
      if (audio.context && audio.unlocked) audio.context.resume().catch(function () {});
      if (timer === null) timer = setTimeout(run, 0);
    });
    window.addEventListener('resize', fit);
  }

  // Standard-mapping pads as the game reads them: the D-pad (buttons 12
  // to 15), the south and east buttons (0 and 1) and the left stick, its
  // axes from -32767 to 32767. Which of them hold which key the game
  // decides, as on the desktop. A button pressed is a gesture that lets
  // sound start.
  function padStates() {
    if (!padsSeen || !navigator.getGamepads) return [];
    var pads;
    try { pads = navigator.getGamepads(); } catch (e) { return []; }
    var states = [];
    var pressed = false;
    for (var i = 0; pads && i < pads.length; ++i) {
      var pad = pads[i];
      if (!pad || pad.connected === false) continue;
      var button = function (n) { return pad.buttons[n] && pad.buttons[n].pressed ? 1 : 0; };
      var axis = function (n) {
        var value = pad.axes && pad.axes.length > 1 ? pad.axes[n] : 0;
        return Math.round(Math.max(-1, Math.min(1, value || 0)) * 32767);
      };
      states.push([button(12), button(13), button(14), button(15), button(0), button(1), axis(0), axis(1)]);
      pressed = pressed || pad.buttons.some(function (b) { return b && b.pressed; });
    }
    if (pressed && !padWasPressed) unlockAudio();
    padWasPressed = pressed;
    return states;
  }

  // ---- picture -------------------------------------------------------

  // The latest frame onto the canvas, when it differs from the one there
  // (the title presents a thousand frames a second, most of them alike).
  function draw() {
    drawPending = false;
    lastDraw = performance.now();
    var same = true;
    for (var i = 0; i < 32 && same; ++i) same = rows[i] === shown[i];
    if (same) return;
    shown.set(rows);
    var pixels = new Uint32Array(lcdImage.data.buffer);
    for (var y = 0; y < 32; ++y) {
      var row = rows[y];
      for (var x = 0; x < 32; ++x) pixels[y * 32 + x] = colours[(row >>> x) & 1];
    }
    lcdContext.putImageData(lcdImage, 0, 0);
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
      Module['_murlo_web_make_sound'](index);
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
  // click or pad press makes and resumes the audio context.
  function unlockAudio() {
    if (audio.unlocked) return;
    var Context = window.AudioContext || window.webkitAudioContext;
    if (!Context) return;
    try {
      if (!audio.context) audio.context = new Context();
      audio.context.resume().then(function () {
        if (audio.context.state !== 'running' || audio.unlocked) return;
        audio.unlocked = true;
        startCurrent();
        makeSounds();
      }, function () {});
    } catch (e) {
      audio.context = null;
    }
  }

  function showSoundButton() {
    var button = $('sound');
    button.textContent = audio.on ? 'Sound on' : 'Sound off';
    button.setAttribute('aria-pressed', audio.on ? 'true' : 'false');
  }

  function buttons() {
    try { audio.on = window.localStorage.getItem(soundKey) !== 'off'; } catch (e) { /* none */ }
    showSoundButton();
    $('sound').addEventListener('click', function () {
      // Before any gesture, sound that is on is only waiting for this one.
      if (audio.on && !audio.unlocked) return unlockAudio();
      audio.on = !audio.on;
      try { window.localStorage.setItem(soundKey, audio.on ? 'on' : 'off'); } catch (e) { /* none */ }
      showSoundButton();
      unlockAudio();
      if (audio.on) startCurrent();
      else stopNode();
      makeSounds();
    });
    var page = document.documentElement;
    var full = page.requestFullscreen || page.webkitRequestFullscreen;
    if (!full) {
      $('fullscreen').hidden = true;
      return;
    }
    $('fullscreen').addEventListener('click', function () {
      if (document.fullscreenElement || document.webkitFullscreenElement) {
        (document.exitFullscreen || document.webkitExitFullscreen).call(document);
      } else {
        var asked = full.call(page);
        if (asked && asked.catch) asked.catch(function () {});
      }
      unlockAudio();
    });
  }

  // ---- what the game calls (through library.js) ----------------------

  return {
    start: function (s) {
      setup = s;
      keyBits = {KeyZ: s.keys.z, ArrowRight: s.keys.right, ArrowLeft: s.keys.left,
                 ArrowDown: s.keys.down, ArrowUp: s.keys.up};
      colours = [word(s.clear), word(s.ink)];
      var handheld = $('handheld');
      handheld.style.width = s.width + 'px';
      handheld.style.height = s.height + 'px';
      // The plain outline shows until the skin has loaded, and stays
      // when it cannot be.
      handheld.style.background = css(s.fill);
      handheld.style.borderRadius = (s.corner / 2) + 'px';
      var skin = $('skin');
      var skinned = function () { handheld.style.background = 'none'; handheld.style.borderRadius = '0'; };
      var unskinned = function () { skin.style.display = 'none'; };
      if (skin.complete) (skin.naturalWidth > 0 ? skinned : unskinned)();
      skin.addEventListener('load', skinned);
      skin.addEventListener('error', unskinned);
      var lcd = $('lcd');
      lcd.style.left = s.lcdLeft + 'px';
      lcd.style.top = s.lcdTop + 'px';
      lcd.style.width = lcd.style.height = s.lcdSpan + 'px';
      lcdContext = lcd.getContext('2d');
      lcdImage = lcdContext.createImageData(32, 32);
      shown.fill(1);  // differs from any frame: the first draw paints
      draw();
      buttons();
      listen();
      fit();
      handheld.style.visibility = 'visible';
      // The game starts once it has been set up (when this returns).
      if (!document.hidden) timer = setTimeout(run, 0);
      return record !== null;
    },
    keys: function () {
      var bits = 0;
      for (var code in heldCodes) bits |= heldCodes[code];
      return bits;
    },
    pads: padStates,
    pointers: function () {
      return Array.from(pointers.values());
    },
    polled: function (keys) {
      record.push('poll ' + hex(keys, 2));
    },
    present: function (words) {
      rows.set(words);
      presented += 1;
      if (record) record.push('present ' + Array.from(words, function (w) { return hex(w, 8); }).join(' '));
      if (drawPending) return;
      var early = lastDraw + drawGap - performance.now();
      if (early <= 0) return draw();
      drawPending = true;
      setTimeout(draw, early);
    },
    waited: function (ticks) {
      record.push('wait ' + ticks);
    },
    play: function (name, index) {
      if (record) record.push('sound ' + name);
      audio.name = name;
      audio.current = {index: index, start: clock()};
      startCurrent();
      makeSounds();
    },
    stop: function () {
      if (record) record.push('stop');
      audio.name = '';
      audio.current = null;
      stopNode();
    },
    soundSamples: function (index, samples, rate) {
      audio.samples[index] = samples;
      audio.rate = rate;
      if (audio.current && audio.current.index === index) startCurrent();
    },
    // The test interface, kept in the released page.
    api: {
      get presented() { return presented; },
      lcd: function () { return Array.from(rows); },
      get sound() { return audio.name; },
    },
  };
})();

window.murlo = MurloPage.api;
