#!/usr/bin/env bash
# Builds the Debian package and checks it as a user's desktop would meet it:
# the installed desktop entry, AppStream data and manual page validate; lintian
# finds no error; the package installs, runs without a display, shows up in the
# desktop's application list with its icon and opens its window from there;
# and it purges without leaving a file behind. Installs what it needs. Run as
# root (CI) or with sudo rights; it installs and removes the package itself.
set -euo pipefail
cd "$(dirname "$0")/.."

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
tools=(desktop-file-utils appstream lintian man-db librsvg2-bin xvfb xauth x11-utils
       python3-gi gir1.2-gtk-3.0 hicolor-icon-theme dpkg-dev)
missing=()
for tool in "${tools[@]}"; do
  dpkg-query -W -f='${Status}' "$tool" 2>/dev/null | grep -q 'install ok installed' || missing+=("$tool")
done
if ((${#missing[@]})); then
  echo "check-package: installing ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

fail() { echo "check-package: $*" >&2; exit 1; }
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT

scripts/render-icons.sh --check

package="$(scripts/package.sh | tail -n 1)"
echo "check-package: $package"
version="$(dpkg-deb -f "$package" Version)"
[ "$(dpkg-parsechangelog -l dist/changelog -S Version)" = "$version" ] ||
  fail "dist/changelog's newest entry is not $version"
grep -q "^## \[$version\]" CHANGELOG.md || fail "CHANGELOG.md has no section for $version"

# What `cmake --install` puts in place, validated where it lies.
root="$scratch/root"
DESTDIR="$root" cmake --install build-package --prefix /usr >/dev/null
app=com.example.ZE6Vivevu
for size in 16 32 48 64 128 256; do
  [ -f "$root/usr/share/icons/hicolor/${size}x$size/apps/$app.png" ] || fail "no ${size}x$size icon"
done
[ -f "$root/usr/share/icons/hicolor/scalable/apps/$app.svg" ] || fail "no scalable icon"
desktop-file-validate "$root/usr/share/applications/$app.desktop"
desktop-file-validate "$root/etc/xdg/autostart/$app-check.desktop"
appstreamcli validate --no-net "$root/usr/share/metainfo/$app.metainfo.xml"
man_warnings="$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$root/usr/share/man/man1/ZE6Vivevu.1.gz" 2>&1 >/dev/null)"
[ -z "$man_warnings" ] || fail "the manual page has warnings: $man_warnings"

echo "check-package: lintian"
lintian --fail-on error "$package"

# Installed for real, as a user would.
if dpkg-query -W -f='${Status}' ze6vivevu 2>/dev/null | grep -q 'install ok installed'; then
  $sudo apt-get remove --purge -y -qq ze6vivevu >/dev/null
fi
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "$package" >/dev/null
dpkg -L ze6vivevu >"$scratch/files"

nodisplay=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME="$scratch/home" XDG_STATE_HOME="$scratch/state")
out="$("${nodisplay[@]}" /usr/bin/ZE6Vivevu --version 2>"$scratch/err")" || fail "--version failed"
[ "$out" = "ZE6Vivevu $version" ] && [ ! -s "$scratch/err" ] || fail "--version printed '$out' and '$(cat "$scratch/err")'"
"${nodisplay[@]}" /usr/bin/ZE6Vivevu '/?' >"$scratch/out" 2>"$scratch/err" || fail "/? failed"
grep -q "^Ranzel Backup Utility - V$version\$" "$scratch/err" || fail "/? printed no usage text"
[ ! -s "$scratch/out" ] || fail "/? printed on standard output"
man -w ZE6Vivevu >/dev/null || fail "man ZE6Vivevu finds no page"

# The desktop's own lookup: the entry is in the application list, its icon
# resolves in the hicolor theme at each size, and launching the entry opens
# the window (an X server without a window manager is enough for that).
echo "check-package: desktop entry and icon"
xvfb-run -a -s "-screen 0 1024x768x24" env -u WAYLAND_DISPLAY HOME="$scratch/home" XDG_STATE_HOME="$scratch/state" \
  /usr/bin/python3 - "$app" <<'PY'
import os, signal, subprocess, sys, time
import gi
gi.require_version("Gtk", "3.0")
from gi.repository import Gio, GLib, Gtk

app_id = sys.argv[1]
entry = Gio.DesktopAppInfo.new(app_id + ".desktop")
assert entry is not None, "the desktop entry is not found"
listed = [a.get_id() for a in Gio.AppInfo.get_all() if a.should_show()]
assert app_id + ".desktop" in listed, "the entry is not in the application list"
icon = entry.get_icon().to_string()
assert icon == app_id, icon
theme = Gtk.IconTheme.get_default()
for size in (16, 24, 32, 48, 64, 128, 256, 512):
    info = theme.lookup_icon(icon, size, 0)
    assert info is not None, f"no icon at {size}"
    found = info.get_filename()
    assert found.startswith("/usr/share/icons/hicolor/"), found
    print(f"icon {size}: {found}")

pids = []
entry.launch_uris_as_manager([], None, GLib.SpawnFlags.SEARCH_PATH, None, None, lambda _info, pid, *_: pids.append(pid), None)
assert pids, "launching the entry started nothing"
try:
    deadline = time.time() + 20
    title = ""
    while time.time() < deadline and "DA Zadaro" not in title:
        time.sleep(0.5)
        title = subprocess.run(["xwininfo", "-root", "-tree"], capture_output=True, text=True).stdout
    lines = [l for l in title.splitlines() if "DA Zadaro" in l]
    assert lines, "the launched program showed no window"
    window = lines[0].split()[0]
    wm_class = subprocess.run(["xprop", "-id", window, "WM_CLASS"], capture_output=True, text=True).stdout
    print("window:", lines[0].strip(), "|", wm_class.strip())
    startup_class = entry.get_startup_wm_class()
    assert f'"{startup_class}"' in wm_class, f"StartupWMClass {startup_class} does not match {wm_class}"
finally:
    for pid in pids:
        os.kill(pid, signal.SIGTERM)
PY

echo "check-package: remove"
$sudo apt-get remove --purge -y -qq ze6vivevu >/dev/null
! dpkg-query -W -f='${Status}' ze6vivevu 2>/dev/null | grep -q 'install ok installed' || fail "still installed"
left=()
while IFS= read -r path; do
  [ -e "$path" ] || continue
  # A folder that another package owns too (/usr/share/icons/...) stays.
  if [ -d "$path" ] && dpkg -S "$path" >/dev/null 2>&1; then continue; fi
  left+=("$path")
done <"$scratch/files"
((${#left[@]} == 0)) || fail "left behind after purge: ${left[*]}"
echo "check-package: all checks passed for $package"
