#!/usr/bin/env bash
# The web crawl against wget's recursive spider on 127.0.0.1: the URLs each
# finds and the wall time each takes.
# Usage: bench/crawl_vs_wget.sh [PAGES] [BUILD-DIR]
#          a generated site of PAGES pages (default 2000)
#        bench/crawl_vs_wget.sh --python-docs [BUILD-DIR]
#          a real documentation tree: Python's HTML documentation (Debian
#          python3.11-doc, /usr/share/doc/python3.11/html) served by
#          `python3 -m http.server`; times are hyperfine medians
# BUILD-DIR defaults to build (a Release build). The crawl is timed as
# `ordanou --crawl` and as ordano_crawl_urls, a small tool that runs only the
# crawl (printing the URLs it lists). With --python-docs the link extractor
# alone is timed too over the same pages (ordano_extract_links, which also
# checks it against the former extractor).
set -euo pipefail
mode=generated
if [ "${1:-}" = "--python-docs" ]; then
  mode=python-docs
  shift
  pages=
else
  pages=${1:-2000}
  shift || true
fi
if [ -n "${1:-}" ]; then export ORDANO_BUILD_DIR="$1"; fi
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
bench_build ordano_crawl_urls ordanou ordano_extract_links
for tool in python3 wget; do
  command -v "$tool" >/dev/null || { echo "bench: $tool is not installed" >&2; exit 1; }
done
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY ALL_PROXY all_proxy

if [ "$mode" = python-docs ]; then
  docs=
  for d in /usr/share/doc/python3.11/html /usr/share/doc/python3/html /usr/share/doc/python3*/html; do
    [ -f "$d/index.html" ] && { docs=$d; break; }
  done
  [ -n "$docs" ] || { echo "bench: no Python HTML documentation (Debian: python3.11-doc)" >&2; exit 1; }
  command -v hyperfine >/dev/null || { echo "bench: hyperfine is not installed" >&2; exit 1; }
  port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  python3 -m http.server --bind 127.0.0.1 --directory "$docs" "$port" >/dev/null 2>&1 &
  server_pid=$!
  trap 'kill "$server_pid" 2>/dev/null || true; bench_cleanup' EXIT
  for _ in $(seq 100); do
    python3 -c "import socket; socket.create_connection(('127.0.0.1', $port), 1)" 2>/dev/null && break
    sleep 0.1
  done
  start="http://127.0.0.1:$port/"
  mkdir -p "$work/wget" "$work/out" "$work/home"
  wget_cmd="cd '$work/wget' && wget --spider -r -np -nv '$start' >/dev/null 2>&1 || true"
  crawl_cmd="'$build/bench/ordano_crawl_urls' '$start' >/dev/null 2>&1"
  ordanou_cmd="ORDANO_HOME='$work/home' '$build/ordanou' --yes --crawl '$start' /O:'$work/out' /F:c.txt >/dev/null 2>&1"
  # The URL sets, from one run of each.
  (cd "$work/wget" && wget --spider -r -np -nv "$start" 2> "$work/wget.log" >/dev/null) || true
  "$build/bench/ordano_crawl_urls" "$start" > "$work/crawl.txt" 2> "$work/crawl.err"
  grep -o 'URL: *[^ ]*' "$work/wget.log" | sed 's/^URL: *//' | grep -v '/robots.txt$' | sort -u > "$work/wget.txt"
  sort -u "$work/crawl.txt" > "$work/crawl.sorted"
  comm -23 "$work/wget.txt" "$work/crawl.sorted" > "$work/missing.txt"
  hyperfine --warmup 1 --runs "${RUNS:-5}" --export-json "$work/times.json" \
    -n wget "$wget_cmd" -n crawl "$crawl_cmd" -n ordanou "$ordanou_cmd" >&2
  status=0
  python3 - "$docs" "$work/times.json" "$(wc -l < "$work/wget.txt")" \
    "$(wc -l < "$work/crawl.sorted")" "$(wc -l < "$work/missing.txt")" "$(cat "$work/crawl.err")" \
    <<'PY' || status=$?
import json, sys
docs, times = sys.argv[1], json.load(open(sys.argv[2]))
wget_n, crawl_n, missing, crawl_err = int(sys.argv[3]), int(sys.argv[4]), int(sys.argv[5]), sys.argv[6]
med = {r["command"]: r["median"] for r in times["results"]}
print("site: %s" % docs)
print("URLs: wget %d, crawl %d, found by wget but not by the crawl %d" % (wget_n, crawl_n, missing))
print("crawl: %s" % crawl_err.strip())
print("median wall time: wget %.3f s, crawl %.3f s (ratio %.2f), ordanou --crawl %.3f s (ratio %.2f)"
      % (med["wget"], med["crawl"], med["crawl"] / med["wget"], med["ordanou"], med["ordanou"] / med["wget"]))
ok = missing == 0 and med["crawl"] <= 0.4 * med["wget"] and med["ordanou"] <= 0.4 * med["wget"]
print("result: %s (target: none missing, ratio <= 0.4)" % ("ok" if ok else "NOT MET"))
sys.exit(0 if ok else 1)
PY
  head -20 "$work/missing.txt"
  "$build/bench/ordano_extract_links" 5 "$docs" || status=1
  exit $status
fi

