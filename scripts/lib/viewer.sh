# Driving the real program under Wine on an X server: start it, find its window, drag it with
# the X pointer, take screenshots and close it with WM_CLOSE. Sourced after common.sh.

VIEWER_TITLE="Test dialog"

# Starts the program in the background; sets VIEWER_PID.
launch_viewer() {
  wine "$top/build/win32/test_dialog.exe" >/dev/null 2>&1 &
  VIEWER_PID=$!
}

# Prints the X window id of the program's window once it is mapped; fails after the timeout.
find_viewer_window() {
  local timeout=${1:-60}
  timeout "$timeout" xdotool search --sync --onlyvisible --name "^${VIEWER_TITLE}\$" 2>/dev/null | head -n1
}

# Sets WIN_X, WIN_Y, WIN_W, WIN_H from the X window's geometry.
viewer_geometry() {
  local wid=$1 X Y WIDTH HEIGHT SCREEN WINDOW
  eval "$(xdotool getwindowgeometry --shell "$wid")"
  WIN_X=$X WIN_Y=$Y WIN_W=$WIDTH WIN_H=$HEIGHT
}

screenshot() {
  import -window root "$1"
}

# Presses the left button at (x, y), moves by (dx, dy) in small steps and releases.
drag() {
  local x=$1 y=$2 dx=$3 dy=$4 steps=${5:-10} i
  xdotool mousemove "$x" "$y" mousedown 1
  for i in $(seq 1 "$steps"); do
    xdotool mousemove "$((x + dx * i / steps))" "$((y + dy * i / steps))"
    sleep 0.02
  done
  xdotool mouseup 1
}

# Waits until two screenshots a second apart are identical (the spin has stopped).
wait_until_still() {
  local dir=$1 timeout=${2:-30} i
  screenshot "$dir/still-a.png"
  for i in $(seq 1 "$timeout"); do
    sleep 1
    screenshot "$dir/still-b.png"
    if cmp -s "$dir/still-a.png" "$dir/still-b.png"; then
      return 0
    fi
    mv "$dir/still-b.png" "$dir/still-a.png"
  done
  return 1
}

# Closes the window with WM_CLOSE and waits for the program; returns its exit status.
close_viewer() {
  wine "$top/build/win32/close_window.exe" "$VIEWER_TITLE" 20000 >/dev/null 2>&1 || true
  local status=0
  wait "$VIEWER_PID" || status=$?
  return $status
}
