#!/usr/bin/env bash
# Makes the Debian package from a finished build and checks it as a user's
# system would see it: the program and its desktop files, no development
# files, library dependencies worked out, and no lintian errors.
#
#   deb_package.sh BUILD_DIR WORK_DIR
set -euo pipefail

build=$(cd "${1:?usage: deb_package.sh BUILD_DIR WORK_DIR}" && pwd)
work=${2:?work folder}
fail() { echo "FAIL: $*" >&2; exit 1; }

rm -rf "$work"
mkdir -p "$work"
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work" > "$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log" >&2; fail "cpack"; }
debs=("$work"/mirvak_*_*.deb)
[ ${#debs[@]} = 1 ] && [ -e "${debs[0]}" ] || fail "expected one mirvak_<version>_<arch>.deb in $work"
deb=${debs[0]}
[ "$(basename "$deb")" = "mirvak_$(dpkg-deb -f "$deb" Version)_$(dpkg-deb -f "$deb" Architecture).deb" ] ||
  fail "$(basename "$deb") is not named package_version_architecture.deb"

files=$(dpkg-deb -c "$deb" | awk '{ print $6 }')
for f in ./usr/bin/mirvak ./usr/share/applications/mirvak.desktop \
         ./usr/share/icons/hicolor/scalable/apps/mirvak.svg ./usr/share/man/man1/mirvak.1.gz \
         ./usr/share/doc/mirvak/copyright ./usr/share/doc/mirvak/changelog.gz; do
  grep -qx -- "$f" <<< "$files" || fail "$f is not in the package"
done
if grep -E '/include/|\.a$|/cmake/|/lib/.*\.so' <<< "$files"; then
  fail "the package carries development files"
fi

depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6widgets6 libqt6printsupport6 libcups2; do
  grep -q "$lib" <<< "$depends" || fail "Depends lacks $lib: $depends"
done
for field in Maintainer Section Homepage Description; do
  [ -n "$(dpkg-deb -f "$deb" "$field")" ] || fail "no $field field"
done

# Errors fail; warnings and notes are printed for whoever reads the log.
lintian --fail-on error "$deb" 2> /dev/null || fail "lintian reports errors"
echo "ok: $(basename "$deb")"
