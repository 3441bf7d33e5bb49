// The USB-MIDI rig's page: runs each update that the rig's tests write into
// command.json through the page's engine (EngineClient, over the browser's
// Web MIDI) and posts the run's JSON lines, in order, to serve.py, which
// appends them to the log the command names. Beside them:
//   {"event":"ports"}       the browser's MIDI ports as it lists them
//   {"event":"statechange"} each change of a port the browser tells
//   {"event":"page"}        last: the run's time in the page, or why it could not run
// and every byte the engine handed to the browser, in <log>.sent.
// command.json: {id, log, bytesPerSecond, args}; each argument /input/NAME
// is the site's file NAME.
import { EngineClient } from './engine-client.js';

const POLL_MS = 250;
const engine = new EngineClient();

class LogPoster {
  constructor(name) {
    this.name = name;
    this.lines = [];
    this.sent = Promise.resolve();
  }

  add(event) {
    this.lines.push(`${JSON.stringify(event)}\n`);
    if (this.lines.length === 1) this.sent = this.sent.then(() => this.flush());
  }

  async flush() {
    const body = this.lines.join('');
    this.lines = [];
    await post(this.name, body);
  }
}

function post(name, body) {
  return fetch(`log?name=${encodeURIComponent(name)}`, { method: 'POST', body });
}

async function inputFiles(args) {
  const files = {};
  for (const path of args.filter((arg) => arg.startsWith('/input/'))) {
    const response = await fetch(path.slice('/input/'.length), { cache: 'no-store' });
    files[path] = new Uint8Array(await response.arrayBuffer());
  }
  return files;
}

function portList(ports) {
  return [...ports.values()].map(({ id, name, manufacturer, state, connection }) =>
    ({ id, name, manufacturer, state, connection }));
}

// Tells the log each port change, and keeps a copy of every byte sent.
function watchMidi(access, log, sent) {
  const publish = access.onstatechange;
  access.onstatechange = (event) => {
    const { name, type, state, connection } = event.port;
    log.add({ event: 'statechange', name, type, state, connection, at: performance.now() });
    publish(event);
  };
  const send = engine.midi.send.bind(engine.midi);
  engine.midi.send = (id, bytes, at) => {
    sent.push(bytes.slice());
    send(id, bytes, at);
  };
  return () => {
    access.onstatechange = publish;
    delete engine.midi.send;
  };
}

async function run(command) {
  const log = new LogPoster(command.log);
  const sent = [];
  let unwatch = () => {};
  let end;
  try {
    await engine.start();
    const access = await engine.requestMidiAccess();
    if (!access.granted) throw new Error(`no MIDI access: ${access.error}`);
    engine.setLinkRate(command.bytesPerSecond);
    log.add({ event: 'ports', inputs: portList(engine.midi.access.inputs), outputs: portList(engine.midi.access.outputs) });
    unwatch = watchMidi(engine.midi.access, log, sent);
    const files = await inputFiles(command.args);
    const started = performance.now();
    const phases = {};  // seconds from the start to each phase's first progress
    const { exitCode } = await engine.run(command.args, {
      files,
      onEvent: (event) => {
        if (event.event === 'progress' && !(event.phase in phases)) phases[event.phase] = (performance.now() - started) / 1000;
        log.add(event);
      },
    });
    end = { event: 'page', exitCode, seconds: (performance.now() - started) / 1000, phases, endedAt: Date.now() };
  } catch (error) {
    end = { event: 'page', error: String(error && error.message || error), endedAt: Date.now() };
  }
  unwatch();
  await post(`${command.log}.sent`, new Blob(sent));
  log.add(end);
  await log.sent;
}

async function serve() {
  const ready = new LogPoster('page.log');
  ready.add({ event: 'ready', browser: navigator.userAgent });
  await ready.sent;
  let done = null;
  for (;;) {
    const command = await fetch('command.json', { cache: 'no-store' }).then((r) => (r.ok ? r.json() : null), () => null);
    if (command && command.id !== done) {
      done = command.id;
      await run(command);
    }
    await new Promise((resolve) => setTimeout(resolve, POLL_MS));
  }
}

serve();
