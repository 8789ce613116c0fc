#!/usr/bin/env bash
# The demo run as a newcomer starts it: `scripts/run.sh --demo` with no display of its own, in the
# run prefix, unchanged. It must end by itself within a minute of the program's start, with exit
# code 0, having written one picture and one closed recording of about 5 s with picture and
# sound; after Stop the screen shows the plain title over the live picture; nothing of the
# prefix runs afterwards.
set -uo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
prefix="$root/build/win/runprefix"
shots="$root/build/win/screenshots"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*" >&2; echo "--- the demo's output:" >&2; cat "$work/out.txt" >&2; exit 1; }

rm -f "$shots"/demo-*.png
# Its own session (process group), so that a run that does not end can be ended whole.
env -u DISPLAY setsid "$root/scripts/run.sh" --demo >"$work/out.txt" 2>&1 &
demo=$!
started=""
for _ in $(seq 1 6000); do  # the build check and a fresh prefix come first
    grep -q "^Webcam starts" "$work/out.txt" && { started=$(date +%s); break; }
    kill -0 "$demo" 2>/dev/null || break
    sleep 0.1
done
[ -n "$started" ] || fail "Webcam never started"
while kill -0 "$demo" 2>/dev/null && [ $(($(date +%s) - started)) -le 60 ]; do sleep 0.2; done
if kill -0 "$demo" 2>/dev/null; then
    kill -TERM -- "-$demo" 2>/dev/null
    WINEPREFIX="$prefix" /usr/lib/wine/wineserver64 -k 2>/dev/null
    fail "the demo did not end within a minute of the program's start"
fi
wait "$demo"
status=$?
took=$(($(date +%s) - started))
[ "$status" = 0 ] || fail "the demo ended with exit code $status"

# The files it listed: one picture, one recording, as large as listed and no larger since.
mapfile -t pictures < <(sed -n -E 's#^  (.*/Pictures/capture[0-9]*\.(jpg|bmp))  ([0-9]+) bytes$#\1 \3#p' "$work/out.txt")
mapfile -t videos < <(sed -n -E 's#^  (.*/Videos/Video[0-9]*\.(avi|wmv))  ([0-9]+) bytes$#\1 \3#p' "$work/out.txt")
[ ${#pictures[@]} = 1 ] || fail "${#pictures[@]} pictures listed, not one"
[ ${#videos[@]} = 1 ] || fail "${#videos[@]} recordings listed, not one"
read -r picture picture_size <<<"${pictures[0]}"
read -r video video_size <<<"${videos[0]}"
[ "$picture_size" -gt 0 ] && [ "$(stat -c %s "$picture")" = "$picture_size" ] || fail "the picture $picture"
sleep 2
[ "$(stat -c %s "$video")" = "$video_size" ] || fail "the recording grew after it was listed"

# The recording is closed and readable: about 5 s, a video stream and a sound stream.
duration=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$video")
streams=$(ffprobe -v error -show_entries stream=codec_type -of csv=p=0 "$video" | sort | tr '\n' ' ')
awk -v d="$duration" 'BEGIN { exit !(d >= 4 && d <= 7.5) }' || fail "the recording lasts ${duration:-?} s"
[ "$streams" = "audio video " ] || fail "the recording's streams: $streams"

# The screen after Stop: the plain title (as long as the preview's; the recording's was longer),
# and below it the preview's buttons and live picture. Wine draws the frame itself: the window
# is the only thing on the black screen, its caption text 12 pixels below its top edge.
title_ink_end() {  # the last column of the caption's text
    local shot="$shots/demo-$1.png" left top width y caption
    read -r left top width < <(convert "$shot" -fuzz 5% -trim -format '%[fx:page.x] %[fx:page.y] %w' info:)
    y=$((top + 12))
    caption=$(convert "$shot" -format "%[pixel:p{$((left + width * 3 / 4)),$y}]" info:)
    convert "$shot" -crop "$((width - 90))x13+$((left + 22))+$((y - 6))" +repage -fuzz 20% -fill white \
        -opaque "$caption" -fill black +opaque white -colorspace gray -scale "$((width - 90))x1!" txt:- |
        awk -F'[,:]' 'NR > 1 && $0 !~ /#FFFFFF|gray\(255\)/ { last = $1 } END { print last + 0 }'
}
below_title_differing() {
    convert "$shots/demo-$1.png" -crop +0+30 "$work/a.png" && convert "$shots/demo-$2.png" -crop +0+30 "$work/b.png" &&
        compare -metric AE "$work/a.png" "$work/b.png" null: 2>&1
}
yellow=$(convert "$shots/demo-5-stopped.png" -fuzz 10% -fill black +opaque yellow -fill white -opaque yellow \
    -colorspace gray -format '%[fx:round(mean*w*h)]' info:)
[ "$yellow" -gt 10000 ] || fail "no colour bars after Stop ($yellow yellow pixels)"
plain=$(title_ink_end 2-preview)
[ "$plain" -gt 40 ] && [ "$(title_ink_end 4-recording)" -gt $((plain + 40)) ] || fail "no title found on the screen"
[ "$(title_ink_end 5-stopped)" -le $((plain + 2)) ] || fail "the title after Stop is longer than the plain title"
[ "$(below_title_differing 2-preview 5-stopped)" -le 100 ] || fail "below the title, the screen after Stop is not the preview's"

# Nothing of the prefix runs any more.
sleep 1
for environ in /proc/[0-9]*/environ; do
    if tr '\0' '\n' <"$environ" 2>/dev/null | grep -qx "WINEPREFIX=$prefix"; then
        pid=${environ#/proc/}
        fail "a program of the run prefix still runs: ${pid%/environ} $(tr '\0' ' ' <"/proc/${pid%/environ}/cmdline")"
    fi
done
echo "demo: ended ${took} s after the program started, ${duration} s recorded"
