// A player whose keys are set in advance, for the page's checks: given to
// a browser context's addInitScript, it presses and lets go of the arrows
// and Z on the page's keyboard so that the page holds `keys`: the first
// from before the game starts until a key leaves the title (the title's
// first pass comes before any key, so its second), and at the game's first
// frame; then the next after each poll, for the one after it; then none.
// (A game polls at most once each time the page runs it, and the page
// records its calls after each run: the player answers each poll it finds
// there before the game runs again.) window.deepest notes the deepest the
// game in play was as it polled.
export function holdKeys(keys) {
  const codes = ['KeyZ', 'ArrowRight', 'ArrowLeft', 'ArrowDown', 'ArrowUp'];  // bits 0 to 4
  let held = 0, polls = 0, left = -1;  // the keys held, polls seen, the poll that left the title
  const hold = (bits) => {
    codes.forEach((code, bit) => {
      const now = (bits >> bit) & 1;
      if (now !== ((held >> bit) & 1)) window.dispatchEvent(new KeyboardEvent(now ? 'keydown' : 'keyup', { code }));
    });
    held = bits;
  };
  const next = () => {
    const at = left < 0 ? 0 : polls - left - 1;
    return at < keys.length ? keys[at] : 0;
  };
  window.deepest = -1;
  window.murloRecord = [];
  window.murloRecord.push = function (line) {
    Array.prototype.push.call(this, line);
    if (!line.startsWith('poll ')) return this.length;
    if (left < 0 && line !== 'poll 00') left = polls;
    polls += 1;
    window.deepest = Math.max(window.deepest, window.murlo.depth);
    queueMicrotask(() => document.hidden || hold(next()));  // once the run is over; none in a hidden page
    return this.length;
  };
  addEventListener('DOMContentLoaded', () => hold(keys[0]));
  // The page lets keys go when it is hidden, and a game hidden waits,
  // paused: the player goes on by pressing again the keys for the next
  // poll (which counts them there), or P when there are none.
  document.addEventListener('visibilitychange', () => {
    if (document.hidden) held = 0;
  });
  window.goOn = () => {
    if (next()) return hold(next());
    window.dispatchEvent(new KeyboardEvent('keydown', { code: 'KeyP' }));
    window.dispatchEvent(new KeyboardEvent('keyup', { code: 'KeyP' }));
  };
}

// The key bits of each poll of a script ('00*2 01 ...').
export function expand(script) {
  return script.split(/\s+/).flatMap((token) => {
    const [value, count = '1'] = token.split('*');
    return new Array(Number(count)).fill(parseInt(value, 16));
  });
}

// The keys of a game that digs down a few rows and dies there, a poll
// each, the first of them leaving the title at its second pass too.
export const diesDeep = '08*3 02*7 08*5 04*9 0a*4 08*10 02*7 04*7 08*5 02*9 0c*3';
