# tests/i686/guest.sh: sourced by tests/i686/image and tests/i686/run. The
# emulated i386 machine (no KVM: software emulation) and its bounded runs.
#   CELL_I686_CACHE  where guest images are kept (default
#                    ${XDG_CACHE_HOME:-$HOME/.cache}/cellinstall)
i686_here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
i686_cache=${CELL_I686_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/cellinstall}

# i686_qemu DIR ROOTDISK APPEND [QEMU ARGS...]: starts the guest in the
# background (its pid in i686_qemu_pid) with the serial console in
# DIR/serial.log, the monitor on DIR/monitor.sock, the read-only job disk
# DIR/job.img and the output port into DIR/out.bin. SMAP stays off: with it,
# this QEMU's software emulation kills every Wine process with an oops on the
# return from an interrupt.
i686_qemu() {
  local dir=$1 disk=$2 append=$3 image=$i686_image
  shift 3
  rm -f "$dir/serial.log" "$dir/monitor.sock" "$dir/out.bin"
  [ -f "$dir/job.img" ] || truncate -s 2G "$dir/job.img"
  qemu-system-i386 -M pc -accel tcg,thread=multi -cpu max,-smap -smp 2 -m 3584 \
    -kernel "$image/vmlinuz" -initrd "$image/initrd.img" -append "console=ttyS0 panic=1 $append" \
    -drive "file=$disk,format=qcow2,if=virtio,cache=unsafe" \
    -drive "file=$dir/job.img,format=raw,if=virtio,readonly=on" \
    -device virtio-serial-pci -chardev "file,id=out,path=$dir/out.bin" \
    -device virtserialport,chardev=out,name=out \
    -display none -serial "file:$dir/serial.log" -net none -no-reboot \
    -monitor "unix:$dir/monitor.sock,server=on,wait=off" "$@" >"$dir/qemu.log" 2>&1 &
  i686_qemu_pid=$!
}

# i686_said DIR LINE: the serial console has shown LINE (its lines end in CR
# LF). QEMU creates the log a moment after it starts: until then, nothing.
i686_said() {
  [ -f "$1/serial.log" ] && tr -d '\r' <"$1/serial.log" | grep -qxF "$2"
}

# i686_await DIR SECONDS LINE: waits until the serial console shows LINE or
# the guest ends; on a timeout stops the guest. Fails unless LINE came.
i686_await() {
  local dir=$1 limit=$2 line=$3 end=$((SECONDS + $2))
  while [ $SECONDS -lt $end ]; do
    i686_said "$dir" "$line" && return 0
    kill -0 "$i686_qemu_pid" 2>/dev/null || break
    sleep 1
  done
  i686_said "$dir" "$line" && return 0
  if kill -0 "$i686_qemu_pid" 2>/dev/null; then
    echo "i686: the guest did not say \"$line\" within $limit s; stopped it"
  else
    echo "i686: the guest ended before saying \"$line\""
  fi
  i686_stop
  i686_show_failure "$dir"
  return 1
}

# i686_wait_end SECONDS: waits for the guest to power off; stops it after
# SECONDS.
i686_wait_end() {
  local end=$((SECONDS + $1))
  while kill -0 "$i686_qemu_pid" 2>/dev/null; do
    [ $SECONDS -lt $end ] || { i686_stop; return 1; }
    sleep 1
  done
  wait "$i686_qemu_pid" 2>/dev/null
}

i686_stop() {
  [ -n "${i686_qemu_pid:-}" ] || return 0
  kill "$i686_qemu_pid" 2>/dev/null
  sleep 1
  kill -9 "$i686_qemu_pid" 2>/dev/null
  wait "$i686_qemu_pid" 2>/dev/null
  i686_qemu_pid=
}

i686_show_failure() {
  echo "--- the end of the guest's serial log ($1/serial.log):"
  tail -n 40 "$1/serial.log" 2>/dev/null
  [ -s "$1/qemu.log" ] && { echo "--- QEMU:"; tail -n 10 "$1/qemu.log"; }
  echo "---"
}

# i686_monitor DIR COMMAND...: gives each command to the QEMU monitor and
# waits for its prompt after each.
i686_monitor() {
  python3 - "$@" <<'PY'
import socket, sys, time
path = sys.argv[1] + "/monitor.sock"
s = socket.socket(socket.AF_UNIX)
for _ in range(50):
    try:
        s.connect(path)
        break
    except OSError:
        time.sleep(0.1)
def prompt():
    seen = b""
    while not seen.endswith(b"(qemu) "):
        chunk = s.recv(4096)
        if not chunk:
            return seen
        seen += chunk
    return seen
prompt()
for command in sys.argv[2:]:
    s.sendall(command.encode() + b"\n")
    if command == "quit":
        break
    reply = prompt().decode(errors="replace")
    for line in reply.splitlines()[1:-1]:
        if line.strip():
            print("monitor:", line.strip(), file=sys.stderr)
PY
}
