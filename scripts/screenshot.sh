#!/bin/sh
# Pictures of Quirn as a user sees it: starts a virtual X display with the
# openbox window manager, runs Quirn at its default size with a private
# settings store and office profile, drops a folder of books on it, clicks
# through them and writes a PNG of the screen at each step, every dialog
# included, into OUTDIR (default build/screenshots).
#
#   scripts/screenshot.sh [OUTDIR]
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)
out=$(realpath -m "${1:-build/screenshots}")
scripts/setup.sh
scripts/build.sh

work=$(mktemp -d "${TMPDIR:-/tmp}/quirn-shots.XXXXXX")
server=""
manager=""
cleanup() {
    [ -n "$manager" ] && kill "$manager" 2>/dev/null || true
    [ -n "$server" ] && kill "$server" 2>/dev/null || true
    chmod -R u+w "$work" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

# The books, in a folder with a long Japanese path as users have them.
books="$work/共有/経理部/2026年度/月次報告/各部門から提出されたブック"
mkdir -p "$books"
data=tests/data/real
cp "$data/hidden_third_sheet.xls" "$books/hidden-sheets.xls"
cp "$data/hidden_and_protected_sheets.xls" "$books/protected-sheets.xls"
cp "$data/kinds_ws_chart_xlm_dialog_vba.xls" "$books/macros.xls"
cp "$data/xlsx_renamed_any_sheets.xls" "$books/not-a-book.xls"
cp "$data/sheets_66_ampersand.xls" "$books/66シートのブック.xls"
cp "$data/japanese_sheet_names.xls" "$books/2026年度第3四半期_各部門から提出された月次報告のとりまとめ.xls"
cp "$data/hidden_third_sheet.xls" "$books/read-only.xls"
chmod 444 "$books/read-only.xls"

# A display number no other server holds.
number=70
while [ -e "/tmp/.X$number-lock" ] || [ -e "/tmp/.X11-unix/X$number" ]; do
    number=$((number + 1))
done
Xvfb ":$number" -screen 0 1280x1024x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
server=$!
export DISPLAY=":$number"
tries=0
until xwininfo -root >/dev/null 2>&1; do
    tries=$((tries + 1))
    if [ "$tries" -gt 100 ]; then echo "screenshot: Xvfb did not start" >&2; exit 1; fi
    sleep 0.1
done
openbox --sm-disable >"$work/openbox.log" 2>&1 &
manager=$!
tries=0
until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; do
    tries=$((tries + 1))
    if [ "$tries" -gt 100 ]; then echo "screenshot: openbox did not start" >&2; exit 1; fi
    sleep 0.1
done

mkdir -p "$out" "$work/config" "$work/cache" "$work/runtime"
chmod 700 "$work/runtime"
rm -f "$out"/*.png
unset QT_QPA_PLATFORM WAYLAND_DISPLAY
XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache" XDG_RUNTIME_DIR="$work/runtime" \
    LANG=ja_JP.UTF-8 LC_ALL=C.UTF-8 \
    timeout --kill-after=30 600 build/tools/screenshots/quirn-screenshots "$out" "$books"
echo "screenshot: the pictures are in $out"
