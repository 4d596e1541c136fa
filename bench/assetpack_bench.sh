#!/usr/bin/env bash
# The asset packer on large models: for generated tori of 10k, 100k and 1M triangles, the time and
# peak memory of `assetpack pack` (release build) and of compiling the source it writes with the
# Windows build's compiler and flags, each measured by /usr/bin/time -v.
#
#   cmake --preset release && cmake --build --preset release --target assetpack modelgen
#   cmake --preset win32                     # for the compile command
#   bench/assetpack_bench.sh [AROUNDxACROSS ...]   (default: 100x50 250x200 1000x500)
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
tools="$top/build/release"
commands="$top/build/win32/compile_commands.json"
[ -x "$tools/assetpack" ] && [ -x "$tools/modelgen" ] || { echo "build the release preset first" >&2; exit 2; }
[ -f "$commands" ] || { echo "configure the win32 preset first" >&2; exit 2; }
# The compile command of the embedded model in the Windows build, pointed at each generated file.
compile=$(grep -o '"command": "[^"]*embedded_model_data\.cpp"' "$commands" | head -1 |
          sed -e 's/^"command": "//' -e 's/"$//' -e 's/ -o [^ ]*/ -o OUT/' -e 's/ -c [^ ]*/ -c IN/')
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# "wall-seconds cpu-seconds peak-MB" from a /usr/bin/time -v report.
measure() {
  awk -F': ' '/Elapsed \(wall clock\)/ { n = split($2, t, ":"); wall = t[n] + (n > 1 ? 60 * t[n - 1] : 0) }
              /User time/ { cpu += $2 } /System time/ { cpu += $2 }
              /Maximum resident/ { mb = $2 / 1024 }
              END { printf "%.2f %.2f %.0f", wall, cpu, mb }' "$1"
}

printf '| triangles | OBJ MB | pack wall s | pack CPU s | pack peak MB | source MB | compile wall s | compile CPU s | compile peak MB |\n'
printf '| ---: | ---: | ---: | ---: | ---: | ---: | ---: | ---: | ---: |\n'
for size in ${@:-100x50 250x200 1000x500}; do
  around=${size%x*} across=${size#*x}
  triangles=$((2 * around * across))
  "$tools/modelgen" --torus "$around" "$across" "$work/model.obj"
  /usr/bin/time -v "$tools/assetpack" pack "$work/model.obj" "$work/model.cpp" >/dev/null 2>"$work/pack.time"
  read -r pw pc pm <<<"$(measure "$work/pack.time")"
  cmd=${compile/ -c IN/ -c $work/model.cpp}
  cmd=${cmd/ -o OUT/ -o $work/model.obj.o}
  /usr/bin/time -v $cmd 2>"$work/compile.time"
  read -r cw cc cm <<<"$(measure "$work/compile.time")"
  printf '| %d | %.1f | %s | %s | %s | %.1f | %s | %s | %s |\n' "$triangles" \
    "$(echo "$(stat -c %s "$work/model.obj") / 1048576" | bc -l)" "$pw" "$pc" "$pm" \
    "$(echo "$(stat -c %s "$work/model.cpp") / 1048576" | bc -l)" "$cw" "$cc" "$cm"
done
