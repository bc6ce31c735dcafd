// The imports of the web host (web_host.cpp says what each is for), as an
// Emscripten library: each hands its arguments, made into the page's
// values, to the page's handler of the same name (page.js gives the game
// its handlers as Module.page).
mergeInto(LibraryManager.library, {
  murlo_web_layout: function (index, width, height, lcdLeft, lcdTop, lcdSpan, corner, bestX, bestY,
                              bestRight, bestCell) {
    Module.page.layout(index, {width: width, height: height, lcdLeft: lcdLeft, lcdTop: lcdTop,
                               lcdSpan: lcdSpan, corner: corner, bestX: bestX, bestY: bestY,
                               bestRight: bestRight !== 0, bestCell: bestCell});
  },
  murlo_web_palette: function (index, name, clear, ink, pausedClear, pausedInk) {
    Module.page.palette(index, {name: UTF8ToString(name), clear: clear, ink: ink, pausedClear: pausedClear,
                                pausedInk: pausedInk});
  },
  murlo_web_start: function (host, fill, skinInk, z, right, left, down, up, sounds, version, maxLinkText) {
    Module.page.start({host: host, fill: fill, skinInk: skinInk, sounds: sounds, version: UTF8ToString(version),
                       keys: {z: z, right: right, left: left, down: down, up: up}, maxLinkText: maxLinkText});
  },
  murlo_web_present: function (rows, paused) {
    Module.page.present(HEAPU32.subarray(rows >> 2, (rows >> 2) + 32), paused !== 0);
  },
  murlo_web_sound: function (index, name, atMs) {
    Module.page.sound(index, UTF8ToString(name), atMs);
  },
  murlo_web_trace: function (lines, size) {
    Module.page.trace(UTF8ToString(lines, size));
  },
  murlo_web_sound_samples: function (index, samples, count, rate) {
    Module.page.samples(index, HEAPF32.slice(samples >> 2, (samples >> 2) + count), rate);
  },
  murlo_web_state: function (playing, paused, watching) {
    Module.page.state(playing !== 0, paused !== 0, watching !== 0);
  },
  murlo_web_best: function (depth, label) {
    Module.page.best(depth, HEAPU32.slice(label >> 2, (label >> 2) + 10));
  },
  murlo_web_game_over: function (own) {
    Module.page.gameOver(own !== 0);
  },
  murlo_web_give: function (bytes, size) {
    Module.page.give(HEAPU8.slice(bytes, bytes + size));
  },
  murlo_web_read: function (key) {
    return Module.page.read(UTF8ToString(key));
  },
  murlo_web_write: function (key, text, size) {
    return Module.page.write(UTF8ToString(key), UTF8ToString(text, size)) ? 1 : 0;
  },
  murlo_web_remove: function (key) {
    Module.page.remove(UTF8ToString(key));
  },
  murlo_web_say: function (notice, detail, size) {
    Module.page.say(notice, UTF8ToString(detail, size));
  },
});
