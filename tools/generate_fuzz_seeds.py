#!/usr/bin/env python3
"""Writes small seed inputs and dictionaries for the fuzz targets in fuzz/.

    tools/generate_fuzz_seeds.py OUTPUT_DIRECTORY

makes OUTPUT_DIRECTORY/<target>/ with a few seeds each, in the input layout that the target's opening
comment describes, and OUTPUT_DIRECTORY/<target>.dict for the targets that read text. Every seed is a
valid input that reaches deep into its parser; the fuzzer mutates from there. Running it again writes
identical files.
"""

import base64
import json
import os
import struct
import sys
import zlib

DEVICE_UUID = "{3f2504e0-4f89-41d3-9a0c-0305e82c3301}"
CATALOG_COPIES = ["0123456789abcdef0123456789abcdef", "fedcba9876543210fedcba9876543210"]
RECORD_SERIALS = ["0123456789ABCDEF", "SN-2"]


def line(document):
    return json.dumps(document, separators=(",", ":")).encode() + b"\n"


# ---- device link and control replies ------------------------------------------------------------

def device_link_seeds():
    return [
        b"HID::0x2e7a::0x1321::/dev/hidraw0",
        b"SRL::0x2e7a::0x1321::ttyACM0::/dev/ttyACM0",
        b"TCP_CLIENT::127.0.0.1::9800",
        ("MC_M2M::%s::127.0.0.1::9800" % DEVICE_UUID).encode(),
        b"TNLV3::1::IN::2::HID::0x2e7a::0x1321::/dev/hidraw0",
        b"CVX::/tmp::detector.cvx",
    ]


GET, SET, INF, ERR = 0, 1, 2, 3
DEVICE_GROUP = 2


def message(mode, command_id, payload=b""):
    return bytes([(mode << 6) | DEVICE_GROUP]) + struct.pack(">H", command_id) + payload


def records(*messages):
    return b"".join(bytes([len(m)]) + m for m in messages)


def control_reply_seeds():
    replies = [
        message(INF, 20, struct.pack(">HHH", 144, 1, 2)),             # product type
        message(INF, 3, bytes([3, 49, 0]) + struct.pack(">H", 7)),    # software version
        message(INF, 35, bytes([2])),                                 # hardware version
        message(INF, 17, bytes(range(16))),                           # serial number
        message(INF, 56, struct.pack(">I", 12345)),                   # user verification code
        message(INF, 110, bytes([1])),                                # product model
        message(INF, 111, bytes([1]) + struct.pack(">II", 3, 3)),     # component validity
        message(INF, 78, struct.pack(">HIH", 4, 0, 3) + b"abc"),      # file put
        message(INF, 19),                                             # reset to bootloader
        message(INF, 5),                                              # reset
        message(INF, 114, bytes([1, 1, 1])),                          # indicate firmware upgrade
        message(INF, 105, bytes([3, 50, 0, 1, 0])),                   # store user settings
    ]
    errors = [message(ERR, 20, bytes([4, INF, 0, 0, 0, 0])), message(ERR, 105, bytes([8, SET, 1, 2, 3, 4]))]
    login = [
        message(INF, 82, bytes([1, 0, 0])),                           # status: SHA-256, nobody logged in
        message(INF, 81, bytes([1, 5, 4]) + b"salt"),                 # session 5
        message(INF, 80, bytes([5, 1, 0])),                           # logged in
    ]
    logout = [message(INF, 83, bytes([0, 0]))]
    return [
        b"\x00" + records(*replies),
        b"\x00" + records(*errors),
        b"\x00" + records(*login),
        b"\x03" + records(*logout),
        b"\x00" + records(message(ERR, 81, bytes([4])), message(GET, 20), message(SET, 78, b"\x00\x01")),
    ]


TUNNEL_CHANNEL = 3
CONTROL_FRAME, TUNNEL_FRAME, TYPED_FRAME, RAW_BYTES, DAMAGED = 0, 1, 2, 3, 4


def chain_record(kind, data, frame_type=None, damage_at=None):
    """One record of fuzz_receive_chain: kind, the type and damage bytes when the kind asks for them,
    the two-byte length and the bytes."""
    record = bytes([kind])
    if kind & 3 == TYPED_FRAME:
        record += bytes([frame_type])
    if kind & DAMAGED:
        record += bytes([damage_at])
    return record + struct.pack(">H", len(data)) + data


def tunnelled(inner_type, payload, address=TUNNEL_CHANNEL):
    return bytes([address, inner_type]) + payload


