#!/usr/bin/env python3
"""Generates the container library's block keys from one fixed seed.

Writes, from the same random stream every time:
  cvbv3/block_registry_secrets.cpp  the key names and secrets of the run-time rows of the block-type
                                    registry, each kept as a character pool and an index list;
  tests/support/containers/cvb_test_keys.h     the same values in plain form, with every registry row and the
                                    Lodestar family's 32-byte block secrets, for the tests.
With --registrar-out PATH it also writes the Lodestar block secrets in obfuscated form (pool and index
lists) for the family registrar, so the registrar and the tests agree on them.

The output is a pure function of SEED: running the tool again rewrites identical files. Changing the
seed changes every key, and containers built with the old keys can no longer be read.

    python3 tools/generate_cvb_secrets.py            # from the repository root
"""

import argparse
import pathlib
import string

from seeded_stream import SeededStream, c_numbers

SEED = 0x43564233  # fixed: the checked-in tables depend on it
ALNUM = string.ascii_uppercase + string.ascii_lowercase + string.digits
POOL_ALPHABET = ALNUM + " #_-.:/"
POOL_SIZE = 1536

# Rows of the registry whose strings are stored whole, in registration order: (tag, key name, secret).
PLAIN_ROWS = {
    1: ("HERNCBM1", "Heron Control Box Encryption Key Issue #1", "20170214_Hq4TnWz8Lp2R"),
    2: ("HERNCBM2", "Heron Control Box Encryption Key Issue #1", "20170214_mB7xKd3QvY9s"),
    3: ("HERNCBM3", "Heron Control Box Encryption Key Issue #1", "20170214_Zr5uPc8NjW1e"),
    4: ("OCLTCBM1", "Ocelot Control Box Encryption Key Issue #1", "20150611_Tk9Vb2MxRq7D"),
    5: ("OCLTCBM2", "Ocelot Control Box Encryption Key Issue #1", "20150611_Tk9Vb2MxRq7D"),
    6: ("COBCBSW1", "Cobalt Control Box Encryption Key Issue #1", "20160422_3Jw85Rp1Nc6Y"),
    7: ("COBPODSW", "Cobalt Pod Encryption Key Issue #1", "20160422_qD74295tHs3K"),
    8: ("FENLCB01", "Fennel Control Box Encryption Key Issue #1", "20170530_9M28C41K5X3Q"),
    9: ("FENLUIM1", "Fennel UIM Encryption Key Issue #1", "20170602_KP342RT71"),
    10: ("FENLGSYS", "Fennel GPR System Encryption Key Issue #1", "20170711_ZW563Q218"),
    11: ("FENLGPRS", "Fennel UIM Encryption Key Issue #1", "20170705_KP7DFQR34"),
    12: ("FENLGPRD", "Fennel UIM Encryption Key Issue #1", "20170705_VN2J8QR81"),
    13: ("FENLGPRF", "Fennel UIM Encryption Key Issue #1", "20170705_ZW563QR29"),
    14: ("LRCHMD01", "Larch Metal Detector Encryption Key Issue #1", "20170815_BHN27TR64QWE"),
    16: ("LRCHSC01", "Larch System Controller Encryption Key Issue #1", "20170815_QJP8FN3X71ZT"),
    24: ("LNTPCB01", "LanternPost Control Box Encryption Key Issue #1", "20181127_4H52PK8MQZT3"),
    29: ("QUILCP01", "Quill Control Pod Encryption Key Issue #1", "20190916_Wd3kfpr7Hn5Q"),
}

