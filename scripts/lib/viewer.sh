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

# Prints the X window under the pointer at a screen point: the shape, not stale pixels, decides.
window_at() {
  local X Y SCREEN WINDOW
  eval "$(xdotool mousemove "$1" "$2" getmouselocation --shell)"
  echo "$WINDOW"
}

# Samples the window on a 40 x 40 grid; sets SHAPE_INSIDE and SHAPE_OUTSIDE (point counts) and
# SHAPE_GRAB, a point of the model in the lower half where a drag can start ("" when none).
sample_shape() {
  local wid=$1 x y
  SHAPE_INSIDE=0
  SHAPE_OUTSIDE=0
  SHAPE_GRAB=""
  for y in $(seq 205 10 595); do
    for x in $(seq 405 10 795); do
      if [ "$(window_at "$x" "$y")" = "$wid" ]; then
        SHAPE_INSIDE=$((SHAPE_INSIDE + 1))
        [ -z "$SHAPE_GRAB" ] && [ "$y" -ge 350 ] && SHAPE_GRAB="$x $y"
      else
        SHAPE_OUTSIDE=$((SHAPE_OUTSIDE + 1))
      fi
    done
  done
}

screenshot() {
  import -window root "$1"
}

# A screenshot of the window and a 20-pixel margin of the desktop around it.
window_screenshot() {
  import -window root -crop "$((WIN_W + 40))x$((WIN_H + 40))+$((WIN_X - 20))+$((WIN_Y - 20))" +repage "$1"
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
