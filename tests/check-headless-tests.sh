#!/usr/bin/env bash
# Only the window's own unit tests load the staged art: the tests of the model (world/, life/,
# plants/), of the saved worlds, the runner, the sweep and the shared code, and the helpers they
# share, include nothing of the window's side, so none of them can build a scene, a character or a
# sound. A case that checks drawing belongs with the scene's tests (tests/presentation/).
# Usage: check-headless-tests.sh SOURCE_FOLDER
set -euo pipefail
cd "$1/tests"
window='#include "(presentation|character|audio|app|interaction|lab|art)/|DrawnWorldFixture|WorldScene::'
# Code lines only: a comment may name the scene's tests.
found=$(grep -rnE "$window" world life plants save sim sweep common ./*.h | grep -vE '^[^:]+:[0-9]+:[[:space:]]*//' || true)
if [ -n "$found" ]; then
    echo "these tests of the headless side reach the window's (move the drawing cases to tests/presentation/):"
    sed 's/^/  /' <<<"$found"
    exit 1
fi
