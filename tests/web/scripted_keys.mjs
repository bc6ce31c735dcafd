// A player whose keys are set in advance, for the page's checks: given to
// a browser context's addInitScript, it makes the page hold `keys` as it
// reads them: the first until a key leaves the title (at its first pass,
// run as the page starts, and at the game's first frame, polled at once),
// then one a poll, then none. (A game polls at most once each time the
// page runs it.) The page records its calls, and window.deepest notes the
// deepest the game in play was as the page ran it.
export function holdKeys(keys) {
  window.deepest = -1;
  window.murloRecord = [];
  let murloPage;
  Object.defineProperty(window, 'MurloPage', {
    configurable: true,
    get: () => murloPage,
    set: (value) => {
      murloPage = value;
      let seen = 0, polls = 0, left = -1;  // lines read, polls among them, the poll that left the title
      murloPage.keys = () => {
        const record = window.murloRecord;
        for (; seen < record.length; ++seen) {
          if (!record[seen].startsWith('poll ')) continue;
          if (left < 0 && record[seen] !== 'poll 00') left = polls;
          polls += 1;
        }
        window.deepest = Math.max(window.deepest, value.api.depth);
        const next = left < 0 ? 0 : polls - left - 1;
        return next < keys.length ? keys[next] : 0;
      };
    },
  });
}

// The key bits of each poll of a script ('00*2 01 ...').
export function expand(script) {
  return script.split(/\s+/).flatMap((token) => {
    const [value, count = '1'] = token.split('*');
    return new Array(Number(count)).fill(parseInt(value, 16));
  });
}

// The keys of a game that digs down a few rows and dies there, a poll
// each, the first of them leaving the title at its first pass too.
export const diesDeep = '08*6 0c*6 08*8 04*2 0c*2 08*10 04*10 0c*2 02*4 04*2 02*4 0a*3';
