#!/bin/busybox sh
# The guest's first process: the kernel's USB host and gadget sides joined by
# dummy_hcd (three full-speed controllers), three configfs gadgets with a
# FunctionFS function each, then the scenarios; "USBVM END" marks the end.
/bin/busybox --install -s /bin
export PATH=/bin
mount -t proc proc /proc
mount -t sysfs sys /sys
mount -t devtmpfs dev /dev
mount -t tmpfs tmp /tmp
mount -t tmpfs run /run

for m in $(cat /modules/order); do
  case $m in
    dummy_hcd) insmod /modules/$m.ko num=3 is_high_speed=0 ;;
    *) insmod /modules/$m.ko ;;
  esac || echo "FAILED: setup: insmod $m"
done
mount -t configfs none /sys/kernel/config
for k in 1 2 3; do
  g=/sys/kernel/config/usb_gadget/zb$k
  mkdir -p $g/strings/0x409 $g/configs/c.1 $g/functions/ffs.zb$k /dev/ffs-zb$k
  ln -s $g/functions/ffs.zb$k $g/configs/c.1/
  mount -t functionfs zb$k /dev/ffs-zb$k || echo "FAILED: setup: functionfs zb$k"
done

cd /tmp
. /usbvm/guest_scenarios.sh
echo "USBVM END"
if [ "$(cat /usbvm/shell)" = 1 ]; then
  echo "A shell in the guest; the gadgets are /sys/kernel/config/usb_gadget/zb1..3."
  setsid cttyhack sh
fi
poweroff -f
