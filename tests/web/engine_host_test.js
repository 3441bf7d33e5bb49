// The page's engine as shipped (vantrel-engine.js with engine-host.js, the
// worker's code) in Node: runs as the page asks for them, against the
// simulated instrument, with the messages the window shows.
//   node --no-experimental-fetch --test engine_host_test.js   (VANTREL_WEB_SITE: the site folder)
'use strict';
const assert = require('node:assert');
const path = require('node:path');
const test = require('node:test');

const site = process.env.VANTREL_WEB_SITE;
const VantrelEngine = require(path.join(site, 'vantrel-engine.js'));
const { EngineHost } = require(path.join(site, 'engine-host.js'));

const SIMULATED = 'Simulated instrument (no hardware)';
const ON_THE_SIMULATED = ['--out', SIMULATED, '--in', SIMULATED];

// One run: its exit code, its messages and the files it saved.
async function run(host, options, files = {}) {
  const messages = [];
  const saved = {};
  const { exitCode } = await host.run(options, files, (event) => {
    if (event.event === 'message') messages.push(event.text);
    if (event.event === 'saved') saved[event.path] = event.bytes;
  });
  return { exitCode, messages, saved };
}

test('the page engine runs as the headless updater does', async (t) => {
  const host = new EngineHost(VantrelEngine, () => {});
  await host.ready;
  const choices = host.choices();
  assert.deepStrictEqual(choices.products, ['Home 61', 'Stage 88']);
  assert.deepStrictEqual(choices.outputs, [SIMULATED]);
  assert.strictEqual(host.sampleImage().length, 131072);
  // Its first four chunks: the runs check what the page asks, not the link's speed.
  const image = host.sampleImage().slice(0, 8192);
  const data = { '/input/firmware.bin': image };
  const update = ['--product', 'Home 61', ...ON_THE_SIMULATED, '--data', '/input/firmware.bin'];

  const cases = [
    ['an update with verify', [...update, '--verify'], 0, 'Update successful !'],
    ['the flash kept between runs, compared', [...update, '--verify-only'], 0, 'The flash holds the image'],
    ['a read-out', [...ON_THE_SIMULATED, '--read', '/output/read.bin', '--from', '0x10', '--words', '8'], 0,
     'Words 0x00000010 to 0x00000017 saved in /output/read.bin'],
    ['no product', [...ON_THE_SIMULATED, '--data', '/input/firmware.bin'], 3, 'Please set the device type info'],
    ['no MIDI out', ['--product', 'Home 61', '--in', SIMULATED, '--data', '/input/firmware.bin'], 3,
     'Please select a MIDI out device'],
    ['a data file that is not there', ['--product', 'Home 61', ...ON_THE_SIMULATED, '--data', '/input/none.bin'], 3,
     'No such file in the directory\n/input/none.bin'],
    ['a product without its file', ['--product', 'Nope', ...ON_THE_SIMULATED, '--data', '/input/firmware.bin'], 3,
     'No such file in the directory\n/vantrel/config/Nope.cfg'],
  ];
  for (const [name, options, exitCode, last] of cases) {
    await t.test(name, async () => {
      const result = await run(host, options, data);
      assert.strictEqual(result.messages.at(-1), last);
      assert.strictEqual(result.exitCode, exitCode);
    });
  }
  await t.test('a backup comes whole, before anything is erased', async () => {
    const result = await run(host, [...update, '--backup', '/output/backup.bin']);
    assert.strictEqual(result.exitCode, 0);
    const backup = result.saved['/output/backup.bin'];
    assert.ok(backup, 'no backup saved');
    assert.deepStrictEqual(backup.subarray(0, image.length), image, 'the backup is not the flash before the update');
  });
});

test('a device list asked for during a run does not disturb it', async () => {
  // The page asks for the lists at each port's statechange, as when the run opens its output.
  const cable = { id: 'cable-1', name: 'Cable', state: 'connected' };
  let lists = null;
  const host = new EngineHost(VantrelEngine, (message) => {
    if (message.type === 'open') {
      if (message.kind === 'output') host.receive({ type: 'call', token: 99, method: 'choices' });
      host.receive({ type: 'answer', token: message.token, value: null });
    }
    if (message.type === 'reply' && message.token === 99) lists = message.value;
  });
  await host.ready;
  host.receive({ type: 'ports', ports: { input: [cable], output: [cable] } });
  await host.ready;  // the lists are taken in after the engine is ready
  const files = { '/input/none.cfg': new Uint8Array(0), '/input/firmware.bin': Uint8Array.of(1, 2, 3, 4) };
  const result = await run(host, ['--blocks', '/input/none.cfg', '--out', 'Cable', '--in', 'Cable',
                                  '--data', '/input/firmware.bin', '--no-verify'], files);
  assert.strictEqual(result.messages.at(-1), 'Update successful !');
  await new Promise((resolve) => setImmediate(resolve));
  assert.deepStrictEqual(lists && lists.outputs, ['Cable', SIMULATED]);
});
