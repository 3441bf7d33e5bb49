// The cylinder progress bar of step 4, drawn on a canvas as the desktop
// window draws it: an empty and a filled segment, each a body with a gloss
// band and elliptical faces, the far end face outlined on top, and the label
// "caption    NN%" in the middle. The canvas carries the progress bar's
// accessibility: its value from 0 to 100 and the step as the value's text.

const END_FACE = 10;
const EMPTY_COLOR = 0xff7babff;   // the highlight colour
const FILL_COLOR = 0xffdfffff;    // the highlight colour lightened by 100
const OUTLINE_COLOR = 0xff808080;
const TEXT_COLOR = 0xff15428b;
const GLOSS_START = 0x64808080;
const GLOSS_END = 0x64ffffff;
const GLOSS_FOCUS = 0.7;
const BELL_PRECISION = 16;
const FRONT_FACE_SHADE = 2;
const BASE_FACE_SHADE = 3;
// The parent window's font at regular weight: Arial 10 points.
const LABEL_FONT = '13.333px Arial, "Liberation Sans", Helvetica, sans-serif';

function css(argb) {
  const a = (argb >>> 24) / 255;
  return `rgba(${(argb >>> 16) & 0xff}, ${(argb >>> 8) & 0xff}, ${argb & 0xff}, ${a})`;
}

/** pos times the quotient 100 / range (1 for an empty range), the quotient first, truncated. */
export function progressPercent(pos, range) {
  return Math.trunc(pos * (100 / (Math.abs(range) || 1)));
}

/** A face colour: each channel c becomes trunc(c * f * 0.5) + c / 2, f by kind. */
export function shadeColor(argb, kind) {
  const f = Math.fround([0.7, 0.5, 0.8, 0.4][kind] ?? 1.0);
  const shade = (c) => Math.trunc(Math.fround(c * f) * 0.5) + (c >> 1);
  const r = shade((argb >>> 16) & 0xff), g = shade((argb >>> 8) & 0xff), b = shade(argb & 0xff);
  return ((argb & 0xff000000) | (r << 16) | (g << 8) | b) >>> 0;
}

// erf by its Taylor series: the bell needs it on -1.42..1.42 only, where 40
// terms are exact to double precision.
function erf(x) {
  let term = x, sum = x;
  for (let n = 1; n < 40; ++n) {
    term *= (-x * x) / n;
    sum += term / (2 * n + 1);
  }
  return (2 / Math.sqrt(Math.PI)) * sum;
}

/** Stops of the gloss gradient: a sigma bell blend between its two colours. */
export function glossStops(focus = GLOSS_FOCUS) {
  const range = 2 / Math.sqrt(2);
  const minErf = erf(-range);
  const scale = 1 / (-2 * minErf);
  const rising = (i) => scale * (erf((2 * range * i) / BELL_PRECISION - range) - minErf);
  const falling = (i) => scale * (erf(range - (2 * range * i) / BELL_PRECISION) - minErf);
  const blend = [[0, 0]];
  for (let i = 1; i < BELL_PRECISION; ++i) blend.push([(focus * i) / BELL_PRECISION, rising(i)]);
  blend.push([focus, 1]);
  for (let i = 1; i < BELL_PRECISION; ++i) blend.push([focus + ((1 - focus) * i) / BELL_PRECISION, falling(i)]);
  blend.push([1, 0]);
  const mix = (shift, t) => {
    const a = (GLOSS_START >>> shift) & 0xff, b = (GLOSS_END >>> shift) & 0xff;
    return Math.round(a + (b - a) * t);
  };
  return blend.map(([position, t]) => [position,
    `rgba(${mix(16, t)}, ${mix(8, t)}, ${mix(0, t)}, ${mix(24, t) / 255})`]);
}

const GLOSS_STOPS = glossStops();

/** The bar's rectangles ([x, y, w, h]) in a client area of width x height at percent. */
export function cylinderLayout(width, height, percent) {
  const barLength = width - 1 - END_FACE;
  const fill = Math.trunc(Math.fround((barLength / 100) * percent));
  const h = height - 1;
  return {
    full: [0, 0, width - 1, h],
    empty: [fill, 0, barLength - fill, h],
    filled: [0, 0, fill, h],
    endFace: [barLength, 0, END_FACE, h],
  };
}

function ellipsePath(ctx, [x, y, w, h]) {
  ctx.beginPath();
  ctx.ellipse(x + w / 2, y + h / 2, w / 2, h / 2, 0, 0, 2 * Math.PI);
}

