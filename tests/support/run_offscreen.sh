#!/bin/sh
# Runs one form test without a display, with a private runtime folder as Qt wants.
runtime=$(mktemp -d)
chmod 700 "$runtime"
QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$runtime" "$@"
status=$?
rm -rf "$runtime"
exit $status
