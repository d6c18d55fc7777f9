#!/usr/bin/env bash
# Retakes the pictures in docs/ (main-window.png, about.png, editor.png) from
# the real program on a virtual display, with a clean home folder holding a
# small data folder and a configuration file of four jobs, so that no picture
# shows the folders of the machine it was taken on. Run it after any change
# a window shows. Installs what it needs (Xvfb, xdotool, ImageMagick) when
# missing and builds the program when there is none.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/${ZE6_BUILD_DIR:-build}"

if [ "${1:-}" != --inside ]; then
    packages=(xvfb xauth xdotool imagemagick x11-utils fonts-dejavu-core)
    missing=()
    for package in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
    done
    if ((${#missing[@]})); then
        echo "screenshots: installing ${missing[*]}"
        sudo=""
        [ "$(id -u)" -eq 0 ] || sudo="sudo"
        $sudo apt-get update -qq
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
    fi
    [ -x "$build/ZE6Vivevu" ] || "$root/scripts/setup.sh"
    # The editor's folder tree shows the whole file system; an empty /home of
    # its own (a private mount) keeps the machine's users out of the picture.
    if unshare --mount true 2>/dev/null; then
        exec unshare --mount "$0" --inside
    elif unshare --user --map-root-user --mount true 2>/dev/null; then
        exec unshare --user --map-root-user --mount "$0" --inside
    fi
    echo "screenshots: no private mount possible; the tree will show this machine's /home" >&2
    exec "$0" --inside
fi

work="$(mktemp -d)"
trap 'kill "${program:-}" "${xvfb:-}" 2>/dev/null || true; rm -rf "$work"' EXIT
if [ "$(id -u)" -eq 0 ] && mount -t tmpfs -o mode=0755 ze6-home /home 2>/dev/null; then
    home=/home/ops
else
    home="$work/home/ops"
fi
mkdir -p "$home"

# A small data folder: data files with companions, older archives, and the jobs.
data="$home/Ranzel/Data"
mkdir -p "$data" "$home/Ranzel/Backup" "$home/Ranzel/Config" "$home/Ranzel/Archive" "$home/.config/Ranzel"
datafile() { # name kilobytes
    head -c "$(($2 * 1024))" /dev/urandom >"$data/$1"
    touch -d "2026-11-30 18:05" "$data/$1"
}
datafile PLANT1.RZT 148
datafile PLANT1.rzd 36
datafile PLANT1.rzi 4
datafile PLANT2.RZT 96
datafile PLANT2.rzd 12
datafile "Boiler house.RZT6" 412
datafile "Boiler house.rzd6" 88
datafile "Boiler house.KTM6.V1" 20
datafile "Cooling loop.RZT6" 230
datafile "Cooling loop.rzd6" 40
datafile OLDSITE.RZT 64
printf '%s\r\n' \
    "\"$data/*.RZT?\" \"$home/Ranzel/Backup/\" KEEPLAST:5 KEEPDAILY:7 KEEPWEEKLY:4 IFCHANGED" \
    "\"$data/PLANT1.RZT\" \"/mnt/offsite/plant1/\" KEEPLAST:" \
    "\"$data/Boiler house.RZT6\" \"/mnt/offsite/boiler/\" KEEPLAST:12 KEEPMONTHLY:12" \
    "\"$home/Ranzel/Archive/\" \"/mnt/offsite/archive/\" KEEPLAST:2" >"$home/Ranzel/Config/nightly.rzb"
printf '[General]\nConfigFolder=%s\nDataFolder=%s\n' "$home/Ranzel/Config/" "$data/" >"$home/.config/Ranzel/RZ6.conf"

export HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_STATE_HOME="$home/.local/state"
export XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=xcb LANG=C.UTF-8
unset ZE6VIVEVU_LOG QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS
mkdir -m 0700 -p "$XDG_RUNTIME_DIR"
export DISPLAY=":$((90 + RANDOM % 100))"
Xvfb "$DISPLAY" -screen 0 1024x768x24 -dpi 96 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

(cd "$home" && exec "$build/ZE6Vivevu") &
program=$!
window() { xdotool search --sync --onlyvisible --name "$1" | head -1; }
click() { xdotool mousemove --window "$1" "$2" "$3" click "${4:-1}"; sleep 0.5; }
shoot() { sleep 1; import -window "$1" "$root/docs/$2"; echo "screenshots: docs/$2"; }

main=$(window '^DA Zadaro')
sleep 1
# File > Open ... starts in the configuration folder.
click "$main" 19 8
xdotool key Down Return
dialog=$(window '^Open Backup Configuration File')
sleep 1
xdotool type --delay 30 nightly.rzb
xdotool key Return
sleep 1
# Two rows picked apart, as for Remove.
click "$main" 80 64
xdotool keydown ctrl
click "$main" 80 102
xdotool keyup ctrl
shoot "$main" main-window.png

# Help > About
click "$main" 92 8
xdotool key Down Return
about=$(window '^About$')
shoot "$about" about.png
xdotool key Escape
sleep 0.5

# Add, with the first row current: the editor lists its folder.
click "$main" 80 45
click "$main" 644 38
editor=$(window '^Add a new entry')
sleep 2
# One data file left out, the generations to keep and a week of days typed into their boxes.
click "$editor" 227 87
click "$editor" 398 508
xdotool type --delay 30 5
click "$editor" 303 541
xdotool type --delay 30 7
shoot "$editor" editor.png
