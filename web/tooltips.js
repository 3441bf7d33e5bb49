// The window's tooltips: white with the skin's text colour, shown when the
// mouse rests on a control and gone when it leaves or presses. A tip that
// describes a control (rather than naming it, as on the glyph buttons) is
// also its description for assistive tools.

const SHOW_DELAY_MS = 500;

export function installTooltips(tip) {
  let timer = 0;
  let pointer = { x: 0, y: 0 };
  const hide = () => {
    clearTimeout(timer);
    tip.hidden = true;
  };
  for (const control of document.querySelectorAll('[data-tip]')) {
    if (control.hasAttribute('data-described')) {
      const description = document.createElement('span');
      description.id = `${control.id}-tip`;
      description.hidden = true;
      description.textContent = control.dataset.tip;
      document.body.append(description);
      control.setAttribute('aria-describedby', description.id);
    }
    control.addEventListener('mousemove', (event) => {
      pointer = { x: event.clientX, y: event.clientY };
    });
    control.addEventListener('mouseenter', () => {
      hide();
      timer = setTimeout(() => {
        tip.textContent = control.dataset.tip;
        tip.style.left = `${pointer.x}px`;
        tip.style.top = `${pointer.y + 20}px`;
        tip.hidden = false;
      }, SHOW_DELAY_MS);
    });
    control.addEventListener('mouseleave', hide);
    control.addEventListener('mousedown', hide);
  }
  document.addEventListener('keydown', hide);
}
