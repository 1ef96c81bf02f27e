#!/usr/bin/env bash
# Takes screenshots of the viewer on a virtual display: the first-run welcome, the
# main window with each page, the menus, each dialog, and browsing a folder. Writes PNG files to
# $1 (default build/screenshots). Needs xvfb-run, xdotool and ImageMagick's import;
# a window manager (openbox) is used when installed, for the title bars.
#   apt-get install xvfb xdotool imagemagick openbox
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
out=$(realpath -m "${1:-build/screenshots}")
viewer=${TSN_VIEWER:-$root/build/src/ui/tsn-viewer}
for tool in xvfb-run xdotool import; do
    command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 1; }
done
[ -x "$viewer" ] || { echo "build the viewer first: $viewer" >&2; exit 1; }
mkdir -p "$out"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A fresh settings store, so that the welcome appears, with the example data.
export XDG_CONFIG_HOME="$work/config" XDG_CONFIG_DIRS="$work/system"
mkdir -p "$XDG_CONFIG_HOME/Tessellon"
printf '[General]\ninstdir=%s\n' "$root/data" > "$XDG_CONFIG_HOME/Tessellon/tsn_viewer.conf"
# An image without cards, for the message dialog.
convert -size 160x120 gradient:steelblue-white "$work/plain.jpg"
# A folder to browse: three pictures with the example's cards.
mkdir -p "$work/folder"
convert -size 900x600 gradient:firebrick-gold "$work/folder/b1.jpg"
convert -size 900x600 gradient:seagreen-lightblue "$work/folder/b2.jpg"
convert -size 900x600 gradient:indigo-orchid "$work/folder/b3.jpg"
python3 "$root/bench/tools/jpeg_card.py" "$root/data/pirite.jpg" "$work"/folder/b*.jpg

cat > "$work/session.sh" <<SESSION
set -u
cd "$root/data"
command -v openbox >/dev/null && { openbox >/dev/null 2>&1 & sleep 1; }
"$viewer" >/dev/null 2>&1 &
pid=\$!
shot() { sleep "\${2:-0.8}"; import -window root "$out/\$1.png"; }
keys() { xdotool key --clearmodifiers --delay 150 "\$@"; }
sleep 3
shot welcome
keys Return                                  # OK: the example opens
shot main
keys alt+i; shot menu-image
keys g; shot page-general
keys alt+i b; shot page-business
keys alt+v Up Return; shot page-business-fields
keys alt+v Up Return
keys alt+i c; shot page-collection
keys alt+i r; shot page-copyright
keys alt+i p; shot page-protocol
keys alt+i o; shot page-other
keys alt+v; shot menu-view
keys Escape Escape
keys alt+f; shot menu-file
keys Escape Escape
keys alt+h a; shot about
keys Escape
keys alt+o p; shot preferences
keys Escape
keys ctrl+o; sleep 1
xdotool type --delay 20 "$work/plain.jpg"
keys Return; shot message 1.5
keys Return
keys alt+i o; shot page-other-no-cards
keys alt+f v; shot print-preview 2
keys Escape
keys ctrl+o; sleep 1
xdotool type --delay 20 "$work/folder/b1.jpg"
keys Return; shot browse-1-start 1.5
keys space; shot browse-2-next
keys space space; shot browse-3-two-more-at-once 1.5
keys BackSpace; shot browse-4-back
kill \$pid
SESSION
xvfb-run -a -s "-screen 0 1280x800x24" bash "$work/session.sh"
echo "screenshots in $out"
