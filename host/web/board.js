// The board the page may be served by (murlo-board). The page asks once
// whether there is one: a board answers api/board with a JSON list. When
// there is, the menu opens the board, and a game of the player's that has
// ended can be sent to it, under a name asked once and remembered by the
// browser. Served anywhere else (a static host, a file) the page shows
// none of this and asks nothing more. Loaded before the game, so the
// question goes out at once; the page hands over its menu (attach) and,
// when the player's own game has ended, its run (offer).
import { setting, write } from './store.js';

const nameKey = 'murlo.name';
let found = false;    // the page is served by a board
let attached = false;
let run = null;       // the run to send: the player's own, to a game's end
let sending = false;
let remembered = '';  // the player's name on boards

function $(id) { return document.getElementById(id); }

// An http(s) page online asks; a board's list has its entries.
const asked = !/^https?:$/.test(location.protocol) || navigator.onLine === false ? Promise.resolve(false)
  : fetch('api/board?limit=1', {cache: 'no-store'}).then(function (response) {
    if (!response.ok || !/^application\/json/.test(response.headers.get('Content-Type') || '')) return false;
    return response.json().then(function (body) { return !!body && Array.isArray(body.entries); });
  }).catch(function () { return false; });
asked.then(function (yes) {
  found = yes;
  show();
});

function show() {
  if (!found || !attached) return;
  $('board').hidden = false;
  $('send').hidden = run === null;
  // On a phone the entries are folded away: the menu button says there
  // is something new in it.
  $('menu-button').classList.toggle('news', run !== null);
  $('menu-button').setAttribute('aria-label', run !== null ? 'Menu, with a run to send' : 'Menu');
}

function keepName(name) {
  write(nameKey, name);
  remembered = name;
}

function openDialog() {
  const dialog = $('sending');
  if (!dialog.open) dialog.showModal();
}

function askName() {
  $('name').value = remembered;
  $('name-form').hidden = false;
  $('answer').hidden = true;
  openDialog();
  $('name').focus();
  $('name').select();
}

function say(text, failed) {
  $('name-form').hidden = true;
  $('answer').hidden = false;
  $('answer-text').textContent = text;
  $('answer-text').classList.toggle('failed', !!failed);
  openDialog();
}

// The run offered, under `name`. The board plays it and answers with
// its place; a run it has already is no mistake, only said so.
function send(name) {
  if (sending || run === null) return;
  sending = true;
  say('Sending the run as ' + name + '\u2026');
  fetch('api/runs', {method: 'POST', headers: {'Content-Type': 'application/json'},
                     body: JSON.stringify({name: name, run: run})}).then(function (response) {
    return response.json().catch(function () { return {}; }).then(function (body) {
      const status = response.status;
      if (status === 200 || status === 201) {
        return say((status === 201 ? 'On the board' : 'Already on the board') + ' as ' + body.name +
                   ': rank ' + body.rank + ', depth ' + body.depth + '.');
      }
      const why = body && typeof body.error === 'string' ? body.error
                : status === 429 || status >= 500 ? 'try again later' : 'HTTP ' + status;
      say('The board did not take the run: ' + why + '.', true);
    });
  }, function () {
    say('The board cannot be reached: try again later.', true);
  }).then(function () { sending = false; });
}

export function attach(addEntry) {
  attached = true;
  remembered = setting(nameKey) || '';
  addEntry({id: 'board', text: ['Board'], title: 'The deepest runs sent here',
            click: function () { location.assign('board'); }}).hidden = true;
  const entry = addEntry({id: 'send', text: ['Send', '\u00a0to the board'], title: 'Put this run on the board',
                          click: function () { if (remembered) send(remembered); else askName(); }});
  entry.hidden = true;
  $('share').after(entry);  // beside sharing the run
  $('menu-button').addEventListener('click', function () { $('menu-button').classList.remove('news'); });
  $('name-form').addEventListener('submit', function (event) {
    event.preventDefault();
    const name = $('name').value.trim();
    if (!name) return void $('name').focus();
    keepName(name);
    send(name);
  });
  $('rename').addEventListener('click', askName);
  Array.prototype.forEach.call(document.querySelectorAll('#sending .close'), function (button) {
    button.addEventListener('click', function () { $('sending').close(); });
  });
  show();
}

// The run that can be sent now (from the end of a game of the player's
// until the next begins), or null.
export function offer(text) {
  run = text;
  show();
}
