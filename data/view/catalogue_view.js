// The searchable catalogue page. The catalogue sits in #ordano-data as JSON
// (folders front-coded, rows as runs of one folder, names/sizes/times as
// columns); every text reaches the page through textContent or a property,
// never as markup. Only the rows in view are in the DOM.
(function () {
  'use strict';
  var RH = 20; // row height in pixels, as in the style
  var D = JSON.parse(document.getElementById('ordano-data').textContent);
  var names = D.names, sizes = D.sizes, times = D.times, n = names.length;

  // Folders: full texts from the front coding.
  var nf = D.folders.length / 2, folders = new Array(nf), prev = '';
  for (var i = 0; i < nf; i++) {
    prev = prev.slice(0, D.folders[2 * i]) + D.folders[2 * i + 1];
    folders[i] = prev;
  }
  var folderOf = new Int32Array(n), fileCount = new Float64Array(nf), fileBytes = new Float64Array(nf);
  var runsOf = [];
  for (i = 0; i < nf; i++) runsOf.push([]);
  for (var r = 0, at = 0; r < D.runs.length; r += 2) {
    var f = D.runs[r], c = D.runs[r + 1];
    if (c > 0) runsOf[f].push(at, c);
    for (var k = at; k < at + c; k++) { folderOf[k] = f; fileBytes[f] += sizes[k]; }
    fileCount[f] += c;
    at += c;
  }

  // The tree: a folder's parent is the nearest listed folder above it.
  var byPath = new Map();
  folders.forEach(function (p, idx) { byPath.set(p, idx); });
  var parent = new Int32Array(nf).fill(-1), children = [], tops = [];
  for (i = 0; i < nf; i++) children.push([]);
  for (i = 0; i < nf; i++) {
    var p = folders[i].replace(/\/+$/, '');
    for (var cut = p.lastIndexOf('/'); cut >= 0; cut = p.lastIndexOf('/')) {
      p = p.slice(0, cut);
      var hit = byPath.has(p) ? byPath.get(p) : byPath.get(p + '/');
      if (hit === undefined && cut === 0) hit = byPath.get('/');
      if (hit !== undefined && hit !== i) { parent[i] = hit; break; }
    }
    if (parent[i] < 0) tops.push(i); else children[parent[i]].push(i);
  }
  var byName = function (a, b) { return folders[a] < folders[b] ? -1 : folders[a] > folders[b] ? 1 : 0; };
  tops.sort(byName);
  children.forEach(function (list) { list.sort(byName); });
  // Totals with every folder below.
  var allCount = Float64Array.from(fileCount), allBytes = Float64Array.from(fileBytes);
  var depth = new Int32Array(nf), order = [];
  for (i = 0; i < nf; i++) { for (var q = parent[i]; q >= 0; q = parent[q]) depth[i]++; order.push(i); }
  order.sort(function (a, b) { return depth[b] - depth[a]; });
  order.forEach(function (x) {
    if (parent[x] >= 0) { allCount[parent[x]] += allCount[x]; allBytes[parent[x]] += allBytes[x]; }
  });

  var el = function (tag, cls, text) {
    var e = document.createElement(tag);
    if (cls) e.className = cls;
    if (text !== undefined) e.textContent = text;
    return e;
  };
  var digits = function (v) { return String(v).replace(/\B(?=(\d{3})+(?!\d))/g, ','); };
  var two = function (v) { return v < 10 ? '0' + v : '' + v; };
  var dateText = function (k) {
    if (!times[k]) return '';
    var d = new Date((D.t0 + times[k]) * 1000);
    return d.getUTCFullYear() + '-' + two(d.getUTCMonth() + 1) + '-' + two(d.getUTCDate()) + ' ' +
      two(d.getUTCHours()) + ':' + two(d.getUTCMinutes()) + ':' + two(d.getUTCSeconds());
  };
  var md5Text = function (k) {
    var m = D.md5s.substr(32 * k, 32);
    return m.charAt(0) === '-' ? '' : m;
  };
  // A file's address: its folder's head and its name, each path segment
  // percent-encoded; an address with a web scheme is kept as it is.
  var linkOf = function (k) {
    var whole = D.linkx[k];
    if (whole === undefined) whole = D.heads[folderOf[k]] + names[k];
    if (/^(https?|ftp):\/\//i.test(whole)) return whole;
    return whole.split('/').map(encodeURIComponent).join('/');
  };
  var leafName = function (f) {
    var p = parent[f];
    if (p < 0) return folders[f];
    var s = folders[f].slice(folders[p].length);
    return s.replace(/^\/+/, '') || folders[f];
  };

  // The page.
  var bar = el('div'); bar.id = 'bar';
  var h1 = el('h1', '', D.title); bar.appendChild(h1);
  var box = el('input'); box.id = 'q'; box.type = 'search'; box.placeholder = '名前で検索';
  bar.appendChild(box);
  var main = el('div'); main.id = 'main';
  var tree = el('div'); tree.id = 'tree';
  var right = el('div'); right.id = 'right';
  var head = el('div'); head.id = 'head';
  var cols = el('div'); cols.id = 'cols';
  var list = el('div'); list.id = 'list';
  var spacer = el('div'); spacer.id = 'spacer'; list.appendChild(spacer);
  right.appendChild(head); right.appendChild(cols); right.appendChild(list);
  main.appendChild(tree); main.appendChild(right);
  var perf = el('div'); perf.id = 'ordano-perf';
  document.body.appendChild(bar); document.body.appendChild(main); document.body.appendChild(perf);
  document.title = D.title + ' - おるだの♪';

  // The list: a folder's files or the search's hits, as file numbers.
  var view = { rows: new Int32Array(0), search: false, folder: -1, key: 'name', dir: 1, mark: -1 };
  var columns = function () {
    var c = [['name', '名前']];
    if (view.search) c.push(['folder', 'フォルダ']);
    c.push(['size', 'サイズ'], ['time', '更新日時']);
    if (D.md5) c.push(['md5', 'MD5']);
    return c;
  };
  var drawColumns = function () {
    cols.textContent = '';
    var c = columns(), widths = [];
    c.forEach(function (col) {
      var s = el('span', col[0] === view.key ? (view.dir > 0 ? 'asc' : 'desc') : '', col[1]);
      s.onclick = function () { sortBy(col[0]); };
      cols.appendChild(s);
      widths.push(col[0] === 'name' || col[0] === 'folder' ? 'minmax(8em,1fr)'
        : col[0] === 'md5' ? '22em' : col[0] === 'time' ? '11em' : '8em');
    });
    right.style.setProperty('--cols', widths.join(' '));
  };
  var keyOf = {
    name: function (k) { return names[k]; },
    folder: function (k) { return folders[folderOf[k]]; },
    size: function (k) { return sizes[k]; },
    time: function (k) { return times[k]; },
    md5: function (k) { return md5Text(k); }
  };
  var sortBy = function (key) {
    view.dir = view.key === key ? -view.dir : 1;
    view.key = key;
    applySort();
    drawColumns();
    list.scrollTop = 0;
    drawRows();
  };
  var applySort = function () {
    var get = keyOf[view.key], dir = view.dir;
    var a = Array.from(view.rows);
    a.sort(function (x, y) {
      var u = get(x), v = get(y);
      return u < v ? -dir : u > v ? dir : x - y;
    });
    view.rows = Int32Array.from(a);
  };
  var drawn = [];
  var drawRows = function () {
    var total = view.rows.length;
    spacer.style.height = total * RH + 'px';
    var first = Math.max(0, Math.floor(list.scrollTop / RH) - 5);
    var last = Math.min(total, first + Math.ceil((list.clientHeight || 600) / RH) + 10);
    drawn.forEach(function (e) { e.remove(); });
    drawn = [];
    var c = columns();
    for (var j = first; j < last; j++) {
      var k = view.rows[j], row = el('div', k === view.mark ? 'row hit' : 'row');
      row.style.top = j * RH + 'px';
      row.setAttribute('data-file', k);
      c.forEach(function (col) {
        var cell;
        if (col[0] === 'name') {
          if (D.links) {
            cell = el('span');
            var a = el('a', '', names[k]);
            a.href = linkOf(k);
            cell.appendChild(a);
          } else {
            cell = el('span', 'name', names[k]);
          }
        } else if (col[0] === 'folder') {
          cell = el('span', 'fold', folders[folderOf[k]]);
          cell.onclick = (function (file) { return function () { reveal(file); }; })(k);
        } else if (col[0] === 'size') {
          cell = el('span', 'num', digits(sizes[k]));
        } else if (col[0] === 'time') {
          cell = el('span', '', dateText(k));
        } else {
          cell = el('span', 'md5', md5Text(k));
        }
        row.appendChild(cell);
      });
      spacer.appendChild(row);
      drawn.push(row);
    }
  };
  list.addEventListener('scroll', function () { drawRows(); });
  window.addEventListener('resize', function () { drawRows(); });

  // The tree: only the children of opened folders are in the DOM.
  var open = new Uint8Array(nf), nodeOf = new Map();
  var drawTree = function () {
    tree.textContent = '';
    nodeOf.clear();
    var add = function (f, level) {
      var node = el('div', f === view.folder && !view.search ? 'node sel' : 'node');
      node.style.paddingLeft = 6 + level * 14 + 'px';
      node.appendChild(el('span', 'tw', children[f].length ? (open[f] ? '\u25BE' : '\u25B8') : ''));
      node.appendChild(el('span', 'fn', leafName(f)));
      node.appendChild(el('span', 'tot', digits(allCount[f]) + ' 個'));
      node.onclick = function () {
        if (f === view.folder && !view.search) open[f] ^= 1; else open[f] = 1;
        showFolder(f);
      };
      tree.appendChild(node);
      nodeOf.set(f, node);
      if (open[f]) children[f].forEach(function (ch) { add(ch, level + 1); });
    };
    tops.forEach(function (t) { add(t, 0); });
  };
  var folderRows = function (f) {
    var runs = runsOf[f], out = new Int32Array(fileCount[f]), w = 0;
    for (var j = 0; j < runs.length; j += 2)
      for (var k = runs[j]; k < runs[j] + runs[j + 1]; k++) out[w++] = k;
    return out;
  };
  var setHash = function (params) {
    var h = '#' + new URLSearchParams(params).toString();
    if (location.hash !== h) history.replaceState(null, '', h);
  };
  var showFolder = function (f, markFile) {
    view.search = false;
    view.folder = f;
    view.rows = folderRows(f);
    view.mark = markFile === undefined ? -1 : markFile;
    if (view.key !== 'name' || view.dir !== 1) applySort();
    for (var p = parent[f]; p >= 0; p = parent[p]) open[p] = 1;
    head.textContent = folders[f] + ' \u2014 ' + digits(fileCount[f]) + ' 個 ' +
      digits(fileBytes[f]) + ' Byte（下のフォルダも含め ' + digits(allCount[f]) + ' 個 ' +
      digits(allBytes[f]) + ' Byte）';
    drawTree();
    drawColumns();
    var pos = markFile === undefined ? 0 : view.rows.indexOf(markFile);
    list.scrollTop = Math.max(0, pos * RH - list.clientHeight / 2);
    drawRows();
    var node = nodeOf.get(f);
    if (node && node.scrollIntoView) node.scrollIntoView({ block: 'nearest' });
    setHash({ f: folders[f] });
  };
  var reveal = function (k) { box.value = ''; showFolder(folderOf[k], k); };

  // Search: substring of the name, case-insensitive, over all files. The
  // lower-case names are joined once (right after the first folder is shown);
  // a hit's file is found by its offset.
  var hay = null, starts = null;
  var buildIndex = function () {
    var begin = performance.now(), pos = 0, k;
    starts = new Float64Array(n + 1);
    for (k = 0; k < n; k++) { starts[k] = pos; pos += names[k].length + 1; }
    starts[n] = pos;
    hay = names.join('\u0000').toLowerCase();
    if (hay.length !== Math.max(0, pos - 1)) {
      // A name whose lower case is longer or shorter (U+0130): one at a time.
      var parts = new Array(n);
      for (pos = 0, k = 0; k < n; k++) { parts[k] = names[k].toLowerCase(); starts[k] = pos; pos += parts[k].length + 1; }
      starts[n] = pos;
      hay = parts.join('\u0000');
    }
    perf.setAttribute('data-index-ms', (performance.now() - begin).toFixed(1));
  };
  var fileAt = function (offset) {
    var lo = 0, hi = n - 1;
    while (lo < hi) { var mid = (lo + hi + 1) >> 1; if (starts[mid] <= offset) lo = mid; else hi = mid - 1; }
    return lo;
  };
  var search = function (text) {
    if (hay === null && text) buildIndex();
    performance.mark('ordano-search-start');
    var t = text.toLowerCase();
    if (!t) { showFolder(view.folder >= 0 ? view.folder : tops[0]); return; }
    var hits = [];
    for (var at = hay.indexOf(t); at >= 0; ) {
      var k = fileAt(at);
      hits.push(k);
      at = hay.indexOf(t, starts[k + 1]);
    }
    view.search = true;
    view.rows = Int32Array.from(hits);
    view.mark = -1;
    if (view.key !== 'name' || view.dir !== 1) applySort();
    head.textContent = '「' + text + '」の検索結果 ' + digits(hits.length) + ' 個';
    drawTree();
    drawColumns();
    list.scrollTop = 0;
    drawRows();
    performance.mark('ordano-search-done');
    var m = performance.measure('ordano-search', 'ordano-search-start', 'ordano-search-done');
    perf.setAttribute('data-search-ms', m.duration.toFixed(1));
    perf.setAttribute('data-search-hits', hits.length);
    setHash({ q: text });
  };
  var timer = 0;
  box.addEventListener('input', function () {
    clearTimeout(timer);
    timer = setTimeout(function () { search(box.value); }, 150);
  });

  // #q=text opens a search, #f=folder a folder.
  var follow = function () {
    var h = new URLSearchParams(location.hash.slice(1));
    var q = h.get('q'), f = h.get('f');
    if (q) { box.value = q; search(q); return; }
    var idx = f !== null && byPath.has(f) ? byPath.get(f) : tops.length ? tops[0] : -1;
    if (idx >= 0) { if (f === null) open[idx] = 1; showFolder(idx); }
  };
  window.addEventListener('hashchange', follow);
  var wanted = location.hash;
  var startFolder = tops.length ? tops[0] : -1;
  if (startFolder >= 0) { open[startFolder] = 1; showFolder(startFolder); }
  performance.mark('ordano-first-folder');
  perf.setAttribute('data-first-folder-ms', performance.now().toFixed(1));
  perf.setAttribute('data-files', n);
  if (wanted.length > 1) { history.replaceState(null, '', wanted); follow(); }
  if (hay === null) setTimeout(function () { if (hay === null) buildIndex(); }, 0);
  perf.setAttribute('data-ready', '1');
})();
