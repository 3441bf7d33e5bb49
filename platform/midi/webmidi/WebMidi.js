// The engine's side of Web MIDI, in its worker. `Module.webMidi` is the
// page's side, set up before the engine runs (engine-worker.js; the tests in
// Node set up their own):
//   ports: {input: [{id, name, state}], output: [...]}, the browser's list
//   bytesPerSecond: the rate messages leave at
//   open(kind, id) -> Promise of null, or the browser's reason it would not open
//   close(kind, id); send(id, bytes, atMs): bytes to leave at atMs (Unix epoch)
// The page calls Module.webMidiReceived(id, bytes) with what an input port
// received and Module.webMidiPortsChanged(ports) with each new list.
mergeInto(LibraryManager.library, {
  $vantrelWebMidi__postset: 'vantrelWebMidi.init();',
  $vantrelWebMidi: {
    kinds: ['input', 'output'],
    listeners: null,  // input port id -> the WebMidiInput that takes its bytes
    init: function () {
      vantrelWebMidi.listeners = new Map();
      Module['webMidiReceived'] = vantrelWebMidi.received;
      Module['webMidiPortsChanged'] = vantrelWebMidi.portsChanged;
    },
    listed: function (kind) {
      var ports = Module['webMidi'] && Module['webMidi'].ports;
      var list = ports ? ports[vantrelWebMidi.kinds[kind]] || [] : [];
      return list.filter(function (port) { return port.state !== 'disconnected'; });
    },
    // One copy into the engine's memory; the engine copies on into its buffers.
    received: function (id, bytes) {
      var input = vantrelWebMidi.listeners.get(id);
      if (!input || bytes.length === 0) return;
      var copy = _malloc(bytes.length);
      HEAPU8.set(bytes, copy);
      _vantrel_webmidi_receive(input, copy, bytes.length);
      _free(copy);
    },
    portsChanged: function (ports) {
      Module['webMidi'].ports = ports;
      vantrelWebMidi.listeners.forEach(function (input, id) {
        var present = vantrelWebMidi.listed(0).some(function (port) { return port.id === id; });
        if (!present) _vantrel_webmidi_disconnected(input);
      });
    },
  },

  vantrel_webmidi_count__deps: ['$vantrelWebMidi'],
  vantrel_webmidi_count: function (kind) { return vantrelWebMidi.listed(kind).length; },

  vantrel_webmidi_port__deps: ['$vantrelWebMidi'],
  vantrel_webmidi_port: function (kind, index, field) {
    var port = vantrelWebMidi.listed(kind)[index];
    return allocateUTF8(port ? (field === 0 ? port.id : port.name) : '');
  },

  vantrel_webmidi_connected__deps: ['$vantrelWebMidi'],
  vantrel_webmidi_connected: function (kind, id) {
    id = UTF8ToString(id);
    return vantrelWebMidi.listed(kind).some(function (port) { return port.id === id; }) ? 1 : 0;
  },

  vantrel_webmidi_open__deps: ['$vantrelWebMidi'],
  vantrel_webmidi_open: function (kind, id) {
    id = UTF8ToString(id);
    return Asyncify.handleSleep(function (wakeUp) {
      Module['webMidi'].open(vantrelWebMidi.kinds[kind], id).then(function (refused) {
        wakeUp(refused ? allocateUTF8(String(refused)) : 0);
      }, function (error) {
        wakeUp(allocateUTF8(String(error && error.message || error)));
      });
    });
  },

  vantrel_webmidi_close__deps: ['$vantrelWebMidi'],
  vantrel_webmidi_close: function (kind, id) {
    Module['webMidi'].close(vantrelWebMidi.kinds[kind], UTF8ToString(id));
  },

  vantrel_webmidi_listen__deps: ['$vantrelWebMidi'],
  vantrel_webmidi_listen: function (id, input) {
    id = UTF8ToString(id);
    if (input) vantrelWebMidi.listeners.set(id, input);
    else vantrelWebMidi.listeners.delete(id);
  },

  vantrel_webmidi_send: function (id, bytes, length, delayMs) {
    // A copy: the engine reuses its buffer the moment the send returns.
    Module['webMidi'].send(UTF8ToString(id), HEAPU8.slice(bytes, bytes + length),
                           performance.timeOrigin + performance.now() + delayMs);
  },

  vantrel_webmidi_rate: function () { return Module['webMidi'].bytesPerSecond >>> 0; },
});
