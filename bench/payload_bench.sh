#!/usr/bin/env bash
# Payload benchmark with a real-size payload. Everything it makes stays under build/bench
# (ZORDELO_BENCH_DIR), nothing of it is committed. One run reports, side by side:
#   - packing: the build's way (libdeflate level 12) against zlib level 6, with the packed
#     ratio and the packing time of each;
#   - unpacking both payloads: our unpack_archive (host build of the code setup.exe runs) against
#     Info-ZIP `unzip -o` and a bare zlib inflate of the same entries into the same folder:
#     wall time and peak anonymous memory (RssAnon, sampled every 1 ms; file-backed pages of the
#     mapped archive are not counted, they are shown separately as RssFile);
#   - building setup.exe with that payload: packing, assembling + linking, size overhead; and
#     embedding by .incbin against an RCDATA resource;
#   - `setup.exe --silent` under Wine with that payload (when the silent installer is there).
# Needs: g++, zlib, python3, libdeflate-gzip, unzip, the mingw toolchain and wine.
#
# Usage: bench/payload_bench.sh [all|unpack|build|silent]   (default all; the parts share inputs)
set -euo pipefail
part=${1:-all}
want() { [ "$part" = all ] || [ "$part" = "$1" ]; }
src=$(cd "$(dirname "$0")/.." && pwd)
work=$(realpath -m "${ZORDELO_BENCH_DIR:-$src/build/bench}")
reps=${ZORDELO_BENCH_REPS:-3}
game_size=328817872
second_size=363520
mkdir -p "$work"
cd "$work"

say() { printf '%s\n' "$*"; }
kib_to_mib() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }
field() { sed -n "s/.*$1=\([^ ]*\).*/\1/p" <<<"$2"; }

say "== payload benchmark ($(date -u +%Y-%m-%dT%H:%MZ), $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg))"

# Our unpacking code, built for the host with the flags of the RelWithDebInfo host build.
g++ -O2 -g -DNDEBUG -std=c++20 -I"$src/src" "$src/bench/payload_bench.cpp" "$src/src/setup/engine/unpack.cpp" \
  "$src/src/setup/engine/zip_reader.cpp" "$src/src/setup/engine/extraction_name.cpp" "$src/src/common/winpath.cpp" \
  "$src/src/common/text.cpp" -lz -o payload_bench
bench=$work/payload_bench

# Inputs: a synthetic game executable and a second entry of the uninstaller's size.
if [ "$(stat -c %s Zordelo.exe 2>/dev/null || echo 0)" != "$game_size" ]; then
  "$bench" generate Zordelo.exe "$game_size"
fi
if [ "$(stat -c %s uninstall.exe 2>/dev/null || echo 0)" != "$second_size" ]; then
  "$bench" generate uninstall.exe "$second_size" 290
fi
# Both payloads: the build's (libdeflate level 12) and zlib level 6's, for comparison.
elapsed() { awk -v a="$1" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }'; }
entry_sizes() {
  python3 - "$1" <<'EOF'
import struct, sys
with open(sys.argv[1], "rb") as f:
    head = f.read(30)
    p0, n0 = struct.unpack_from("<I", head, 18)[0], struct.unpack_from("<H", head, 26)[0]
    f.seek(30 + n0 + p0)
    print(p0, struct.unpack_from("<I", f.read(30), 18)[0])
EOF
}
payloads=(libdeflate12 zlib6)
declare -A zip_of=([libdeflate12]=payload.zip [zlib6]=payload-zlib6.zip)
declare -A pack_options=([libdeflate12]="" [zlib6]="--zlib-level 6")
declare -A packed_game
say "packing ($game_size + $second_size bytes; wall time, CPU time of the packer and its children):"
for p in "${payloads[@]}"; do
  # shellcheck disable=SC2086  # the options are words
  cpu=$(/usr/bin/time -f "%e %U %S" python3 "$src/assets/pack_payload.py" ${pack_options[$p]} "${zip_of[$p]}" \
    Zordelo.exe=Zordelo.exe uninstall.exe=uninstall.exe 2>&1 >/dev/null | tail -1)
  read -r pack_wall pack_user pack_sys <<<"$cpu"
  read -r packed0 packed1 < <(entry_sizes "${zip_of[$p]}")
  packed_game[$p]=$packed0
  printf '  %-13s payload %10s bytes; Zordelo.exe -> %10s (ratio %s), uninstall.exe -> %6s; packing %5s s wall, %5s s CPU\n' \
    "$p" "$(stat -c %s "${zip_of[$p]}")" "$packed0" "$(awk -v a="$packed0" -v b="$game_size" 'BEGIN{printf "%.4f", a/b}')" \
    "$packed1" "$pack_wall" "$(awk -v a="$pack_user" -v b="$pack_sys" 'BEGIN { printf "%.1f", a + b }')"
