#!/usr/bin/env bash
# Instructions a value, counted where time cannot be taken: both programs built for ARCH (release
# settings, static, Debian's cross compiler), with every kernel set of that architecture and with
# the portable kernels alone, each run under ARCH's qemu-user on fixed inputs of 20,000 and 40,000
# values. qemu's log (-d in_asm,exec,nochain) shows each translated block's instructions once and
# every time a block runs, so a run's instructions are the sum over blocks of size times runs:
# exact and the same on every host, however busy. The figure is the difference between the two
# runs over 20,000, so that starting up and the dialogue's fixed work drop out.
#
#   bench/count_instructions.sh [ARCH...]     (default: arm64)
#
# ARCH is a toolchain in cmake/toolchains/ (arm64, ppc64el, i386, ...), or amd64 for this
# host's compiler under qemu-x86_64 -cpu max (AVX2, no AVX-512). Builds go to build/count-ARCH-*.
set -euo pipefail
cd "$(dirname "$0")/.."

small=20000
large=40000

# One program's input of `values` values: a count and values, or for extendlist two halves, each
# a count and values; full-range values in mixed white space from a fixed seed (a Lehmer
# generator, exact in awk's doubles, so every awk writes the same bytes).
write_input() {
  local program=$1 values=$2
  awk -v program="$program" -v values="$values" 'BEGIN {
    state = 20261209
    split(" |\n|\t|  |\r\n| \n", separators, "|")
    if (program == "extendlist") { counted(values / 2); counted(values / 2) } else counted(values)
  }
  function next_draw() { state = (state * 48271) % 2147483647; return state }
  function separator() { printf "%s", separators[next_draw() % 6 + 1] }
  function counted(n,    i) {
    printf "%d", n; separator()
    for (i = 0; i < n; i++) {
      printf "%d", (next_draw() % 65536) * 65536 + next_draw() % 65536 - 2147483648
      separator()
    }
  }'
}

# The instructions `program` executes on `input` under the emulator in `run_with`.
count_run() {
  local input=$1 log=$2 program=$3
  "${run_with[@]}" -d in_asm,exec,nochain -D "$log" "$program" <"$input" >/dev/null
  awk '
    # Addresses as hex text without leading zeros: the two lines write them at different widths.
    function address(text) { sub(/^(0x)?0*/, "", text); sub(/:$/, "", text); return text }
    /^IN:/ { in_block = 1; pc = ""; size = 0; next }
    in_block && /^0x[0-9a-f]+:/ { if (pc == "") pc = address($1); size++; next }
    in_block { if (pc != "") sizes[pc] = size; in_block = 0 }
    /^Trace / { split($0, fields, "/"); total += sizes[address(fields[2])] }
    END { printf "%.0f\n", total }' "$log"
}

# Builds ARCH's programs with the kernel sets given (a CMake list, empty for portable alone) into
# folder $2.
build() {
  local arch=$1 dir=$2 sets=$3
  local settings=(-DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF "-DNUMBERLIST_KERNEL_SETS=$sets")
  if [ "$arch" = amd64 ]; then
    settings+=(-DCMAKE_EXE_LINKER_FLAGS=-static)
  else
    settings+=("-DCMAKE_TOOLCHAIN_FILE=$PWD/cmake/toolchains/$arch.cmake")
  fi
  cmake -S . -B "$dir" "${settings[@]}" >/dev/null
  cmake --build "$dir" --target extendlist reverselist >/dev/null
}

architecture_sets() {
  case $1 in
    amd64) echo "sse2;avx2;avx512;avx512_vbmi2" ;;
    arm64) echo "neon" ;;
    *) echo "" ;;
  esac
}

emulator() {
  case $1 in
    amd64) echo "qemu-x86_64 -cpu max" ;;
    *) sed -n 's/^set(NUMBERLIST_QEMU \(.*\))$/qemu-\1/p' "cmake/toolchains/$1.cmake" ;;
  esac
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for program in extendlist reverselist; do
  write_input "$program" "$small" >"$work/$program-$small.txt"
  write_input "$program" "$large" >"$work/$program-$large.txt"
done

for arch in "${@:-arm64}"; do
  sets=$(architecture_sets "$arch")
  read -r -a run_with <<<"$(emulator "$arch")"
  [ ${#run_with[@]} -gt 0 ] || { echo "no emulator known for $arch"; exit 2; }
  variants=(portable)
  [ -z "$sets" ] || variants+=(dispatched)
  for variant in "${variants[@]}"; do
    dir=build/count-$arch-$variant
    if [ "$variant" = portable ]; then build "$arch" "$dir" ""; else build "$arch" "$dir" "$sets"; fi
    line="$arch $variant"
    for program in extendlist reverselist; do
      counts=()
      for values in "$small" "$large"; do
        # The outputs must agree with the portable build's before anything is counted.
        "${run_with[@]}" "$dir/bin/$program" <"$work/$program-$values.txt" |
          md5sum >"$work/$program-$values-$variant.md5"
        cmp -s "$work/$program-$values-$variant.md5" "$work/$program-$values-portable.md5" ||
          { echo "$dir/bin/$program wrote other output than the portable build"; exit 1; }
        counts+=("$(count_run "$work/$program-$values.txt" "$work/qemu.log" "$dir/bin/$program")")
        rm -f "$work/qemu.log"
      done
      line+=$(awk -v name="$program" -v a="${counts[0]}" -v b="${counts[1]}" -v n=$((large - small)) \
        'BEGIN { printf "  %s %.1f", name, (b - a) / n }')
    done
    echo "$line  (instructions a value)"
  done
done
