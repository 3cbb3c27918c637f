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
  var scriptWritten = false;

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

  // Past this many boxes a canvas takes one box around them all.
  var MOST_BOXES = 8;
  // Puts the boxes the program presented on the canvases: once, as it hands the browser
  // its turn (waiting or yielding), however often it presented before.
  function draw() {
    for (var id in windows) {
      var w = windows[id];
      if (!w.boxes || !w.boxes.length) continue;
      if (w.canvas.width !== w.width || w.canvas.height !== w.height) {
        // A canvas that changes size forgets its picture.
        w.canvas.width = w.width;
        w.canvas.height = w.height;
        w.boxes = [[0, 0, w.width, w.height]];
      }
      // A view onto the program's copy of the frame, made again only when the memory
      // has grown (its old buffer is gone then) or the frame has moved.
      if (!w.image || w.image.data.buffer !== HEAPU8.buffer) {
        w.image = new ImageData(new Uint8ClampedArray(HEAPU8.buffer, w.rgba, w.width * w.height * 4),
                                w.width, w.height);
      }
      var boxes = w.boxes;
      if (boxes.length > MOST_BOXES) {
        var all = boxes[0].slice();
        for (var i = 1; i < boxes.length; i++) {
          all[0] = Math.min(all[0], boxes[i][0]);
          all[1] = Math.min(all[1], boxes[i][1]);
          all[2] = Math.max(all[2], boxes[i][2]);
          all[3] = Math.max(all[3], boxes[i][3]);
        }
        boxes = [all];
      }
      for (var j = 0; j < boxes.length; j++) {
        var b = boxes[j];
        w.ctx.putImageData(w.image, 0, 0, b[0], b[1], b[2] - b[0], b[3] - b[1]);
        host.shown.pixels += (b[2] - b[0]) * (b[3] - b[1]);
      }
      w.boxes = [];
      host.shown.frames++;
      host.shown.canvasPixels += w.width * w.height;
      if (!window.kxFirstPicture) window.kxFirstPicture = performance.now();
    }
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
      // Desynchronized: its pictures go to the display compositor directly, not through
      // the page's compositor; in headless Chromium that took about 40% off the browser's
      // own work while the garden animates.
      var ctx = canvas.getContext('2d', { desynchronized: true });
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
    // Notes that the box [x0,x1) x [y0,y1) of the frame changed: rgba holds the whole
    // frame as canvas bytes. The boxes go on the canvas when the program next gives the
    // browser its turn (draw).
    present: function (id, rgba, width, height, x0, y0, x1, y1) {
      var w = windows[id];
      if (!w) return;
      if (w.rgba !== rgba || w.width !== width || w.height !== height) {
        w.rgba = rgba;
        w.width = width;
        w.height = height;
        w.image = null;
        w.boxes = [[0, 0, width, height]];
      } else {
        w.boxes.push([x0, y0, x1, y1]);
      }
    },
    draw: draw,
    poll: function (out) {
      if (!queue.length) return 0;
      var e = queue.shift();
      var v = [e.kind, e.window || 0, e.vk || 0, e.repeat || 0, e.button || 0, e.x || 0,
               e.y || 0, e.width || 0, e.height || 0, e.ch || 0];
      HEAP32.set(v, out >> 2);
      return 1;
    },
    wait: function (deadline) {
      draw();
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
    // Time the program spent running between its waits, and what the canvases were
    // given (for the measurements).
    busyMs: 0,
    shown: { frames: 0, pixels: 0, canvasPixels: 0 },
    resumed: 0,
    screen: function (which) {
      return which ? Math.max(desk.clientHeight, 600) : Math.max(desk.clientWidth, 800);
    },
  };
  Module.kxHost = host;

  // KX507.SCR goes to IndexedDB whenever the program has written it, checked as the
  // program goes idle: only once it was opened for writing or written, since looking the
  // file up on every wait cost more than the rest of the wait.
  function saveIfChanged() {
    if (!scriptWritten) return;
    scriptWritten = false;
    FS.syncfs(false, function (err) { if (err) console.warn('saving KX507.SCR failed', err); });
  }
  Module.kxSave = saveIfChanged;

  Module.preRun = [function () {
    // Opening it for writing (O_WRONLY, O_RDWR: it may be truncated) and each write
    // mark it; the runtime flushes record by record, so each record is kept.
    var open = FS.open, write = FS.write;
    FS.open = function () {
      var stream = open.apply(this, arguments);
      if (stream.path === SCRIPT_FILE && (stream.flags & 3)) scriptWritten = true;
      return stream;
    };
    FS.write = function (stream) {
      if (stream.path === SCRIPT_FILE) scriptWritten = true;
      return write.apply(this, arguments);
    };
    FS.mkdir(DATA_DIR);
    FS.mount(IDBFS, {}, DATA_DIR);
    addRunDependency('kx-garden-files');
    FS.syncfs(true, function (err) {
      if (err) console.warn('reading stored files failed', err);
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
