#!/usr/bin/env python3
"""Independent check of the resource container in the built executables.

Reads each file the way the container format is described (locating rules, header, the three
directory levels, LZARI payloads) with its own decoder, and compares every string table and menu
with the text sources: every text must be present with its exact bytes (code page 1252), in
ascending id order, and nothing else. Shares no code with the program or the packer.

usage: check_container.py --resources DIR FILE...
"""
import argparse
import struct
import sys

# ---- LZARI (Okumura 1989): ring 4096, matches 3..60, 314 symbols, 15-bit coder --------------

N, F, THRESHOLD = 4096, 60, 2
N_CHAR = 256 - THRESHOLD + F
Q1 = 1 << 15
Q2, Q3, Q4 = 2 * Q1, 3 * Q1, 4 * Q1
MAX_CUM = Q1 - 1

POSITION_CUM = [0] * (N + 1)
for _i in range(N, 0, -1):
    POSITION_CUM[_i - 1] = POSITION_CUM[_i] + 10000 // (_i + 200)


class LzariError(Exception):
    pass


def lzari_decode(stream, size):
    """Returns the unpacked bytes; raises LzariError when the stream is not exactly valid."""
    if len(stream) < 4:
        raise LzariError("stream shorter than 4 bytes")
    if struct.unpack_from("<I", stream)[0] != size:
        raise LzariError("size word differs from U")
    coded = stream[4:]
    if size == 0:
        if coded:
            raise LzariError("coded bytes after an empty stream")
        return b""

    state = {"pos": 0, "mask": 0, "buf": 0, "bits": 0}

    def bit():
        if state["mask"] == 0:
            p = state["pos"]
            state["buf"] = coded[p] if p < len(coded) else 0xFF
            state["pos"] = p + 1
            state["mask"] = 0x80
        b = 1 if state["buf"] & state["mask"] else 0
        state["mask"] >>= 1
        state["bits"] += 1
        return b

    sym_to_char = [0] * (N_CHAR + 1)
    sym_freq = [0] * (N_CHAR + 1)
    sym_cum = [0] * (N_CHAR + 1)
    for sym in range(N_CHAR, 0, -1):
        sym_to_char[sym] = sym - 1
        sym_freq[sym] = 1
        sym_cum[sym - 1] = sym_cum[sym] + 1

    low, high, value = 0, Q4, 0
    for _ in range(17):
        value = 2 * value + bit()

    def renormalize():
        nonlocal low, high, value
        while True:
            if low >= Q2:
                value -= Q2; low -= Q2; high -= Q2
            elif low >= Q1 and high <= Q3:
                value -= Q1; low -= Q1; high -= Q1
            elif high > Q2:
                return
            low += low
            high += high
            value = 2 * value + bit()

    def decode_char():
        nonlocal low, high
        rng = high - low
        x = ((value - low + 1) * sym_cum[0] - 1) // rng
        i, j = 1, N_CHAR
        while i < j:
            k = (i + j) // 2
            if sym_cum[k] > x:
                i = k + 1
            else:
                j = k
        sym = i
        high = low + rng * sym_cum[sym - 1] // sym_cum[0]
        low = low + rng * sym_cum[sym] // sym_cum[0]
        renormalize()
        ch = sym_to_char[sym]
        if sym_cum[0] >= MAX_CUM:
            c = 0
            for i in range(N_CHAR, 0, -1):
                sym_cum[i] = c
                sym_freq[i] = (sym_freq[i] + 1) >> 1
                c += sym_freq[i]
            sym_cum[0] = c
        i = sym
        while sym_freq[i] == sym_freq[i - 1]:
            i -= 1
        if i < sym:
            sym_to_char[i], sym_to_char[sym] = sym_to_char[sym], sym_to_char[i]
        sym_freq[i] += 1
        for k in range(i):
            sym_cum[k] += 1
        return ch

    def decode_position():
        nonlocal low, high
        rng = high - low
        x = ((value - low + 1) * POSITION_CUM[0] - 1) // rng
        i, j = 1, N
        while i < j:
            k = (i + j) // 2
            if POSITION_CUM[k] > x:
                i = k + 1
            else:
                j = k
        p = i - 1
        high = low + rng * POSITION_CUM[p] // POSITION_CUM[0]
        low = low + rng * POSITION_CUM[p + 1] // POSITION_CUM[0]
        renormalize()
        return p

    ring = bytearray(b" " * (N - F) + b"\0" * F)
    r = N - F
    out = bytearray()
    while len(out) < size:
        c = decode_char()
        if c < 256:
            out.append(c)
            ring[r] = c
            r = (r + 1) & (N - 1)
            continue
        length = c - 255 + THRESHOLD
        if len(out) + length > size:
            raise LzariError("match runs past U")
        src = (r - decode_position() - 1) & (N - 1)
        for k in range(length):
            b = ring[(src + k) & (N - 1)]
            out.append(b)
            ring[r] = b
            r = (r + 1) & (N - 1)
    # The last two coded bits settle the interval; the 17-bit window reads 15 bits beyond them.
    used = (state["bits"] - 15 + 7) // 8
    if used != len(coded):
        raise LzariError("%d packed bytes, %d consumed" % (len(coded), used))
    return bytes(out)


