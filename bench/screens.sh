#!/bin/bash
# Screenshots of one fixed-seed lab run at the same ticks, from an older build and this one, compared
# pixel by pixel: the window must look exactly as before.
#
#   bench/screens.sh --old DIR [--new DIR] [--seed S] [--size N] [--genesis WHERE]
#                    [--ticks "T0 T1 ..."] [--pointer X,Y] [--keys "KEY ..."] [--out DIR]
#
# DIR is a folder holding sylvara-sim and sylvara-lab (a run tree's bin/, with its models/ beside it).
# The old sylvara-sim runs the seed to the first tick T0 and saves the world, marked paused. Each lab
# loads that world under an Xvfb of its own (Mesa's software GL), so it stands still from its first
# frame, and is stepped with its step key (t) from tick to tick; the window is shot once it has stopped
# changing. The pointer rests at X,Y in the window (default 2,2, the sky) and the keys (xdotool's
# names, such as "h s m": the controls, the select tool, applied under the pointer) are pressed once
# before the first shot. Needs Xvfb, xdotool, ImageMagick's import and Python 3 with PIL. Prints the differing
# pixels at each tick, and keeps the shots and a picture of the differences in the output folder.
# Exits with 1 when any shot differs, 2 on a bad option or a lab that did not show.
set -u

usage() {
    sed -n '5,6p' "$0" | sed 's/^# *//' >&2
    exit 2
}

here="$(cd "$(dirname "$0")/.." && pwd)"
old=""
new="$here/stage/bin"
seed=7
size=5
genesis=all
ticks="100 101 116 200 400"
pointer="2,2"
keys=""
out=""
while [ $# -gt 0 ]; do
    [ $# -ge 2 ] || usage
    case "$1" in
    --old) old="$2" ;;
    --new) new="$2" ;;
    --seed) seed="$2" ;;
    --size) size="$2" ;;
    --genesis) genesis="$2" ;;
    --ticks) ticks="$2" ;;
    --pointer) pointer="$2" ;;
    --keys) keys="$2" ;;
    --out) out="$2" ;;
    *) usage ;;
    esac
    shift 2
done
[ -n "$old" ] || usage
for dir in "$old" "$new"; do
    [ -x "$dir/sylvara-lab" ] || { echo "screens.sh: no sylvara-lab in $dir" >&2; exit 2; }
done
[ -x "$old/sylvara-sim" ] || { echo "screens.sh: no sylvara-sim in $old" >&2; exit 2; }
previous=-1
for t in $ticks; do
    case "$t" in '' | *[!0-9]*) echo "screens.sh: a tick is a whole number: $t" >&2; exit 2 ;; esac
    [ "$t" -gt "$previous" ] || { echo "screens.sh: the ticks must rise" >&2; exit 2; }
    previous=$t
done
case "$pointer" in
[0-9]*,[0-9]*) ;;
*) echo "screens.sh: --pointer takes X,Y in the window" >&2; exit 2 ;;
esac
[ -n "$out" ] || out="$(mktemp -d /tmp/sylvara-screens.XXXXXX)"
mkdir -p "$out" || exit 2
out="$(cd "$out" && pwd)"

xvfb=""
lab=""
cleanup() {
    [ -n "$lab" ] && kill "$lab" 2>/dev/null
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
    wait 2>/dev/null
}
trap cleanup EXIT

# The window's picture, once two shots half a second apart agree (up to 30 s): $1 is the file.
steadyShot() {
    local file="$1" i
    import -display ":$display" -window "$window" "$file.a.png" 2>/dev/null || return 1
    for ((i = 0; i < 60; ++i)); do
        sleep 0.5
        import -display ":$display" -window "$window" "$file.b.png" 2>/dev/null || return 1
        if cmp -s <(convert "$file.a.png" rgb:-) <(convert "$file.b.png" rgb:-); then
            mv "$file.b.png" "$file"
            rm -f "$file.a.png"
            return 0
        fi
        mv "$file.b.png" "$file.a.png"
    done
    echo "screens.sh: the window never stood still for $file" >&2
    return 1
}

