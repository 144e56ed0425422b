#!/usr/bin/env bash
# Runs every test: the native unit tests and the tests that drive the real program under Wine
# (registered in build/native by tests/wine/CMakeLists.txt). Extra arguments go to ctest,
# e.g. `scripts/test.sh -L wine` or `scripts/test.sh -R 'wine\.(setup|cleanup|MainWindow)'`.
# Expects the three builds to be there (make test makes them first).
set -uo pipefail
cd "$(dirname "$0")/.."

run=build/native/wine-run
# ctest's clean-up test ends the run's Wine processes and Xvfb; this also covers a run that is
# interrupted or whose ctest dies.
cleanup() { scripts/wine-env.sh cleanup "$run" >/dev/null 2>&1 || true; }
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

if [ ! -f build/native/CTestTestfile.cmake ]; then
  echo "test: build/native is missing; run make test (or make native x86_64 first)" >&2
  exit 1
fi

started=$SECONDS
ctest --test-dir build/native --output-on-failure --no-tests=error "$@"
status=$?
echo "test: ctest finished in $((SECONDS - started)) s with status $status"
if [ -d "$run/screenshots" ] && [ -n "$(ls -A "$run/screenshots" 2>/dev/null)" ]; then
  echo "test: screenshots of the Wine tests in $run/screenshots"
fi
exit $status
