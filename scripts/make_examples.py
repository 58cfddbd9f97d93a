#!/usr/bin/env python3
"""Writes the example firmware images in examples/.

demo.hex and demo.mvx carry the same made-up application of 1000 bytes at
flash address 0x1000 (just above the 4 KiB boot area), so both load to the
same image. demo.hex is linked for a flash at 0x08000000 (one extended linear
address record); demo.mvx names the emulated device's platform "ZX-CORE" and
any hardware version 1.x. Deterministic: running it again gives the same
bytes.
"""

import struct
import sys
from pathlib import Path

APP_ADDRESS = 0x1000
APP_SIZE = 1000
FLASH_BASE = 0x08000000
CRLF = "\r\n"


def application() -> bytes:
    stack_top = 0x20008000
    reset = FLASH_BASE + APP_ADDRESS + 0x101
    vectors = [stack_top, reset] + [FLASH_BASE + APP_ADDRESS + 0x141] * 14
    body = bytearray(struct.pack("<16I", *vectors))
    body += b"Zentrel demo firmware 1.0\0"
    state = 0x2F6E2B1
    while len(body) < APP_SIZE:
        state = (state * 1103515245 + 12345) & 0x7FFFFFFF
        body.append((state >> 16) & 0xFF)
    return bytes(body)


def hex_record(kind: int, offset: int, data: bytes) -> str:
    fields = bytes([len(data), offset >> 8, offset & 0xFF, kind]) + data
    checksum = (-sum(fields)) & 0xFF
    return ":" + (fields + bytes([checksum])).hex().upper()


def intel_hex(app: bytes) -> str:
    start = FLASH_BASE + APP_ADDRESS
    lines = [hex_record(0x04, 0, struct.pack(">H", start >> 16))]
    for at in range(0, len(app), 16):
        lines.append(hex_record(0x00, (start + at) & 0xFFFF, app[at:at + 16]))
    lines.append(hex_record(0x05, 0, struct.pack(">I", start + 0x101)))
    lines.append(hex_record(0x01, 0, b""))
    return CRLF.join(lines) + CRLF


def memory_image(app: bytes) -> str:
    header = "ZENTREL IMAGE  " + "ZX-CORE".ljust(18) + "1.x".ljust(8) + CRLF
    assert len(header) == 43
    flash = bytes(APP_ADDRESS) + app
    lines = [flash[at:at + 32].hex().upper() for at in range(0, len(flash), 32)]
    return header + CRLF.join(lines) + CRLF + "L" + CRLF


def main() -> int:
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent / "examples"
    out.mkdir(parents=True, exist_ok=True)
    app = application()
    (out / "demo.hex").write_bytes(intel_hex(app).encode("ascii"))
    (out / "demo.mvx").write_bytes(memory_image(app).encode("ascii"))
    print(f"wrote {out / 'demo.hex'} and {out / 'demo.mvx'}: image length {APP_ADDRESS + len(app)}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
