// The page's one way to the engine: starts the engine's worker, carries the
// page's calls to it and Web MIDI between it and the browser (MidiAccess).
import { MidiAccess } from './midi-access.js';

export class EngineClient {
  constructor({ workerUrl = 'engine-worker.js' } = {}) {
    this.worker = new Worker(workerUrl);
    this.calls = new Map();  // answers awaited, by token
    this.nextToken = 1;
    this.running = false;
    this.onDevicesChanged = () => {};
    this.midi = new MidiAccess((message, transfer) => this.worker.postMessage(message, transfer || []));
    this.midi.onPortsChanged = () => this.devices().then((devices) => this.onDevicesChanged(devices));
    this.worker.onmessage = (event) => this.received(event.data);
    this.worker.postMessage({ type: 'page', canKeepAwake: 'wakeLock' in navigator });
  }

  // Resolves {version, products} once the engine is loaded.
  async start() {
    const choices = await this.call('choices');
    return { version: '1.0', products: choices.products };
  }

  // The engine's device lists: {outputs, inputs}, the simulated instrument last.
  async devices() {
    const { outputs, inputs } = await this.call('choices');
    return { outputs, inputs };
  }

  // Asks the browser for MIDI with System Exclusive messages (a prompt the
  // first time): {supported, granted, error}.
  requestMidiAccess() {
    return this.midi.request();
  }

  // One run of the updater; see web-interface.md. Resolves {exitCode, files}.
  async run(options, { files = {}, onEvent = () => {} } = {}) {
    if (this.running) throw new Error('a run is under way');
    this.running = true;
    const saved = {};
    try {
      const { exitCode } = await this.call('run', [options, files], (event) => {
        if (event.event === 'saved') saved[event.path] = event.bytes;
        onEvent(event);
      });
      return { exitCode, files: saved };
    } finally {
      this.running = false;
    }
  }

  // The rate messages leave for a Web MIDI port at, in bytes per second: the
  // browser says nothing of when they have left, and a system's buffers drop
  // what comes faster than the device takes it. 3,125 (a MIDI cable's rate,
  // which every device takes) until the page sets another.
  setLinkRate(bytesPerSecond) {
    this.worker.postMessage({ type: 'page', bytesPerSecond });
  }

  // The sample firmware image (128 KiB).
  sampleImage() {
    return this.call('sampleImage');
  }

  call(method, args = [], onEvent = () => {}) {
    const token = this.nextToken++;
    return new Promise((resolve, reject) => {
      this.calls.set(token, { resolve, reject, onEvent });
      this.worker.postMessage({ type: 'call', token, method, args });
    });
  }

  received(message) {
    if (this.midi.handle(message)) return;
    const call = this.calls.get(message.token);
    switch (message.type) {
      case 'event': if (call) call.onEvent(message.event); break;
      case 'reply':
        this.calls.delete(message.token);
        if (!call) break;
        if (message.error !== undefined) call.reject(new Error(message.error));
        else call.resolve(message.value);
        break;
      case 'keep-awake': this.keepAwake(message.on); break;
      case 'log': console.info('vantrel-engine:', message.line); break;
    }
  }

  // The screen wake lock during a run; a hidden page loses it, so it is
  // taken again when the page is shown.
  keepAwake(on) {
    this.awake = on;
    if (!on) {
      if (this.wakeLock) this.wakeLock.release().catch(() => {});
      this.wakeLock = null;
      return;
    }
    const take = () => {
      if (!this.awake || document.visibilityState !== 'visible' || !('wakeLock' in navigator)) return;
      navigator.wakeLock.request('screen').then((lock) => {
        if (this.awake) this.wakeLock = lock; else lock.release();
      }, () => {});
    };
    if (!this.onVisible) {
      this.onVisible = take;
      document.addEventListener('visibilitychange', take);
    }
    take();
  }
}