# shoot LABEL BIN_DIR: the shots of one build in $out/LABEL/shot-T.png.
shoot() {
    local label="$1" bin="$2" dir="$out/$1" i at
    display=""
    window=""
    rm -rf "$dir"
    mkdir -p "$dir"
    Xvfb -displayfd 9 -screen 0 1024x768x24 -nolisten tcp -noreset 9>"$dir/display" 2>/dev/null &
    xvfb=$!
    for ((i = 0; i < 150; ++i)); do
        display="$(head -n1 "$dir/display")"
        [ -n "$display" ] && break
        sleep 0.1
    done
    [ -n "$display" ] || { echo "screens.sh: Xvfb did not start" >&2; return 1; }
    (cd "$dir" && DISPLAY=":$display" ALSOFT_DRIVERS=null exec "$bin/sylvara-lab" --load "$out/start.sylvara" \
        >"$dir/out.txt" 2>&1) &
    lab=$!
    for ((i = 0; i < 300; ++i)); do
        window="$(DISPLAY=":$display" xdotool search --onlyvisible --class osgViewer 2>/dev/null | head -n1)"
        [ -n "$window" ] && break
        kill -0 "$lab" 2>/dev/null || break
        sleep 0.1
    done
    [ -n "$window" ] || { echo "screens.sh: the $label lab showed no window; see $dir/out.txt" >&2; return 1; }
    # Keys go to the window under the pointer. It moves again once the window has drawn, for a lab
    # that picks only on a move it sees after its first frame.
    DISPLAY=":$display" xdotool mousemove --window "$window" "${pointer%,*}" "${pointer#*,}"
    steadyShot "$dir/first.png" || return 1
    DISPLAY=":$display" xdotool mousemove --window "$window" "$((${pointer%,*} + 1))" "${pointer#*,}"
    sleep 0.5
    DISPLAY=":$display" xdotool mousemove --window "$window" "${pointer%,*}" "${pointer#*,}"
    for key in $keys; do
        sleep 0.5
        DISPLAY=":$display" xdotool key "$key"
    done
    at=$first
    for t in $ticks; do
        if [ "$t" -gt "$at" ]; then
            DISPLAY=":$display" xdotool key --delay 20 --repeat $((t - at)) t
            at=$t
        fi
        steadyShot "$dir/shot-$t.png" || return 1
    done
    kill "$lab" 2>/dev/null
    wait "$lab" 2>/dev/null
    lab=""
    kill "$xvfb" 2>/dev/null
    wait "$xvfb" 2>/dev/null
    xvfb=""
}

# The world both labs load: the old runner's, at the first tick, marked paused.
first="${ticks%% *}"
(cd "$out" && "$old/sylvara-sim" --seed "$seed" --size "$size" --genesis "$genesis" --ticks "$first" \
    --save "$out/start.sylvara" --csv "$out/start.csv" >/dev/null) || { echo "screens.sh: the old sylvara-sim failed" >&2; exit 2; }
/usr/bin/python3 -c 'import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
db.execute("UPDATE world SET paused = 1")
db.commit()' "$out/start.sylvara" || exit 2

shoot old "$old" || exit 2
shoot new "$new" || exit 2

/usr/bin/python3 - "$out" $ticks <<'EOF'
import os, sys
from PIL import Image, ImageChops

out, ticks = sys.argv[1], sys.argv[2:]
differs = False
for t in ticks:
    paths = [os.path.join(out, side, "shot-%s.png" % t) for side in ("old", "new")]
    if not all(os.path.exists(p) for p in paths):
        print("tick %s: no shot to compare" % t)
        differs = True
        continue
    old, new = (Image.open(p).convert("RGB") for p in paths)
    if old.size != new.size:
        print("tick %s: sizes differ, %s against %s" % (t, old.size, new.size))
        differs = True
        continue
    diff = ImageChops.difference(old, new)
    r, g, b = diff.split()
    mask = ImageChops.lighter(ImageChops.lighter(r, g), b).point(lambda v: 255 if v else 0)
    count = sum(1 for v in mask.getdata() if v)
    total = old.size[0] * old.size[1]
    box = mask.getbbox()
    where = " within %s" % (box,) if box else ""
    print("tick %s: %d of %d pixels differ%s" % (t, count, total, where))
    if count:
        differs = True
        # The new shot dimmed, with the differing pixels in red.
        marked = Image.blend(new, Image.new("RGB", new.size, (0, 0, 0)), 0.6)
        marked.paste((255, 0, 0), mask=mask)
        marked.save(os.path.join(out, "diff-%s.png" % t))
print("shots in %s" % out)
sys.exit(1 if differs else 0)
EOF