def receive_chain_seeds():
    product_type = message(INF, 20, struct.pack(">HHH", 144, 1, 2))
    version = message(INF, 3, bytes([3, 49, 0]) + struct.pack(">H", 7))
    serial = message(INF, 17, bytes(range(16)))
    # A serial number reply that fills the codec's largest frame, inside a tunnel frame.
    largest = tunnelled(0xFF, serial + bytes(i & 0xFF for i in range(16383 - 2 - len(serial))))
    return [
        # 64-byte reports, the tunnel serviced alone: replies direct, through the tunnel, on another
        # channel and from the OUT direction.
        b"\x3f" + chain_record(CONTROL_FRAME, product_type)
        + chain_record(TUNNEL_FRAME, tunnelled(0xFF, version))
        + chain_record(TUNNEL_FRAME, tunnelled(0xFF, version, address=4))
        + chain_record(TUNNEL_FRAME, tunnelled(0xFF, version, address=0x10 | TUNNEL_CHANNEL))
        + chain_record(TUNNEL_FRAME, tunnelled(0x01, b"inner")),
        # Reports of 7 bytes, both connections in turn, a request going out: the largest frame, and
        # one with a two-byte length.
        b"\xc6" + chain_record(TUNNEL_FRAME, largest) + chain_record(CONTROL_FRAME, serial + bytes(200)),
        # Noise, a damaged frame and a sound one after them.
        b"\x7f" + chain_record(RAW_BYTES, b"\x05\x01\x02\x00\x03\xff")
        + chain_record(TUNNEL_FRAME | DAMAGED, tunnelled(0xFF, product_type), damage_at=9)
        + chain_record(TUNNEL_FRAME, tunnelled(0xFF, product_type)),
        # One-byte reports: set-up frames, an address byte alone, messages too short for a header and
        # of an invalid group.
        b"\x00" + chain_record(TYPED_FRAME, bytes([0x42, TUNNEL_CHANNEL, 0xA2]), frame_type=0xF5)
        + chain_record(TUNNEL_FRAME, bytes([TUNNEL_CHANNEL]))
        + chain_record(CONTROL_FRAME, b"\x82\x00")
        + chain_record(TUNNEL_FRAME, tunnelled(0xFF, b"\x87\x00\x14")),
    ]


# ---- update server ------------------------------------------------------------------------------

QUERY, SEGMENT = 0, 1
IMAGE_SIZES = [0, 1, 1000000, 740000, 1480000, -1, 2**31 - 1, -2**31]
UPDATE_DETECTOR = "SUMMIT PRO"


def jsonp(document):
    return b"x(" + json.dumps(document, separators=(",", ":")).encode() + b")"


def segment_flags(total_segments, image_size):
    return bytes([SEGMENT | total_segments << 1 | IMAGE_SIZES.index(image_size) << 3])


def update_server_seeds():
    offer = {"update": True, "appsize": 300, "totalsegments": 1, "detver": "1.90.0", "podver": "1.90.0"}
    segment = {"segmentNumber": 1, "detectorName": UPDATE_DETECTOR,
               "segment": base64.b64encode(bytes(range(256)) + bytes(44)).decode()}
    return [
        bytes([QUERY]) + jsonp(offer),
        bytes([QUERY]) + jsonp(dict(offer, update=False, appsize="1234", detver="not a version")),
        bytes([QUERY]) + jsonp({k: v for k, v in offer.items() if k != "podver"}) + b";",
        # An offer that is its own segment downloads whole.
        bytes([QUERY]) + jsonp(dict(offer, **segment)),
        segment_flags(1, 1000000) + jsonp(segment),
        segment_flags(2, 740000) + jsonp(dict(segment, segment="AAEC\nAwQF")),
        segment_flags(3, 2**31 - 1) + jsonp({"request": "Segment number requested is not valid 1"}),
        segment_flags(0, 0) + jsonp(dict(segment, segmentNumber="1", detectorName=7)),
    ]


UPDATE_SERVER_WORDS = ["update", "appsize", "totalsegments", "detver", "podver", "segmentNumber", "detectorName",
                       "segment", "request", "Segment number requested is not valid ", UPDATE_DETECTOR, "1.90.0"]


# ---- firmware files -----------------------------------------------------------------------------

def crc(data):
    """The containers' CRC-32: the reflected polynomial from a zero register, with no final inversion."""
    return ~zlib.crc32(data, 0xFFFFFFFF) & 0xFFFFFFFF


def with_crc(fields):
    return fields + struct.pack(">I", crc(fields))


def pod_header(version=(1, 77, 3), flags=0b10, icd=7):
    return with_crc(struct.pack(">I3BIIH", 2, *version, flags, 1, icd))


