#!/usr/bin/env bash
# Checks a built package as the distribution and a user would:
#   scripts/check-package.sh DEB [SCREENSHOT-DIR]
# lintian (no errors), the AppStream and desktop-entry validators on the files it
# ships, no RPATH or RUNPATH in the programs, then a real install (apt-get, as root
# or through sudo), a first run of the installed viewer from another directory under
# Xvfb with a fresh home (Welcome, OK opens the installed example), tsn-dump of the
# installed example, tsn-card clear and copy on a copy of it, and a purge that must
# leave no file of the package behind. The screenshot of the first run goes to
# SCREENSHOT-DIR (default: beside the package).
set -euo pipefail
deb=$(realpath "$1")
shots=$(realpath -m "${2:-$(dirname "$deb")}")
title="pirite.jpg - Tessellon Viewer"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
fi

work=$(mktemp -d /tmp/tsn-package-check.XXXXXX)
pids=()
installed=0
cleanup() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    if [ "$installed" = 1 ]; then
        "${sudo_cmd[@]}" apt-get purge -y -qq tsn-viewer >/dev/null 2>&1 || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAILED: $*" >&2
    exit 1
}

echo "== lintian"
lintian --fail-on error --display-info "$deb" || fail "lintian reports errors"
echo "lintian: no errors"

dpkg-deb -x "$deb" "$work/root"
echo "== appstreamcli validate --no-net"
appstreamcli validate --no-net "$work"/root/usr/share/metainfo/*.metainfo.xml
echo "== desktop-file-validate"
desktop-file-validate "$work/root/usr/share/applications/tsn-viewer.desktop"
echo "desktop-file-validate: no problems"
for file in usr/bin/tsn-viewer usr/bin/tsn-dump usr/bin/tsn-card usr/share/tsn-viewer/official_collection.def \
    usr/share/tsn-viewer/pirite.jpg etc/xdg/Tessellon/tsn_viewer.conf \
    usr/share/icons/hicolor/scalable/apps/tsn-viewer.svg \
    usr/share/icons/hicolor/256x256/apps/tsn-viewer.png \
    usr/share/man/man1/tsn-viewer.1.gz usr/share/man/man1/tsn-dump.1.gz \
    usr/share/man/man1/tsn-card.1.gz; do
    [ -f "$work/root/$file" ] || fail "not in the package: /$file"
done
for program in usr/bin/tsn-viewer usr/bin/tsn-dump usr/bin/tsn-card; do
    # Every library the programs use is the system's: no search path of their own.
    if readelf -d "$work/root/$program" | grep -E "\((RPATH|RUNPATH)\)"; then
        fail "/$program carries a library search path"
    fi
done
echo "programs: no library search path of their own"
echo "Depends: $(dpkg-deb -f "$deb" Depends)"

echo "== install test"
if dpkg-query -W -f='${Status}' tsn-viewer 2>/dev/null | grep -q "ok installed"; then
    fail "tsn-viewer is installed already; remove it before the install test"
fi
snapshot() { find /usr /etc /opt -xdev 2>/dev/null | LC_ALL=C sort; }
snapshot >"$work/before"
installed=1
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "$deb" >"$work/apt.log" 2>&1 ||
    { cat "$work/apt.log"; fail "apt-get install"; }
dpkg-query -L tsn-viewer | LC_ALL=C sort >"$work/owned"
echo "installed: $(grep -c . "$work/owned") paths"

# A first run: a fresh home and settings, started from a directory of its own.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"
unset XDG_CONFIG_DIRS
mkdir -p "$HOME" "$work/elsewhere"
cd "$work/elsewhere"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 50); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(cat "$work/display")"
# The first window whose name is $1, waiting up to 20 seconds.
window() {
    local id
    for _ in $(seq 100); do
        id=$(timeout 5 xdotool search --name "^$1\$" 2>/dev/null | head -n 1) || true
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.2
    done
    return 1
}
/usr/bin/tsn-viewer >"$work/viewer.log" 2>&1 &
pids+=($!)
welcome=$(window "Welcome") || fail "no Welcome dialog; $(cat "$work/viewer.log")"
echo "seen: the Welcome dialog"
timeout 5 xdotool windowfocus --sync "$welcome" || true
timeout 5 xdotool key --clearmodifiers Return
frame=$(window "$title") || fail "no window titled \"$title\""
echo "seen: the window title \"$(timeout 5 xdotool getwindowname "$frame")\""
sleep 1
mkdir -p "$shots"
timeout 20 import -window root "$shots/installed-first-run.png"
echo "screenshot: $shots/installed-first-run.png"
kill "${pids[@]}" 2>/dev/null || true
wait 2>/dev/null || true
pids=()

echo "== tsn-dump /usr/share/tsn-viewer/pirite.jpg (from $PWD)"
timeout 60 /usr/bin/tsn-dump /usr/share/tsn-viewer/pirite.jpg | tee "$work/dump.txt"
for card in "General Card :" "Business E-Card :" "Collection Card :" "Copyright Card :"; do
    grep -qx "$card" "$work/dump.txt" || fail "tsn-dump does not print the $card"
done
timeout 60 /usr/bin/tsn-dump --json /usr/share/tsn-viewer/pirite.jpg >"$work/dump.json"
grep -q '"collection":{"present":true,"code":"[^"]*","name":"[^"?]' "$work/dump.json" ||
    fail "the collection is not named: the definitions were not found"
echo "== tsn-card clear, then copy /usr/share/tsn-viewer/pirite.jpg"
cp /usr/share/tsn-viewer/pirite.jpg "$work/copy.jpg"
timeout 60 /usr/bin/tsn-card clear "$work/copy.jpg" || fail "tsn-card clear"
timeout 60 /usr/bin/tsn-dump --json "$work/copy.jpg" | grep -q '"found":false' ||
    fail "tsn-card did not clear the cards"
timeout 60 /usr/bin/tsn-card copy /usr/share/tsn-viewer/pirite.jpg "$work/copy.jpg" ||
    fail "tsn-card copy"
timeout 60 /usr/bin/tsn-dump --json "$work/copy.jpg" |
    grep -q '"collection":{"present":true,"code":"[^"]*","name":"[^"?]' ||
    fail "tsn-card did not copy the cards"
cd /

echo "== purge"
"${sudo_cmd[@]}" apt-get purge -y -qq tsn-viewer >"$work/apt.log" 2>&1 ||
    { cat "$work/apt.log"; fail "apt-get purge"; }
installed=0
snapshot >"$work/after"
left=0
while IFS= read -r path; do
    if grep -qxF "$path" "$work/owned" || [[ "$path" == *tsn* || "$path" == *Tessellon* ]]; then
        echo "left behind: $path"
        left=1
    else
        echo "new, not the package's (a system cache): $path"
    fi
done < <(LC_ALL=C comm -13 "$work/before" "$work/after")
gone=$(LC_ALL=C comm -23 "$work/before" "$work/after")
[ -z "$gone" ] || { echo "$gone"; fail "these paths were there before the install"; }
[ "$left" = 0 ] || fail "files of the package are left"
echo "no file of the package is left ($(grep -c . "$work/owned") paths checked);" \
    "the user's settings stay: $(find "$HOME" -type f | sed "s|$HOME|~|")"
echo "package check passed"