# ---- container ----------------------------------------------------------------------------

def u32(data, at):
    if at < 0 or at + 4 > len(data):
        raise ValueError("read past the end at %d" % at)
    return struct.unpack_from("<I", data, at)[0]


def locate(data):
    if data[:4] == b"Rsrc":
        return 0, "magic"
    if len(data) > 32 and data[-32:-24] == b"RsOfs100":
        base = u32(data, len(data) - 24)
        if base == 0 or base >= len(data):
            raise ValueError("trailer base %d outside the file" % base)
        return base, "trailer"
    if data[:2] == b"MZ" and len(data) >= 0x40:
        nh = struct.unpack_from("<H", data, 0x3C)[0]
        if nh and data[nh:nh + 2] in (b"PE", b"NE", b"LX"):
            base = u32(data, 0x38)
            if base == 0 or base >= len(data):
                raise ValueError("MZ base %d outside the file" % base)
            return base, "MZ header"
    raise ValueError("no container found")


def read_block(data, base, offset, entry_size):
    at = base + offset
    count = u32(data, at + 4)
    if u32(data, at) != 4 + count * entry_size:
        raise ValueError("block at %d: size field %d, expected %d" % (offset, u32(data, at), 4 + count * entry_size))
    if at + 8 + count * entry_size > len(data):
        raise ValueError("block at %d runs past the end" % offset)
    return [struct.unpack_from("<" + "I" * (entry_size // 4), data, at + 8 + i * entry_size) for i in range(count)]


def read_container(data):
    base, how = locate(data)
    if data[base:base + 4] != b"Rsrc" or u32(data, base + 4) != 1:
        raise ValueError("bad header")
    if any(data[base + 8:base + 12]) or any(data[base + 16:base + 64]):
        raise ValueError("reserved header bytes not zero")
    type_dir = u32(data, base + 12)
    result = []  # (type, language, id, payload)
    for rtype, lang_off in read_block(data, base, type_dir, 8):
        for lang, id_off in read_block(data, base, lang_off, 8):
            for rid, flags, pay_off in read_block(data, base, id_off, 12):
                if pay_off == 0:
                    raise ValueError("payload offset zero")
                size = u32(data, base + pay_off)
                if flags & 1:
                    raise ValueError("payload %d/%#x/%d is stored, not packed" % (rtype, lang, rid))
                packed = u32(data, base + pay_off + 4)
                start = base + pay_off + 8
                if start + packed > len(data):
                    raise ValueError("packed payload runs past the end")
                result.append((rtype, lang, rid, lzari_decode(data[start:start + packed], size)))
    return how, result


def string_records(block):
    records, at = [], 0
    while at < len(block):
        rid, length = struct.unpack_from("<II", block, at)
        records.append((rid, block[at + 8:at + 8 + length]))
        at += 8 + length
    if at != len(block):
        raise ValueError("string block has a cut record")
    return records


def menu_items(payload):
    """[(depth, text, command)] of a menu template."""
    if payload[:5] != b"\x08\x01\x00\x57\x43":
        raise ValueError("menu header")
    at, depth, items = 5, 0, []
    while at < len(payload):
        if payload[at] != 0x09:
            raise ValueError("menu: text tag missing at %d" % at)
        end = payload.index(b"\0", at + 1)
        text = payload[at + 1:end]
        at = end + 1
        if payload[at] == 0x04:
            at += 3
        if payload[at] != 0x08:
            raise ValueError("menu: command tag missing")
        command = u32(payload, at + 1)
        at += 5
        if at < len(payload) and payload[at] == 0x08:
            at += 5
        items.append((depth, text, command))
        while at < len(payload) and payload[at] == 0x03:
            depth += {1: 1, 2: -1}[payload[at + 1]]
            at += 2
    return items


# ---- text sources -------------------------------------------------------------------------

def parse_number(text):
    return int(text, 16) if text.lower().startswith("0x") else int(text)


def source_strings(path):
    texts, last = {}, None
    with open(path, encoding="utf-8") as f:
        for line in f.read().split("\n"):
            s = line.strip(" \t\r")
            if not s or s.startswith("#"):
                last = None
                continue
            first = s.index('"')
            assert s.endswith('"') and len(s) >= first + 2, (path, line)
            text = s[first + 1:-1].encode("cp1252")
            head = s[:first].strip()
            if head:
                last = parse_number(head)
                assert last not in texts, (path, last)
                texts[last] = text
            else:
                assert last is not None, (path, line)
                texts[last] += b"\n" + text
    return texts


def source_menus(path):
    menus, current, depth = {}, None, 0
    with open(path, encoding="utf-8") as f:
        for line in f:
            s = line.strip()
            if not s or s.startswith("#"):
                continue
            words = s.split()
            if words[0] == "menu":
                current, depth = parse_number(words[1]), 0
                menus[current] = []
            elif words[0] == "end":
                if depth == 0:
                    current = None
                else:
                    depth -= 1
            elif words[0] == "separator":
                menus[current].append((depth, b"", 0))
            else:
                text = s[s.index('"') + 1:s.rindex('"')].encode("cp1252")
                menus[current].append((depth, text, parse_number(words[1])))
                if words[0] == "popup":
                    depth += 1
    return menus


def expected_payloads(resources):
    """[(type, language, id, kind, expected)] in the order of the manifest."""
    out = []
    with open(resources + "/container.txt", encoding="utf-8") as f:
        for line in f:
            s = line.strip()
            if not s or s.startswith("#"):
                continue
            w = s.split()
            if w[0] == "strings":
                out.append((2, parse_number(w[1]), parse_number(w[2]), "strings",
                            source_strings(resources + "/" + w[3])))
            else:
                for mid, items in source_menus(resources + "/" + w[2]).items():
                    out.append((7, parse_number(w[1]), mid, "menu", items))
    return out


def check(path, expected):
    errors = []
    with open(path, "rb") as f:
        data = f.read()
    how, payloads = read_container(data)
    found = {(t, l, i): p for t, l, i, p in payloads}
    order = [(t, l) for t, l, _i, _p in payloads if t == 2]
    want_order = [(t, l) for t, l, _i, _k, _e in expected if t == 2]
    if order != want_order:
        errors.append("string tables in order %s, expected %s" % (order, want_order))
    for rtype, lang, rid, kind, want in expected:
        payload = found.get((rtype, lang, rid))
        if payload is None:
            errors.append("%s %#06x/%d missing" % (kind, lang, rid))
            continue
        if kind == "strings":
            records = string_records(payload)
            ids = [r for r, _ in records]
            if ids != sorted(want):
                errors.append("table %#06x: ids %s... differ from the sources" % (lang, ids[:5]))
            for rid2, text in records:
                if want.get(rid2) != text:
                    errors.append("table %#06x id %d: %r, source has %r" % (lang, rid2, text, want.get(rid2)))
        else:
            items = menu_items(payload)
            if items != want:
                errors.append("menu %#06x/%d: %s, source has %s" % (lang, rid, items, want))
    if len(found) != len(expected):
        errors.append("%d payloads, the sources give %d" % (len(found), len(expected)))
    sizes = ", ".join("%#06x: %d" % (l, len(p)) for t, l, _i, p in payloads if t == 2)
    return how, sizes, errors


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--resources", required=True)
    parser.add_argument("files", nargs="+")
    args = parser.parse_args()
    expected = expected_payloads(args.resources)
    failed = False
    for path in args.files:
        try:
            how, sizes, errors = check(path, expected)
        except (ValueError, LzariError, KeyError, IndexError) as e:
            how, sizes, errors = "-", "-", [str(e)]
        for e in errors:
            print("%s: %s" % (path, e))
        failed |= bool(errors)
        print("%s: %s (found by %s; unpacked string tables %s)" % (path, "FAILED" if errors else "ok", how, sizes))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
