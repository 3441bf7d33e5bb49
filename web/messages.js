// The program's messages in the page's own OK box: modal, one at a time in
// the order they came, with the program's name as caption, as the desktop
// window's message boxes are.

const box = document.getElementById('message');
const text = document.getElementById('message-text');
let shown = Promise.resolve();

/** Shows `message`; resolves once it and every message before it were closed. */
export function showMessage(message) {
  shown = shown.then(() => new Promise((closed) => {
    text.textContent = message;
    box.addEventListener('close', closed, { once: true });
    box.showModal();
  }));
  return shown;
}

/** Resolves once no message is open or waiting. */
export function messagesClosed() {
  return shown;
}
