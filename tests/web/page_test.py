#!/usr/bin/python3
"""The page in headless Chromium (chromium-driver through python3-selenium),
served from the site folder on a local port: load, an update with verify
against the page's simulated instrument, the same in a hidden tab while a
second tab is refused a run, keyboard only, the accessibility tree, the
panel's backup, verify-only and read-out, Web MIDI refused, the screenshots
at 1x and 2x, and no request outside the page's origin.

    tests/web/page_test.py [site folder]   (default build/web)

Prints one line per check; exits 1 when any failed, naming it."""
import functools
import http.server
import json
import math
import re
import subprocess
import sys
import tempfile
import threading
from pathlib import Path

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import WebDriverWait

ROOT = Path(__file__).resolve().parents[2]
SITE = Path(sys.argv[1]) if len(sys.argv) > 1 else ROOT / 'build/web'
ARTEFACTS = ROOT / 'build/artefacts'
READY_WAIT_S = 20
RUN_WAIT_S = 180
SIMULATED = 'Simulated instrument (no hardware)'
SUCCESS = 'Update successful !'
CHROMIUM_ARGS = ['--headless=new', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
                 '--disable-background-networking', '--disable-component-update', '--disable-sync',
                 '--window-size=700,1000']
# The window's tab order, as the desktop window's, then the panel.
TAB_ORDER = ['minimize', 'close', 'midi-out', 'midi-in', 'data-path', 'browse', 'verify', 'update', 'product', 'sample']
# Role, name and description (None: not checked) of every control, as in the desktop window.
NAMED = [('button', 'Minimaze', None), ('button', 'Close', None), ('combobox', 'MIDI Out Device', None),
         ('combobox', 'MIDI In Device', None), ('textbox', 'Data Path', None), ('button', 'Find data file', None),
         ('checkbox', 'Verify', 'Verify data after update'), ('button', 'UPDATE', 'Update the firmware'),
         ('combobox', 'Model', None)]

# Web MIDI refused: the case, a script run before the page, and how the message begins.
MIDI_REFUSED = [('denied', None, 'The browser did not let this page use MIDI devices'),
                ('no Web MIDI', 'delete Navigator.prototype.requestMIDIAccess', 'This browser offers no Web MIDI here')]

# The panel's runs, one after the other on the sample image: what starts each, the messages it must show
# (patterns), and the files it must download (name's start: size in bytes and, if given, the only byte value).
STAMP = r'-\d{8}-\d{6}\.bin'
PANEL_RUNS = [
    ('backup, then the update', "$('backup').checked = true; $('verify').checked = false; $('update').click()",
     [r'Backup of words 0x00000000 to 0x0000FFFF saved in backup' + STAMP, 'Update successful !'],
     {'backup-': (131072, 0xFF)}),  # the flash as it was before the update: erased
    ('verify-only', "$('verify-only').click()", ['The flash holds the image'], {}),
    ('read-out', "$('read-from').value = '0x100'; $('read-words').value = '0x400'; $('read-out').click()",
     [r'Words 0x00000100 to 0x000004FF saved in readout' + STAMP], {'readout-': (2048, None)}),
]

# Records, in the page, each message box's text and the tab's visibility at each
# step of the bar, and posts every message to the page's other tabs.
WATCH = """
const log = window.testLog = {tab: Math.random(), messages: [], visibility: [], clicks: 0, clicked: 0, ended: 0};
const box = document.getElementById('message'), bar = document.getElementById('progress');
document.getElementById('update').addEventListener('click', () => log.clicks++);
new MutationObserver(() => {
  if (!box.open) return;
  const text = document.getElementById('message-text').textContent;
  log.messages.push(text);
  log.ended = performance.now();
  new BroadcastChannel('page-test').postMessage({tab: log.tab, text});
}).observe(box, {attributes: true, attributeFilter: ['open']});
new MutationObserver(() => log.visibility.push(document.visibilityState))
  .observe(bar, {attributes: true, attributeFilter: ['aria-valuenow']});
"""
failures = []


def check(name, condition, detail=''):
    print(f"{'ok' if condition else 'FAILED'}: {name}{f' ({detail})' if detail else ''}", flush=True)
    if not condition:
        failures.append(name)


def serve(site):
    class Quiet(http.server.SimpleHTTPRequestHandler):
        def log_message(self, *args):
            pass
    server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), functools.partial(Quiet, directory=str(site)))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return f'http://127.0.0.1:{server.server_address[1]}'