def cpu_app_header(pairing, version=(2, 0, 5), flags=0b110, icd=7):
    return with_crc(struct.pack(">I3BII", 1, *version, flags, 1) + pairing + struct.pack(">H", icd))


def cpu_net_header(pairing):
    return with_crc(struct.pack(">I", 1) + pairing)


def pairing(seed):
    return bytes((seed * 37 + i * 11) & 0xFF for i in range(32))


def firmware_metadata_seeds():
    return [b"\x00" + pod_header(), b"\x01" + cpu_app_header(pairing(1)), b"\x01" + cpu_net_header(pairing(1))]


def block(selector, plain):
    assert len(plain) < 256
    return bytes([selector, len(plain)]) + plain


def firmware_file_seeds():
    image = bytes(range(40))
    system = (block(0, pod_header() + image) + block(2, cpu_app_header(pairing(1)) + image)
              + block(3, cpu_net_header(pairing(1)) + image))
    model2 = (block(1, pod_header(flags=0b1001, icd=3) + image)
              + block(2, cpu_app_header(pairing(2), icd=3) + image) + block(3, cpu_net_header(pairing(2))))
    return [
        b"\x03" + system,                          # assembled, header CRCs repaired, combined parser
        b"\x23" + model2,                          # the same for model 2
        b"\x0b" + system,                          # the control-pod parser alone
        b"\x33" + model2 + block(4, b"plain"),     # the Tamarind parser alone, model 2
        b"\x1b" + system,                          # the two file sources compared
        b"\x1e" + container([(b"LDSTCP01", image)]),  # a raw container, sizes and CRCs repaired
    ]


def container(blocks):
    body = b""
    for tag, data in blocks:
        header = b"CVBB" + tag + struct.pack("<II", len(data), crc(data)) + b"fuzz seed".ljust(64, b"\0")
        body += header + struct.pack("<I", crc(header)) + data
    main = b"CVBF" + struct.pack("<II", len(blocks), 256 + len(body))
    main += b"fuzz seed".ljust(64, b"\0") + struct.pack("<I", 3) + bytes(108)
    main += struct.pack("<I", crc(main)) + bytes(64)
    return main + body


def cvb_container_seeds():
    return [b"\x00" + container([(b"LDSTCP01", bytes(range(64))), (b"LDSTJNN1", b"")]),
            b"\x03" + container([(b"TESTTHR2", bytes(160))])]


# ---- gateway ------------------------------------------------------------------------------------

def gateway_codec_seeds():
    connect = line({"response": {"name": "connectToDevice", "requestId": 1, "deviceUuid": DEVICE_UUID,
                                 "resultCode": 0}})
    refused = line({"response": {"name": "connectToDevice", "requestId": 1, "deviceUuid": DEVICE_UUID,
                                 "resultCode": 3}})
    sent = line({"response": {"name": "sendFrameToDevice", "requestId": 2, "resultCode": 0}})
    frame = line({"notification": {"name": "rxFrame", "deviceUuid": DEVICE_UUID,
                                   "frame": {"frameType": 255, "payload": "ggAUAJAAAQAC"}}})
    # A line past the codec's 64 KiB cap, dropped up to its line feed; the frame after it still counts.
    overlong = line({"notification": {"name": "rxFrame", "deviceUuid": DEVICE_UUID,
                                      "frame": {"frameType": 255, "payload": "QUJD" * 16500}}})
    return [connect + sent + frame + b"\x20", refused + frame + b"\x85", connect + frame + frame + b"\x01",
            connect + overlong + frame + b"\x60"]


def gateway_locator_seeds():
    devices = line({"response": {"requestId": 1, "resultCode": 0, "result": {"devices": [
        {"name": "SUMMIT PRO", "uuid": DEVICE_UUID}, {"name": "other", "uuid": "not a uuid"}]}}})
    greeting = line({"notification": {"name": "gatewayReady"}})
    other = line({"response": {"requestId": 7, "resultCode": 0}})
    return [greeting + devices, other + devices, greeting + line({"response": {"requestId": 1, "resultCode": 5}})]


GATEWAY_WORDS = ["response", "request", "notification", "requestId", "resultCode", "result", "devices",
                 "name", "uuid", "deviceUuid", "connectToDevice", "sendFrameToDevice", "rxFrame", "frame",
                 "frameType", "payload", DEVICE_UUID]


# ---- catalog and record files -------------------------------------------------------------------

