// What a run needs around it in a browser tab: one run at a time across every
// tab of the page (a Web Lock, the page's single-instance rule), the screen
// kept on (taken again when the tab comes back into view: the browser lets a
// wake lock go with the tab), and a question before the tab is closed or
// reloaded.

const LOCK_NAME = 'vantrel-update';

/** Runs `run` under the lock; calls `refused` instead while another tab runs. */
export async function guardedRun(run, refused) {
  if (!navigator.locks) return keptAwake(run);
  return navigator.locks.request(LOCK_NAME, { ifAvailable: true }, (lock) => (lock ? keptAwake(run) : refused()));
}

async function keptAwake(run) {
  const screen = new ScreenWake();
  window.addEventListener('beforeunload', askBeforeLeaving);
  try {
    return await run();
  } finally {
    window.removeEventListener('beforeunload', askBeforeLeaving);
    screen.release();
  }
}

function askBeforeLeaving(event) {
  event.preventDefault();
  event.returnValue = '';
}

class ScreenWake {
  constructor() {
    this.wanted = true;
    this.sentinel = null;
    this.onVisibility = () => {
      if (document.visibilityState === 'visible') this.take();
    };
    document.addEventListener('visibilitychange', this.onVisibility);
    this.take();
  }

  async take() {
    if (!('wakeLock' in navigator) || (this.sentinel && !this.sentinel.released)) return;
    try {
      this.sentinel = await navigator.wakeLock.request('screen');
      if (!this.wanted) this.sentinel.release();
    } catch (error) {
      // A hidden tab or the browser's policy: the run goes on, the log says why.
      console.warn(`No screen wake lock could be taken (${error.message}): the screen may turn off during the run`);
    }
  }

  release() {
    this.wanted = false;
    document.removeEventListener('visibilitychange', this.onVisibility);
    this.sentinel?.release();
  }
}
