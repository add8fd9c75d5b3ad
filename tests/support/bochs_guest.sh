#!/usr/bin/env bash
# Runs test programs of a static amd64 build on an emulated processor with AVX-512 and VBMI2
# (Bochs as a Tiger Lake), so that the AVX-512 kernels are tested on any host. Bochs boots a whole
# machine, not a program: the programs go into a small Linux guest (Debian's cloud kernel, a static
# busybox as init), whose console is the emulated serial port, written to a file that this script
# reads. Bochs exits with 1 even after a clean power-off, so only that file tells how it went.
#
#   bochs_guest.sh WORKDIR [--copy PATH]... [--env NAME=VALUE]... PROGRAM...
#
# Every PROGRAM runs in turn in the guest; each --copy PATH (a file or folder) is there at the same
# absolute path, as the PROGRAMs are, so paths built into the tests hold. Exits 0 when the guest
# shows the instructions the kernels need and every PROGRAM ended with status 0.
set -euo pipefail

workdir=$1
shift
copies=()
guest_env=()
programs=()
while (($#)); do
  case $1 in
    --copy) copies+=("$2"); shift 2 ;;
    --env) guest_env+=("$2"); shift 2 ;;
    *) programs+=("$1"); shift ;;
  esac
done
# What the guest may take at most, boot included; Bochs is killed past it.
limit=${NUMBERLIST_GUEST_SECONDS:-480}

for tool in bochs busybox cpio genisoimage; do
  command -v "$tool" >/dev/null || { echo "bochs_guest: $tool is missing (see .ci/run)"; exit 1; }
done
isolinux=/usr/lib/ISOLINUX/isolinux.bin
ldlinux=/usr/lib/syslinux/modules/bios/ldlinux.c32
[ -f "$isolinux" ] && [ -f "$ldlinux" ] || { echo "bochs_guest: isolinux is missing"; exit 1; }

rm -rf "$workdir"
mkdir -p "$workdir/root/bin" "$workdir/root/proc" "$workdir/root/sys" "$workdir/root/dev" \
         "$workdir/root/tmp" "$workdir/iso/isolinux"
cd "$workdir"

# Debian's cloud kernel: small, with the serial console and ACPI power-off built in. Taken from the
# package archive unpacked, not installed: the host's own boot is left alone. Kept between runs.
kernel_cache=${NUMBERLIST_GUEST_KERNEL_CACHE:-${XDG_CACHE_HOME:-${HOME:-/tmp}/.cache}/numberlist-guest}
mkdir -p "$kernel_cache"
kernel=$(find "$kernel_cache" -name 'vmlinuz-*' -print -quit)
if [ -z "$kernel" ]; then
  package=$(apt-cache depends linux-image-cloud-amd64 | awk '/Depends: linux-image-/ { print $2; exit }')
  [ -n "$package" ] || { echo "bochs_guest: no cloud kernel in the package lists (apt-get update)"; exit 1; }
  (cd "$kernel_cache" && apt-get download -q "$package" >/dev/null && dpkg-deb -x "$package"_*.deb unpacked &&
   rm -f "$package"_*.deb)
  kernel=$(find "$kernel_cache" -name 'vmlinuz-*' -print -quit)
fi
cp "$kernel" iso/vmlinuz

# The guest's files: busybox, every program and copied path at its own absolute path, stripped
# (debug information only slows the boot loader's reads).
cp "$(command -v busybox)" root/bin/busybox
place() {
  mkdir -p "root$(dirname "$1")"
  if [ -d "$1" ]; then cp -r "$1" "root$1"; else strip -o "root$1" "$1" 2>/dev/null || cp "$1" "root$1"; fi
}
for path in "${copies[@]}" "${programs[@]}"; do place "$(realpath "$path")"; done