def catalog_entry(md5, pod="1.2.3", tamarind="2.0.5", pod_hw=0, tamarind_hw=0):
    return {"controlPodVersion": pod, "tamarindSoftwareVersion": tamarind, "firmwareMd5Checksum": md5,
            "compatibleControlPodHardwareVersion": pod_hw, "tamarindHardwareVersion": tamarind_hw,
            "mbuBlockIndex": 0, "cpuAppBlockIndex": 1, "cpuNetBlockIndex": 2}


def catalog_manifest_seeds():
    one = {"SUMMIT PRO": [catalog_entry(CATALOG_COPIES[0]), catalog_entry(CATALOG_COPIES[1], "1.3.0", "2.1.0")]}
    two = {"SUMMIT PRO 2": [catalog_entry(CATALOG_COPIES[1], pod_hw=1, tamarind_hw=2)],
           "SUMMIT PRO": "not an array"}
    return [
        b"\x00" + json.dumps(one, indent=4).encode(),
        b"\x10" + json.dumps(one).encode(),                 # pod in its bootloader: the newest only
        b"\xc9" + json.dumps(two).encode(),                 # model 2, hardware 1 and 2, add a file
        b"\x40" + json.dumps({"SUMMIT PRO": [1, None, catalog_entry("../x")]}).encode(),
    ]


CATALOG_WORDS = ["controlPodVersion", "tamarindSoftwareVersion", "firmwareMd5Checksum",
                 "compatibleControlPodHardwareVersion", "tamarindHardwareVersion", "mbuBlockIndex",
                 "cpuAppBlockIndex", "cpuNetBlockIndex", "SUMMIT PRO", "SUMMIT PRO 2"] + CATALOG_COPIES


def detector_record_seeds():
    parts = [{"serialNumber": RECORD_SERIALS[0], "detectorType": "SUMMIT PRO", "userVerificationCode": "1"},
             {"serialNumber": RECORD_SERIALS[1], "detectorType": "SUMMIT PRO 2 (speculative)"}]
    systems = [{"detectorType": "RDX 30", "modules": [
        {"moduleName": "cb", "serialNumber": RECORD_SERIALS[0], "userVerificationCode": "12345",
         "hardwareVersion": 2, "softwareVersion": "1.2.3"}]}]
    return [
        b"\x00" + json.dumps(parts, indent=4).encode(),
        b"\x01" + json.dumps(parts + systems).encode(),
        b"\x00" + json.dumps(systems).encode(),
        b"\x02" + b"[",
    ]


RECORD_WORDS = ["serialNumber", "detectorType", "userVerificationCode", "modules", "moduleName",
                "hardwareVersion", "softwareVersion", "isSpeculative", "speculative"] + RECORD_SERIALS

JSON_WORDS = ["{", "}", "[", "]", ":", ",", "null", "true", "false", "\"\"", "0", "-1", "1e9"]

TARGETS = {
    "fuzz_device_link": (device_link_seeds, None),
    "fuzz_control_replies": (control_reply_seeds, None),
    "fuzz_receive_chain": (receive_chain_seeds, None),
    "fuzz_update_server": (update_server_seeds, UPDATE_SERVER_WORDS),
    "fuzz_firmware_metadata": (firmware_metadata_seeds, None),
    "fuzz_firmware_file": (firmware_file_seeds, None),
    "fuzz_cvb_container": (cvb_container_seeds, None),
    "fuzz_gateway_codec": (gateway_codec_seeds, GATEWAY_WORDS),
    "fuzz_gateway_locator": (gateway_locator_seeds, GATEWAY_WORDS),
    "fuzz_catalog_manifest": (catalog_manifest_seeds, CATALOG_WORDS),
    "fuzz_detector_record": (detector_record_seeds, RECORD_WORDS),
}


def dictionary_entry(word):
    return '"' + "".join(c if c.isalnum() or c in " {}[]:,.-_/" else "\\x%02x" % ord(c) for c in word) + '"'


def write(path, content):
    """Replaces the file whole, so that a fuzzer starting meanwhile never reads half a seed."""
    temporary = "%s.%d" % (path, os.getpid())
    with open(temporary, "wb") as f:
        f.write(content)
    os.replace(temporary, path)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    out = sys.argv[1]
    for target, (seeds, words) in TARGETS.items():
        directory = os.path.join(out, target)
        os.makedirs(directory, exist_ok=True)
        for index, seed in enumerate(seeds()):
            write(os.path.join(directory, "seed-%d" % index), seed)
        if words:
            entries = [dictionary_entry(word) for word in JSON_WORDS + ['"%s"' % w for w in words]]
            write(os.path.join(out, target + ".dict"), "\n".join(entries).encode() + b"\n")


if __name__ == "__main__":
    main()
