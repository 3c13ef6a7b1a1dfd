// The report page's behaviour: pan and zoom of the map, node tooltips found
// through a grid index (the map has no element per node), switching the
// figure the nodes are coloured by, finding a node by ID. The page reads
// "#figure=N&node=ID" from its address so a view can be passed on.
// After start-up the body carries data-* attributes describing what was
// drawn (data-ready, data-map-nodes, ...), for tests and for checking a page.
(function () {
  'use strict';

  var HOVER_PIXELS = 12;   // how far from a node the pointer may be
  var MIN_ZOOM = 0.5;
  var MAX_ZOOM = 400;
  var FOCUS_ZOOM = 8;      // zoom when finding a node, unless already closer
  var SETTLE_MS = 200;     // a wheel gesture ends after this pause
  var KIND_NAMES = { J: 'Junction', R: 'Reservoir', T: 'Tank' };

  var body = document.body;
  var started = performance.now();
  try {
    main();
    body.setAttribute('data-ready', '1');
  } catch (error) {
    body.setAttribute('data-error', String((error && error.message) || error));
    throw error;
  } finally {
    body.setAttribute('data-init-ms', (performance.now() - started).toFixed(1));
  }

  function main() {
    var data = JSON.parse(document.getElementById('report-data').textContent);
    var figures = new FigureChoice();
    var map = data.map ? new NetworkMap(data, figures) : null;
    figures.onChange = function () {
      if (map) map.refreshTip();
      record(map, figures);
    };
    var follow = function () {
      var request = readAddress();
      if (request.figure !== null) figures.show(request.figure, false);
      if (map && request.node !== null) map.focusId(request.node);
    };
    follow();
    window.addEventListener('hashchange', function () { follow(); record(map, figures); });
    record(map, figures);
  }

  // "#figure=1&node=J12" -> { figure: 1, node: "J12" }
  function readAddress() {
    var params = new URLSearchParams(location.hash.replace(/^#/, ''));
    var figure = params.get('figure');
    return {
      figure: figure !== null && /^\d+$/.test(figure) ? Number(figure) : null,
      node: params.get('node')
    };
  }

  function FigureChoice() {
    var self = this;
    var select = document.getElementById('figure-select');
    var layers = document.querySelectorAll('.figure-layer');
    var legends = document.querySelectorAll('.legend-figure');
    self.current = 0;
    self.count = Math.max(layers.length, legends.length);
    self.onChange = null;

    self.show = function (f, remember) {
      if (!(f >= 0 && f < self.count)) return;
      self.current = f;
      Array.prototype.forEach.call(layers, function (layer) {
        if (Number(layer.getAttribute('data-figure')) === f) layer.removeAttribute('display');
        else layer.setAttribute('display', 'none');
      });
      Array.prototype.forEach.call(legends, function (legend) {
        legend.hidden = Number(legend.getAttribute('data-figure')) !== f;
      });
      if (select) select.value = String(f);
      if (remember) {
        try { history.replaceState(null, '', '#figure=' + f); } catch (ignored) { /* file: pages in some browsers */ }
      }
      if (self.onChange) self.onChange();
    };

    if (select) {
      select.addEventListener('change', function () { self.show(Number(select.value), true); });
    }
  }

  // Buckets of node positions on a square grid; the nearest node to a point
  // is searched only in the cells within the search radius.
  function GridIndex(xs, ys, width, height) {
    var drawn = 0;
    for (var i = 0; i < xs.length; i++) if (!isNaN(xs[i])) drawn++;
    var cell = Math.max(width, height) / Math.max(1, Math.ceil(Math.sqrt(drawn / 2)));
    var cols = Math.floor(width / cell) + 1;
    var rows = Math.floor(height / cell) + 1;
    var start = new Int32Array(cols * rows + 1);
    var items = new Int32Array(drawn);

    function column(x) { return Math.min(cols - 1, Math.max(0, Math.floor(x / cell))); }
    function row(y) { return Math.min(rows - 1, Math.max(0, Math.floor(y / cell))); }

    for (i = 0; i < xs.length; i++) if (!isNaN(xs[i])) start[row(ys[i]) * cols + column(xs[i]) + 1]++;
    for (var c = 0; c < cols * rows; c++) start[c + 1] += start[c];
    var next = start.slice(0, cols * rows);
    for (i = 0; i < xs.length; i++) if (!isNaN(xs[i])) items[next[row(ys[i]) * cols + column(xs[i])]++] = i;

    // The node nearest to (x, y) no farther than radius, or -1.
    this.nearest = function (x, y, radius) {
      var best = -1;
      var bestDistance = radius * radius;
      for (var r = row(y - radius); r <= row(y + radius); r++) {
        for (var q = column(x - radius); q <= column(x + radius); q++) {
          for (var k = start[r * cols + q]; k < start[r * cols + q + 1]; k++) {
            var node = items[k];
            var dx = xs[node] - x;
            var dy = ys[node] - y;
            var distance = dx * dx + dy * dy;
            if (distance <= bestDistance) { bestDistance = distance; best = node; }
          }
        }
      }
      return best;
    };
  }

  function NetworkMap(data, figures) {
    var svg = document.getElementById('map');
    var view = document.getElementById('map-view');
    var box = document.getElementById('map-box');
    var tip = document.getElementById('tooltip');
    var focusMark = document.getElementById('focus-mark');
    var findStatus = document.getElementById('find-status');
    var width = svg.viewBox.baseVal.width;
    var height = svg.viewBox.baseVal.height;
    var baseDot = parseFloat(getComputedStyle(svg).getPropertyValue('--dot')) || 4;
    var count = data.ids.length;
    var xs = new Float64Array(count);
    var ys = new Float64Array(count);
    for (var i = 0; i < count; i++) {
      xs[i] = data.xy[2 * i] === null ? NaN : data.xy[2 * i];
      ys[i] = data.xy[2 * i + 1] === null ? NaN : data.xy[2 * i + 1];
    }
    var isSensor = new Uint8Array(count);
    data.sensors.forEach(function (n) { isSensor[n] = 1; });
    var grid = new GridIndex(xs, ys, width, height);
    var state = { k: 1, x: 0, y: 0 };      // the view shown: canvas -> viewBox is k * c + (x, y)
    var drawn = { k: 1, x: 0, y: 0 };      // the view the SVG itself is drawn at
    var gesture = null;                    // while dragging or wheeling: the screen mapping at its start
    var drag = null;
    var framePending = false;
    var settleTimer = 0;
    var pinned = -1;
    var tipNode = -1;
    var idIndex = null;

    // Redraws the SVG at the current view: costly for a large network, so
    // gestures only move the drawn picture and redraw once they end.
    function draw() {
      view.setAttribute('transform', 'translate(' + state.x.toFixed(3) + ' ' + state.y.toFixed(3) +
        ') scale(' + state.k.toFixed(5) + ')');
      view.style.setProperty('--inv', String(1 / state.k));
      svg.style.setProperty('--dot-now', String(baseDot * Math.min(2.2, Math.pow(state.k, 0.3))));
      drawn = { k: state.k, x: state.x, y: state.y };
      followPinned();
    }

    // A kept tooltip stays beside its node as the view changes.
    function followPinned() {
      if (pinned < 0) return;
      var c = toClient(xs[pinned], ys[pinned]);
      placeTip(c.x, c.y);
    }

    // During a gesture the browser's compositor moves and scales the picture
    // drawn at `drawn` so that it shows `state`, without redrawing the SVG.
    function showMoved() {
      var s = state.k / drawn.k;
      var tx = gesture.a * (state.x - s * drawn.x) + gesture.left * (1 - s);
      var ty = gesture.a * (state.y - s * drawn.y) + gesture.top * (1 - s);
      svg.style.transform = 'translate(' + tx.toFixed(2) + 'px,' + ty.toFixed(2) + 'px) scale(' + s.toFixed(5) + ')';
      followPinned();
    }

    function beginGesture() {
      if (gesture) return;
      var m = svg.getScreenCTM();
      var r = svg.getBoundingClientRect();
      gesture = { a: m.a, e: m.e, f: m.f, left: m.e - r.left, top: m.f - r.top };
    }

    function endGesture() {
      clearTimeout(settleTimer);
      if (!gesture) return;
      gesture = null;
      svg.style.transform = '';
      draw();
    }

    function schedule() {
      if (framePending) return;
      framePending = true;
      requestAnimationFrame(function () {
        framePending = false;
        if (gesture) showMoved(); else draw();
      });
    }

    // Changes the view at once (buttons, keys, finding a node).
    function jump(k, x, y) {
      endGesture();
      state.k = k; state.x = x; state.y = y;
      draw();
    }

    // The viewBox -> client mapping; fixed during a gesture, when the
    // element itself is transformed.
    function screen() {
      if (gesture) return gesture;
      var m = svg.getScreenCTM();
      return { a: m.a, e: m.e, f: m.f };
    }

    // Client (CSS pixel) coordinates to the canvas the map was drawn on.
    function toCanvas(clientX, clientY) {
      var m = screen();
      return {
        x: ((clientX - m.e) / m.a - state.x) / state.k,
        y: ((clientY - m.f) / m.a - state.y) / state.k,
        perPixel: 1 / (m.a * state.k)
      };
    }

    function toClient(x, y) {
      var m = screen();
      return { x: m.a * (x * state.k + state.x) + m.e, y: m.a * (y * state.k + state.y) + m.f };
    }

    function nodeAt(clientX, clientY) {
      var p = toCanvas(clientX, clientY);
      return grid.nearest(p.x, p.y, HOVER_PIXELS * p.perPixel);
    }

    // The view scaled by `factor` around a client point, as [k, x, y].
    function zoomedAt(clientX, clientY, factor) {
      var p = toCanvas(clientX, clientY);
      var k = Math.min(MAX_ZOOM, Math.max(MIN_ZOOM, state.k * factor));
      var m = screen();
      return [k, (clientX - m.e) / m.a - p.x * k, (clientY - m.f) / m.a - p.y * k];
    }

    function zoomAtCentre(factor) {
      var r = box.getBoundingClientRect();
      hideTip();
      jump.apply(null, zoomedAt(r.left + r.width / 2, r.top + r.height / 2, factor));
    }

    function resetView() {
      unpin();
      jump(1, 0, 0);
    }

    function figureLine(f, n) {
      var figure = data.figures[f];
      var value = figure.values[n];
      var line = document.createElement('div');
      if (f === figures.current) line.className = 'current';
      var name = document.createElement('span');
      name.textContent = figure.name + ': ';
      var text = document.createElement('b');
      text.textContent = value === null ? 'no value' : String(value) + (figure.unit ? ' ' + figure.unit : '');
      line.appendChild(name);
      line.appendChild(text);
      return line;
    }

    function showTip(n, clientX, clientY) {
      tipNode = n;
      tip.textContent = '';
      var title = document.createElement('div');
      title.className = 'tip-id';
      title.textContent = data.ids[n];
      tip.appendChild(title);
      var kind = document.createElement('div');
      kind.className = 'tip-kind';
      kind.textContent = (KIND_NAMES[data.kinds.charAt(n)] || 'Node') + (isSensor[n] ? ' \u00b7 chosen sensor' : '');
      tip.appendChild(kind);
      for (var f = 0; f < data.figures.length; f++) tip.appendChild(figureLine(f, n));
      placeTip(clientX, clientY);
    }

    function placeTip(clientX, clientY) {
      var area = box.getBoundingClientRect();
      tip.hidden = clientX < area.left || clientX > area.right || clientY < area.top || clientY > area.bottom;
      if (tip.hidden) return;
      var left = clientX - area.left + 14;
      var top = clientY - area.top + 14;
      if (left + tip.offsetWidth > area.width) left = Math.max(0, clientX - area.left - tip.offsetWidth - 14);
      if (top + tip.offsetHeight > area.height) top = Math.max(0, clientY - area.top - tip.offsetHeight - 14);
      tip.style.left = left + 'px';
      tip.style.top = top + 'px';
    }

    function hideTip() {
      if (pinned >= 0) return;
      tip.hidden = true;
      tipNode = -1;
    }

    function markFocus(n) {
      focusMark.setAttribute('transform', 'translate(' + xs[n] + ' ' + ys[n] + ')');
      focusMark.removeAttribute('display');
    }

    function pin(n) {
      pinned = n;
      markFocus(n);
      var c = toClient(xs[n], ys[n]);
      showTip(n, c.x, c.y);
    }

    function unpin() {
      pinned = -1;
      focusMark.setAttribute('display', 'none');
      hideTip();
    }

    // Centres the map on a node, zooms in and shows what is under it.
    function focusNode(n) {
      if (isNaN(xs[n])) {
        setStatus('Node ' + data.ids[n] + ' has no coordinates and is not on the map.');
        return;
      }
      setStatus('');
      var k = Math.max(state.k, FOCUS_ZOOM);
      jump(k, width / 2 - xs[n] * k, height / 2 - ys[n] * k);
      var c = toClient(xs[n], ys[n]);
      var under = nodeAt(c.x, c.y);
      pin(under >= 0 ? under : n);
    }

    function setStatus(text) {
      if (findStatus) findStatus.textContent = text;
    }

    // Letter case is ignored, as on the command line (ASCII letters only, as
    // the network's IDs are told apart).
    this.focusId = function (id) {
      if (!idIndex) {
        idIndex = new Map();
        data.ids.forEach(function (name, n) { if (!idIndex.has(foldCase(name))) idIndex.set(foldCase(name), n); });
      }
      var n = idIndex.get(foldCase(id.trim()));
      if (n === undefined) setStatus('No node with ID \u201c' + id + '\u201d.');
      else focusNode(n);
    };

    this.refreshTip = function () {
      if (tipNode < 0 || tip.hidden) return;
      var c = toClient(xs[tipNode], ys[tipNode]);
      showTip(tipNode, c.x, c.y);
    };

    box.addEventListener('pointerdown', function (e) {
      if (e.button !== 0) return;
      drag = { id: e.pointerId, sx: e.clientX, sy: e.clientY, x: state.x, y: state.y, moved: false };
      box.setPointerCapture(e.pointerId);
    });
    box.addEventListener('pointermove', function (e) {
      if (drag && drag.id === e.pointerId) {
        var dx = e.clientX - drag.sx;
        var dy = e.clientY - drag.sy;
        if (!drag.moved && dx * dx + dy * dy < 9) return;
        if (!drag.moved) { drag.moved = true; box.classList.add('dragging'); unpin(); beginGesture(); }
        state.x = drag.x + dx / gesture.a;
        state.y = drag.y + dy / gesture.a;
        schedule();
        return;
      }
      if (pinned >= 0 || gesture) return;
      var n = nodeAt(e.clientX, e.clientY);
      if (n >= 0) showTip(n, e.clientX, e.clientY); else hideTip();
    });
    function endDrag(e) {
      if (!drag || drag.id !== e.pointerId) return;
      var clicked = !drag.moved;
      drag = null;
      box.classList.remove('dragging');
      endGesture();
      if (!clicked || e.type !== 'pointerup') return;
      var n = nodeAt(e.clientX, e.clientY);
      if (n >= 0 && n !== pinned) pin(n); else unpin();
    }
    box.addEventListener('pointerup', endDrag);
    box.addEventListener('pointercancel', endDrag);
    box.addEventListener('pointerleave', function () { if (!drag) hideTip(); });
    box.addEventListener('wheel', function (e) {
      e.preventDefault();
      var perStep = e.deltaMode === 1 ? 0.05 : e.deltaMode === 2 ? 1 : 0.0015;
      beginGesture();
      hideTip();
      var next = zoomedAt(e.clientX, e.clientY, Math.exp(-e.deltaY * perStep));
      state.k = next[0]; state.x = next[1]; state.y = next[2];
      schedule();
      clearTimeout(settleTimer);
      settleTimer = setTimeout(endGesture, SETTLE_MS);
    }, { passive: false });
    box.addEventListener('dblclick', function (e) { jump.apply(null, zoomedAt(e.clientX, e.clientY, 2)); });
    // On the map's box, which a click focuses, and on the map, which Tab reaches.
    box.addEventListener('keydown', function (e) {
      var moves = { ArrowLeft: [80, 0], ArrowRight: [-80, 0], ArrowUp: [0, 80], ArrowDown: [0, -80] };
      if (e.key === '+' || e.key === '=') zoomAtCentre(1.5);
      else if (e.key === '-') zoomAtCentre(1 / 1.5);
      else if (e.key === '0') resetView();
      else if (e.key === 'Escape') unpin();
      else if (moves[e.key]) jump(state.k, state.x + moves[e.key][0], state.y + moves[e.key][1]);
      else return;
      e.preventDefault();
    });

    bind('zoom-in', function () { zoomAtCentre(1.6); });
    bind('zoom-out', function () { zoomAtCentre(1 / 1.6); });
    bind('zoom-fit', resetView);
    var findForm = document.getElementById('find-form');
    if (findForm) {
      findForm.addEventListener('submit', function (e) {
        e.preventDefault();
        var value = document.getElementById('find-input').value;
        if (value.trim()) this.focusId(value);
      }.bind(this));
    }
    Array.prototype.forEach.call(document.querySelectorAll('button[data-node]'), function (button) {
      button.addEventListener('click', function () {
        box.scrollIntoView({ block: 'nearest' });
        focusNode(Number(button.getAttribute('data-node')));
      });
    });

    draw();
  }

  function foldCase(text) {
    return text.replace(/[A-Z]/g, function (c) { return c.toLowerCase(); });
  }

  function bind(id, handler) {
    var element = document.getElementById(id);
    if (element) element.addEventListener('click', handler);
  }

  function commands(path) {
    var d = path.getAttribute('d') || '';
    var moves = 0;
    for (var i = 0; i < d.length; i++) if (d.charCodeAt(i) === 77) moves++;  // 'M'
    return moves;
  }

  function visibleCount(selector) {
    return Array.prototype.filter.call(document.querySelectorAll(selector), function (element) {
      var r = element.getBoundingClientRect();
      return r.width > 0 && r.height > 0;
    }).length;
  }

  // What the page drew, as the browser laid it out.
  function record(map, figures) {
    var set = function (name, value) { body.setAttribute('data-' + name, String(value)); };
    set('figure', figures.current);
    var select = document.getElementById('figure-select');
    set('figure-shown-in-choice', select ? select.value : '');
    set('legend-classes', visibleCount('.legend-figure:not([hidden]) .class-item'));
    set('curve-points', visibleCount('#curve .pt-value'));
    set('map', map ? 'drawn' : 'none');
    if (!map) return;
    var svg = document.getElementById('map');
    var area = svg.getBoundingClientRect();
    var nodes = 0;
    var layer = svg.querySelector('.figure-layer[data-figure="' + figures.current + '"]') ||
      svg.querySelector('.figure-layer');
    Array.prototype.forEach.call(layer.querySelectorAll('path'), function (p) { nodes += commands(p); });
    var links = 0;
    Array.prototype.forEach.call(svg.querySelectorAll('path.link'), function (p) { links += commands(p); });
    var inView = 0;
    var sensors = svg.querySelectorAll('.sensor');
    Array.prototype.forEach.call(sensors, function (sensor) {
      var r = sensor.querySelector('use').getBoundingClientRect();
      var x = r.left + r.width / 2;
      var y = r.top + r.height / 2;
      if (r.width > 0 && x >= area.left && x <= area.right && y >= area.top && y <= area.bottom) inView++;
    });
    var drawing = document.getElementById('map-view').getBoundingClientRect();
    set('map-nodes', nodes);
    set('map-links', links);
    set('map-symbols', visibleCount('#map .marks use'));
    set('map-sensors', sensors.length);
    set('sensors-in-view', inView);
    set('map-size', Math.round(drawing.width) + 'x' + Math.round(drawing.height));
    var tip = document.getElementById('tooltip');
    set('tooltip', tip.hidden ? '' : tip.textContent);
  }
})();
