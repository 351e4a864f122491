#!/usr/bin/env bash
# The Debian package: built with cpack, depending on the run-time libraries
# dpkg-shlibdeps finds, Qt's SVG plugins and a CJK font; unpacked into a
# scratch root with dpkg -x, where the program it installs starts on a
# Chinese document under Xvfb, shows its window and ends cleanly when the
# window is closed.
#   check_deb.sh BUILD_DIR SOURCE_DIR
set -uo pipefail
build=$(readlink -f "$1")
source_dir=$(readlink -f "$2")
. "$source_dir/tests/e2e/session.sh"
in_x_session "$@"
for tool in cpack dpkg-deb; do
  command -v "$tool" >/dev/null || fail "missing tool: $tool"
done

scratch_work

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/pkg" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log" >&2; fail "cpack -G DEB"; }
debs=("$work"/pkg/pennaro_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected one package, found: ${debs[*]}"
deb=${debs[0]}

depends=$(dpkg-deb -f "$deb" Depends)
# The package named first in each clause, without its version.
names=$(tr ',' '\n' <<<"$depends" | sed 's/^ *//; s/[ |(].*//')
for needed in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6printsupport6 libqt6svg6; do
  grep -Fqx "$needed" <<<"$names" || fail "Depends lacks $needed: $depends"
done
grep -Fq 'fonts-noto-cjk | fonts-wqy-microhei' <<<"$depends" || fail "Depends lacks a CJK font: $depends"
# Every dependency can be met on this machine, which runs the program.
IFS=',' read -ra clauses <<<"$depends"
for clause in "${clauses[@]}"; do
  met=
  IFS='|' read -ra choices <<<"$clause"
  for choice in "${choices[@]}"; do
    name=$(awk '{ print $1 }' <<<"$choice")
    [ "$(dpkg-query -W -f='${Status}' "$name" 2>/dev/null)" = "install ok installed" ] && met=1
  done
  [ -n "$met" ] || fail "nothing installed here meets the dependency '$clause'"
done

dpkg -x "$deb" "$work/root" || fail "dpkg -x"
program=$work/root/usr/bin/pennaro
[ -x "$program" ] || fail "the package installs no usr/bin/pennaro"
for file in usr/share/applications usr/share/metainfo usr/share/icons/hicolor/scalable/apps; do
  [ -n "$(ls -A "$work/root/$file" 2>/dev/null)" ] || fail "the package installs nothing in $file"
done

private_home "$work/home"
mkdir -p "$work/文档"
cp "$source_dir/tests/shell/fixtures/chinese.rtf" "$work/文档/中文 文档.rtf"
"$program" "$work/文档/中文 文档.rtf" >"$log" 2>&1 &
app=$!
win=$(window_of $app) || fail "the installed program showed no window captioned $caption"
# A document that loaded is not modified: closing asks nothing, and the
# program ends with status 0.
wmctrl -i -c "$win"
wait_exit $app
status=$?
[ "$status" -eq 0 ] || fail "the installed program ended with status $status"
echo "deb: ok ($(basename "$deb"))"