def chromium(profile, scale=1):
    options = webdriver.ChromeOptions()
    options.binary_location = '/usr/bin/chromium'
    for arg in CHROMIUM_ARGS + [f'--user-data-dir={profile}', f'--force-device-scale-factor={scale}']:
        options.add_argument(arg)
    # ChromeDriver keeps hidden tabs' timers running unless told not to: a hidden tab must be a real one.
    options.add_experimental_option('excludeSwitches', ['disable-background-timer-throttling',
                                                        'disable-backgrounding-occluded-windows'])
    options.set_capability('goog:loggingPrefs', {'performance': 'ALL', 'browser': 'ALL'})
    driver = webdriver.Chrome(service=Service('/usr/bin/chromedriver'), options=options)
    driver.set_script_timeout(RUN_WAIT_S)
    return driver


def open_page(driver, base):
    driver.get(base + '/')
    WebDriverWait(driver, READY_WAIT_S).until(
        lambda d: d.execute_script('return document.documentElement.dataset.ready'))
    driver.execute_script(WATCH)


def running(driver):
    return driver.execute_script("return !document.getElementById('progress').hidden")


def press(driver, *keys, shift=False):
    chain = ActionChains(driver)
    if shift:
        chain.key_down(Keys.SHIFT)
    chain.send_keys(*keys)
    if shift:
        chain.key_up(Keys.SHIFT)
    chain.perform()


def sample_loaded(driver):
    return driver.execute_script("return document.getElementById('data-path').value") == 'sample-firmware.bin'


def load_sample(driver):
    driver.execute_script("document.getElementById('sample').click()")
    WebDriverWait(driver, READY_WAIT_S).until(sample_loaded)


def start_update(driver):
    load_sample(driver)
    driver.execute_script("testLog.clicked = performance.now(); document.getElementById('update').click()")


def wait_messages(driver, count=1):
    return WebDriverWait(driver, RUN_WAIT_S).until(
        lambda d: (m := d.execute_script('return testLog.messages')) and len(m) >= count and m)


def ax_nodes(driver):
    nodes = driver.execute_cdp_cmd('Accessibility.getFullAXTree', {})['nodes']
    value = lambda node, key: node.get(key, {}).get('value')
    return [(value(n, 'role'), value(n, 'name'), value(n, 'description'), n) for n in nodes if not n.get('ignored')]


def find_ax(nodes, role, name):
    return next((n for n in nodes if n[0] == role and n[1] == name), None)


def check_load(driver, base):
    open_page(driver, base)
    state = driver.execute_script("""const $ = id => document.getElementById(id);
      const names = id => [...$(id).options].map(o => o.text);
      return {title: document.title, out: names('midi-out'), in: names('midi-in'), products: names('product'),
              verify: $('verify').checked, bar: $('progress').hidden,
              ready: performance.getEntriesByName('vantrel-ready')[0].startTime};""")
    check('load: the lists filled, the simulated instrument in both, Verify ticked, no bar',
          SIMULATED in state['out'] and SIMULATED in state['in'] and state['products'] and state['verify']
          and state['bar'], state)
    dropped = driver.execute_script("""const files = new DataTransfer();
      files.items.add(new File([new Uint8Array(4)], 'dropped.bin'));
      document.getElementById('window').dispatchEvent(new DragEvent('drop', {dataTransfer: files, cancelable: true}));
      return document.getElementById('data-path').value;""")
    check('a file dropped onto the window is the data file', dropped == 'dropped.bin', dropped)
    folded = driver.execute_script("""const $ = id => document.getElementById(id), seen = [];
      for (const id of ['minimize', 'reopen', 'close', 'reopen']) {
        $(id).click();
        seen.push([$('window').hidden, document.activeElement.id]);
      }
      return seen;""")
    check('minimize and close fold the window away, the button left in its place brings it back',
          folded == [[True, 'reopen'], [False, 'minimize']] * 2, folded)
    errors = [e['message'] for e in driver.get_log('browser') if e['level'] == 'SEVERE']
    check('load: no error in the console', not errors, errors)
    driver.execute_script("""const link = document.getElementById('link');
      link.value = '31250'; link.dispatchEvent(new Event('change'));""")
    open_page(driver, base)
    link = driver.execute_script("return document.getElementById('link').value")
    check('the link to the instrument is remembered for the next visit', link == '31250', link)
    print(f"figure: ready {state['ready']:.0f} ms after the page began to load")