done
say "  libdeflate12 against zlib6 on Zordelo.exe: $(awk -v a="${packed_game[libdeflate12]}" -v b="${packed_game[zlib6]}" \
  'BEGIN { printf "%+.2f %% (%d bytes)", (a / b - 1) * 100, a - b }')"

if want unpack; then
# Unpacking, each tool on each payload $reps times, interleaved, into a fresh folder each time.
cat payload.zip payload-zlib6.zip >/dev/null  # the archives in the page cache for everyone
declare -A best_wall best_anon all_wall
runs=()
for p in "${payloads[@]}"; do for tool in ours unzip inflate; do runs+=("$p/$tool"); done; done
for r in "${runs[@]}"; do best_wall[$r]=999999; best_anon[$r]=0; all_wall[$r]=""; done
for rep in $(seq "$reps"); do
  for r in "${runs[@]}"; do
    archive=${zip_of[${r%/*}]}
    rm -rf out && mkdir out
    sync
    case ${r#*/} in
      ours) line=$("$bench" measure "$bench" ours "$archive" out) ;;
      unzip) line=$("$bench" measure unzip -o -q "$archive" -d out) ;;
      inflate) line=$("$bench" measure "$bench" inflate "$archive" out) ;;
    esac
    [ "$(field exit "$line")" = 0 ] || { say "$r failed: $line"; exit 1; }
    cmp -s out/Zordelo.exe Zordelo.exe && cmp -s out/uninstall.exe uninstall.exe || { say "$r wrote wrong files"; exit 1; }
    wall=$(field wall_s "$line"); anon=$(field peak_rss_anon_kib "$line")
    all_wall[$r]+="$wall "
    best_wall[$r]=$(awk -v a="$wall" -v b="${best_wall[$r]}" 'BEGIN { print (a < b ? a : b) }')
    best_anon[$r]=$(awk -v a="$anon" -v b="${best_anon[$r]}" 'BEGIN { print (a > b ? a : b) }')
    [ "$rep" = 1 ] && say "  $r run 1: $line"
  done
