#!/usr/bin/env python3
"""Writes the sample input folder: the same short Japanese texts in the encodings jpconv reads."""
import pathlib
import sys

HAIKU = "古池や\n蛙飛び込む\n水の音\n"
LETTER = (
    "お世話になっております。\n"
    "先日の会議の議事録を送付いたします。\n"
    "ご確認のほど、よろしくお願いいたします。\n"
    "Brelo で一括変換しました。\n"
)
KANA = "ﾊﾝｶｸ ｶﾀｶﾅ ｶﾞｷﾞｸﾞ ﾊﾟﾋﾟﾌﾟ ﾃｽﾄ\n半角カナを含むテキストです。\n"

SAMPLES = [
    ("haiku-sjis.txt", HAIKU, "shift_jis"),
    ("haiku-euc.txt", HAIKU, "euc_jp"),
    ("haiku-jis.txt", HAIKU, "iso2022_jp"),
    ("letter-sjis.txt", LETTER, "shift_jis"),
    ("letter-euc.txt", LETTER, "euc_jp"),
    ("letter-jis.txt", LETTER, "iso2022_jp"),
    ("kana-sjis.txt", KANA, "shift_jis"),
    ("kana-euc.txt", KANA, "euc_jp"),
]


def main(folder):
    out = pathlib.Path(folder)
    out.mkdir(parents=True, exist_ok=True)
    for name, text, codec in SAMPLES:
        data = text.replace("\n", "\r\n").encode(codec)
        (out / name).write_bytes(data)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parent / "Samples")
