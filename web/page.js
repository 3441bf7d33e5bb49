// The updater's page: the desktop window's controls on the engine that runs
// in a worker, and the panel for backup, verify-only and read-out.

import { EngineClient } from './engine-client.js';
import { CylinderProgress } from './cylinder.js';
import { DeviceLists, NO_WEB_MIDI, remember, remembered } from './device-lists.js';
import { messagesClosed, showMessage } from './messages.js';
import { guardedRun } from './run-guard.js';
import { installTooltips } from './tooltips.js';

const $ = (id) => document.getElementById(id);
const windowBox = $('window');
const update = $('update');
const verify = $('verify');
const progressBar = $('progress');
const dataPath = $('data-path');
// The panel's controls that start a run or set its pace, idle while one runs.
const runControls = [$('verify-only'), $('read-out'), $('link')];

const ANOTHER_TAB = 'An update is running in another tab or window of this page. Please wait till it has ' +
  'finished, then start this one again.';
const BUSY = 'Please wait till the update finish';
// After these messages the control they ask about takes the focus, as in the window.
const ASKS_FOR = {
  'Please set the device type info': 'product',
  'Please select a MIDI out device': 'midi-out',
  'Please select a MIDI in device': 'midi-in',
  'Please select the data file path': 'data-path',
};
// Width of a list's drop-down area, from the inside of its frame: the small-icon width and two pixels.
const DROP_DOWN_AREA = 18;
const BACKUP_PATH = '/output/backup.bin';
const READ_OUT_PATH = '/output/readout.bin';

const engine = new EngineClient();
const lists = new DeviceLists(engine, $('product'), $('midi-out'), $('midi-in'));
// The bar's steps spoken through a live region, unless the bar has the focus
// and a screen reader speaks its value changes itself.
const progress = new CylinderProgress(progressBar, (text) => {
  if (document.activeElement !== progressBar) $('announce').textContent = text;
});
let dataFile = null;  // {name, read(): Promise<Uint8Array>}
let ready = false;    // the engine has started
let busy = false;     // a run is being prepared or under way

function chooseDataFile(name, read) {
  dataFile = { name, read };
  dataPath.value = name;
}

function chooseFile(file) {
  chooseDataFile(file.name, async () => new Uint8Array(await file.arrayBuffer()));
}

// The data file as the engine reads it, or null after the message that says why it cannot be read.
async function readDataFile() {
  try {
    return await dataFile.read();
  } catch (error) {
    const cause = error.name === 'NotFoundError' ? 'No such file in the directory\n' : 'Can not access to the file\n';
    await showMessage(cause + dataFile.name);
    return null;
  }
}

// UPDATE and Verify give way to the progress bar; whichever had the focus
// hands it to the bar (which a screen reader then reads out) and gets it back afterwards.
let focusBeforeRun = null;
function showRunningLook(running) {
  if (running === !progressBar.hidden) return;
  if (running) focusBeforeRun = [update, verify].includes(document.activeElement) ? document.activeElement : null;
  update.hidden = running;
  verify.hidden = running;
  progressBar.hidden = !running;
  if (!running) return;
  progress.paint();
  if (focusBeforeRun) progressBar.focus();
}

// Offers a file the run saved as a download; returns the download's name.
function download(bytes, path) {
  const now = new Date();
  const two = (n) => String(n).padStart(2, '0');
  const stamp = `${now.getFullYear()}${two(now.getMonth() + 1)}${two(now.getDate())}-` +
    `${two(now.getHours())}${two(now.getMinutes())}${two(now.getSeconds())}`;
  const link = document.createElement('a');
  link.href = URL.createObjectURL(new Blob([bytes], { type: 'application/octet-stream' }));
  link.download = `${path.split('/').pop().replace(/\.bin$/, '')}-${stamp}.bin`;
  document.body.append(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(link.href), 60000);
  return link.download;
}

// The run's saved files by the engine's path, and the names they were downloaded as.
const savedAs = new Map();

// A message as the user should read it: a file the run saved is named as it was downloaded.
function shownText(text) {
  let shown = text;
  for (const [path, name] of savedAs) shown = shown.replaceAll(path, name);
  return shown;
}

function onEvent(event) {
  switch (event.event) {
    case 'progress':
      showRunningLook(true);
      if (Number.isFinite(event.position) && Number.isFinite(event.range))
        progress.set(event.phase, event.position, event.range);
      else
        progress.set(event.phase, event.percent, 100);
      break;
    case 'message':
      showMessage(shownText(event.text)).then(() => {
        if (ASKS_FOR[event.text]) $(ASKS_FOR[event.text]).focus();
      });
      break;
    case 'saved':
      // The backup before anything is erased, or the read-out.
      savedAs.set(event.path, download(event.bytes, event.path));
      break;
    default:
      break;
  }
}