done
rm -rf out
say ""
say "unpack ($reps runs each; best wall time; highest peak RssAnon of all runs; bare: bare inflate of the same payload)"
printf '  %-21s %9s %9s %12s   %s\n' "payload/tool" "wall s" "vs bare" "RssAnon MiB" "all wall times"
for r in "${runs[@]}"; do
  printf '  %-21s %9s %9s %12s   %s\n' "$r" "${best_wall[$r]}" \
    "$(awk -v a="${best_wall[$r]}" -v b="${best_wall[${r%/*}/inflate]}" 'BEGIN { printf "%.2fx", a / b }')" \
    "$(kib_to_mib "${best_anon[$r]}")" "${all_wall[$r]}"
done
for p in "${payloads[@]}"; do
  say "  $p: ours vs unzip $(awk -v a="${best_wall[$p/ours]}" -v b="${best_wall[$p/unzip]}" 'BEGIN { printf "%.2fx", a / b }')"
done
say "  ours on the libdeflate12 payload vs on the zlib6 payload: $(awk -v a="${best_wall[libdeflate12/ours]}" \
  -v b="${best_wall[zlib6/ours]}" 'BEGIN { printf "%.2fx", a / b }')"
fi

# setup.exe with this payload.
mingw=$work/mingw
if want build || want silent; then
  if [ ! -f "$mingw/CMakeCache.txt" ]; then
    cmake -S "$src" -B "$mingw" -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-w64.cmake" -DCMAKE_BUILD_TYPE=Release \
      -DZORDELO_TESTS=OFF -DZORDELO_GAME_EXE="$work/Zordelo.exe" >/dev/null
  fi
  cmake --build "$mingw" -j2 --target setup >/dev/null
fi

if want build; then
say ""
touch "$work/Zordelo.exe"
start=$(date +%s.%N)
cmake --build "$mingw" -j2 --target setup >/dev/null
rebuild_s=$(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }')
touch "$mingw/assets/payload.zip"
start=$(date +%s.%N)
cmake --build "$mingw" -j2 --target setup >/dev/null
embed_s=$(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }')
setup_size=$(stat -c %s "$mingw/bin/setup.exe")
# The build packs the real uninstall.exe rather than the stand-in second entry used above.
built_payload=$(stat -c %s "$mingw/assets/payload.zip")
say "setup.exe: $setup_size bytes = payload $built_payload (with the built uninstall.exe) + $((setup_size - built_payload)) bytes of program and page"
say "  rebuild after the game changed (pack + assemble + link): ${rebuild_s} s"
say "  rebuild after the payload changed (assemble + link):     ${embed_s} s"

# Embedding: .incbin in .rdata against an RCDATA resource, the same payload, each linked into
# a minimal program with the 4 KiB alignment of setup.exe.
emb=$work/embed
mkdir -p "$emb"
printf '    .section .rdata,"dr"\n    .globl blob_start\nblob_start:\n    .incbin "%s"\n    .globl blob_end\nblob_end:\n' \
  "$work/payload.zip" >"$emb/blob.S"
printf '1 RCDATA "%s"\n' "$work/payload.zip" >"$emb/blob.rc"
cat >"$emb/incbin.c" <<'EOF'
extern const unsigned char blob_start[], blob_end[];
int main(void) { return (int)(blob_end - blob_start) & 1; }
EOF
cat >"$emb/rcdata.c" <<'EOF'
#include <windows.h>
int main(void) { HRSRC r = FindResourceW(NULL, MAKEINTRESOURCEW(1), (LPCWSTR)RT_RCDATA); return r ? (int)(SizeofResource(NULL, r) & 1) : 2; }
EOF
timed() { /usr/bin/time -f "%e s, peak RSS %M KiB" "$@" 2>&1 >/dev/null | tail -1; }
cc=x86_64-w64-mingw32-gcc-posix
align="-Wl,--file-alignment=4096 -Wl,--section-alignment=4096"
say "embedding the payload:"
say "  .incbin: assemble $(timed $cc -c "$emb/blob.S" -o "$emb/blob.o");" \
  "link $(timed $cc -static $align "$emb/incbin.c" "$emb/blob.o" -o "$emb/incbin.exe")"
say "  RCDATA:  windres  $(timed x86_64-w64-mingw32-windres -O coff "$emb/blob.rc" -o "$emb/blob.res");" \
  "link $(timed $cc -static $align "$emb/rcdata.c" "$emb/blob.res" -o "$emb/rcdata.exe")"
say "  sizes: .incbin exe $(stat -c %s "$emb/incbin.exe"), RCDATA exe $(stat -c %s "$emb/rcdata.exe") bytes"
rm -f "$emb"/*.o "$emb"/*.res "$emb"/*.exe
fi

if want silent; then
# setup.exe --silent under Wine, in a prefix of its own.
say ""
"$src/scripts/wine-prefix.sh" "$work/wine"
target=$work/silent-target/Zordelo  # the installer keeps a location that ends in Zordelo
rm -rf "$work/silent-target"
wtarget="Z:$(tr / '\\' <<<"$target")"
export HOME=$work/wine/home WINEPREFIX=$work/wine/prefix WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree=d;mshtml=d;winemenubuilder.exe=d"
wine cmd.exe /c exit >/dev/null 2>&1 || true  # a warm wineserver, as for any later program
line=$("$bench" measure wine "$mingw/bin/setup.exe" --silent "$wtarget")
wineserver -k 2>/dev/null || true
if [ "$(field exit "$line")" = 0 ] && cmp -s "$target/Zordelo.exe" Zordelo.exe &&
  cmp -s "$target/uninstall.exe" "$mingw/bin/uninstall.exe"; then
  say "setup.exe --silent under Wine: $line (RssAnon $(kib_to_mib "$(field peak_rss_anon_kib "$line")") MiB)"
else
  say "setup.exe --silent under Wine: not measured: this setup.exe did not install ($line)"
fi
rm -rf "$work/silent-target"
fi
