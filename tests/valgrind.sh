#!/usr/bin/env bash
# Runs the host test binaries of the release preset (optimised, no sanitizers) under valgrind's
# memcheck: any invalid access, use of undefined values or definitely lost block fails the run.
# No suppressions are needed: the binaries use nothing beyond the C++ runtime and GoogleTest.
set -uo pipefail
cd "$(dirname "$0")/../build/release" || exit 1
status=0
for binary in unit_tests viewer_e2e_tests viewer_fault_tests; do
  echo "-- valgrind $binary"
  valgrind --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite --quiet \
    "./$binary" --gtest_brief=1 >"valgrind_$binary.log" 2>&1 || { status=1; tail -40 "valgrind_$binary.log"; }
done
exit $status
