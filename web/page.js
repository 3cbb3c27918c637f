// The page's half of the web host (platform/host/web.cpp): canvases with a caption and
// a close box, input turned into the host's native events, the wait that hands the
// browser its turn, and KX507.SCR kept in IndexedDB.
'use strict';

var Module = {
  noInitialRun: true,
  print: function (text) { console.log(text); },
  printErr: function (text) { console.warn(text); },
};

(function () {
  var DATA_DIR = '/garden';
  var SCRIPT_FILE = DATA_DIR + '/KX507.SCR';
  var Kind = { KeyDown: 1, KeyUp: 2, MouseDown: 3, MouseUp: 4, MouseMove: 5, Close: 6,
               Resized: 7, Exposed: 8, FocusLost: 9 };
  var desk = document.getElementById('desk');
  var status = document.getElementById('status');
  var windows = {};
  var queue = [];
  var wake = null;
  var savedTime = 0;

  function push(ev) {
    queue.push(ev);
    if (wake) { var w = wake; wake = null; w(); }
  }

  // Keys the browser would otherwise take while the garden has the focus.
  function keyEvent(kind, e, id) {
    var vk = e.keyCode || 0;
    var ch = 0;
    if (!vk && e.key && e.key.length === 1) ch = e.key.codePointAt(0);
    if (!vk && !ch) return;
    e.preventDefault();
    push({ kind: kind, window: id, vk: vk, repeat: e.repeat ? 1 : 0, ch: ch });
  }

  function canvasPoint(canvas, e) {
    var r = canvas.getBoundingClientRect();
    return { x: Math.floor((e.clientX - r.left) * canvas.width / r.width),
             y: Math.floor((e.clientY - r.top) * canvas.height / r.height) };
  }

  var stacking = 1;
  var host = {
    create: function (id, title, x, y, w, h, resizable) {
      var frame = document.createElement('div');
      frame.className = 'kx-window';
      frame.style.display = 'none';
      var caption = document.createElement('div');
      caption.className = 'kx-caption';
      var label = document.createElement('span');
      label.textContent = title;
      var close = document.createElement('button');
      close.className = 'kx-close';
      close.textContent = '\u00d7';
      close.title = 'Close';
      close.addEventListener('click', function () { push({ kind: Kind.Close, window: id }); });
      caption.appendChild(label);
      caption.appendChild(close);
      var canvas = document.createElement('canvas');
      canvas.id = 'kx-window-' + id;
      canvas.dataset.title = title;
      canvas.tabIndex = 0;
      canvas.width = Math.max(w, 1);
      canvas.height = Math.max(h, 1);
      frame.appendChild(caption);
      frame.appendChild(canvas);
      desk.appendChild(frame);
      var ctx = canvas.getContext('2d');
      windows[id] = { frame: frame, canvas: canvas, ctx: ctx };
      host.move(id, x, y, w, h);
      frame.addEventListener('mousedown', function () { frame.style.zIndex = ++stacking; });
      canvas.addEventListener('contextmenu', function (e) { e.preventDefault(); });
      canvas.addEventListener('mousedown', function (e) {
        canvas.focus();
        e.preventDefault();
        var p = canvasPoint(canvas, e);
        push({ kind: Kind.MouseDown, window: id, button: [1, 3, 2][e.button] || 1, x: p.x, y: p.y });
      });
      canvas.addEventListener('mouseup', function (e) {
        var p = canvasPoint(canvas, e);
        push({ kind: Kind.MouseUp, window: id, button: [1, 3, 2][e.button] || 1, x: p.x, y: p.y });
      });
      canvas.addEventListener('mousemove', function (e) {
        var p = canvasPoint(canvas, e);
        // Only the newest position matters while the program is busy.
        var last = queue[queue.length - 1];
        if (last && last.kind === Kind.MouseMove && last.window === id) queue.pop();
        push({ kind: Kind.MouseMove, window: id, x: p.x, y: p.y });
      });
      canvas.addEventListener('keydown', function (e) { keyEvent(Kind.KeyDown, e, id); });
      canvas.addEventListener('keyup', function (e) { keyEvent(Kind.KeyUp, e, id); });
      canvas.addEventListener('blur', function () { push({ kind: Kind.FocusLost, window: id }); });
    },
    show: function (id, visible) {
      var w = windows[id];
      if (!w) return;
      w.frame.style.display = visible ? '' : 'none';
      if (visible) { w.frame.style.zIndex = ++stacking; w.canvas.focus(); }
    },
    move: function (id, x, y, width, height) {
      var w = windows[id];
      if (!w) return;
      // The program's outer box is the canvas; the page's caption sits above it.
      w.frame.style.left = x + 'px';
      w.frame.style.top = y + 'px';
      if (w.canvas.width !== width || w.canvas.height !== height) {
        w.canvas.width = Math.max(width, 1);
        w.canvas.height = Math.max(height, 1);
      }
    },
    destroy: function (id) {
      var w = windows[id];
      if (!w) return;
      w.frame.remove();
      delete windows[id];
    },
    // Puts the changed box [x0,x1) x [y0,y1) of the frame on the canvas: rgba holds
    // its pixels as canvas bytes, row after row.
    present: function (id, rgba, width, height, x0, y0, x1, y1) {
      var w = windows[id];
      if (!w) return;
      if (!window.kxFirstPicture) window.kxFirstPicture = performance.now();
      if (w.canvas.width !== width || w.canvas.height !== height) {
        w.canvas.width = width;
        w.canvas.height = height;
      }
      var bw = x1 - x0, bh = y1 - y0;
      var bytes = new Uint8ClampedArray(HEAPU8.buffer, rgba, bw * bh * 4);
      w.ctx.putImageData(new ImageData(bytes, bw, bh), x0, y0);
    },
    poll: function (out) {
      if (!queue.length) return 0;
      var e = queue.shift();
      var v = [e.kind, e.window || 0, e.vk || 0, e.repeat || 0, e.button || 0, e.x || 0,
               e.y || 0, e.width || 0, e.height || 0, e.ch || 0];
      HEAP32.set(v, out >> 2);
      return 1;
    },
    wait: function (deadline) {
      saveIfChanged();
      var now = performance.now();
      if (host.resumed) host.busyMs += now - host.resumed;
      if (queue.length) return Promise.resolve();
      return new Promise(function (resolve) {
        var timer = null;
        var done = function () { wake = null; host.resumed = performance.now(); resolve(); };
        wake = function () { if (timer !== null) clearTimeout(timer); done(); };
        if (deadline >= 0) timer = setTimeout(done, Math.max(0, deadline - now));
      });
    },
    // Time the program spent running between its waits (for the measurements).
    busyMs: 0,
    resumed: 0,
    screen: function (which) {
      return which ? Math.max(desk.clientHeight, 600) : Math.max(desk.clientWidth, 800);
    },
  };
  Module.kxHost = host;

  // KX507.SCR goes to IndexedDB whenever the program has written it, checked as the
  // program goes idle.
  function saveIfChanged() {
    var t = 0;
    try { t = FS.stat(SCRIPT_FILE).mtime.getTime(); } catch (e) { return; }
    if (t === savedTime) return;
    savedTime = t;
    FS.syncfs(false, function (err) { if (err) console.warn('saving KX507.SCR failed', err); });
  }
  Module.kxSave = saveIfChanged;

  Module.preRun = [function () {
    FS.mkdir(DATA_DIR);
    FS.mount(IDBFS, {}, DATA_DIR);
    addRunDependency('kx-garden-files');
    FS.syncfs(true, function (err) {
      if (err) console.warn('reading stored files failed', err);
      try { savedTime = FS.stat(SCRIPT_FILE).mtime.getTime(); } catch (e) { savedTime = 0; }
      FS.chdir(DATA_DIR);
      removeRunDependency('kx-garden-files');
    });
  }];
  Module.onRuntimeInitialized = function () {
    status.textContent = '';
    document.body.dataset.state = 'running';
    var code = Module.callMain([]);
    // main waits through Asyncify: its first wait returns here, and its real return
    // comes later, from the last resumption.
    if (typeof Asyncify !== 'undefined' && Asyncify.currData) Asyncify.whenDone().then(ended, ended);
    else ended(code);
  };
  Module.onExit = function () { ended(); };
  var hasEnded = false;
  function ended() {
    if (hasEnded) return;
    hasEnded = true;
    saveIfChanged();
    desk.remove();
    document.getElementById('tools').remove();
    var ended = document.createElement('p');
    ended.id = 'ended';
    ended.textContent = 'The garden has ended. Reload to start again.';
    document.body.appendChild(ended);
    document.body.dataset.state = 'ended';
  }

  document.getElementById('download').addEventListener('click', function () {
    var data;
    try { data = FS.readFile(SCRIPT_FILE); } catch (e) {
      status.textContent = 'No KX507.SCR yet: record one with Ctrl+R.';
      return;
    }
    var a = document.createElement('a');
    a.href = URL.createObjectURL(new Blob([data], { type: 'text/plain' }));
    a.download = 'KX507.SCR';
    a.click();
    setTimeout(function () { URL.revokeObjectURL(a.href); }, 1000);
  });
  document.getElementById('upload').addEventListener('change', function (e) {
    var file = e.target.files[0];
    if (!file) return;
    file.arrayBuffer().then(function (buf) {
      FS.writeFile(SCRIPT_FILE, new Uint8Array(buf));
      saveIfChanged();
      status.textContent = 'KX507.SCR replaced: play it with Ctrl+P.';
    });
  });
})();
