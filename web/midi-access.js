// Web MIDI on the page's side. Only a window may hold MIDIAccess; the engine
// in its worker reaches the ports through the messages this module answers:
// it keeps the worker's list of ports current, opens and closes ports, sends
// what the engine hands over at the time it names, and passes on what the
// input ports receive.

// Chromium's text when the browser has no Web MIDI at all.
const UNSUPPORTED = 'This browser has no Web MIDI.';

export class MidiAccess {
  // `post(message, transfer)` reaches the engine's worker.
  constructor(post) {
    this.post = post;
    this.access = null;
    this.requesting = null;
    this.onPortsChanged = () => {};
  }

  get supported() {
    return typeof navigator !== 'undefined' && typeof navigator.requestMIDIAccess === 'function';
  }

  // Asks for MIDI with System Exclusive messages, once; later calls get the
  // first answer. Resolves {supported, granted, error}.
  request() {
    if (!this.supported)
      return Promise.resolve({ supported: false, granted: false, error: UNSUPPORTED });
    if (!this.requesting) {
      this.requesting = navigator.requestMIDIAccess({ sysex: true }).then((access) => {
        this.access = access;
        access.onstatechange = () => this.publish();
        this.publish();
        return { supported: true, granted: true, error: null };
      }, (error) => {
        this.requesting = null;  // a dismissed prompt may be answered next time
        return { supported: true, granted: false, error: `${error.name}: ${error.message}` };
      });
    }
    return this.requesting;
  }

  // The ports as the engine lists them: id, name and state of each, in the browser's order.
  ports() {
    const list = (map) => (map ? [...map.values()] : []).map((port) => ({
      id: port.id, name: port.name, state: port.state,
    }));
    return { input: list(this.access && this.access.inputs), output: list(this.access && this.access.outputs) };
  }

  publish() {
    const ports = this.ports();
    this.post({ type: 'ports', ports });
    this.onPortsChanged(ports);
  }

  // A message of the worker's; true when it was one of Web MIDI's.
  handle(message) {
    switch (message.type) {
      case 'open': this.open(message); return true;
      case 'close': this.close(message.kind, message.id); return true;
      case 'send': this.send(message.id, message.bytes, message.at); return true;
      default: return false;
    }
  }

  async open({ token, kind, id }) {
    let refused = null;
    try {
      const port = this.port(kind, id);
      if (!port) throw new Error('the port is no longer there');
      await port.open();
      if (kind === 'input') port.onmidimessage = (event) => this.received(id, event.data);
    } catch (error) {
      refused = error && error.message ? error.message : String(error);
    }
    this.post({ type: 'answer', token, value: refused });
  }

  close(kind, id) {
    const port = this.port(kind, id);
    if (!port) return;
    if (kind === 'input') port.onmidimessage = null;
    port.close().catch(() => {});
  }

  // Whole, at the time the engine set: `at` is on the Unix epoch, as both
  // sides' performance.timeOrigin + performance.now() are.
  send(id, bytes, at) {
    const port = this.port('output', id);
    if (!port || port.state === 'disconnected') return;
    try {
      port.send(bytes, Math.max(0, at - performance.timeOrigin));
    } catch (error) {
      // The port went away between the engine's look and this send; the
      // engine's next look at it says so.
    }
  }

  received(id, data) {
    const bytes = data.slice();  // the event's own array stays the browser's
    this.post({ type: 'midi', id, data: bytes }, [bytes.buffer]);
  }

  port(kind, id) {
    if (!this.access) return null;
    return (kind === 'input' ? this.access.inputs : this.access.outputs).get(id) || null;
  }
}