server_pid=
cleanup() {
  exec 3>&- 2>/dev/null || true  # the server ends when its input closes
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
  bench_cleanup
}
trap cleanup EXIT

# The site: an index, 20 sections, the pages spread over them; every page
# links to its neighbours, its section, an image, the stylesheet, a page
# outside the start folder and another host. Everything lies within depth 3,
# inside wget's default recursion depth of 5.
python3 - "$work/site/www" "$pages" <<'PY'
import os, sys
root, pages = sys.argv[1], int(sys.argv[2])
sections = 20
per = (pages + sections - 1) // sections
os.makedirs(root + "/img", exist_ok=True)
def write(rel, text):
    path = os.path.join(root, rel)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w") as f:
        f.write(text)
write("style.css", "body{background:url(img/bg.png)} h1{background:url('img/h1.gif')}\n")
for name in ("bg.png", "h1.gif"):
    write("img/" + name, "x" * 100)
links = "".join('<li><a href="s%02d/index.html">section %d</a></li>' % (s, s) for s in range(sections))
write("index.html", '<html><head><title>bench</title><link rel="stylesheet" href="style.css"></head>'
      '<body><ul>%s</ul><a href="../outside.html">up</a></body></html>' % links)
n = 0
for s in range(sections):
    count = min(per, pages - n)
    items = "".join('<li><a href="p%04d.html">page %d</a></li>' % (i, i) for i in range(count))
    write("s%02d/index.html" % s, '<html><head><title>section %d</title></head><body><ul>%s</ul>'
          '<a href="../index.html">top</a></body></html>' % (s, items))
    for i in range(count):
        body = ('<html><head><title>page %d/%d</title><link rel="stylesheet" href="../style.css">'
                '</head><body><h1>Page %d</h1><p>%s</p>' % (s, i, i, "text " * 40))
        if i > 0:
            body += '<a href="p%04d.html">prev</a>' % (i - 1)
        if i + 1 < count:
            body += '<a href="p%04d.html">next</a>' % (i + 1)
        body += ('<a href="index.html">section</a><img src="../img/p%d.png" alt="">'
                 '<a href="http://other.invalid/x.html">away</a></body></html>' % (i % 50))
        write("s%02d/p%04d.html" % (s, i), body)
    n += count
for i in range(50):
    write("img/p%d.png" % i, "p" * 200)
PY

mkfifo "$work/hold"
python3 "$here/tests/crawl_server/server.py" "$work/site" "$work/requests.log" "" \
  > "$work/port" 2>/dev/null < "$work/hold" &
server_pid=$!
exec 3> "$work/hold"
for _ in $(seq 100); do grep -q PORT "$work/port" 2>/dev/null && break; sleep 0.1; done
port=$(awk '/PORT/ {print $2}' "$work/port")
start="http://127.0.0.1:$port/www/index.html"

now() { date +%s.%N; }
t0=$(now)
(cd "$work" && wget --spider -r -np -nv "$start" 2> "$work/wget.log" >/dev/null) || true
t1=$(now)
"$build/bench/ordano_crawl_urls" "$start" > "$work/crawl.txt" 2> "$work/crawl.err"
t2=$(now)
ordanou_time=
mkdir -p "$work/out" "$work/home"
if [ -x "$build/ordanou" ]; then
  t3=$(now)
  ORDANO_HOME="$work/home" "$build/ordanou" --crawl "$start" /O:"$work/out" /F:c.txt \
    >/dev/null 2>"$work/ordanou.err"
  t4=$(now)
  ordanou_time=$(python3 -c "print('%.3f' % ($t4 - $t3))")
fi

grep -o 'URL: *[^ ]*' "$work/wget.log" | sed 's/^URL: *//' | grep -v '/robots.txt$' | sort -u > "$work/wget.txt"
sort -u "$work/crawl.txt" > "$work/crawl.sorted"
missing=$(comm -23 "$work/wget.txt" "$work/crawl.sorted" | wc -l)
python3 - "$t0" "$t1" "$t2" "$ordanou_time" "$(wc -l < "$work/wget.txt")" \
  "$(wc -l < "$work/crawl.sorted")" "$missing" "$(cat "$work/crawl.err")" <<'PY'
import sys
t0, t1, t2 = (float(x) for x in sys.argv[1:4])
ordanou = sys.argv[4]
wget_n, crawl_n, missing, crawl_err = int(sys.argv[5]), int(sys.argv[6]), int(sys.argv[7]), sys.argv[8]
wget_t, crawl_t = t1 - t0, t2 - t1
print("URLs: wget %d, crawl %d, found by wget but not by the crawl %d" % (wget_n, crawl_n, missing))
print("crawl: %s" % crawl_err.strip())
print("wall time: wget %.3f s, crawl %.3f s (ratio %.2f)" % (wget_t, crawl_t, crawl_t / wget_t))
if ordanou:
    print("wall time: ordanou --crawl with its catalogue %s s (ratio %.2f)" % (ordanou, float(ordanou) / wget_t))
ok = missing == 0 and crawl_t <= wget_t and (not ordanou or float(ordanou) <= wget_t)
print("result: %s" % ("ok" if ok else "NOT MET"))
sys.exit(0 if ok else 1)
PY
comm -23 "$work/wget.txt" "$work/crawl.sorted" | head -5
