#!/usr/bin/env bash
# The Debian package on this machine: build it, install it with apt-get, run every program from an
# empty folder as a user would, then remove it and check that nothing of it is left.
#   tests/package/check-package.sh [FILE.deb]     (without FILE, ./scripts/package builds one)
# SYLVARA_PACKAGE_SHOT=FILE.png keeps the window's screenshot.
# A sylvara package already installed is removed first, and said so.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
sudo_cmd=""
[ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
apt_get() { DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get -y -qq "$@"; }

scratch=$(mktemp -d /tmp/sylvara-package.XXXXXX)
installed=""
cleanup() {
  cd /
  # A failed check does not leave its package behind.
  [ -n "$installed" ] && apt_get remove --purge sylvara >/dev/null 2>&1
  rm -rf "$scratch"
}
trap cleanup EXIT
fail() {
  echo "package check: $*" >&2
  exit 1
}

deb="${1:-}"
if [ -z "$deb" ]; then
  deb=$("$root/scripts/package" "$scratch/out" | tail -1)
fi
[ -f "$deb" ] || fail "no package at $deb"
deb=$(cd "$(dirname "$deb")" && pwd)/$(basename "$deb")
echo "package: $deb"
dpkg-deb --field "$deb" Package Version Depends
version=$(dpkg-deb --field "$deb" Version)
case "$(dpkg-deb --field "$deb" Depends)" in
  *gnuplot*parallel* | *parallel*gnuplot*) ;;
  *) fail "the package does not depend on gnuplot and parallel" ;;
esac

if dpkg-query -W -f='${Status}' sylvara 2>/dev/null | grep -q "install ok installed"; then
  echo "sylvara $(dpkg-query -W -f='${Version}' sylvara) was installed: removing it first"
  apt_get remove --purge sylvara >/dev/null
fi
installed=yes
apt_get install "$deb" >/dev/null || fail "apt-get install $deb failed"
dpkg -L sylvara >"$scratch/files"
[ "$(command -v sylvara-sim)" = /usr/bin/sylvara-sim ] || fail "sylvara-sim is not on PATH in /usr/bin"

# Every tool from an empty folder: its files land there, its data comes from /usr/share/sylvara.
mkdir "$scratch/empty"
cd "$scratch/empty"
for tool in sylvara-sim sylvara-sweep sylvara-lab; do
  said=$($tool --version)
  [ "$said" = "$tool $version" ] || fail "$tool --version said \"$said\", the package is $version"
done
ALSOFT_DRIVERS=null sylvara-sim --ticks 200 --seed 1 >"$scratch/sim.log" 2>&1 || {
  cat "$scratch/sim.log"
  fail "sylvara-sim --ticks 200 failed"
}
[ "$(wc -l <population.csv)" -eq 4 ] || fail "population.csv has not a header and the rows of ticks 0, 100 and 200"
[ -s population.png ] || fail "sylvara-sim drew no population.png (is gnuplot installed?)"
sylvara-sweep --out sweep --seeds 1-2 --ticks 200 >"$scratch/sweep.log" 2>&1 || {
  cat "$scratch/sweep.log"
  fail "sylvara-sweep on 2 seeds failed"
}
[ "$(ls sweep/jobs/*.csv 2>/dev/null | wc -l)" -eq 2 ] || {
  find sweep
  fail "sylvara-sweep did not write one census per seed"
}
sylvara-lab --help >"$scratch/lab.txt" || fail "sylvara-lab --help failed"
grep -q "^usage: sylvara-lab" "$scratch/lab.txt" || fail "sylvara-lab --help printed no usage"
# The Python module, as Debian's python3 finds it without any PYTHONPATH, its art from /usr/share/sylvara.
said=$(env -u PYTHONPATH /usr/bin/python3 -c 'import sylvara
w = sylvara.World(size=1, seed=1)
w.tick(50)
print(sylvara.__file__, w.census()["tick"], sylvara.run_tree())') || fail "/usr/bin/python3 -c \"import sylvara\" failed"
case "$said" in
  /usr/lib/python3/dist-packages/sylvara.*" 50 /usr/share/sylvara") ;;
  *) fail "the Python module said \"$said\"" ;;
esac
for page in sylvara.6 sylvara-sim.1 sylvara-sweep.1 sylvara-lab.1 sylvara-rules.5 sylvara-commands.5; do
  man -w "${page%.*}" >/dev/null 2>&1 || fail "man ${page%.*} finds no page"
done
before=$(ls -A | sort)

# The window under Xvfb, until its board shows: a fifth of the screen or more in strong colours (the
# textured tiles, some 40% of it; a window without its art is white and grey).
shot="$scratch/window.png"
coloured() {
  convert "$1" -colorspace HSL -channel G -separate +channel -threshold 25% -format "%[fx:round(100*mean)]" \
    info: 2>/dev/null || echo 0
}
export SHOT="$shot"
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  ALSOFT_DRIVERS=null sylvara >"$0/window.log" 2>&1 &
  pid=$!
  for _ in $(seq 90); do
    sleep 1
    kill -0 $pid 2>/dev/null || break
    import -window root "$SHOT" 2>/dev/null || continue
    [ "$(convert "$SHOT" -colorspace HSL -channel G -separate +channel -threshold 25% \
      -format "%[fx:round(100*mean)]" info:)" -ge 20 ] && break
  done
  xdotool key Escape
  wait $pid
' "$scratch" || {
  cat "$scratch/window.log"
  fail "sylvara did not end with 0 on Escape"
}
[ -f "$shot" ] || fail "no screenshot of the window"
# SYLVARA_PACKAGE_SHOT keeps the screenshot, for a look at what was judged.
[ -z "${SYLVARA_PACKAGE_SHOT:-}" ] || cp "$shot" "$SYLVARA_PACKAGE_SHOT"
share=$(coloured "$shot")
echo "window: ${share}% of the screen in strong colours"
[ "$share" -ge 20 ] || fail "the window shows no board (${share}% of the screen in strong colours)"
[ "$(ls -A | sort)" = "$before" ] || fail "sylvara wrote files in the folder it was started in"
cd /

installed=""
apt_get remove --purge sylvara >/dev/null || fail "apt-get remove --purge sylvara failed"
left=()
while read -r path; do
  [ "$path" = "/." ] && continue
  if [ -d "$path" ] && [ ! -L "$path" ]; then
    # A folder stays only while another package owns it.
    dpkg-query -S "$path" >/dev/null 2>&1 || left+=("$path")
  elif [ -e "$path" ] || [ -L "$path" ]; then
    left+=("$path")
  fi
done <"$scratch/files"
[ ${#left[@]} -eq 0 ] || fail "left after removal: ${left[*]}"
echo "package check: installed, ran and removed cleanly ($(wc -l <"$scratch/files") paths)"
