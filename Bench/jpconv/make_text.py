#!/usr/bin/env python3
"""Writes about SIZE megabytes of Japanese prose-like text in Shift_JIS and EUC-JP, CR LF lines:
JIS X 0208 kanji compounds, hiragana inflections and particles, katakana loan words, full-width
punctuation, ASCII words and numbers, and now and then half-width katakana with sound marks.

Usage: make_text.py OUTDIR [SIZE_MB]   (default 100)
Writes OUTDIR/text.sjis and OUTDIR/text.euc. The output is the same for the same arguments."""
import os
import random
import sys

HIRAGANA = [chr(c) for c in range(0x3041, 0x3094)]
KATAKANA = [chr(c) for c in range(0x30A1, 0x30F7)]
PARTICLES = ["は", "が", "の", "を", "に", "で", "と", "も", "から", "まで", "へ", "より", "や"]
ENDINGS = ["ます", "です", "ました", "でした", "する", "した", "して", "される", "された", "ない",
           "なかった", "たい", "ている", "ていた", "だろう", "という", "ことができる", "ように"]
PUNCT_MID = ["、", "、", "・", "「", "」", "（", "）", "『", "』"]
PUNCT_END = ["。", "。", "。", "！", "？"]
ASCII = ["CPU", "OS", "Windows", "Linux", "ver.", "2026", "100", "3.14", "USB", "HTTP", "ID",
         "OK", "PDF", "x86", "e-mail", "URL"]
HALF_WIDTH = ["ｶﾞｲﾄﾞ", "ﾃﾞｰﾀ", "ﾊﾟｿｺﾝ", "ﾌﾟﾛｸﾞﾗﾑ", "ﾊﾞｯﾃﾘｰ", "ｻｰﾋﾞｽ", "ｱｲｳｴｵ", "ﾎﾟｲﾝﾄ",
              "ﾃﾞｨｽｸ", "ｳﾞｧｲｵﾘﾝ", "ｷｰﾎﾞｰﾄﾞ", "ﾒﾓﾘ"]


def kanji_set():
    """The first level of JIS X 0208 kanji (rows 16-47), the common ones."""
    chars = []
    for row in range(16, 48):
        for cell in range(1, 95):
            try:
                chars.append(bytes([0xA0 + row, 0xA0 + cell]).decode("euc_jp"))
            except UnicodeError:
                pass
    return chars


def vocabulary(rng):
    kanji = kanji_set()
    # A Zipf-like mix: a few compounds are frequent, most are rare.
    compounds = ["".join(rng.choice(kanji) for _ in range(rng.choice((1, 2, 2, 2, 3, 4))))
                 for _ in range(6000)]
    loans = ["".join(rng.choice(KATAKANA) for _ in range(rng.randint(2, 6))) + rng.choice(("", "ー"))
             for _ in range(800)]
    cumulative, total = [], 0.0
    for i in range(len(compounds)):
        total += 1.0 / (i + 1)
        cumulative.append(total)
    return compounds, cumulative, loans


def sentence(rng, compounds, weights, loans):
    parts = []
    for _ in range(rng.randint(3, 9)):
        r = rng.random()
        if r < 0.62:
            parts.append(rng.choices(compounds, cum_weights=weights)[0])
        elif r < 0.75:
            parts.append(rng.choice(loans))
        elif r < 0.82:
            parts.append(rng.choice(ASCII))
        elif r < 0.83:
            parts.append(rng.choice(HALF_WIDTH))
        else:
            parts.append("".join(rng.choice(HIRAGANA) for _ in range(rng.randint(1, 3))))
        parts.append(rng.choice(PARTICLES))
        if rng.random() < 0.15:
            parts.append(rng.choice(PUNCT_MID))
    parts.append(rng.choice(ENDINGS))
    parts.append(rng.choice(PUNCT_END))
    return "".join(parts)


def block(rng, compounds, weights, loans, size):
    """About size bytes of Shift_JIS text in lines of 30 to 120 characters."""
    lines, total = [], 0
    while total < size:
        line = ""
        target = rng.randint(30, 120)
        while len(line) < target:
            line += sentence(rng, compounds, weights, loans)
        lines.append(line)
        total += len(line) * 2 + 2
    return "\r\n".join(lines) + "\r\n"


def main():
    if len(sys.argv) < 2:
        print(__doc__)
        return 2
    outdir = sys.argv[1]
    size = int(float(sys.argv[2]) * 1_000_000) if len(sys.argv) > 2 else 100_000_000
    rng = random.Random(20261207)
    compounds, weights, loans = vocabulary(rng)
    # Eight distinct blocks, repeated to the size asked for: generating all of it in Python would
    # take minutes, and the converters keep no state from one line to the next that could profit.
    blocks = [block(rng, compounds, weights, loans, 2_000_000) for _ in range(8)]
    os.makedirs(outdir, exist_ok=True)
    written = 0
    with open(os.path.join(outdir, "text.sjis"), "wb") as sjis, \
            open(os.path.join(outdir, "text.euc"), "wb") as euc:
        i = 0
        while written < size:
            text = blocks[i % len(blocks)]
            data = text.encode("shift_jis")
            sjis.write(data)
            euc.write(text.encode("euc_jp"))
            written += len(data)
            i += 1
    print("wrote %d bytes of Shift_JIS to %s" % (written, outdir))
    return 0


if __name__ == "__main__":
    sys.exit(main())
