#!/usr/bin/env bash
# End-to-end test of the real program under Wine: its window on an X server, its shape, a drag
# with the real X pointer, the spin that stops by itself and a clean close. Run by scripts/test
# with DEPTH=24 (the full test) or DEPTH=16 (a display without 32-bit bitmaps: the window opens,
# nothing is drawn, and the program still closes cleanly).
set -uo pipefail
source "$(dirname "$0")/../../scripts/lib/common.sh"
source "$(dirname "$0")/../../scripts/lib/viewer.sh"
depth=${DEPTH:-24}
work="$top/build/e2e-$depth"
rm -rf "$work"
mkdir -p "$work"
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

trap 'stop_wine; stop_xvfb' EXIT
start_xvfb "$depth" || exit 1
launch_viewer
wid=$(find_viewer_window 90) || { echo "FAIL: no window titled \"$VIEWER_TITLE\""; exit 1; }
viewer_geometry "$wid"
# A shaped window's X window is the whole 400 x 400 window; an unshaped one's (nothing drawn)
# is its client area, inside the 3-pixel modal frame.
case "$WIN_X,$WIN_Y,$WIN_W,$WIN_H" in
  400,200,400,400 | 403,203,394,394) ;;
  *) fail "window at $WIN_X,$WIN_Y size ${WIN_W}x$WIN_H" ;;
esac
sleep 1

sample_shape "$wid"
inside=$SHAPE_INSIDE
outside=$SHAPE_OUTSIDE
echo "shape: $inside of 1600 sample points inside the window, $outside outside"

if [ "$depth" -eq 24 ]; then
  # The model covers part of the window, and the desktop shows through the rest.
  [ "$inside" -gt 100 ] || fail "the window's shape covers too little ($inside points)"
  [ "$outside" -gt 100 ] || fail "the window is not shaped ($outside points outside)"
  [ "$(window_at 401 201)" != "$wid" ] || fail "the corner of the window is not see-through"
  screenshot "$work/before.png"
  # The drag must start on the model: elsewhere the press reaches the desktop.
  [ -n "$SHAPE_GRAB" ] || fail "no point of the model to press on"
  drag ${SHAPE_GRAB:-600 400} 120 40
  sleep 0.3
  screenshot "$work/spinning.png"
  cmp -s "$work/before.png" "$work/spinning.png" && fail "the drag did not change the picture"
  wait_until_still "$work" 40 || fail "the spin did not stop within 40 s"
else
  # Without 32-bit bitmaps the surface cannot be made: no frame, no shape.
  [ "$outside" -eq 0 ] || fail "a window that draws nothing was shaped ($outside points outside)"
fi

status=0
close_viewer || status=$?
[ "$status" -eq 0 ] || fail "test_dialog.exe exited with status $status after WM_CLOSE"
[ "$failures" -eq 0 ] && echo "PASS: end-to-end under Wine at depth $depth"
exit $((failures > 0))
