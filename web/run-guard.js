// What a run needs around it in a browser tab besides the screen wake lock
// (which the engine client takes while the engine holds its sleep inhibitor):
// one run at a time across every tab of the page, by a Web Lock (the page's
// single-instance rule), and a question before the tab is closed or reloaded.

const LOCK_NAME = 'vantrel-update';

/** Runs `run` under the lock; calls `refused` instead while another tab runs. */
export async function guardedRun(run, refused) {
  if (!navigator.locks) return askedBeforeLeaving(run);
  return navigator.locks.request(LOCK_NAME, { ifAvailable: true },
    (lock) => (lock ? askedBeforeLeaving(run) : refused()));
}

async function askedBeforeLeaving(run) {
  window.addEventListener('beforeunload', askBeforeLeaving);
  try {
    return await run();
  } finally {
    window.removeEventListener('beforeunload', askBeforeLeaving);
  }
}

function askBeforeLeaving(event) {
  event.preventDefault();
  event.returnValue = '';
}
