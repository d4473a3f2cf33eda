#!/usr/bin/env bash
# --compare of two JSON catalogues of ROWS rows each against jq reading both.
# The catalogues are generated in the program's JSON form (with MD5); the
# second differs from the first in every thousandth row.
# Usage: bench/compare_vs_jq.sh [ROWS] [RUNS]   (default 1000000 rows, 5 runs)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
rows=${1:-1000000}
runs=${2:-5}
bench_build ordanou
command -v jq >/dev/null || { echo "jq missing: scripts/deps.sh --bench" >&2; exit 1; }
python3 - "$rows" "$work" <<'PY'
import hashlib, sys
rows, work = int(sys.argv[1]), sys.argv[2]
for which in ("old", "new"):
    with open(f"{work}/{which}.json", "w") as f:
        f.write('{"format":"ordano-catalogue","version":1,"file_count":%d,"total_size":0,'
                '"total_size_text":"0","md5":true,"entries":[' % rows)
        for i in range(rows):
            size = i % 100000
            if which == "new" and i % 1000 == 0:
                size += 1
            folder = "/srv/photos/d%04d/sub%06d" % (i // 10000, i // 100)
            md5 = hashlib.md5(str(size + i).encode()).hexdigest()
            f.write(('\n' if i == 0 else ',\n') +
                    '{"folder":"%s","name":"file_%07d.jpg","placeholder":false,"size":%d,'
                    '"size_text":"%d","modified":"2024-05-01T13:05:09+09:00",'
                    '"created":"2024-05-01T13:05:09+09:00","md5":"%s","depth":3,'
                    '"link_path":"%s/file_%07d.jpg","title":""}' % (folder, i, size, size, md5, folder, i))
        f.write("\n]}\n")
PY
ls -l "$work"/*.json
cat "$work"/*.json >/dev/null
hyperfine --style basic --warmup 1 --runs "$runs" -i --export-csv "$work/result.csv" \
  -n compare "$build/ordanou --compare $work/old.json $work/new.json >/dev/null" \
  -n jq "jq -c '.entries|length' $work/old.json $work/new.json >/dev/null"
awk -F, '$1=="compare"{a=$4} $1=="jq"{b=$4}
  END{printf "median compare %.3f s, jq %.3f s: ratio %.2f (target < 3)\n", a, b, a/b}' "$work/result.csv"
/usr/bin/time -f "compare: max RSS %M KiB" "$build/ordanou" --compare "$work/old.json" "$work/new.json" >/dev/null || true
