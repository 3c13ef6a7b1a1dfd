#!/usr/bin/env bash
# A PNG picture of a report page, taken with headless Chromium:
#   tools/report_screenshot.sh REPORT.html OUT.png [WIDTHxHEIGHT] [VIEW]
# WIDTHxHEIGHT is the browser window (default 1400x1000; a taller window
# shows more of the page). VIEW is the page's address fragment, for
# example "figure=1" or "node=J12".
set -euo pipefail

if (($# < 2)); then
    echo "usage: $0 REPORT.html OUT.png [WIDTHxHEIGHT] [VIEW]" >&2
    exit 2
fi
page="$(realpath "$1")"
out="$(realpath -m "$2")"
size="${3:-1400x1000}"
view="${4:-}"
browser="${TESMAR_CHROMIUM:-/usr/bin/chromium}"
[[ -f "$page" ]] || { echo "no such page: $1" >&2; exit 2; }
[[ "$size" =~ ^[0-9]+x[0-9]+$ ]] || { echo "size must look like 1400x1000" >&2; exit 2; }
[[ -x "$browser" ]] || { echo "Chromium not found at $browser (apt-get install chromium)" >&2; exit 1; }

profile="$(mktemp -d)"
trap 'rm -rf "$profile"' EXIT
url="file://$page"
[[ -n "$view" ]] && url="$url#$view"
"$browser" --headless --no-sandbox --disable-gpu --disable-background-networking \
    --disable-component-update --disable-sync --no-first-run --hide-scrollbars \
    --user-data-dir="$profile" --window-size="${size/x/,}" --screenshot="$out" "$url" \
    >"$profile/messages.txt" 2>&1 || { tail -5 "$profile/messages.txt" >&2; exit 1; }
[[ -s "$out" ]] || { echo "no picture written" >&2; exit 1; }
echo "$out"
