// The imports of the web host (web_host.cpp), as an Emscripten library:
// each passes its arguments on to the page side (page.js).
mergeInto(LibraryManager.library, {
  murlo_web_layout: function (index, width, height, lcdLeft, lcdTop, lcdSpan, corner, bestX, bestY,
                              bestRight, bestCell) {
    MurloPage.layout(index, {width: width, height: height, lcdLeft: lcdLeft, lcdTop: lcdTop,
                             lcdSpan: lcdSpan, corner: corner, bestX: bestX, bestY: bestY,
                             bestRight: bestRight !== 0, bestCell: bestCell});
  },

  murlo_web_palette: function (index, name, clear, ink, pausedClear, pausedInk) {
    MurloPage.palette(index, {name: UTF8ToString(name), clear: clear, ink: ink, pausedClear: pausedClear,
                              pausedInk: pausedInk});
  },

  murlo_web_start: function (host, fill, skinInk, z, right, left, down, up, sounds, version, maxLinkText) {
    return MurloPage.start({
      host: host, fill: fill, skinInk: skinInk, keys: {z: z, right: right, left: left, down: down, up: up}, sounds: sounds,
      version: UTF8ToString(version), maxLinkText: maxLinkText,
    }) ? 1 : 0;
  },

  murlo_web_best: function () {
    return MurloPage.best();
  },

  murlo_web_keep_best: function (depth) {
    return MurloPage.keepBest(depth);
  },

  murlo_web_keys: function () {
    return MurloPage.keys();
  },

  // Writes up to `most` points as x, y pairs; returns how many.
  murlo_web_pointers: function (xy, most) {
    var points = MurloPage.pointers();
    var count = Math.min(points.length, most);
    for (var i = 0; i < count; ++i) {
      HEAP32[(xy >> 2) + 2 * i] = points[i][0];
      HEAP32[(xy >> 2) + 2 * i + 1] = points[i][1];
    }
    return count;
  },

  // Writes up to `most` pads as eight numbers each (up, down, left, right,
  // south, east, stick x, stick y); returns how many.
  murlo_web_pads: function (state, most) {
    var pads = MurloPage.pads();
    var count = Math.min(pads.length, most);
    for (var i = 0; i < count; ++i)
      for (var k = 0; k < 8; ++k) HEAP32[(state >> 2) + 8 * i + k] = pads[i][k];
    return count;
  },

  murlo_web_present: function (rows) {
    MurloPage.present(HEAPU32.subarray(rows >> 2, (rows >> 2) + 32));
  },

  murlo_web_play: function (name, index, atMs) {
    MurloPage.play(UTF8ToString(name), index, atMs);
  },

  murlo_web_stop: function () {
    MurloPage.stop();
  },

  murlo_web_trace: function (lines, size) {
    MurloPage.trace(UTF8ToString(lines, size));
  },

  murlo_web_sound_samples: function (index, samples, count, rate) {
    MurloPage.soundSamples(index, HEAPF32.slice(samples >> 2, (samples >> 2) + count), rate);
  },

  murlo_web_watching: function (on) {
    MurloPage.watching(on !== 0);
  },

  murlo_web_playing: function (on) {
    MurloPage.playing(on !== 0);
  },

  murlo_web_keep_game: function (bytes, size) {
    MurloPage.keepGame(HEAPU8.subarray(bytes, bytes + size));
  },

  murlo_web_drop_game: function () {
    MurloPage.dropGame();
  },

  murlo_web_game_over: function (own) {
    MurloPage.gameOver(own !== 0);
  },
});
