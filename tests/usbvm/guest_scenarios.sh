# The scenarios, run in the guest by guest_init.sh (busybox sh). Each starts
# its boards (zentrel-usb-gadget on controllers dummy_udc.0..2: USB ports
# 1-1, 2-1, 3-1, serials ZB-000001..3), runs zentrel-flash with a time limit,
# stops the boards (which then write their flash and report) and checks:
#
#   scenario NAME BOARDS "GADGET OPTIONS" EXIT_CODES ZENTREL-FLASH ARGS...
#                                EXIT_CODES a case pattern: 0, or 0|1
#   expect TEXT... / refuse TEXT in the command's output (stdout and stderr);
#                                expect takes any one of several texts
#   bounded LOW HIGH             the command took LOW to HIGH seconds
#   flash_holds K FILE           board K's flash from 4096 on, byte for byte
#   untouched K                  board K's flash is all erased
#   reported K LINE              board K's report has the line
#
# A check prints "ok: NAME: ..." or "FAILED: NAME: ..." with the output.

only=$(cat /usbvm/only)
command_limit=120  # seconds: twice the longest scenario, below the guest's limit

elapsed_cs() { cut -d' ' -f1 /proc/uptime | tr -d .; }

stop_boards() {
  for k in 1 2 3; do
    [ -f /tmp/gadget.$k.pid ] || continue
    pid=$(cat /tmp/gadget.$k.pid)
    kill -TERM "$pid" 2>/dev/null
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$pid" 2>/dev/null
    rm -f /tmp/gadget.$k.pid
  done
}

result() {  # result PASSED TEXT
  if [ "$1" = 0 ]; then
    echo "ok: $name: $2"
  else
    echo "FAILED: $name: $2"
    sed 's/^/  | /' /tmp/out
  fi
}

scenario() {
  name=$1 boards=$2 options=$3 code=$4
  shift 4
  skip=0
  [ -z "$only" ] || [ "$only" = "$name" ] || { skip=1; return; }
  echo "scenario $name"
  rm -f /tmp/flash.* /tmp/report.* /tmp/gadget.*
  for k in $(seq "$boards"); do
    # shellcheck disable=SC2086
    zentrel-usb-gadget --gadget /sys/kernel/config/usb_gadget/zb$k --ffs /dev/ffs-zb$k \
      --udc dummy_udc.$((k - 1)) --serial ZB-00000$k --dump /tmp/flash.$k \
      --report /tmp/report.$k $options >/tmp/gadget.$k.out 2>&1 &
    echo $! >/tmp/gadget.$k.pid
  done
  # The kernel gives each its hidraw node.
  for _ in $(seq 100); do
    [ "$(ls /sys/class/hidraw 2>/dev/null | wc -l)" -ge "$boards" ] && break
    sleep 0.05
  done
  start=$(elapsed_cs)
  timeout $command_limit zentrel-flash "$@" >/tmp/out 2>&1
  got=$?
  took=$(( $(elapsed_cs) - start ))
  stop_boards
  # No node may outlive its board into the next scenario.
  for _ in $(seq 100); do
    [ -z "$(ls /sys/class/hidraw 2>/dev/null)" ] && break
    sleep 0.05
  done
  eval "case $got in $code) passed=0 ;; *) passed=1 ;; esac"
  result $passed "zentrel-flash $* exits $code (got $got, $((took / 100)).$((took % 100 / 10)) s)"
}

expect() {
  [ $skip = 1 ] && return
  found=1
  for text in "$@"; do grep -qF -- "$text" /tmp/out && found=0; done
  result $found "says \"$1\"${2:+ or \"$2\"}"
}
refuse() { [ $skip = 1 ] || { ! grep -qF -- "$1" /tmp/out; result $? "does not say \"$1\""; }; }
flash_holds() {
  [ $skip = 1 ] && return
  tail -c +4097 /tmp/flash.$1 2>/dev/null | cmp -s - "/data/$2"
  result $? "board $1 holds $2 from address 4096 on"
}
untouched() {
  [ $skip = 1 ] && return
  cmp -s /tmp/flash.$1 /data/erased.bin
  result $? "board $1's flash is untouched"
}
reported() {
  [ $skip = 1 ] && return
  grep -qx "$2" /tmp/report.$1 2>/dev/null
  result $? "board $1 reports \"$2\""
}
bounded() {
  [ $skip = 1 ] && return
  [ "$took" -ge $(($1 * 100)) ] && [ "$took" -le $(($2 * 100)) ]
  result $? "took $1 to $2 s"
}
rate() {  # rate PACE: pages written per second of the whole command
  [ $skip = 1 ] || echo "rate $1 $(($(grep -c 'Write page' /tmp/out) * 100 / (took + 1)))"
}

