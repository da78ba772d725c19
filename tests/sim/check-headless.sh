#!/usr/bin/env bash
# The headless programs carry the model and no part of the window: the only libraries they name are
# OpenSceneGraph's core and its threads, SQLite, toml++ and the C++ runtime (no viewer, text, database,
# input or utility library, no Cal3D, OpenAL, libsndfile, media library, X11 or GL), and a runner
# copied alone into an empty folder, with no models/ or sounds/ beside it, runs a world and saves it.
# Usage: check-headless.sh BIN_FOLDER
set -euo pipefail
bin=$1
status=0
for program in sylvara-sim sylvara-sweep; do
    needed=$(readelf -d "$bin/$program" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
    # The sanitizers' runtimes are named only in their own build.
    others=$(grep -vE '^lib(osg|OpenThreads|sqlite3|tomlplusplus|stdc\+\+|m|gcc_s|c|asan|ubsan)\.so' <<<"$needed" || true)
    if [ -n "$others" ]; then
        echo "$program names libraries a headless program must not: $(echo $others)"
        status=1
    fi
done
scratch=$(mktemp -d /tmp/sylvara-headless.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/bin"
cp "$bin/sylvara-sim" "$scratch/bin/"
cd "$scratch/bin"
if ! ./sylvara-sim --seed 3 --size 2 --ticks 50 --csv run.csv --plot run.png --traits traits.png \
    --save run.sylvara >out.txt 2>&1; then
    echo "a lone sylvara-sim did not run:"; cat out.txt
    status=1
elif [ ! -s run.csv ] || [ ! -s run.sylvara ]; then
    echo "a lone sylvara-sim wrote no census or saved world"; ls -la
    status=1
fi
exit $status