def check_visible_update(driver, base):
    nodes = ax_nodes(driver)
    for role, name, description in NAMED:
        node = find_ax(nodes, role, name)
        check(f'accessibility: {role} "{name}"', node and (description is None or node[2] == description),
              node[:3] if node else 'missing')
    start_update(driver)
    WebDriverWait(driver, READY_WAIT_S).until(running)
    driver.save_screenshot(str(ARTEFACTS / 'web-page-running.png'))
    bar = find_ax(ax_nodes(driver), 'progressbar', 'Step 4 : Update')
    value = bar and bar[3].get('value', {}).get('value')
    text = driver.execute_script("return document.getElementById('progress').getAttribute('aria-valuetext')")
    check('accessibility: the bar "Step 4 : Update" gives its value and step', isinstance(value, (int, float))
          and re.fullmatch(r'Updating\.\.\. \d+%', text or ''), (value, text))
    driver.execute_script("document.getElementById('close').click()")
    busy = wait_messages(driver)
    driver.execute_script("document.getElementById('message-ok').click()")
    check('close during a run is refused', busy == ['Please wait till the update finish'], busy)
    idle = driver.execute_script(
        "return ['verify-only', 'read-out', 'link'].map(id => document.getElementById(id).disabled)")
    check("the panel's runs and the link are idle during a run", idle == [True] * 3, idle)
    messages = wait_messages(driver, 2)[1:]
    driver.save_screenshot(str(ARTEFACTS / 'web-page-result.png'))
    check('update with verify in a visible tab', messages == [SUCCESS], messages)
    box = find_ax(ax_nodes(driver), 'alertdialog', 'vantrel')
    check('accessibility: the result is an alert dialog', box and box[2] == SUCCESS, box and box[:3])
    print(f"figure: visible tab, {driver.execute_script('return testLog.ended - testLog.clicked') / 1000:.2f} s "
          'from UPDATE to the result')


def check_hidden_update_and_second_tab(driver, base):
    driver.refresh()
    open_page(driver, base)
    first = driver.current_window_handle
    start_update(driver)
    WebDriverWait(driver, READY_WAIT_S).until(running)
    driver.switch_to.new_window('tab')  # the running tab is hidden from here on
    open_page(driver, base)
    driver.execute_script("window.firstResult = new Promise(r => new BroadcastChannel('page-test').onmessage ="
                          " e => e.data.tab !== testLog.tab && r(e.data.text));")
    start_update(driver)
    refused = wait_messages(driver)
    check('a second tab is refused a run during a run', refused[0].startswith('An update is running in another tab'),
          refused)
    driver.execute_script("document.getElementById('message-ok').click()")
    result = driver.execute_async_script('window.firstResult.then(arguments[0])')
    driver.switch_to.window(first)
    log = driver.execute_script('return testLog')
    check('update with verify in a hidden tab', result == SUCCESS and log['messages'] == [SUCCESS], result)
    hidden = log['visibility'].count('hidden')
    check('the tab was hidden during the run', hidden > len(log['visibility']) // 2,
          f"{hidden} of {len(log['visibility'])} steps hidden")
    print(f"figure: hidden tab, {(log['ended'] - log['clicked']) / 1000:.2f} s from UPDATE to the result")


def check_keyboard_only(driver, base):
    driver.refresh()
    open_page(driver, base)
    focused = lambda d: d.execute_script('return document.activeElement.id')
    order = []
    for _ in TAB_ORDER:
        press(driver, Keys.TAB)
        order.append(focused(driver))
    check('keyboard: Tab goes through the controls in the window\'s order', order == TAB_ORDER, order)
    press(driver, Keys.SPACE)  # the sample image
    WebDriverWait(driver, READY_WAIT_S).until(sample_loaded)
    press(driver, Keys.TAB, Keys.TAB, shift=True)
    press(driver, Keys.ENTER)  # a key's click comes within its own events: none now, none later
    entered = driver.execute_script('return testLog.clicks')
    press(driver, Keys.SPACE)
    WebDriverWait(driver, READY_WAIT_S).until(running)
    on_bar = focused(driver)
    messages = wait_messages(driver)
    on_ok = focused(driver)
    press(driver, Keys.SPACE)
    WebDriverWait(driver, READY_WAIT_S).until(lambda d: focused(d) == 'update')
    check('keyboard: Enter starts nothing, Space on UPDATE an update that ends in "Update successful !"; '
          'the focus on the bar during the run, on OK after it, back on UPDATE once Space closed the box',
          entered == 0 and messages == [SUCCESS] and (on_bar, on_ok) == ('progress', 'message-ok'),
          (entered, messages, on_bar, on_ok))