# --- discovery and the three roads ------------------------------------------
scenario list 1 "" 0 list
expect 'ZENTREL BOOT"  serial "ZB-000001"  [boot loader candidate] [has the IDs]'
expect "1-1"

scenario info 1 "" 0 info
expect "HW platform:      ZX-CORE"
expect "BL 2.05"
reported 1 "resets 1"
reported 1 "binds 2"

scenario app-info 1 "" 0 app-info
expect "ZENTREL DEMO APP"
reported 1 "resets 0"

# --- downloads, byte for byte ------------------------------------------------
for pace in fast window; do
  scenario flash-demo-$pace 1 "" 0 flash /data/demo.hex --pace $pace
  expect "BOOT successful finished ;-) "
  flash_holds 1 demo-expected.bin
  scenario flash-64k-$pace 1 "" 0 flash /data/big.hex --pace $pace
  rate $pace
  flash_holds 1 big-expected.bin
done

scenario flash-all 3 "" 0 flash /data/demo.hex --all
for k in 1 2 3; do flash_holds $k demo-expected.bin; done

scenario choose-by-port 3 "" 0 flash /data/demo.hex --port 2-1
flash_holds 2 demo-expected.bin
untouched 1
untouched 3
reported 1 "resets 0"

scenario choose-by-serial 3 "" 0 flash /data/demo.hex --serial ZB-000003
flash_holds 3 demo-expected.bin
untouched 1
untouched 2

# --- faults: a failure text and an exit code, never a hang ------------------
scenario leaves-mid-download 1 "--fault vanish:5" 1 flash /data/demo.hex
expect "zentrel-flash: failed while writing page 2 of 8; the device has left the bus"

scenario stops-acknowledging 1 "--fault ack-never-comes:5" 1 flash /data/demo.hex
expect "zentrel-flash: failed while writing page 2 of 8; the device is still attached"

# The kernel's own time limit on the unanswered control transfer ends it.
scenario stops-answering-ep0 1 "--fault stop-answering" 1 info
expect "Device CRC comunication fail"
expect "Boot CRC error"
bounded 5 10
refuse "reset into its boot loader"

scenario ignores-reset 1 "--fault ignores-reset" 1 info
expect "the reset command was sent but no boot loader has answered since"
refuse "reset into its boot loader"
reported 1 "resets 0"

# After the reset the old device stays on the bus, answering nothing on ep0.
# The search may take it (1.5 s: it always does; 0.5 s: when the search is
# early), and must then say that no boot loader answered, not claim a reset.
scenario old-node-stays-500ms 1 "--linger-ms 500" "0|1" info
# Each way out says its own: read after all, or what it found instead.
if [ "$got" = 0 ]; then expect "HW platform:      ZX-CORE"; else expect "or the old device was still there"; fi
refuse "reset into its boot loader"
scenario old-node-stays-1500ms 1 "--linger-ms 1500" 1 info
expect "the reset command was sent but no boot loader has answered since"
expect "or the old device was still there"
refuse "reset into its boot loader"

# --- the udev rule along the real sysfs chain --------------------------------
udev_check() {  # udev_check RULES_FILE: what udevadm test makes of hidraw0
  # A fresh database: tags of an earlier run would show again.
  rm -rf /run/udev
  mkdir -p /run/udev/rules.d
  udevadm test --action=add /sys/class/hidraw/hidraw0 >/tmp/out 2>&1
}
if [ -z "$only" ] || [ "$only" = udev-rule ]; then
  name=udev-rule skip=0
  echo "scenario $name"
  zentrel-usb-gadget --gadget /sys/kernel/config/usb_gadget/zb1 --ffs /dev/ffs-zb1 \
    --udc dummy_udc.0 >/tmp/gadget.1.out 2>&1 &
  echo $! >/tmp/gadget.1.pid
  for _ in $(seq 100); do [ -e /sys/class/hidraw/hidraw0 ] && break; sleep 0.05; done
  udev_check
  expect "70-zentrel-loader.rules:5 MODE 0660"
  expect "TAGS=:uaccess:"
  mv /etc/udev/rules.d/70-zentrel-loader.rules /tmp/rule
  cp /data/misfit.rules /etc/udev/rules.d/70-zentrel-loader.rules
  udev_check
  name=udev-rule-misfit
  refuse "70-zentrel-loader.rules:5 MODE 0660"
  refuse "TAGS=:uaccess:"
  mv /tmp/rule /etc/udev/rules.d/70-zentrel-loader.rules
  stop_boards
fi
