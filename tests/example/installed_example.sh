#!/usr/bin/env bash
# Builds examples/letter against an installed Mirvak, the way another project
# would, runs it to a PDF (and, given a spooler folder, on the spooler's
# "Office Laser") and reads the letter back with poppler-utils.
#
#   installed_example.sh BUILD_DIR SOURCE_DIR WORK_DIR [CUPS_DIR] [-- CMAKE_ARGS...]
#
# BUILD_DIR is the Mirvak build that is installed into WORK_DIR/prefix;
# CUPS_DIR is the private spooler of tests/cups/cupsd.sh (its jobs land in
# CUPS_DIR/out). CMAKE_ARGS go to the example's configuration.
set -euo pipefail

build=$(cd "${1:?usage: installed_example.sh BUILD_DIR SOURCE_DIR WORK_DIR [CUPS_DIR] [-- CMAKE_ARGS...]}" && pwd)
src=$(cd "${2:?source folder}" && pwd)
work=${3:?work folder}
shift 3
cups=
if [ $# -gt 0 ] && [ "$1" != -- ]; then
  cups=$1
  shift
fi
[ $# -gt 0 ] && [ "$1" = -- ] && shift
extra=("$@")

fail() { echo "FAIL: $*" >&2; exit 1; }

rm -rf "$work"
mkdir -p "$work"
work=$(cd "$work" && pwd)
prefix=$work/prefix

# 1. Install, then build the example on its own against the prefix. The
#    package registries are off and the build tree is not on any search
#    path, so only the installed package can be found.
cmake --install "$build" --prefix "$prefix" > "$work/install.log" ||
  { cat "$work/install.log" >&2; fail "cmake --install"; }
launcher=()
command -v ccache > /dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
if ! cmake -S "$src/examples/letter" -B "$work/build" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_PREFIX_PATH="$prefix" \
    -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF \
    -DCMAKE_FIND_USE_SYSTEM_PACKAGE_REGISTRY=OFF \
    "${launcher[@]}" "${extra[@]}" > "$work/configure.log" 2>&1; then
  cat "$work/configure.log" >&2
  fail "the example does not configure against the installed package"
fi
found=$(sed -n 's/^Mirvak_DIR:PATH=//p' "$work/build/CMakeCache.txt")
case "$found" in
  "$prefix"/*) ;;
  *) fail "Mirvak was found in '$found', not under $prefix" ;;
esac
cmake --build "$work/build" -j2 > "$work/build.log" 2>&1 || { cat "$work/build.log" >&2; fail "the example does not build"; }
# Nothing of Mirvak's source or build tree on the example's command lines.
if cat "$work/build/CMakeFiles/letter.dir/flags.make" "$work/build/CMakeFiles/letter.dir/link.txt" |
    sed "s#$work##g" | grep -E "$src/(preview|printer|ui|app)|$build"; then
  fail "the example was compiled or linked against Mirvak's tree, not the installed package"
fi
letter=$work/build/letter
# The example never names the preview window; the package's link options
# still bring the window in, so that its doc.ShowModal() would show it.
nm "$letter" | grep -w mirvak_preview_form_registered >/dev/null ||
  fail "the preview window is not linked into a program built against the installed package"

# 2. The letter's text and picture, read back from a PDF.
words_in() { # pdf x1 x2 y1 y2 (paper units) x|y: the words whose middle lies in the box, in order
  pdftotext -bbox "$1" - | awk -v x1="$2" -v x2="$3" -v y1="$4" -v y2="$5" -v key="$6" '
    /<word / {
      match($0, /xMin="[^"]*"/); xmin = substr($0, RSTART + 6, RLENGTH - 7)
      match($0, /xMax="[^"]*"/); xmax = substr($0, RSTART + 6, RLENGTH - 7)
      match($0, /yMin="[^"]*"/); ymin = substr($0, RSTART + 6, RLENGTH - 7)
      match($0, /yMax="[^"]*"/); ymax = substr($0, RSTART + 6, RLENGTH - 7)
      text = $0; sub(/.*">/, "", text); sub(/<\/word>.*/, "", text)
      u = 254 / 72; cx = (xmin + xmax) / 2 * u; cy = (ymin + ymax) / 2 * u
      if (cx >= x1 && cx <= x2 && cy >= y1 && cy <= y2)
        printf "%012.3f %s\n", key == "x" ? cx : cy, text
    }' | sort | cut -d' ' -f2- | tr -d '\n'
}
expect_eq() { # what actual expected
  [ "$2" = "$3" ] || fail "$1: read '$2', expected '$3'"
}
check_letter() { # pdf
  local pdf=$1 text
  [ -s "$pdf" ] || fail "no PDF at $pdf"
  pdfinfo "$pdf" | grep '^Pages: *1$' >/dev/null || fail "$pdf: not one page"
  pdfinfo "$pdf" | grep '(A4)' >/dev/null || fail "$pdf: not A4"
  text=$(pdftotext "$pdf" - | tr -d ' \n')
  for s in "株式会社ミルヴァク印刷" "お見積りのご送付について" \
           "下記のとおりお見積りを申し上げます。" "ご検討のほど、よろしくお願い申し上げます。" \
           "計算ドリル冊子（二十冊組）" "170,500" "以上"; do
    case "$text" in *"$s"*) ;; *) fail "$pdf: '$s' is not in the text" ;; esac
  done
  # No row of the flowed body begins with a closing mark or ends with an opening one.
  pdftotext -layout "$pdf" - | grep -E '^ *[、。」）]|[「（] *$' && fail "$pdf: a row breaks against the line-break rules"
  expect_eq "postal code" "$(words_in "$pdf" 1548 2034 120 205 x)" "1000005"
  expect_eq "address column" "$(words_in "$pdf" 1920 2000 300 1010 y)" "東京都千代田区丸の内二丁目七番三号"
  expect_eq "name column" "$(words_in "$pdf" 1580 1730 380 1010 y)" "山田花子様"
  local images
  images=$(pdfimages -list "$pdf" | awk 'NR > 2 { print $3 }' | tr '\n' ' ')
  expect_eq "pictures" "$images" "image "
}

QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$letter" "$work/letter.pdf" || fail "the example did not write its PDF"
check_letter "$work/letter.pdf"
echo "PDF: ok"

# 3. The same letter on the private spooler's printer, when there is one.
if [ -n "$cups" ]; then
  out=$cups/out
  before=$(ls "$out" 2> /dev/null || true)
  QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} CUPS_SERVER=$cups/cups.sock "$letter" --printer "Office Laser" ||
    fail "the example did not print"
  job=
  for _ in $(seq 300); do
    for f in "$out"/Office_Laser-*.opts; do
      [ -e "$f" ] || continue
      grep -qx "$(basename "$f")" <<< "$before" && continue
      grep -qx 'title=Letter' "$f" && [ -e "${f%.opts}.pdf" ] && job=${f%.opts}.pdf
    done
    [ -n "$job" ] && break
    sleep 0.1
  done
  [ -n "$job" ] || fail "no job titled Letter arrived in $out"
  check_letter "$job"
  echo "printer: ok ($job)"
fi
