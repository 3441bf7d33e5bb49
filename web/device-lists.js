// The lists of steps 1 and 2: the products of the engine's config folder and
// the engine's MIDI devices, each choice remembered for the next visit. Web
// MIDI is asked for only when the user reaches for a real port: the last
// entry of a MIDI list before that, or a remembered port not listed yet.

import { showMessage } from './messages.js';

const FIND_DEVICES = 'Find MIDI devices...';
export const NO_WEB_MIDI = 'This browser offers no Web MIDI here, so the page cannot reach MIDI devices. ' +
  'Web MIDI works in Chrome, Edge and Opera on Windows, macOS, Linux and ChromeOS, and in Firefox with the site ' +
  'permission, on a page served over https or from localhost. The simulated instrument works here too.';
const denied = (error) => `The browser did not let this page use MIDI devices${error ? ` (${error})` : ''}. ` +
  'To update an instrument, allow MIDI for this site in the browser\'s site settings and reload the page. ' +
  'The simulated instrument still works.';

export function remembered(key) {
  try {
    return localStorage.getItem(`vantrel.${key}`);
  } catch {
    return null;  // storage switched off: nothing is remembered
  }
}

export function remember(key, value) {
  try {
    localStorage.setItem(`vantrel.${key}`, value);
  } catch {
    // as above
  }
}

/** The last device whose name holds "USB" in any case, else the first; -1 for none. */
export function preferredDevice(names) {
  const usb = names.findLastIndex((name) => name.toUpperCase().includes('USB'));
  return usb >= 0 ? usb : names.length > 0 ? 0 : -1;
}

function option(text, value) {
  const entry = document.createElement('option');
  entry.textContent = text;
  entry.value = value;
  return entry;
}

// A MIDI list: the engine's devices (option values "d<index>"), and before
// MIDI access a remembered port not listed yet ("pending") and the entry that
// asks for access ("find").
class DeviceList {
  constructor(select, key) {
    this.select = select;
    this.key = key;
    this.names = [];
    this.previous = -1;
  }

  fill(names, wanted, withAccess) {
    this.names = names;
    const entries = names.map((name, i) => option(name || `MIDI device ${i} (name unavailable)`, `d${i}`));
    if (!withAccess) {
      if (wanted && !names.includes(wanted))
        entries.splice(Math.max(names.length - 1, 0), 0, option(wanted, 'pending'));
      entries.push(option(FIND_DEVICES, 'find'));
    }
    this.select.replaceChildren(...entries);
    this.select.selectedIndex = entries.findIndex((entry) => entry.textContent === wanted);
    this.previous = this.select.selectedIndex;
  }

  chosenName() {
    const entry = this.select.selectedOptions[0];
    return entry && entry.value !== 'find' ? entry.textContent : null;
  }

  needsAccess() {
    return ['find', 'pending'].includes(this.select.value);
  }

  // The device as the engine's command line names it: its name, or its number
  // when the name is empty, all digits or not the only one of its kind.
  argument() {
    if (!this.select.value.startsWith('d')) return null;
    const index = Number(this.select.value.slice(1));
    const name = this.names[index];
    const same = this.names.filter((other) => other.toLowerCase() === name.toLowerCase()).length;
    return name && same === 1 && !/^\d+$/.test(name) ? name : String(index);
  }
}

export class DeviceLists {
  constructor(engine, product, out, input) {
    this.engine = engine;
    this.product = product;
    this.out = new DeviceList(out, 'out');
    this.in = new DeviceList(input, 'in');
    this.withAccess = false;
    product.addEventListener('change', () => remember('product', product.value));
    for (const list of [this.out, this.in]) list.select.addEventListener('change', () => this.picked(list));
    engine.onDevicesChanged = (devices) => this.refill(devices, false);
  }

  /** Fills the lists; MIDI access is taken now only where the browser already allows it. */
  async start(products) {
    this.product.replaceChildren(...products.map((name) => option(name, name)));
    const wanted = remembered('product');
    this.product.selectedIndex = products.includes(wanted) ? products.indexOf(wanted) : products.length > 0 ? 0 : -1;
    const devices = await this.engine.devices();
    this.out.fill(devices.outputs, remembered('out') ?? devices.outputs[preferredDevice(devices.outputs)], false);
    this.in.fill(devices.inputs, remembered('in') ?? devices.inputs[preferredDevice(devices.inputs)], false);
    if (await midiAlreadyAllowed()) await this.requestAccess(true);
  }

  /** Before a run: MIDI access when a chosen port needs it; false when the run cannot go on. */
  async ensureAccess() {
    if (!this.out.needsAccess() && !this.in.needsAccess()) return true;
    return this.requestAccess(false);
  }

  /** The run's options that name the product (unless left out) and the two ports that were chosen. */
  arguments({ withProduct = true } = {}) {
    const options = [];
    if (withProduct && this.product.selectedIndex >= 0) options.push('--product', this.product.value);
    for (const [flag, list] of [['--out', this.out], ['--in', this.in]]) {
      const argument = list.argument();
      if (argument !== null) options.push(flag, argument);
    }
    return options;
  }

  async picked(list) {
    if (!list.needsAccess()) {
      list.previous = list.select.selectedIndex;
      remember(list.key, list.chosenName());
      return;
    }
    if (!(await this.requestAccess(false))) list.select.selectedIndex = list.previous;
  }

  async requestAccess(quietly) {
    const access = await this.engine.requestMidiAccess();
    if (!access.granted) {
      if (!quietly) showMessage(access.supported ? denied(access.error) : NO_WEB_MIDI);
      return false;
    }
    this.withAccess = true;
    this.refill(await this.engine.devices(), true);
    return true;
  }

  // A list keeps its device while it is listed. When access has just come, a
  // list without a device takes the preferred one; when ports came or went,
  // a list whose device went has none, so the next run asks for one.
  refill(devices, accessNew) {
    for (const [list, names] of [[this.out, devices.outputs], [this.in, devices.inputs]]) {
      const chosen = list.chosenName();
      const wanted = names.includes(chosen) || !accessNew ? chosen : names[preferredDevice(names)];
      list.fill(names, wanted, this.withAccess);
      if (list.chosenName() !== null) remember(list.key, list.chosenName());
    }
  }
}

async function midiAlreadyAllowed() {
  try {
    return (await navigator.permissions.query({ name: 'midi', sysex: true })).state === 'granted';
  } catch {
    return false;  // no such permission in this browser
  }
}