# Rows built at run time: row -> (tag, namespace, constant, product, part, key length, secret length).
RUNTIME_ROWS = {
    15: ("GRAPHAS1", "gfx", "GRAPHICAL_ASSETS", "Graphical", "Assets", 47, 16),
    17: ("OCL2CPM1", "ocelot2", "OCELOT2_MODEL_1", "Ocelot2", "Control Pod", 45, 21),
    18: ("OCL2CPM2", "ocelot2", "OCELOT2_MODEL_2", "Ocelot2", "Control Pod", 45, 21),
    19: ("OCL2JNA1", "ocelot2", "OCELOT2_JUNIPER_CPUAPP", "Ocelot2", "Juniper CPUAPP", 48, 21),
    20: ("OCL2JNN1", "ocelot2", "OCELOT2_JUNIPER_CPUNET", "Ocelot2", "Juniper CPUNET", 48, 21),
    21: ("ROWNCP01", "rowan", "ROWAN_CONTROL_POD", "Rowan", "Control Pod", 42, 21),
    22: ("ROWNJNA1", "rowan", "ROWAN_JUNIPER_CPUAPP", "Rowan", "Juniper CPUAPP", 45, 21),
    23: ("ROWNJNN1", "rowan", "ROWAN_JUNIPER_CPUNET", "Rowan", "Juniper CPUNET", 45, 21),
    25: ("LDSTCP01", "lodestar", "LODESTAR_MODEL_1", "Lodestar", "Control Pod", 45, 21),
    26: ("LDSTCP02", "lodestar", "LODESTAR_MODEL_2", "Lodestar", "Pod", 32, 32),
    27: ("LDSTJNA1", "lodestar", "LODESTAR_JUNIPER_CPUAPP", "Lodestar", "Juniper CPUAPP", 48, 21),
    28: ("LDSTJNN1", "lodestar", "LODESTAR_JUNIPER_CPUNET", "Lodestar", "Juniper CPUNET", 48, 21),
    30: ("ALDERA01", "alder", "ALDER_CPUAPP_MODEL_1", "Alder", "CPUAPP", 44, 21),
    31: ("ALDERN01", "alder", "ALDER_CPUNET_MODEL_1", "Alder", "CPUNET", 44, 21),
    32: ("ALDERA02", "alder", "ALDER_CPUAPP_MODEL_2", "Alder", "CPUAPP", 44, 21),
    33: ("ALDERN02", "alder", "ALDER_CPUNET_MODEL_2", "Alder", "CPUNET", 44, 21),
    34: ("RT44APP1", "rt44", "RT44_CPUAPP_MODEL_1", "RT44", "APP", 32, 32),
    35: ("RT44NET1", "rt44", "RT44_CPUNET_MODEL_1", "RT44", "NET", 32, 32),
}

# The Lodestar family's 32-byte block secrets (production and development sets), in this order.
FAMILY_SECRETS = [
    ("LodestarModel1", "control pod of model 1 (LDSTCP01)"),
    ("LodestarModel2", "control pod of model 2 (LDSTCP02)"),
    ("LodestarJuniperCpuApp", "Tamarind CPUAPP image (LDSTJNA1)"),
    ("LodestarJuniperCpuNet", "Tamarind CPUNET image (LDSTJNN1)"),
]
SETS = ["Production", "Development"]

KEY_SUFFIX = " Encryption Key Issue #1"


def key_name(stream, product, part, length):
    """A key name of exactly `length` characters: product, part, a random model code, the suffix."""
    head = f"{product} {part} "
    code_length = length - len(head) - len(KEY_SUFFIX)
    if code_length >= 1:
        return head + stream.text(code_length, ALNUM) + KEY_SUFFIX
    fill = length - len(head) - len(" Key")
    assert fill >= 4, (product, part, length)
    return head + stream.text(fill, ALNUM) + " Key"


def secret_text(stream, length):
    if length == 21:
        date = f"{2018 + stream.below(6)}{1 + stream.below(12):02d}{1 + stream.below(28):02d}"
        return date + "_" + stream.text(12, ALNUM)
    return stream.text(length, ALNUM)


def make_pool(stream, alphabet, size):
    return stream.shuffle([alphabet[i % len(alphabet)] for i in range(size)])


def obfuscate(stream, pool, values):
    positions = {}
    for index, char in enumerate(pool):
        positions.setdefault(char, []).append(index)
    result = []
    for value in values:
        choices = positions[value]
        result.append(choices[stream.below(len(choices))])
    return result


