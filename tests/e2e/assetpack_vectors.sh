#!/usr/bin/env bash
# The packer's raw LZARI subcommands against the conformance vectors: lzari-encode must give every
# stream byte for byte (all but the truncated one) and lzari-decode every content.
set -u
top=$(cd "$(dirname "$0")/../.." && pwd)
vectors="$top/../shared/vectors/lzari"
tool="$top/build/host/assetpack"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
for stream in "$vectors"/*.lzari; do
  name=$(basename "$stream" .lzari)
  if [ "$name" != mesh_truncated ]; then
    "$tool" lzari-encode "$vectors/$name.bin" "$work/$name.lzari" && cmp -s "$work/$name.lzari" "$stream" ||
      { echo "FAIL: lzari-encode $name"; failures=$((failures + 1)); }
  fi
  "$tool" lzari-decode "$stream" "$work/$name.bin" && cmp -s "$work/$name.bin" "$vectors/$name.bin" ||
    { echo "FAIL: lzari-decode $name"; failures=$((failures + 1)); }
done
[ "$failures" -eq 0 ]
