#!/usr/bin/env bash
# End-to-end test of the real program under Wine: its window on an X server, its shape, a drag
# with the real X pointer, the spin that stops by itself and a clean close. Run by scripts/test
# with DEPTH=24 (the full test) or DEPTH=16 (a display without 32-bit bitmaps: the window opens,
# nothing is drawn, and the program still closes cleanly).
#
# At depth 24 the screen is held against the program's twin, the host build's viewer_twin (build
# the host preset first): at start the client area shows exactly the twin's first frame, and once
# the spin after the drag has run out, exactly the frame the twin shows after the same messages.
# Wine's message trace tells which messages the window got from the press to the release,
# including any that the window system adds to what the pointer did.
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
launch_viewer "$work/messages.trace"
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
inside=$SHAPE_INSIDE
outside=$SHAPE_OUTSIDE
echo "shape: $inside of 1600 sample points inside the window, $outside outside"

if [ "$depth" -eq 24 ]; then
  # The model covers part of the window, and the desktop shows through the rest.
  [ "$inside" -gt 100 ] || fail "the window's shape covers too little ($inside points)"
  [ "$outside" -gt 100 ] || fail "the window is not shaped ($outside points outside)"
  [ "$(window_at 401 201)" != "$wid" ] || fail "the corner of the window is not see-through"
  # The pointer away from the window, so that it is in no screenshot of the model.
  xdotool mousemove 100 100
  screenshot "$work/before.png"
  : >"$work/start.messages"
  "$twin" "$work/start.messages" "$work/before.png" "$work/before-twin.png" "$work/before.grid" ||
    fail "the window at start does not show the twin's first frame"
  [ "$SHAPE_GRID" = "$(cat "$work/before.grid")" ] ||
    fail "at start the pointer finds the window elsewhere than the twin's shape"
  # The drag must start on the model: elsewhere the press reaches the desktop. While the button
  # is held still after the moves, the model stays where the moves left it.
  [ -n "$SHAPE_GRAB" ] || fail "no point of the model to press on"
  press_and_move ${SHAPE_GRAB:-600 400} 120 40
  sleep 0.5
  screenshot "$work/held-a.png"
  sleep 1.5
  screenshot "$work/held-b.png"
  xdotool mouseup 1
  cmp -s "$work/before.png" "$work/held-a.png" && fail "the moves did not turn the model"
  cmp -s "$work/held-a.png" "$work/held-b.png" || fail "the model moved while the button was held still"
  xdotool mousemove 100 100
  sleep 0.3
  screenshot "$work/spinning.png"
  cmp -s "$work/held-b.png" "$work/spinning.png" && fail "the model did not spin on after the release"
  wait_until_still "$work" 120 || fail "the spin did not stop within 120 s"
  screenshot "$work/rest.png"
  sample_shape "$wid"
  if drag_messages "$work/messages.trace" >"$work/drag.messages"; then
    echo "the window got $(wc -l <"$work/drag.messages") messages from the press to the release:" \
      "$(cut -d' ' -f1 "$work/drag.messages" | sort | uniq -c | xargs)"
    "$twin" "$work/drag.messages" "$work/rest.png" "$work/rest-twin.png" "$work/rest.grid" ||
      fail "the window at rest does not show the twin's frame after the same messages"
    [ "$SHAPE_GRID" = "$(cat "$work/rest.grid")" ] ||
      fail "at rest the pointer finds the window elsewhere than the twin's shape"
  else
    fail "Wine's trace shows no press and release of the drag"
  fi
else
  # Without 32-bit bitmaps the surface cannot be made: no frame, no shape.
  [ "$outside" -eq 0 ] || fail "a window that draws nothing was shaped ($outside points outside)"
fi

status=0
close_viewer || status=$?
case $status in
  0) ;;
  124) fail "test_dialog.exe was still running ${CLOSE_SECONDS:-60} s after WM_CLOSE (ended by force)" ;;
  *) fail "test_dialog.exe exited with status $status after WM_CLOSE" ;;
esac
[ "$failures" -eq 0 ] && echo "PASS: end-to-end under Wine at depth $depth"
exit $((failures > 0))