// One run of the engine with the options `makeOptions` gives once MIDI access
// is settled; `withData` hands it the data file.
async function run(makeOptions, withData) {
  if (busy || !ready) return;
  busy = true;
  focusBeforeRun = null;
  savedAs.clear();
  runControls.forEach((control) => { control.disabled = true; });
  try {
    if (!(await lists.ensureAccess())) return;
    const files = {};
    const options = makeOptions();
    if (withData && dataFile) {
      const bytes = await readDataFile();
      if (!bytes) return;
      const path = `/input/${dataFile.name.replace(/[/\\]/g, '_')}`;
      files[path] = bytes;
      options.push('--data', path);
    }
    await guardedRun(async () => {
      try {
        await engine.run(options, { files, onEvent });
      } catch (error) {
        await showMessage(String(error.message ?? error));
      }
    }, () => showMessage(ANOTHER_TAB));
  } finally {
    showRunningLook(false);
    busy = false;
    runControls.forEach((control) => { control.disabled = false; });
  }
  // Unless the user went elsewhere meanwhile: a closed box leaves the focus on nothing.
  await messagesClosed();
  const focused = document.activeElement;
  if (focusBeforeRun && [null, document.body, progressBar, $('message-ok')].includes(focused))
    focusBeforeRun.focus();
}

function startUpdate() {
  run(() => [...lists.arguments(), verify.checked ? '--verify' : '--no-verify',
    ...($('backup').checked ? ['--backup', BACKUP_PATH] : [])], true);
}

function startVerifyOnly() {
  run(() => [...lists.arguments(), '--verify-only'], true);
}

function startReadOut() {
  run(() => [...lists.arguments({ withProduct: false }), '--read', READ_OUT_PATH,
    '--from', $('read-from').value.trim(), '--words', $('read-words').value.trim()], false);
}

// Minimize and close: a page cannot minimize or (mostly) close its tab, so the
// window folds away, leaving a button like the one on a taskbar to bring it back.
function foldWindow(folded) {
  windowBox.hidden = folded;
  $('reopen').hidden = !folded;
  (folded ? $('reopen') : $('minimize')).focus();
}

function closeWindow() {
  if (busy) {
    showMessage(BUSY);
    return;
  }
  window.close();  // goes through only for a tab a script opened
  foldWindow(true);
}

function acceptDroppedFiles() {
  // Anywhere else a dropped file would replace the page: the page takes it and does nothing.
  document.addEventListener('dragover', (event) => {
    event.preventDefault();
    if (!windowBox.contains(event.target)) event.dataTransfer.dropEffect = 'none';
  });
  document.addEventListener('drop', (event) => event.preventDefault());
  windowBox.addEventListener('dragover', (event) => {
    windowBox.classList.add('dropping');
    event.dataTransfer.dropEffect = 'copy';
  });
  windowBox.addEventListener('dragleave', () => windowBox.classList.remove('dropping'));
  windowBox.addEventListener('drop', (event) => {
    windowBox.classList.remove('dropping');
    const [file] = event.dataTransfer.files;
    if (file) chooseFile(file);
  });
}

// The pace for Web MIDI ports, remembered for the next visit; a MIDI cable's until the user says otherwise.
function wireLinkRate() {
  const link = $('link');
  if ([...link.options].some((entry) => entry.value === remembered('link'))) link.value = remembered('link');
  const apply = () => engine.setLinkRate(Number(link.value));
  link.addEventListener('change', () => {
    remember('link', link.value);
    apply();
  });
  apply();
}

function trackDropDownButton(select) {
  // The chevron lights up only over its own area at the right end, as in the window.
  select.addEventListener('mousemove', (event) => {
    select.classList.toggle('over-button', event.offsetX >= select.clientWidth - DROP_DOWN_AREA);
  });
  select.addEventListener('mouseleave', () => select.classList.remove('over-button'));
}

function wireControls() {
  // Enter presses no button of the window, so a stray Enter starts no run, as in the window.
  windowBox.addEventListener('keydown', (event) => {
    if (event.key === 'Enter' && event.target.tagName === 'BUTTON') event.preventDefault();
  });
  $('minimize').addEventListener('click', () => foldWindow(true));
  $('close').addEventListener('click', closeWindow);
  $('reopen').addEventListener('click', () => foldWindow(false));
  $('browse').addEventListener('click', () => $('data-file').click());
  $('data-file').addEventListener('change', (event) => {
    if (event.target.files[0]) chooseFile(event.target.files[0]);
    event.target.value = '';
  });
  dataPath.addEventListener('focus', () => dataPath.select());
  update.addEventListener('click', startUpdate);
  $('verify-only').addEventListener('click', startVerifyOnly);
  $('read-out').addEventListener('click', startReadOut);
  $('sample').addEventListener('click', async () => {
    const bytes = await engine.sampleImage();
    chooseDataFile('sample-firmware.bin', async () => bytes);
  });
  $('about').addEventListener('click', () => $('about-box').showModal());
  wireLinkRate();
  document.querySelectorAll('.list').forEach(trackDropDownButton);
  acceptDroppedFiles();
  installTooltips($('tip'));
}

async function start() {
  wireControls();
  if (!navigator.requestMIDIAccess) {
    $('midi-note').textContent = NO_WEB_MIDI;
    $('midi-note').hidden = false;
  }
  try {
    const info = await engine.start();
    await lists.start(info.products);
  } catch (error) {
    await showMessage(`The page could not start its engine: ${error.message ?? error}`);
    return;
  }
  ready = true;
  document.documentElement.dataset.ready = 'true';
  performance.mark('vantrel-ready');
}

start();