def check_panel_runs(driver, base):
    with tempfile.TemporaryDirectory() as folder:
        downloads = Path(folder)
        driver.execute_cdp_cmd('Browser.setDownloadBehavior', {'behavior': 'allow', 'downloadPath': folder})
        driver.refresh()
        open_page(driver, base)
        load_sample(driver)
        for case, script, expected, files in PANEL_RUNS:
            driver.execute_script(f'const $ = id => document.getElementById(id); {script}')
            seen = []
            for _ in expected:  # each box closed in turn, as the next waits behind it
                seen.append(wait_messages(driver, len(driver.execute_script('return testLog.messages')) + 1)[-1])
                driver.execute_script("document.getElementById('message-ok').click()")
            got = {}
            for start, (size, byte) in files.items():
                found = WebDriverWait(driver, READY_WAIT_S).until(
                    lambda d: [f for f in downloads.glob(start + '*.bin') if f.stat().st_size == size])
                got[found[0].name] = byte is None or set(found[0].read_bytes()) == {byte}
            check(f'panel: {case}', all(re.fullmatch(e, s) for e, s in zip(expected, seen))
                  and all(got.values()) and len(got) == len(files), (seen, got))
        driver.execute_cdp_cmd('Browser.setDownloadBehavior', {'behavior': 'default'})


def check_midi_refused(driver, base):
    driver.execute_cdp_cmd('Browser.setPermission', {'permission': {'name': 'midi', 'sysex': True},
                                                     'setting': 'denied', 'origin': base})
    for case, script, expected in MIDI_REFUSED:
        if script:
            driver.execute_cdp_cmd('Page.addScriptToEvaluateOnNewDocument', {'source': script})
        driver.refresh()
        open_page(driver, base)
        driver.execute_script("const list = document.getElementById('midi-out');"
                              "list.value = 'find'; list.dispatchEvent(new Event('change'));")
        messages = wait_messages(driver)
        chosen = driver.execute_script("return document.getElementById('midi-out').selectedOptions[0].text")
        check(f'Web MIDI {case}: a message says so, the simulated instrument stays chosen',
              messages[0].startswith(expected) and chosen == SIMULATED, (messages, chosen))


def check_no_foreign_request(driver, base):
    requests = [e for e in driver.get_log('performance') if '"Network.requestWillBeSent"' in e['message']]
    urls = [json.loads(e['message'])['message']['params']['request']['url'] for e in requests]
    # What the browser loads for itself (chrome://) is no request of the page.
    foreign = [u for u in urls if u.split(':')[0] in ('http', 'https', 'ws', 'wss') and not u.startswith(base + '/')]
    check('no request outside the origin', bool(urls) and not foreign, foreign or f'{len(urls)} requests')
    # And the page's policy forbids one even when asked.
    outcome = driver.execute_async_script(
        "fetch('https://example.com/').then(() => arguments[0]('sent'), () => arguments[0]('refused'))")
    check('the page\'s policy refuses a request to another origin', outcome == 'refused', outcome)


def screenshot_at(base, scale, name):
    with tempfile.TemporaryDirectory() as profile:
        driver = chromium(profile, scale)
        try:
            open_page(driver, base)
            driver.save_screenshot(str(ARTEFACTS / name))
            box = driver.execute_script("const r = document.getElementById('window').getBoundingClientRect(); "
                                        "return [r.x, r.y];")
        finally:
            driver.quit()
    # The heading's corner as painted must be the skin of that scale, pixel for
    # pixel; the browser puts a window at a half pixel on one of the two next to it.
    skin = ROOT / f"resources/bitmap/149{'@2x' if scale == 2 else ''}.bmp"
    inside = 4 * scale  # past the window's frame
    size = f'{140 * scale}x{36 * scale}'
    differ = []
    for x in {math.floor(box[0] * scale), math.ceil(box[0] * scale)}:
        shot = f'{size}+{x + inside}+{round(box[1] * scale) + inside}'
        differ.append(int(subprocess.run(
            ['compare', '-metric', 'AE', '(', str(ARTEFACTS / name), '-crop', shot, '+repage', ')',
             '(', str(skin), '-crop', f'{size}+{inside}+{inside}', '+repage', ')', 'null:'],
            capture_output=True, text=True).stderr.split()[0]))
    check(f'screenshot at {scale}x: the heading is the {scale}x skin', min(differ) == 0, f'{min(differ)} pixels differ')


def main():
    ARTEFACTS.mkdir(parents=True, exist_ok=True)
    base = serve(SITE)
    with tempfile.TemporaryDirectory() as profile:
        driver = chromium(profile)
        try:
            for test in (check_load, check_visible_update, check_hidden_update_and_second_tab, check_keyboard_only,
                         check_panel_runs, check_midi_refused, check_no_foreign_request):
                try:
                    test(driver, base)
                except Exception as error:  # one broken case must not hide the others
                    check(test.__name__, False, f'{type(error).__name__}: {error}')
        finally:
            driver.quit()
    screenshot_at(base, 1, 'web-page-1x.png')
    screenshot_at(base, 2, 'web-page-2x.png')
    site_bytes = sum(f.stat().st_size for f in SITE.rglob('*') if f.is_file())
    print(f'figure: the page\'s files, {site_bytes} bytes')
    if failures:
        print('failed: ' + '; '.join(failures))
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
