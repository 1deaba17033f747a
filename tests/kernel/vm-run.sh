#!/usr/bin/env bash
# Runs a command of this machine inside a virtual machine booted from
# Debian's own kernel, so that tests get what the build machines' kernels do
# not offer: uhid, uinput, evdev grabs, hidraw feature reports.
#
#   vm-run.sh CACHE COMMAND [ARGS...]
#
# The guest shares this machine's / read-only over virtio-9p (with its own
# /proc, /sys, /dev and a fresh, writable /tmp and /run) and runs COMMAND as
# root in the current folder; the
# exit code comes back as the script's. CACHE keeps the extracted kernel
# between runs. Exit 77 (CTest's skip) says why the VM cannot run here.
set -euo pipefail

skip() { echo "kernel tests skipped: $*"; exit 77; }
[ "${KEYWRIGHT_KERNEL_TESTS:-0}" = 1 ] || skip "they run from scripts/test-kernel (KEYWRIGHT_KERNEL_TESTS=1)"
[ $# -ge 2 ] || { echo "usage: vm-run.sh CACHE COMMAND [ARGS...]" >&2; exit 2; }
cache=$1; shift
for tool in qemu-system-x86_64 busybox cpio gzip; do
  command -v "$tool" >/dev/null || skip "$tool is missing (scripts/bootstrap installs it)"
done
[ -r /dev/null ] && [ -w /dev/null ] || skip "no /dev/null"
busybox_bin=$(command -v busybox)
ldd "$busybox_bin" >/dev/null 2>&1 && skip "$busybox_bin is not static (install busybox-static)"

# The modules the guest loads, in this order (there is no modules.dep):
# virtio and 9p for the shared root, then HID and input, then a USB host
# and device controller pair for a real USB keyboard made by a gadget.
modules="virtio/virtio_ring virtio/virtio virtio/virtio_pci_legacy_dev virtio/virtio_pci_modern_dev
  virtio/virtio_pci 9p/9pnet 9p/9pnet_virtio netfs/netfs fscache/fscache 9p/9p
  hid/hid hid/hid-generic hid/uhid input/evdev input/misc/uinput
  configfs/configfs usb/common/usb-common usb/core/usbcore usb/gadget/udc/udc-core
  usb/gadget/udc/dummy_hcd usb/gadget/libcomposite usb/gadget/function/usb_f_hid hid/usbhid/usbhid"

kernel_ready() { [ -s "$cache/vmlinuz" ] && [ -s "$cache/modules/usbhid.ko" ]; }
if ! kernel_ready; then
  # Only vmlinuz and the modules come out of the package: nothing is
  # installed, no initramfs-tools run.
  pkg=$(apt-cache depends linux-image-amd64 2>/dev/null | awk '/Depends: linux-image-[0-9]/{print $2; exit}')
  [ -n "$pkg" ] || skip "apt knows no linux-image-amd64 (run apt-get update)"
  rm -rf "$cache" && mkdir -p "$cache/deb" "$cache/modules"
  (cd "$cache/deb" && apt-get download -qq "$pkg" 2>/dev/null) || skip "cannot download $pkg"
  mkdir "$cache/root"
  dpkg-deb --fsys-tarfile "$cache"/deb/*.deb | tar -x -C "$cache/root" --wildcards './boot/vmlinuz-*' './lib/modules/*/kernel/drivers/*' './lib/modules/*/kernel/fs/*' './lib/modules/*/kernel/net/9p/*'
  cp "$cache"/root/boot/vmlinuz-* "$cache/vmlinuz"
  for m in $modules; do
    found=$(find "$cache"/root/lib/modules/*/kernel -path "*/$m.ko" | head -1)
    [ -n "$found" ] || { echo "vm-run: $pkg has no $m.ko" >&2; exit 1; }
    cp "$found" "$cache/modules/"
  done
  rm -rf "$cache/root" "$cache/deb"
  echo -n "$modules" | tr -s ' \n' '\n\n' | sed 's|.*/||' > "$cache/modules/order"
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/keywright-vm.XXXXXX")
trap 'rm -rf "$work"' EXIT
initrd=$work/initrd
mkdir -p "$initrd"/{bin,proc,sys,dev,host}
cp "$busybox_bin" "$initrd/bin/busybox"
for applet in sh mount mkdir cut sort insmod poweroff chroot cat echo; do ln -s busybox "$initrd/bin/$applet"; done
cp -r "$cache/modules" "$initrd/modules"
# The command, quoted for the guest's shell, and the folder it runs in.
{ printf 'cd %q &&' "$PWD"; printf ' %q' "$@"; echo; } > "$initrd/command"
# The top folders under /tmp that the folder and the command live in.
for p in "$PWD" "$(realpath -m "$1")"; do
  case "$p" in /tmp/?*) p=${p#/tmp/}; echo "${p%%/*}";; esac
done | sort -u > "$initrd/tmp-roots"
cat > "$initrd/init" <<'INIT'
#!/bin/sh
export PATH=/bin
mount -t proc proc /proc; mount -t sysfs sysfs /sys; mount -t devtmpfs devtmpfs /dev
for m in $(cat /modules/order); do insmod /modules/$m.ko || echo "vm: insmod $m failed"; done
mount -t 9p -o trans=virtio,version=9p2000.L,ro,msize=262144 hostroot /host || echo "vm: 9p mount failed"
mount -t proc proc /host/proc; mount -t sysfs sysfs /host/sys; mount -t devtmpfs devtmpfs /host/dev
mount -t configfs configfs /host/sys/kernel/config
# A writable /tmp and /run; the folders of /tmp the command lives in stay
# visible (read-only) through it.
mkdir /hosttmp; mount -o bind /host/tmp /hosttmp
mount -t tmpfs tmpfs /host/tmp; mount -t tmpfs tmpfs /host/run; mkdir -p /host/run/home
for d in $(cat /tmp-roots); do mkdir -p "/host/tmp/$d"; mount -o bind "/hosttmp/$d" "/host/tmp/$d"; done
echo "vm: up after $(cut -d' ' -f1 /proc/uptime) s"
chroot /host /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/run/home TMPDIR=/tmp \
  KEYWRIGHT_IN_VM=1 /bin/sh -c "$(cat /command)"
echo "VM_RC=$?"
poweroff -f
INIT
chmod +x "$initrd/init"
(cd "$initrd" && find . | cpio -o -H newc --quiet | gzip -1) > "$work/initrd.gz"

# KVM only with real hardware virtualisation: a /dev/kvm without vmx or svm
# (a paravirtualised one) hangs ordinary guests.
if [ -w /dev/kvm ] && grep -qwE 'vmx|svm' /proc/cpuinfo; then
  accel="-accel kvm -cpu host"
else
  accel="-accel tcg"
fi
log=$work/console.log
set +e
timeout -k 10 "${KEYWRIGHT_VM_TIMEOUT:-900}" qemu-system-x86_64 $accel -m 1024M -smp 1 \
  -nodefaults -no-user-config -display none -serial stdio -no-reboot \
  -fsdev local,id=hostfs,path=/,security_model=none,readonly=on,multidevs=remap \
  -device virtio-9p-pci,fsdev=hostfs,mount_tag=hostroot \
  -kernel "$cache/vmlinuz" -initrd "$work/initrd.gz" \
  -append "console=ttyS0 panic=-1 loglevel=3 quiet" </dev/null | tee "$log" | tr -d '\r'
qemu_rc=${PIPESTATUS[0]}
set -e
rc=$(tr -d '\r' < "$log" | sed -n 's/^VM_RC=\([0-9]*\)$/\1/p' | tail -1)
if [ -z "$rc" ]; then
  echo "vm-run: the guest did not report (qemu exit $qemu_rc: boot failure or timeout)" >&2
  exit 1
fi
exit "$rc"
