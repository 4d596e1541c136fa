# Shared by scripts/test and scripts/run: the build of both presets and a private X server.

top=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

# Configures (once) and builds a preset: every target, or only those named after it.
build_preset() {
  local preset=$1
  shift
  local targets=()
  [ $# -gt 0 ] && targets=(--target "$@")
  if [ ! -f "$top/build/$preset/build.ninja" ]; then
    cmake --preset "$preset" -S "$top" >"$top/build/$preset.configure.log" 2>&1 ||
      { cat "$top/build/$preset.configure.log"; return 1; }
  fi
  cmake --build --preset "$preset" "${targets[@]}" -- -k 0
}

# Starts an Xvfb of the given depth on a free display; sets XVFB_PID and DISPLAY.
start_xvfb() {
  local depth=${1:-24}
  local fdfile
  fdfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 "1280x1024x$depth" -noreset -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
  XVFB_PID=$!
  local i
  for i in $(seq 1 100); do
    [ -s "$fdfile" ] && break
    sleep 0.1
  done
  if [ ! -s "$fdfile" ]; then
    echo "Xvfb did not start" >&2
    rm -f "$fdfile"
    return 1
  fi
  DISPLAY=":$(head -n1 "$fdfile")"
  export DISPLAY
  rm -f "$fdfile"
  # A desktop colour of its own, so that what shows through a shaped window is plain to see.
  xsetroot -solid '#3a6ea5' 2>/dev/null || true
}

stop_xvfb() {
  if [ -n "${XVFB_PID:-}" ]; then
    kill "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
    XVFB_PID=""
  fi
}

# Wine with the project's own prefix under build/, quiet.
export WINEPREFIX="$top/build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

# Wine's loader is a 32-bit x86 program, and some kernels run none ("Exec format error"). There
# the calling script starts again, with the same arguments, in a user and mount namespace of its
# own where qemu-i386 (scripts/setup installs a recent one) runs such programs: much slower, but the
# same Wine. Call it right after sourcing this file: reexec_for_i386 "$@".
reexec_for_i386() {
  /lib/ld-linux.so.2 --help >/dev/null 2>&1 && return 0
  if [ -n "${TD_I386_EMULATED:-}" ]; then
    echo "$(basename "$0"): this kernel runs no 32-bit x86 programs, even through qemu-i386" >&2
    exit 1
  fi
  echo "$(basename "$0"): this kernel runs no 32-bit x86 programs; Wine runs through qemu-i386" >&2
  TD_I386_EMULATED=1 exec unshare --user --map-root-user --mount "$top/scripts/lib/i386-namespace" bash "$0" "$@"
}

stop_wine() {
  wineserver -k 2>/dev/null || true
}
