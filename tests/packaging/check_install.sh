#!/usr/bin/env bash
# cmake --install: the program, its menu entry, its AppStream description and
# its icon, each in its standard place and nothing else installed; the entry
# and the description as their validators and a desktop read them; the icon
# at every size the theme has folders for.
#   check_install.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$(readlink -f "$1")
source_dir=$(readlink -f "$2")
fail() { echo "FAIL: $*" >&2; exit 1; }
for tool in desktop-file-validate appstreamcli identify; do
  command -v "$tool" >/dev/null || fail "missing tool: $tool"
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --install "$build" --prefix "$work/usr" >"$work/install.log" || { cat "$work/install.log"; fail "cmake --install"; }
cd "$work/usr"

entries=(share/applications/*.desktop)
[ ${#entries[@]} -eq 1 ] && [ -f "${entries[0]}" ] || fail "expected one desktop entry, found: ${entries[*]}"
id=$(basename "${entries[0]}" .desktop)
sizes=(16 22 24 32 48 64 128 256)

expected_files() {
  echo bin/pennaro
  echo "share/applications/$id.desktop"
  echo "share/metainfo/$id.metainfo.xml"
  echo "share/icons/hicolor/scalable/apps/$id.svg"
  for size in "${sizes[@]}"; do echo "share/icons/hicolor/${size}x${size}/apps/$id.png"; done
}
files=$(find . \( -type f -o -type l \) | sed 's|^\./||' | sort)
[ "$files" = "$(expected_files | sort)" ] ||
  fail "installed files differ: $(diff <(expected_files | sort) <(echo "$files"))"
[ -x bin/pennaro ] || fail "bin/pennaro is not executable"

# The menu entry: what the validator says (nothing, not even a hint), and
# exactly these keys.
report=$(desktop-file-validate "share/applications/$id.desktop" 2>&1) || fail "desktop-file-validate: $report"
[ -z "$report" ] || fail "desktop-file-validate: $report"
cat >"$work/entry.expected" <<ENTRY
[Desktop Entry]
Type=Application
Name=Pennaro
Name[zh_CN]=RTF文件编辑器
Comment=Edit Rich Text Format documents
Icon=$id
Exec=pennaro %f
MimeType=text/rtf;application/rtf;
Categories=Office;WordProcessor;
ENTRY
diff "$work/entry.expected" "share/applications/$id.desktop" >&2 || fail "the desktop entry differs"

# The AppStream description: valid without warnings, naming the entry, with
# a default screenshot.
metainfo=share/metainfo/$id.metainfo.xml
report=$(appstreamcli validate --no-net "$metainfo" 2>&1) || fail "appstreamcli validate: $report"
if grep -E '^(E|W):' <<<"$report"; then fail "appstreamcli validate warns"; fi
grep -q "<id>$id</id>" "$metainfo" || fail "the component id is not $id"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" || fail "no launchable $id.desktop"
grep -Eq '<screenshot type="default">' "$metainfo" || fail "no default screenshot"
[ -s "$source_dir/packaging/screenshot.png" ] || fail "the screenshot the description points to is not in the source tree"

# The icon: the drawing itself as the scalable one, PNGs of the right size.
cmp -s "$source_dir/src/resources/icons/pennaro32.svg" "share/icons/hicolor/scalable/apps/$id.svg" ||
  fail "the scalable icon is not the program's drawing"
for size in "${sizes[@]}"; do
  png=share/icons/hicolor/${size}x${size}/apps/$id.png
  got=$(identify -format '%m %wx%h' "$png")
  [ "$got" = "PNG ${size}x${size}" ] || fail "$png is '$got'"
  # Drawn, not empty: at least a tenth of the pixels opaque.
  opaque=$(convert "$png" -alpha extract -threshold 50% -format '%[fx:mean]' info:)
  awk -v o="$opaque" 'BEGIN { exit !(o > 0.1) }' || fail "$png is almost empty ($opaque opaque)"
done
echo "install: ok ($id)"