// The body: from the front face's bottom round its left half to the top,
// then round the base face's left half back down; closing it joins the two.
function bodyPath(ctx, [x, y, w, h]) {
  const ry = h / 2, cy = y + ry;
  ctx.beginPath();
  ctx.ellipse(x + w + END_FACE / 2, cy, END_FACE / 2, ry, 0, Math.PI / 2, (3 * Math.PI) / 2, false);
  ctx.ellipse(x + END_FACE / 2, cy, END_FACE / 2, ry, 0, (3 * Math.PI) / 2, Math.PI / 2, true);
  ctx.closePath();
}

function drawSegment(ctx, rect, color, { drawBase, outlineFront, outlineBase }) {
  const [x, y, w, h] = rect;
  bodyPath(ctx, rect);
  ctx.fillStyle = css(color);
  ctx.fill();
  if (w > 0 && h > 0) {
    const gloss = ctx.createLinearGradient(x, y + h, x, y);
    for (const [position, stop] of GLOSS_STOPS) gloss.addColorStop(position, stop);
    ctx.fillStyle = gloss;
    ctx.fill();
  }
  ctx.stroke();
  if (drawBase) {
    ellipsePath(ctx, [x, y, END_FACE, h]);
    ctx.fillStyle = css(shadeColor(color, BASE_FACE_SHADE));
    ctx.fill();
    if (outlineBase) ctx.stroke();
  }
  ellipsePath(ctx, [x + w, y, END_FACE, h]);
  ctx.fillStyle = css(shadeColor(color, FRONT_FACE_SHADE));
  ctx.fill();
  if (outlineFront) ctx.stroke();
}

export class CylinderProgress {
  constructor(canvas, announce) {
    this.canvas = canvas;
    this.announce = announce;
    this.caption = '';
    this.range = 100;
    this.pos = 0;
    this.watchPixelRatio();
  }

  /** Caption, position and upper bound of a range that starts at 0. */
  set(caption, pos, range) {
    const before = this.percent();
    const newStep = caption !== this.caption;
    this.caption = caption;
    this.range = range;
    this.pos = Math.min(Math.max(pos, 0), range);
    const percent = this.percent();
    if (!newStep && percent === before) return;
    const text = caption ? `${caption} ${percent}%` : `${percent}%`;
    this.canvas.setAttribute('aria-valuenow', String(percent));
    this.canvas.setAttribute('aria-valuetext', text);
    // The live region speaks a new step and each tenth reached, not every percent.
    if (newStep || Math.trunc(percent / 10) !== Math.trunc(before / 10)) this.announce(text);
    this.paint();
  }

  percent() {
    return progressPercent(this.pos, this.range);
  }

  // Redrawn in the device's own pixels whenever the zoom or the screen changes.
  watchPixelRatio() {
    const ratio = window.devicePixelRatio;
    matchMedia(`(resolution: ${ratio}dppx)`).addEventListener('change', () => {
      this.watchPixelRatio();
      this.paint();
    }, { once: true });
  }

  paint() {
    const { canvas } = this;
    if (canvas.hidden) return;
    const width = canvas.clientWidth, height = canvas.clientHeight;
    const ratio = window.devicePixelRatio || 1;
    canvas.width = Math.ceil(width * ratio);
    canvas.height = Math.ceil(height * ratio);
    const ctx = canvas.getContext('2d');
    ctx.setTransform(ratio, 0, 0, ratio, 0, 0);
    ctx.translate(0.5, 0.5);  // whole coordinates on pixel centres, as the shapes were laid out
    ctx.lineWidth = 1;
    ctx.strokeStyle = css(OUTLINE_COLOR);

    const percent = this.percent();
    const layout = cylinderLayout(width, height, percent);
    drawSegment(ctx, layout.empty, EMPTY_COLOR, { drawBase: percent === 0, outlineFront: false, outlineBase: true });
    if (percent !== 0)
      drawSegment(ctx, layout.filled, FILL_COLOR, { drawBase: false, outlineFront: true, outlineBase: false });
    ellipsePath(ctx, layout.endFace);
    ctx.stroke();

    const [x, y, w, h] = layout.full;
    ctx.save();
    ctx.beginPath();
    ctx.rect(x, y, w, h);
    ctx.clip();
    ctx.font = LABEL_FONT;
    ctx.fillStyle = css(TEXT_COLOR);
    ctx.textAlign = 'center';
    ctx.textBaseline = 'middle';
    ctx.fillText(`${this.caption}    ${percent}%`, x + w / 2, y + h / 2);
    ctx.restore();
  }
}
