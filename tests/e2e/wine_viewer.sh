#!/usr/bin/env bash
# What only the X server can show of the real program under Wine: that its window is an X window
# at the asked place and that Wine hands the window's shape to X, so that the pointer finds the
# window exactly where its shape is. Everything the program shows and does through the window
# system (frames, shape, drag, spin, closing) is checked by test_dialog_check.exe. Run by
# scripts/test with DEPTH=24 (the shape of the first frame against the twin's, the host build's
# viewer_twin) or DEPTH=16 (no 32-bit bitmaps: nothing is drawn and the window is not shaped).
set -uo pipefail
source "$(dirname "$0")/../../scripts/lib/common.sh"
source "$(dirname "$0")/../../scripts/lib/viewer.sh"
reexec_for_i386 "$@"
depth=${DEPTH:-24}
work="$top/build/e2e-$depth"
twin="$top/build/host/viewer_twin"
rm -rf "$work"
mkdir -p "$work"
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
if [ "$depth" -eq 24 ] && [ ! -x "$twin" ]; then
  echo "FAIL: $twin is missing (cmake --build --preset host --target viewer_twin)"
  exit 1
fi

trap 'stop_wine; stop_xvfb' EXIT
start_xvfb "$depth" || exit 1
launch_viewer
# A first start in a new Wine session, through qemu on a busy machine, can take many minutes.
wid=$(find_viewer_window 900) || { echo "FAIL: no window titled \"$VIEWER_TITLE\""; exit 1; }
viewer_geometry "$wid"
# A shaped window's X window is the whole 400 x 400 window; an unshaped one's (nothing drawn)
# is its client area, inside the 3-pixel modal frame.
case "$WIN_X,$WIN_Y,$WIN_W,$WIN_H" in
  400,200,400,400 | 403,203,394,394) ;;
  *) fail "window at $WIN_X,$WIN_Y size ${WIN_W}x$WIN_H" ;;
esac
sleep 1

sample_shape "$wid"
echo "shape: $SHAPE_INSIDE of 1600 sample points inside the window, $SHAPE_OUTSIDE outside"
if [ "$depth" -eq 24 ]; then
  "$twin" "$work/start.grid" || fail "the twin showed no first frame"
  [ "$SHAPE_GRID" = "$(cat "$work/start.grid")" ] ||
    fail "the pointer finds the window elsewhere than the twin's shape of the first frame"
  [ "$(window_at 401 201)" != "$wid" ] || fail "the corner of the window is not see-through"
else
  # Without 32-bit bitmaps the surface cannot be made: no frame, no shape.
  [ "$SHAPE_OUTSIDE" -eq 0 ] || fail "a window that draws nothing was shaped ($SHAPE_OUTSIDE points outside)"
fi

status=0
close_viewer || status=$?
case $status in
  0) ;;
  124) fail "test_dialog.exe was still running ${CLOSE_SECONDS:-60} s after WM_CLOSE (ended by force)" ;;
  *) fail "test_dialog.exe exited with status $status after WM_CLOSE" ;;
esac
[ "$failures" -eq 0 ] && echo "PASS: the X window and its shape under Wine at depth $depth"
exit $((failures > 0))
