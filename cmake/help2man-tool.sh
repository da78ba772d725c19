#!/bin/sh
# Runs a tool for help2man, which takes "Usage:" and "Options:" for the heads of SYNOPSIS and OPTIONS:
# the tools' help says "usage:" and puts no head over its options, so those two words are all that change.
program="$1"
shift
"$program" "$@" | sed -e '1s/^usage: /Usage: /' -e '0,/^  -/s/^  -/Options:\n&/'