# init: checks the processor, runs each program with its status after it, powers off.
{
  echo '#!/bin/busybox sh'
  echo '/bin/busybox --install -s /bin'
  echo 'mount -t proc proc /proc; mount -t sysfs sys /sys; mount -t devtmpfs dev /dev'
  echo 'mount -t tmpfs tmp /tmp; export TMPDIR=/tmp HOME=/tmp GTEST_COLOR=no'
  # Bochs runs rep movsb/stosb a byte at a time: glibc's vector copies are many times faster here.
  echo 'export GLIBC_TUNABLES=glibc.cpu.x86_rep_movsb_threshold=4294967295:glibc.cpu.x86_rep_stosb_threshold=4294967295'
  for setting in "${guest_env[@]}"; do printf 'export %q\n' "$setting"; done
  echo 'flags=" $(grep -m1 "^flags" /proc/cpuinfo) "'
  echo 'for f in avx512f avx512bw avx512cd bmi2 avx512_vbmi2; do'
  echo '  case $flags in *" $f "*) ;; *) echo "GUEST: the processor lacks $f";; esac'
  echo 'done'
  echo 'echo "GUEST: processor checked"'
  for program in "${programs[@]}"; do
    path=$(realpath "$program")
    printf 'echo "GUEST: running %s"\n%q\necho "GUEST: status $? %s"\n' "${path##*/}" "$path" "${path##*/}"
  done
  echo 'echo "GUEST: done"; sync; sleep 1; poweroff -f'
} >root/init
chmod +x root/init
(cd root && find . | cpio -o -H newc --quiet | gzip -1) >iso/initrd.gz

# A CD that isolinux boots: Bochs 2.7 cannot start a kernel directly. The kernel arguments turn
# off what Bochs 2.7 emulates wrongly: fast short rep movsb (the boot hangs in a page-fault loop),
# XSAVE's compact forms and PKU (inconsistent sizes make Linux turn off XSAVE, and with it AVX),
# APERF/MPERF (no such registers); the crypto self-tests only cost boot time.
cp "$isolinux" "$ldlinux" iso/isolinux/
cat >iso/isolinux/isolinux.cfg <<'EOF'
DEFAULT guest
PROMPT 0
TIMEOUT 0
LABEL guest
  KERNEL /vmlinuz
  INITRD /initrd.gz
  APPEND console=ttyS0 quiet clearcpuid=fsrm,pku,xsavec,xsaves,aperfmperf cryptomgr.notests
EOF
genisoimage -quiet -o boot.iso -b isolinux/isolinux.bin -c isolinux/boot.cat -no-emul-boot \
  -boot-load-size 4 -boot-info-table -R iso

# Debian's Bochs has no display-less build: the text display, its screen into a file. It starts
# in its debugger, which the command file tells to go on; the guest's power-off is a "panic" that
# ends it.
cat >bochsrc <<'EOF'
megs: 1024
cpu: model=tigerlake, count=1, ips=200000000
romimage: file=/usr/share/bochs/BIOS-bochs-latest
vgaromimage: file=/usr/share/bochs/VGABIOS-lgpl-latest
ata0-master: type=cdrom, path=boot.iso, status=inserted
boot: cdrom
com1: enabled=1, mode=file, dev=serial.log
display_library: term
log: bochs.log
panic: action=fatal
error: action=report
info: action=ignore
clock: sync=none
EOF
printf 'c\nquit\n' >commands
: >serial.log

started=$SECONDS
# Bochs ignores SIGTERM: its time limit and an interrupted script end it with SIGKILL.
TERM=xterm setsid bochs -q -f bochsrc -rc commands </dev/null >screen.log 2>&1 &
bochs_pid=$!
trap 'kill -KILL "$bochs_pid" 2>/dev/null || true' EXIT INT TERM
while kill -0 "$bochs_pid" 2>/dev/null; do
  if ((SECONDS - started > limit)); then
    kill -KILL "$bochs_pid" 2>/dev/null || true
    echo "bochs_guest: the guest did not finish within $limit s"
    break
  fi
  sleep 1
done
wait "$bochs_pid" 2>/dev/null || true
echo "bochs_guest: the guest ran $((SECONDS - started)) s"

# The guest's console, from its processor check on, is this test's output.
sed -n '/GUEST: processor checked/,$p' serial.log | tr -d '\r'
failed=0
grep -q 'GUEST: processor checked' serial.log || { echo "bochs_guest: the guest never started"; failed=1; }
if grep -q 'GUEST: the processor lacks' serial.log; then failed=1; fi
for program in "${programs[@]}"; do
  name=${program##*/}
  grep -q "GUEST: status 0 $name\$" <(tr -d '\r' <serial.log) || { echo "bochs_guest: $name failed"; failed=1; }
done
grep -q 'GUEST: done' serial.log || { echo "bochs_guest: the guest did not finish"; failed=1; }
exit "$failed"
