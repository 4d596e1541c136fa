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

# Samples the window with the pointer on a 40 x 40 grid, screen (405 + 10i, 205 + 10j); sets
# SHAPE_INSIDE and SHAPE_OUTSIDE (point counts), SHAPE_GRID (the grid row by row, "1" for a point
# inside the window and "0" outside, as viewer_twin writes it) and SHAPE_GRAB, a point of the
# model in the lower half where a drag can start ("" when none).
sample_shape() {
  local wid=$1 x y
  SHAPE_INSIDE=0
  SHAPE_OUTSIDE=0
  SHAPE_GRID=""
  SHAPE_GRAB=""
  for y in $(seq 205 10 595); do
    for x in $(seq 405 10 795); do
      if [ "$(window_at "$x" "$y")" = "$wid" ]; then
        SHAPE_INSIDE=$((SHAPE_INSIDE + 1))
        SHAPE_GRID+=1
        [ -z "$SHAPE_GRAB" ] && [ "$y" -ge 350 ] && SHAPE_GRAB="$x $y"
      else
        SHAPE_OUTSIDE=$((SHAPE_OUTSIDE + 1))
        SHAPE_GRID+=0
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

# Takes window screenshots one after another into DIR/frame-NNNN.png, in the background, until
# stop_recording; sets RECORDING_DIR and RECORDER_PID.
start_recording() {
  RECORDING_DIR=$1
  mkdir -p "$RECORDING_DIR"
  rm -f "$RECORDING_DIR"/frame-*.png "$RECORDING_DIR/stop"
  (
    i=0
    while [ ! -e "$RECORDING_DIR/stop" ]; do
      window_screenshot "$(printf '%s/frame-%04d.png' "$RECORDING_DIR" "$i")"
      i=$((i + 1))
      sleep 0.05
    done
  ) &
  RECORDER_PID=$!
  RECORDING_START=$(date +%s%N)
}

# Stops the recording and makes an animated GIF of it: repeated pictures dropped, at most
# MAX_FRAMES (16) taken evenly, shown at the pace they were taken and the last one held.
stop_recording() {
  local gif=$1 max=${MAX_FRAMES:-16}
  touch "$RECORDING_DIR/stop"
  wait "$RECORDER_PID"
  local elapsed=$((($(date +%s%N) - RECORDING_START) / 10000000)) frames=() kept=() f previous=""
  for f in "$RECORDING_DIR"/frame-*.png; do
    [ -e "$f" ] || continue
    frames+=("$f")
    if [ -z "$previous" ] || ! cmp -s "$previous" "$f"; then kept+=("$f"); fi
    previous=$f
  done
  [ ${#kept[@]} -gt 0 ] || return 1
  local step=$(((${#kept[@]} + max - 1) / max)) chosen=() i
  for ((i = 0; i < ${#kept[@]}; i += step)); do chosen+=("${kept[$i]}"); done
  [ "${chosen[-1]}" = "${kept[-1]}" ] || chosen+=("${kept[-1]}")
  # Hundredths of a second per picture taken, times the pictures each kept one stands for.
  local delay=$((elapsed * step / ${#frames[@]}))
  convert -delay "$((delay > 2 ? delay : 2))" "${chosen[@]:0:${#chosen[@]}-1}" -delay 200 "${chosen[-1]}" \
    -loop 0 +dither -colors 128 -layers Optimize "$gif"
}

# Presses the left button at (x, y), moves by (dx, dy) in small steps and releases it.
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

# Closes the window with WM_CLOSE and waits for the program; returns its exit status, or 124
# when it was still running CLOSE_SECONDS (60) after WM_CLOSE: it is then ended by force, so that
# a program that ignores WM_CLOSE fails the caller instead of hanging it.
close_viewer() {
  local seconds=${CLOSE_SECONDS:-60} i status=0
  # close_window.exe waits for the program's process itself (and is given time of its own to
  # start); the few seconds after it are for Wine's own process to follow.
  timeout $((seconds * 5)) wine "$top/build/win32/close_window.exe" "$VIEWER_TITLE" $((seconds * 1000)) >/dev/null
  for i in $(seq 1 50); do
    kill -0 "$VIEWER_PID" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$VIEWER_PID" 2>/dev/null; then
    kill -KILL "$VIEWER_PID" 2>/dev/null
    wait "$VIEWER_PID" 2>/dev/null
    return 124
  fi
  wait "$VIEWER_PID" || status=$?
  return $status
}
