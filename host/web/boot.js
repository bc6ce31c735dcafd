(function () {
  'use strict';
  function fail(text) {
    var message = document.getElementById('message');
    message.textContent = text;
    message.hidden = false;
    document.getElementById('handheld').style.display = 'none';
  }
  if (typeof WebAssembly !== 'object' || typeof WebAssembly.instantiate !== 'function') {
    fail('Murlo needs a browser with WebAssembly, and this one has none (or has it turned off). ' +
         'Any recent Chrome, Edge, Firefox or Safari will do.');
    return;
  }
  window.Module = {
    onAbort: function (what) { fail('Murlo stopped: ' + what); },
    printErr: function (text) { console.warn(text); },
  };
  var script = document.createElement('script');
  script.src = 'murlo.js';
  script.onerror = function () { fail('Murlo could not load its program (murlo.js).'); };
  document.body.appendChild(script);
  // Every file of the page kept for playing offline (sw.js): asked for a
  // little after the page has started, so that fetching them all again
  // does not slow the first visit's start.
  if ('serviceWorker' in navigator) {
    window.addEventListener('load', function () {
      setTimeout(function () {
        navigator.serviceWorker.register('sw.js').catch(function (error) {
          console.warn('Murlo will not play offline: ' + error.message);
        });
      }, 1000);
    });
  }
})();
