// The screen kept on while a game runs on a shown page: a screen wake
// lock, let go on the title, when the page is hidden (the browser lets it
// go then too), while the game is paused and when it ends. Where there is
// none, the screen may dim.
const wake = {want: false, lock: null, asking: false};

export function keepAwake(want) {
  wake.want = want;
  if (want && !wake.lock && !wake.asking && navigator.wakeLock) {
    wake.asking = true;
    navigator.wakeLock.request('screen').then((lock) => {
      wake.asking = false;
      wake.lock = lock;
      lock.addEventListener('release', () => { if (wake.lock === lock) wake.lock = null; });
      keepAwake(wake.want);  // the game may have ended meanwhile
    }, () => { wake.asking = false; });
  }
  if (!want && wake.lock) {
    const lock = wake.lock;
    wake.lock = null;
    lock.release().catch(() => {});
  }
}
