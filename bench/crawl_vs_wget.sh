#!/usr/bin/env bash
# The web crawl against wget's recursive spider on a generated site of 2,000
# pages served on 127.0.0.1: the URLs each finds and the wall time each takes.
# Usage: bench/crawl_vs_wget.sh [PAGES] [BUILD-DIR]
#   PAGES defaults to 2000; BUILD-DIR to build (a Release build).
# The crawl is timed as `ordanou --crawl` when the binary has it, and always as
# a small tool that runs only the crawl (printing the URLs it lists).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
pages=${1:-2000}
build=${2:-$here/build}
for tool in python3 wget; do
  command -v "$tool" >/dev/null || { echo "bench: $tool is not installed" >&2; exit 1; }
done

cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target ordano_core >/dev/null
cmake --build "$build" --target ordanou >/dev/null 2>&1 || true

work=$(mktemp -d)
server_pid=
cleanup() {
  exec 3>&- 2>/dev/null || true  # the server ends when its input closes
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# The crawl alone: every listed URL on stdout.
cat >"$work/crawl_urls.cpp" <<'CPP'
#include <cstdio>
#include <memory>
#include "crawler/crawl.h"
#include "platform/unicode.h"
#include "scan/app_context.h"
namespace {
struct QuietHost : ordano::RunHost {
  void Pump(ordano::RunState&, int) override {}
  ordano::MsgAnswer MessageBox(std::u16string_view text, std::u16string_view, ordano::MsgIcon,
                               ordano::MsgButtons) override {
    std::fprintf(stderr, "%s\n", ordano::Utf16ToUtf8(text).c_str());
    return ordano::MsgAnswer::No;
  }
  std::optional<ordano::SaveDialogState> SaveDialog(const ordano::SaveDialogState&) override {
    return std::nullopt;
  }
  bool SetClipboardText(std::u16string_view) override { return false; }
  void OpenWithDefaultProgram(const std::string&, const std::string&) override {}
};
}  // namespace
int main(int argc, char** argv) {
  if (argc != 2) return 2;
  auto ctx = std::make_unique<ordano::AppContext>();
  QuietHost host;
  ctx->host = &host;
  ordano::CrawlResult result;
  ordano::CrawlSite(*ctx, ordano::Utf8ToUtf16(argv[1]), nullptr, result);
  for (const auto& item : result.items) std::printf("%s\n", ordano::Utf16ToUtf8(item.url).c_str());
  std::fprintf(stderr, "pages fetched: %d\n", result.pagesFetched);
  return result.items.empty() ? 1 : 0;
}
CPP
"${CXX:-g++}" -std=c++20 -O2 -I"$here/src" "$work/crawl_urls.cpp" "$build/libordano_core.a" \
  -lcurl -larchive -lz -pthread -o "$work/crawl_urls"

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
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY ALL_PROXY all_proxy

now() { date +%s.%N; }
t0=$(now)
(cd "$work" && wget --spider -r -np -nv "$start" 2> "$work/wget.log" >/dev/null) || true
t1=$(now)
"$work/crawl_urls" "$start" > "$work/crawl.txt" 2> "$work/crawl.err"
t2=$(now)
ordanou_time=
mkdir -p "$work/out" "$work/home"
if [ -x "$build/ordanou" ] &&
   ! ORDANO_HOME="$work/home" "$build/ordanou" --crawl "" 2>&1 | grep -q "not available"; then
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
