#!/usr/bin/env python3
"""jpconv against Python's own codecs: every JIS X 0208 character, in Shift_JIS, EUC-JP and
7-bit JIS, in CR LF lines, converted each way, and half-width katakana widened.

Usage: differential_test.py JPCONV [COMMAND-PREFIX...]
Exits 0 when every conversion matches byte for byte."""
import os
import random
import subprocess
import sys
import tempfile
import unicodedata

ESC = b"\x1b"


def jis_x0208_characters():
    """Every character of JIS X 0208 that the codecs agree on, in row and cell order."""
    chars = []
    for row in range(1, 95):
        for cell in range(1, 95):
            euc = bytes([0xA0 + row, 0xA0 + cell])
            try:
                ch = euc.decode("euc_jp")
                sjis = ch.encode("shift_jis")
            except UnicodeError:
                continue
            if ch.encode("euc_jp") == euc and sjis.decode("shift_jis") == ch:
                chars.append(ch)
    return chars


def lines_of(chars, width):
    """Text in lines of width characters with some ASCII between, CR LF line ends."""
    lines = []
    for start in range(0, len(chars), width):
        line = "".join(chars[start:start + width])
        if (start // width) % 3 == 1:
            line = "No. %d: " % start + line[: width // 2] + " ascii " + line[width // 2:]
        lines.append(line)
    return "\r\n".join(lines) + "\r\n"


def half_width_text(rng, count):
    """Half-width katakana with sound marks only where they combine, and what they widen to."""
    plain = [chr(c) for c in range(0xFF61, 0xFF9E)]  # every half-width character but the marks
    voiced = set("ｳｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄﾊﾋﾌﾍﾎ")
    semi = set("ﾊﾋﾌﾍﾎ")
    out = []
    for _ in range(count):
        ch = rng.choice(plain)
        out.append(ch)
        r = rng.random()
        if ch in voiced and r < 0.4:
            out.append("ﾞ")
        elif ch in semi and r < 0.7:
            out.append("ﾟ")
        if rng.random() < 0.05:
            out.append("\r\n")
    text = "".join(out) + "\r\n"
    return text, unicodedata.normalize("NFKC", text)


def jis_variant(data, variant):
    """The codec's ISO-2022-JP bytes written in one of jpconv's three escape forms."""
    data = data.replace(ESC + b"(B", ESC + b"(J")
    if variant == "-oldjis":
        data = data.replace(ESC + b"$B", ESC + b"$@")
    elif variant == "-necjis":
        data = data.replace(ESC + b"$B", ESC + b"K").replace(ESC + b"(J", ESC + b"H")
    return data


def first_difference(a, b):
    n = next((i for i in range(min(len(a), len(b))) if a[i] != b[i]), min(len(a), len(b)))
    return "at byte %d: got %r, expected %r" % (n, a[max(0, n - 8):n + 8], b[max(0, n - 8):n + 8])


def main():
    if len(sys.argv) < 2:
        print(__doc__)
        return 2
    command = sys.argv[2:] + [sys.argv[1]]
    chars = jis_x0208_characters()
    if len(chars) < 6800:
        print("the codecs know only %d JIS X 0208 characters" % len(chars))
        return 1
    text = lines_of(chars, 40)
    # A kanji line first: a text of half-width katakana alone reads as EUC-JP pairs.
    half, widened = half_width_text(random.Random(1), 3000)
    half = "漢字\r\n" + half
    widened = "漢字\r\n" + widened

    samples = {
        "all.sjis": text.encode("shift_jis"),
        "all.euc": text.encode("euc_jp"),
        "all.jis": text.encode("iso2022_jp"),
        "half.sjis": half.encode("shift_jis"),
        "half.euc": half.encode("euc_jp"),
    }
    expected_jis = text.encode("iso2022_jp")
    cases = [
        ("all.sjis", "-euc", samples["all.euc"]),
        ("all.sjis", "-sjis", samples["all.sjis"]),
        ("all.euc", "-sjis", samples["all.sjis"]),
        ("all.euc", "-euc", samples["all.euc"]),
        ("all.jis", "-sjis", samples["all.sjis"]),
        ("all.jis", "-euc", samples["all.euc"]),
        ("half.sjis", "-euc", samples["half.euc"]),
        ("half.euc", "-sjis", samples["half.sjis"]),
        ("half.sjis", "-fullsize", widened.encode("shift_jis")),
        ("half.euc", "-fullsize", widened.encode("euc_jp")),
    ]
    for variant in ("-newjis", "-oldjis", "-necjis"):
        cases.append(("all.sjis", variant, jis_variant(expected_jis, variant)))
        cases.append(("all.euc", variant, jis_variant(expected_jis, variant)))
        cases.append(("all.jis", variant, jis_variant(expected_jis, variant)))
        expected_half = jis_variant(widened.encode("iso2022_jp"), variant)
        cases.append(("half.sjis", variant, expected_half))
        cases.append(("half.euc", variant, expected_half))

    failures = 0
    with tempfile.TemporaryDirectory() as folder:
        for name, data in samples.items():
            with open(os.path.join(folder, name), "wb") as f:
                f.write(data)
        output = os.path.join(folder, "out")
        for name, option, expected in cases:
            label = "%s %s" % (option, name)
            run = subprocess.run(command + [option, os.path.join(folder, name), output],
                                 stdout=subprocess.PIPE)
            with open(output, "rb") as f:
                got = f.read()
            if run.returncode != 0 or run.stdout.strip() != b"Convertion successful.":
                print("FAIL %s: exit %d, %r" % (label, run.returncode, run.stdout))
                failures += 1
            elif got != expected:
                print("FAIL %s: %s" % (label, first_difference(got, expected)))
                failures += 1
            else:
                print("ok   %s (%d bytes)" % (label, len(got)))
    print("%d characters of JIS X 0208" % len(chars))
    print("%d passed, %d failed" % (len(cases) - failures, failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
