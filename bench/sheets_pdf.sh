#!/bin/bash
# Times `mirvak --start 1 --end 100 --pdf FILE`: generation, 300 pages
# recorded, composed and written. Prints the median wall time of RUNS runs,
# the highest peak memory and the file size.
#   bench/sheets_pdf.sh [MIRVAK_BINARY] [RUNS]
set -euo pipefail
bin=${1:-build/mirvak}
runs=${2:-7}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$dir}
for ((i = 0; i < runs; i++)); do
  /usr/bin/time -f "%e %M" -o "$dir/t$i" "$bin" --start 1 --end 100 --pdf "$dir/sheets.pdf" >/dev/null 2>&1
done
cat "$dir"/t* | sort -n | awk -v n="$runs" -v size="$(stat -c %s "$dir/sheets.pdf")" -v pages="$(pdfinfo "$dir/sheets.pdf" | awk '/^Pages:/ {print $2}')" '
  { t[NR] = $1; if ($2 > mem) mem = $2 }
  END { printf "runs %d  wall median %.2f s (min %.2f, max %.2f)  peak %.1f MB  file %.0f KB  pages %d\n",
               n, t[int((n + 1) / 2)], t[1], t[n], mem / 1024, size / 1024, pages }'