def c_string(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def c_pool(pool, per_line=96):
    text = "".join(pool)
    lines = [text[i:i + per_line] for i in range(0, len(text), per_line)]
    return "\n".join("    " + c_string(line) for line in lines)



def generate():
    stream = SeededStream(SEED)
    runtime = {}
    for row, (tag, ns, const, product, part, key_length, secret_length) in sorted(RUNTIME_ROWS.items()):
        name = key_name(stream, product, part, key_length)
        secret = secret_text(stream, secret_length)
        assert len(name) == key_length and len(secret) == secret_length
        runtime[row] = (tag, ns, const, name, secret)
    family = {}
    for set_name in SETS:
        for name, _ in FAMILY_SECRETS:
            family[(name, set_name)] = stream.bytes(32)
    pool = make_pool(stream, POOL_ALPHABET, POOL_SIZE)
    indices = {}
    for row, (tag, ns, const, name, secret) in sorted(runtime.items()):
        indices[row] = (obfuscate(stream, pool, name), obfuscate(stream, pool, secret))
    byte_pool = make_pool(stream, [chr(b) for b in range(256)], 4096)
    family_indices = {key: obfuscate(stream, byte_pool, [chr(b) for b in value])
                      for key, value in family.items()}
    return runtime, family, pool, indices, byte_pool, family_indices


HEADER_NOTE = (
    "// Generated by tools/generate_cvb_secrets.py from its fixed seed; do not edit by hand.\n"
    "// clang-format off\n"
)


def write_library(root, runtime, pool, indices):
    out = [HEADER_NOTE, '#include "cvbv3/block_registry_secrets.h"\n', "\nnamespace cvsw::cvbv3 {\n",
           "\nnamespace {\n\n// Every run-time string is picked out of this pool by its index list.\n",
           "constexpr char Pool[] =\n", c_pool(pool), ";\n"]
    for row, (tag, ns, const, name, secret) in sorted(runtime.items()):
        key_idx, secret_idx = indices[row]
        out.append(f"\nconstexpr std::uint32_t {const}_1[] = {{\n{c_numbers(key_idx)}\n}};\n")
        out.append(f"constexpr std::uint32_t {const}_2[] = {{\n{c_numbers(secret_idx)}\n}};\n")
    out.append("\n} // namespace\n")
    current = None
    for row, (tag, ns, const, name, secret) in sorted(runtime.items(), key=lambda r: (r[1][1], r[0])):
        if ns != current:
            if current is not None:
                out.append(f"}} // namespace {current}\n")
            out.append(f"\nnamespace {ns} {{\n")
            current = ns
        for n in (1, 2):
            out.append(f"const ObfuscatedString {const}_STRING_{n}_SECRET_OBS{{\n"
                       f"    Pool, {const}_{n}, std::size({const}_{n})}};\n")
    out.append(f"}} // namespace {current}\n\n}} // namespace cvsw::cvbv3\n")
    (root / "cvbv3" / "block_registry_secrets.cpp").write_text("".join(out))


def write_fixture(root, runtime, family):
    rows = {}
    for row, (tag, key, secret) in PLAIN_ROWS.items():
        rows[row] = (tag, key, secret)
    for row, (tag, ns, const, key, secret) in runtime.items():
        rows[row] = (tag, key, secret)
    assert sorted(rows) == list(range(1, 36))
    out = [HEADER_NOTE,
           "// The keys the program uses, in plain form: every row of the block-type registry and the Lodestar\n"
           "// family's block secrets. Test containers are built with exactly these, so the program reads them.\n",
           "#pragma once\n\n#include <array>\n#include <cstdint>\n\nnamespace cvbtest {\n\n",
           "struct RegistryRow {\n    const char* tag;\n    const char* keyName;\n    const char* secret;\n};\n\n",
           "// The 35 rows in registration order.\ninline constexpr RegistryRow RegistryRows[35] = {\n"]
    for row in range(1, 36):
        tag, key, secret = rows[row]
        out.append(f"    {{{c_string(tag)}, {c_string(key)}, {c_string(secret)}}},\n")
    out.append("};\n\nusing BlockSecret = std::array<std::uint8_t, 32>;\n")
    for set_name in SETS:
        for name, role in FAMILY_SECRETS:
            values = family[(name, set_name)]
            out.append(f"\n// {set_name} secret of the {role}.\n")
            out.append(f"inline constexpr BlockSecret {name}{set_name}Secret = {{\n")
            out.append(c_numbers(values, 12, "0x{:02x}") + "\n};\n")
    out.append("\n} // namespace cvbtest\n")
    (root / "tests" / "support" / "containers" / "cvb_test_keys.h").write_text("".join(out))


def write_registrar(path, byte_pool, family_indices):
    out = [HEADER_NOTE,
           "// The Lodestar family's 32-byte block secrets, each picked out of a byte pool by 32 indices.\n",
           "#pragma once\n\n#include <array>\n#include <cstdint>\n\nnamespace fwup::lodestar_secrets {\n\n",
           "inline constexpr std::uint8_t BytePool[4096] = {\n",
           c_numbers([ord(c) for c in byte_pool], 16, "0x{:02x}"), "\n};\n"]
    for (name, set_name), idx in family_indices.items():
        out.append(f"\ninline constexpr std::array<std::uint16_t, 32> {name}{set_name}Indices = {{\n")
        out.append(c_numbers(idx) + "\n};\n")
    out.append("\n} // namespace fwup::lodestar_secrets\n")
    pathlib.Path(path).write_text("".join(out))


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--root", default=pathlib.Path(__file__).resolve().parent.parent, type=pathlib.Path)
    parser.add_argument("--registrar-out", help="also write the registrar's obfuscated Lodestar secrets here")
    args = parser.parse_args()
    runtime, family, pool, indices, byte_pool, family_indices = generate()
    write_library(args.root, runtime, pool, indices)
    write_fixture(args.root, runtime, family)
    if args.registrar_out:
        write_registrar(args.registrar_out, byte_pool, family_indices)


if __name__ == "__main__":
    main()
