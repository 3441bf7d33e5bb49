// The engine's host in its worker (and in the tests, in Node): loads the wasm
// engine, answers the page's calls and carries Web MIDI between the engine
// and the page, which alone may hold MIDIAccess. Messages to the page go
// through `post(message, transfer)`; the page's messages come in through
// `receive(message)`.
'use strict';

(function (root) {
  // The simulated instrument's flash lives in the engine's memory between
  // runs, as the desktop window's does while it is open.
  const SIMULATED_FLASH = '/simulated/flash.bin';
  // Where a run writes the files it saves for the user (backup, read-out).
  const OUTPUT_FOLDER = '/output';
  // The simulated instrument answers over a link of 31,250 bytes a second.
  const SIMULATED_RATE = '31250';
  // Web MIDI's messages leave at the rate a MIDI cable carries until the page
  // says otherwise: every device takes that.
  const CABLE_BYTES_PER_SECOND = 3125;

  class EngineHost {
    constructor(factory, post) {
      this.post = post;
      this.pending = new Map();  // open requests by token
      this.nextToken = 1;
      this.running = false;
      this.webMidi = {
        ports: { input: [], output: [] },
        bytesPerSecond: CABLE_BYTES_PER_SECOND,
        open: (kind, id) => this.request({ type: 'open', kind, id }),
        close: (kind, id) => this.post({ type: 'close', kind, id }),
        send: (id, bytes, at) => this.post({ type: 'send', id, bytes, at }, [bytes.buffer]),
      };
      this.page = { canKeepAwake: false, keepAwake: (on) => this.post({ type: 'keep-awake', on }) };
      this.events = null;  // the current run's listener
      this.ready = factory({
        webMidi: this.webMidi,
        page: this.page,
        print: (line) => this.printed(line),
        printErr: (line) => this.post({ type: 'log', line }),
      }).then((engine) => { this.engine = engine; });
    }

    // A message of the page's.
    receive(message) {
      switch (message.type) {
        case 'call': this.call(message); break;
        case 'ports': this.ready.then(() => this.engine.webMidiPortsChanged(message.ports)); break;
        case 'midi': if (this.engine) this.engine.webMidiReceived(message.id, message.data); break;
        case 'answer': this.answered(message); break;
        case 'page':
          if ('canKeepAwake' in message) this.page.canKeepAwake = message.canKeepAwake;
          if (message.bytesPerSecond) this.webMidi.bytesPerSecond = message.bytesPerSecond;
          break;
      }
    }

    async call({ token, method, args }) {
      try {
        await this.ready;
        const value = await this[method](...(args || []), (event) => this.post({ type: 'event', token, event }));
        this.post({ type: 'reply', token, value });
      } catch (error) {
        this.post({ type: 'reply', token, error: String(error && error.message || error) });
      }
    }

    // What the window's lists offer: {products, outputs, inputs}.
    choices() {
      return JSON.parse(this.takeText(this.engine._vantrel_choices()));
    }

    // The sample firmware image, made by the engine.
    sampleImage() {
      const path = '/tmp/sample-firmware.bin';
      if (!this.engine.ccall('vantrel_write_sample_image', 'boolean', ['string'], [path]))
        throw new Error('the sample image could not be made');
      const bytes = this.engine.FS.readFile(path);
      this.engine.FS.unlink(path);
      return bytes;
    }

    // One run of vantrel-update with `options` (its command line's words);
    // `files` are put into the engine's file system first. Each JSON line goes
    // to `onEvent`; a file the run saved comes with its bytes. Resolves with
    // {exitCode}.
    async run(options, files, onEvent) {
      if (this.running) throw new Error('a run is under way');
      this.running = true;
      this.events = onEvent;
      try {
        this.putFiles(files || {});
        const words = ['--json', '--simulated', '--sim-rate', SIMULATED_RATE, '--sim-save', SIMULATED_FLASH];
        if (this.exists(SIMULATED_FLASH)) words.push('--sim-load', SIMULATED_FLASH);
        const exitCode = await this.engine.ccall('vantrel_run', 'number', ['string'],
                                                 [JSON.stringify(words.concat(options))], { async: true });
        return { exitCode };
      } finally {
        this.running = false;
        this.events = null;
      }
    }

    printed(line) {
      let event;
      try {
        event = JSON.parse(line);
      } catch (notJson) {
        this.post({ type: 'log', line });
        return;
      }
      if (event.event === 'saved') event.bytes = this.engine.FS.readFile(event.path);
      if (this.events) this.events(event);
    }

    putFiles(files) {
      for (const [path, bytes] of Object.entries(files)) {
        this.engine.FS.mkdirTree(path.substring(0, path.lastIndexOf('/')) || '/');
        this.engine.FS.writeFile(path, bytes);
      }
      this.engine.FS.mkdirTree(OUTPUT_FOLDER);
      this.engine.FS.mkdirTree(SIMULATED_FLASH.substring(0, SIMULATED_FLASH.lastIndexOf('/')));
    }

    exists(path) {
      return this.engine.FS.analyzePath(path).exists;
    }

    // A request to the page whose answer comes back as {type:'answer', token, value}.
    request(message) {
      const token = this.nextToken++;
      return new Promise((resolve) => {
        this.pending.set(token, resolve);
        this.post(Object.assign({ token }, message));
      });
    }

    answered({ token, value }) {
      const resolve = this.pending.get(token);
      this.pending.delete(token);
      if (resolve) resolve(value);
    }

    takeText(pointer) {
      const text = this.engine.UTF8ToString(pointer);
      this.engine._free(pointer);
      return text;
    }
  }

  if (typeof module !== 'undefined') module.exports = { EngineHost };
  else root.EngineHost = EngineHost;
})(typeof self !== 'undefined' ? self : this);
