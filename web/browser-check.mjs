// The garden in headless Chromium, driven over the DevTools protocol on a pipe (no
// packages beyond node): the page loads and shows its first picture, Add Bug adds a
// bug, Ctrl+H, Ctrl+F and Ctrl+A halt, step and resume, Alt alone opens the menu,
// Ctrl+L logs, a script recorded with Ctrl+R plays back after a reload, and the page
// keeps the garden's Ctrl keys from the browser. Prints the figures it measures.
// Usage: node browser-check.mjs SITE_DIR
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { serve } from './serve.mjs';

const site = process.argv[2];
const server = await serve(site);
const url = `http://127.0.0.1:${server.address().port}/`;
const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'kx-chromium-'));
// The window holds the whole drawing window, for the screenshot.
const chromium = spawn('chromium', [
  '--headless', '--window-size=1280,1000', '--no-sandbox', '--disable-gpu', '--disable-quic',
  '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync',
  '--remote-debugging-pipe', `--user-data-dir=${profile}`, 'about:blank',
], { stdio: ['ignore', 'ignore', 'pipe', 'pipe', 'pipe'], detached: true });
let chromiumLog = '';
chromium.stderr.on('data', (d) => (chromiumLog += d));

let failures = 0;
function check(ok, what) {
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${what}`);
  if (!ok) failures++;
}
function finish(code) {
  try { process.kill(-chromium.pid, 'SIGKILL'); } catch (e) { /* already gone */ }
  server.close();
  fs.rmSync(profile, { recursive: true, force: true });
  process.exit(code);
}
const deadline = setTimeout(() => {
  console.log('FAIL the browser checks took longer than 120 s\n' + chromiumLog.slice(-2000));
  finish(1);
}, 120000);

// The protocol: JSON messages ended by NUL, ours on fd 3, the browser's on fd 4.
const toBrowser = chromium.stdio[3];
const fromBrowser = chromium.stdio[4];
let nextId = 1;
const pending = new Map();
const listeners = [];
let buffered = '';
fromBrowser.on('data', (chunk) => {
  buffered += chunk.toString('utf8');
  let end;
  while ((end = buffered.indexOf('\0')) >= 0) {
    const msg = JSON.parse(buffered.slice(0, end));
    buffered = buffered.slice(end + 1);
    if (msg.id && pending.has(msg.id)) {
      const { resolve, reject } = pending.get(msg.id);
      pending.delete(msg.id);
      msg.error ? reject(new Error(JSON.stringify(msg.error))) : resolve(msg.result);
    } else if (msg.method) {
      for (const l of listeners) l(msg);
    }
  }
});
function send(method, params = {}, sessionId) {
  const id = nextId++;
  toBrowser.write(JSON.stringify({ id, method, params, sessionId }) + '\0');
  return new Promise((resolve, reject) => pending.set(id, { resolve, reject }));
}

const sleep = (ms) => new Promise((r) => setTimeout(r, ms));
const { targetInfos } = await send('Target.getTargets');
const page = targetInfos.find((t) => t.type === 'page');
const { sessionId } = await send('Target.attachToTarget', { targetId: page.targetId, flatten: true });
const cdp = (method, params) => send(method, params, sessionId);
listeners.push((msg) => {
  if (msg.sessionId === sessionId && msg.method === 'Runtime.exceptionThrown')
    console.log('page exception: ' + JSON.stringify(msg.params.exceptionDetails).slice(0, 500));
});
await cdp('Runtime.enable');
await cdp('Page.enable');

async function evaluate(expression) {
  const r = await cdp('Runtime.evaluate', { expression, awaitPromise: true, returnByValue: true });
  if (r.exceptionDetails) throw new Error(expression + ': ' + JSON.stringify(r.exceptionDetails));
  return r.result.value;
}
async function until(what, expression, ms = 20000) {
  const start = Date.now();
  while (Date.now() - start < ms) {
    if (await evaluate(expression)) return true;
    await sleep(100);
  }
  check(false, what);
  return false;
}
async function load() {
  await cdp('Page.navigate', { url });
  await until('the page loads', 'document.readyState === "complete"');
  // Helpers in the page: the windows' canvases and their pixels.
  await evaluate(`(() => {
    window.kxCanvas = (title) => document.querySelector('canvas[data-title="' + title + '"]');
    window.kxPixels = (title) => {
      const c = kxCanvas(title);
      return c ? c.getContext('2d').getImageData(0, 0, c.width, c.height) : null;
    };
    // Pixels of one colour (0xRRGGBB) in a box of the canvas.
    window.kxCount = (title, rgb, x0, y0, x1, y1) => {
      const img = kxPixels(title);
      if (!img) return -1;
      let n = 0;
      for (let y = y0; y < Math.min(y1, img.height); y++)
        for (let x = x0; x < Math.min(x1, img.width); x++) {
          const i = (y * img.width + x) * 4;
          if (((img.data[i] << 16) | (img.data[i + 1] << 8) | img.data[i + 2]) === rgb) n++;
        }
      return n;
    };
    // Every Ctrl or Alt key press the page saw, and whether it kept it from the
    // browser: a listener on the window hears it after the garden's own.
    window.kxKeys = [];
    window.addEventListener('keydown', (e) => {
      if (e.ctrlKey || e.key === 'Alt')
        kxKeys.push({ code: e.code, prevented: e.defaultPrevented, target: e.target.id });
    });
    window.kxSnap = {};
    window.kxKeep = (name, title) => { kxSnap[name] = kxPixels(title).data.slice(); };
    window.kxDiffer = (name, title) => {
      const a = kxSnap[name], b = kxPixels(title).data;
      let n = 0;
      for (let i = 0; i < a.length; i += 4)
        if (a[i] !== b[i] || a[i + 1] !== b[i + 1] || a[i + 2] !== b[i + 2]) n++;
      return n;
    };
    return true;
  })()`);
}

const DRAW = 'KX507 Graphics', LOG = 'KX507 Text';
// A runtime point of the drawing window in the canvas: origin (300, 260) above the
// 19-pixel menu bar, y up.
const canvasX = (x) => 300 + x, canvasY = (y) => 19 + 260 - y;

async function clickRuntime(x, y) {
  const r = await evaluate(`(() => { const b = kxCanvas('${DRAW}').getBoundingClientRect();
                                     return [b.left, b.top]; })()`);
  const px = r[0] + canvasX(x) + 0.5, py = r[1] + canvasY(y) + 0.5;
  await cdp('Input.dispatchMouseEvent', { type: 'mouseMoved', x: px, y: py });
  await cdp('Input.dispatchMouseEvent', { type: 'mousePressed', x: px, y: py, button: 'left', clickCount: 1 });
  await cdp('Input.dispatchMouseEvent', { type: 'mouseReleased', x: px, y: py, button: 'left', clickCount: 1 });
}
// Ctrl+letter: whether the page kept each from the browser, by letter.
const ctrlKept = {};
async function ctrl(letter) {
  const code = letter.toUpperCase().charCodeAt(0);
  const seen = await evaluate('kxKeys.length');
  await cdp('Input.dispatchKeyEvent', { type: 'rawKeyDown', windowsVirtualKeyCode: 17, key: 'Control',
                                        code: 'ControlLeft', modifiers: 2 });
  await cdp('Input.dispatchKeyEvent', { type: 'rawKeyDown', windowsVirtualKeyCode: code,
                                        key: letter, code: 'Key' + letter.toUpperCase(), modifiers: 2 });
  await cdp('Input.dispatchKeyEvent', { type: 'keyUp', windowsVirtualKeyCode: code, key: letter,
                                        code: 'Key' + letter.toUpperCase(), modifiers: 2 });
  await cdp('Input.dispatchKeyEvent', { type: 'keyUp', windowsVirtualKeyCode: 17, key: 'Control',
                                        code: 'ControlLeft', modifiers: 0 });
  const keys = await evaluate(`kxKeys.slice(${seen})`);
  const press = keys.find((k) => k.code === 'Key' + letter.toUpperCase());
  ctrlKept[letter.toUpperCase()] = !!press && press.prevented && press.target.startsWith('kx-window-');
  await sleep(300);
}
async function press(vk, key, code) {
  await cdp('Input.dispatchKeyEvent', { type: 'rawKeyDown', windowsVirtualKeyCode: vk, key, code });
  await cdp('Input.dispatchKeyEvent', { type: 'keyUp', windowsVirtualKeyCode: vk, key, code });
  await sleep(300);
}
async function still(ms = 600) {
  await evaluate(`kxKeep('still', '${DRAW}')`);
  await sleep(ms);
  return evaluate(`kxDiffer('still', '${DRAW}')`);
}
// Pure blue in the garden: bug 3's head and number.
const gardenBlue = () => evaluate(`kxCount('${DRAW}', 0x0000ff, 300, 19, 601, 540)`);

// CPU ticks (user + system) of every process in the browser's group, from /proc, by
// kind: the renderer's main thread (where the program runs) and the rest of it, the GPU
// process (the display compositor, in software here), the browser process, others.
function cpuTicks() {
  const ticks = { total: 0, main: 0, renderer: 0, gpu: 0, browser: 0, other: 0 };
  for (const pid of fs.readdirSync('/proc').filter((p) => /^\d+$/.test(p))) {
    try {
      const stat = fs.readFileSync(`/proc/${pid}/stat`, 'utf8');
      const f = stat.slice(stat.lastIndexOf(')') + 2).split(' ');
      if (Number(f[2]) !== chromium.pid) continue;
      const n = Number(f[11]) + Number(f[12]);
      const type = /--type=([a-z-]+)/.exec(fs.readFileSync(`/proc/${pid}/cmdline`, 'utf8'));
      ticks.total += n;
      if (!type) ticks.browser += n;
      else if (type[1] === 'gpu-process') ticks.gpu += n;
      else if (type[1] !== 'renderer') ticks.other += n;
      else {
        ticks.renderer += n;
        // The main thread has the process's own id.
        const t = fs.readFileSync(`/proc/${pid}/task/${pid}/stat`, 'utf8');
        const tf = t.slice(t.lastIndexOf(')') + 2).split(' ');
        ticks.main += Number(tf[11]) + Number(tf[12]);
      }
    } catch (e) { /* gone */ }
  }
  return ticks;
}

try {
  // First picture (a fresh profile: no stored files yet).
  const started = Date.now();
  await load();
  const shown = await until('the first picture is shown',
    `(() => { const c = kxCanvas('${DRAW}'); return !!c && !!window.kxFirstPicture &&
              kxCount('${DRAW}', 0xffffff, 0, 0, c.width, c.height) < c.width * c.height; })()`);
  if (shown) {
    const first = await evaluate('window.kxFirstPicture');
    check(true, `first picture after ${first.toFixed(0)} ms of page time (${Date.now() - started} ms wall)`);
  }
  check(await evaluate(`!!kxCanvas('${LOG}')`), 'the log window has its canvas');

  // CPU while animating, over 10 seconds: the whole browser from /proc (headless, so
  // the page is composited in software), and the program alone, as the time it ran
  // between its waits.
  // After the first seconds, when the browser is still compiling the program.
  await sleep(3000);
  const shown0 = await evaluate('({ ...Module.kxHost.shown })');
  const t0 = cpuTicks(), w0 = Date.now(), b0 = await evaluate('Module.kxHost.busyMs');
  await sleep(10000);
  const wall = Date.now() - w0, t1 = cpuTicks();
  const pct = (k) => (((t1[k] - t0[k]) / 100) / (wall / 1000) * 100).toFixed(1);
  const busy = ((await evaluate('Module.kxHost.busyMs')) - b0) / wall * 100;
  check(true, `CPU while animating: browser ${pct('total')}% of a core (renderer ${pct('renderer')}%, ` +
              `its main thread ${pct('main')}%; GPU process ${pct('gpu')}%; browser process ` +
              `${pct('browser')}%; others ${pct('other')}%)`);
  check(true, `CPU while animating: the program ${busy.toFixed(1)}% (time between its waits)`);
  // Presenting puts only what changed, once per turn of the browser.
  const shown1 = await evaluate('Module.kxHost.shown');
  const frames = shown1.frames - shown0.frames;
  const share = (shown1.pixels - shown0.pixels) / Math.max(1, shown1.canvasPixels - shown0.canvasPixels);
  check(frames > 0 && frames <= wall / 1000 * 60 && share < 0.5,
        `the canvases were given ${frames} frames in ${(wall / 1000).toFixed(1)} s, ` +
        `${(share * 100).toFixed(1)}% of their area each`);
  check((await still(300)) > 0, 'the garden animates');

  // Ctrl+H halts, Ctrl+A resumes.
  await evaluate(`kxCanvas('${DRAW}').focus(), true`);
  await ctrl('h');
  const halted = await still();
  check(halted === 0, `Ctrl+H halts the picture (${halted} pixels changed in 600 ms)`);

  // Ctrl+F advances one frame and stays halted.
  await evaluate(`kxKeep('step', '${DRAW}')`);
  await ctrl('f');
  const stepped = await evaluate(`kxDiffer('step', '${DRAW}')`);
  const afterStep = await still();
  check(stepped > 0 && afterStep === 0,
        `Ctrl+F advances one frame (${stepped} pixels changed, then ${afterStep} in 600 ms)`);

  // The screen shows what the canvas holds: its pictures reach the display compositor
  // on their own path (a desynchronized canvas).
  const rect = await evaluate(`(() => { const b = kxCanvas('${DRAW}').getBoundingClientRect();
                                        return [b.left, b.top, b.width, b.height, innerWidth, innerHeight]; })()`);
  const shot = await cdp('Page.captureScreenshot', { format: 'png',
    clip: { x: rect[0], y: rect[1], width: rect[2], height: rect[3], scale: 1 } });
  const onScreen = await evaluate(`(async () => {
    const img = new Image();
    img.src = 'data:image/png;base64,${shot.data}';
    await img.decode();
    const c = document.createElement('canvas');
    c.width = img.width, c.height = img.height;
    const x = c.getContext('2d');
    x.drawImage(img, 0, 0);
    const a = x.getImageData(0, 0, c.width, c.height).data, b = kxPixels('${DRAW}');
    if (c.width !== b.width || c.height !== b.height) return 'a picture of ' + c.width + ' x ' + c.height;
    let n = 0;
    for (let i = 0; i < a.length; i += 4)
      if (a[i] !== b.data[i] || a[i + 1] !== b.data[i + 1] || a[i + 2] !== b.data[i + 2]) n++;
    return n; })()`);
  check(onScreen === 0, `the screen shows the canvas's pixels (${onScreen} differ, viewport ${rect[4]} x ${rect[5]})`);

  // Add Bug (row 7 of the left panel) brings bug 2 while halted.
  await evaluate(`kxKeep('before-add', '${DRAW}')`);
  await clickRuntime(-252, -197);
  await sleep(500);
  const added = await evaluate(`(() => { const a = kxSnap['before-add'], b = kxPixels('${DRAW}');
    let n = 0;  // changes in the garden, right of the panels
    for (let y = 19; y < b.height; y++) for (let x = 300; x < b.width; x++) {
      const i = (y * b.width + x) * 4;
      if (a[i] !== b.data[i] || a[i + 1] !== b.data[i + 1] || a[i + 2] !== b.data[i + 2]) n++;
    }
    return n; })()`);
  check(added >= 50, `Add Bug brings bug 2 into the garden (${added} pixels changed)`);

  await ctrl('a');
  const resumed = await still();
  check(resumed > 0, `Ctrl+A resumes the animation (${resumed} pixels changed in 600 ms)`);

  // Alt alone selects the menu bar, Down opens Run, Enter chooses its first item,
  // Animate; the page keeps the Alt key from the browser.
  await ctrl('h');
  await evaluate(`kxKeep('alt', '${DRAW}')`);
  const altSeen = await evaluate('kxKeys.length');
  await cdp('Input.dispatchKeyEvent', { type: 'rawKeyDown', windowsVirtualKeyCode: 18, key: 'Alt',
                                        code: 'AltLeft', modifiers: 1 });
  await cdp('Input.dispatchKeyEvent', { type: 'keyUp', windowsVirtualKeyCode: 18, key: 'Alt',
                                        code: 'AltLeft', modifiers: 0 });
  await sleep(300);
  const altKeys = await evaluate(`kxKeys.slice(${altSeen})`);
  const altBar = await evaluate(`kxDiffer('alt', '${DRAW}')`);
  check(altKeys.length === 1 && altKeys[0].prevented && altBar > 0,
        `Alt alone selects the menu bar (${altBar} pixels changed; kept from the browser: ${altKeys.length === 1 && altKeys[0].prevented})`);
  await press(40, 'ArrowDown', 'ArrowDown');
  const altOpened = await evaluate(`kxDiffer('alt', '${DRAW}')`);
  check(altOpened > altBar + 1000, `then Down opens the Run menu (${altOpened} pixels changed)`);
  await press(13, 'Enter', 'Enter');
  const altAnimates = await still();
  check(altAnimates > 0, `then Enter chooses Animate (${altAnimates} pixels changed in 600 ms)`);

  // Ctrl+L: the log window fills with lines.
  const logInk = () => evaluate(`(() => { const c = kxCanvas('${LOG}');
    return c.width * c.height - kxCount('${LOG}', 0xffffff, 0, 0, c.width, c.height); })()`);
  const inkBefore = await logInk();
  await ctrl('l');
  await sleep(800);
  await ctrl('l');
  const inkAfter = await logInk();
  check(inkAfter > inkBefore + 200, `Ctrl+L puts lines in the log (${inkBefore} -> ${inkAfter} inked pixels)`);

  // Record: two more bugs (3 is blue), then stop; the file reaches IndexedDB.
  await ctrl('r');
  await clickRuntime(-252, -197);
  await sleep(300);
  await clickRuntime(-252, -197);
  await sleep(700);
  // Each record reaches IndexedDB while recording goes on (a page closed now keeps it).
  const kept = await until('the records reach IndexedDB while recording', `(async () => {
    const db = await new Promise((ok, no) => { const r = indexedDB.open('/garden');
                                               r.onsuccess = () => ok(r.result); r.onerror = no; });
    const entry = await new Promise((ok, no) => {
      const r = db.transaction('FILE_DATA').objectStore('FILE_DATA').get('/garden/KX507.SCR');
      r.onsuccess = () => ok(r.result); r.onerror = no; });
    db.close();
    const stored = entry ? new TextDecoder().decode(entry.contents) : '';
    return stored.includes('KX507_MOUSE') &&
           stored === new TextDecoder().decode(FS.readFile('/garden/KX507.SCR')); })()`, 5000);
  if (kept) check(true, 'the records reach IndexedDB while recording goes on');
  await ctrl('r');
  await until('KX507.SCR is written', `(() => { try { return FS.stat('/garden/KX507.SCR').size > 0; }
                                                catch (e) { return false; } })()`);
  await sleep(1000);  // the IndexedDB write completes

  // Reload: the garden starts again with one bug, and the script is still there.
  await load();
  await until('the page comes back after a reload',
    `!!window.kxFirstPicture && !!kxCanvas('${DRAW}')`);
  check(await evaluate(`(() => { try { return FS.stat('/garden/KX507.SCR').size > 0; }
                                 catch (e) { return false; } })()`), 'KX507.SCR survives the reload');
  await evaluate(`kxCanvas('${DRAW}').focus(), true`);
  await ctrl('h');
  const blueBefore = await gardenBlue();
  await ctrl('p');
  const played = await until('playback brings the recorded bugs back', `kxCount('${DRAW}', 0x0000ff, 300, 19, 601, 540) >= ${blueBefore + 100}`);
  if (played) check(true, `playback after a reload: blue in the garden ${blueBefore} -> ${await gardenBlue()}`);

  // The page hands the stored script out, and takes one in to play.
  const downloaded = await evaluate(`(async () => {
    let href = null;
    const click = HTMLAnchorElement.prototype.click;
    HTMLAnchorElement.prototype.click = function () { href = this.href; this.kxName = this.download; };
    document.getElementById('download').click();
    HTMLAnchorElement.prototype.click = click;
    const text = href ? await (await fetch(href)).text() : '';
    return [text, new TextDecoder().decode(FS.readFile('/garden/KX507.SCR'))];
  })()`);
  check(downloaded[0].length > 0 && downloaded[0] === downloaded[1],
        `Download hands out KX507.SCR (${downloaded[0].length} bytes)`);
  const upload = path.join(profile, 'uploaded.scr');
  fs.writeFileSync(upload, downloaded[1]);
  await evaluate(`FS.unlink('/garden/KX507.SCR'), true`);
  const input = await cdp('Runtime.evaluate', { expression: `document.getElementById('upload')` });
  await cdp('DOM.setFileInputFiles', { files: [upload], objectId: input.result.objectId });
  const took = await until('an uploaded script becomes KX507.SCR', `(() => {
    try { return new TextDecoder().decode(FS.readFile('/garden/KX507.SCR')) === ${JSON.stringify(downloaded[1])}; }
    catch (e) { return false; } })()`, 5000);
  if (took) check(true, 'an uploaded script becomes KX507.SCR');

  // Run > Quit from the keyboard: F10 to the menu bar, Down opens Run, Q quits.
  const ended = `document.body.dataset.state === 'ended' &&
    document.body.textContent.includes('The garden has ended. Reload to start again.')`;
  await evaluate(`kxCanvas('${DRAW}').focus(), true`);
  await ctrl('h');
  await evaluate(`kxKeep('menu', '${DRAW}')`);
  await press(121, 'F10', 'F10');
  const barChanged = await evaluate(`kxDiffer('menu', '${DRAW}')`);
  check(barChanged > 0, `F10 selects the menu bar (${barChanged} pixels changed)`);
  await press(40, 'ArrowDown', 'ArrowDown');
  const opened = await evaluate(`kxDiffer('menu', '${DRAW}')`);
  check(opened > barChanged + 1000, `Down opens the Run menu (${opened} pixels changed)`);
  await press(81, 'q', 'KeyQ');
  await until('Run > Quit ends the garden', ended, 5000);

  // Ctrl+Q does too.
  await load();
  await until('the page comes back', `!!window.kxFirstPicture && !!kxCanvas('${DRAW}')`);
  await evaluate(`kxCanvas('${DRAW}').focus(), true`);
  await ctrl('o');
  await ctrl('q');
  if (await until('Ctrl+Q ends the garden', ended, 5000)) check(true, 'Run > Quit and Ctrl+Q end the garden');

  // Each of the garden's Ctrl keys reached it, and it kept them all from the browser.
  const keys = ['R', 'P', 'O', 'L', 'Q', 'H', 'F', 'A'];
  const lost = keys.filter((k) => !ctrlKept[k]);
  check(lost.length === 0, `the page keeps ${keys.map((k) => 'Ctrl+' + k).join(', ')} from the browser` +
                           (lost.length ? ` (not: ${lost.join(', ')})` : ' (default prevented on each)'));
} catch (e) {
  check(false, 'browser checks: ' + e.message);
}
clearTimeout(deadline);
console.log(failures ? `browser checks: ${failures} failed` : 'browser checks: all passed');
finish(failures ? 1 : 0);
