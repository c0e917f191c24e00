#!/usr/bin/env python3
"""Writes the state fuzzer's seed corpus: valid chunks and the edge cases around them.

    python3 fuzz/make_corpus.py            # writes the seeds into fuzz/corpus
    python3 fuzz/make_corpus.py --check    # exit 1 unless fuzz/corpus holds each seed as written

The corpus also keeps inputs that the fuzzer found and merged in; the script leaves those alone.
"""

import pathlib
import struct
import sys

DECLARATION = '<?xml version="1.0" encoding="UTF-8"?>'

DEFAULTS = [
    ("delay", "0.0"), ("distType", "1.0"), ("distortion", "1.0"), ("dryWet", "1.0"),
    ("feedback", "0.0"), ("filterOrder", "0.0"), ("freqGain", "1.0"), ("freqQ", "1.0"),
    ("highPass", "20.0"), ("highPassQ", "1.0"), ("hpfEnv", "0.0"), ("hpfEnvAttack", "0.0"),
    ("hpfEnvRelease", "1.0"), ("hpfSkew", "1.0"), ("inputGain", "0.0"), ("lowPass", "20000.0"),
    ("lowPassQ", "1.0"), ("lpfEnv", "0.0"), ("lpfEnvAttack", "0.0"), ("lpfEnvRelease", "1.0"),
    ("lpfSkew", "1.0"), ("outputGain", "0.0"), ("ratio", "1.0"), ("signalOrder", "0.0"),
]

HEAVY = dict(DEFAULTS, delay="2500.0", feedback="0.37", distortion="99.0", distType="2.0",
             lowPass="800.0", highPass="300.0", lowPassQ="25.0", highPassQ="25.0",
             lpfEnv="-20000.0", hpfEnv="20000.0", lpfSkew="0.1", hpfSkew="0.1",
             signalOrder="1.0", filterOrder="1.0", inputGain="24.0", outputGain="24.0", dryWet="0.5")


def params(values):
    return "".join(f'<PARAM id="{k}" value="{v}"/>' for k, v in values)


def document(children, root="PARAMETERS", declaration=True):
    text = f"<{root}>{children}</{root}>"
    return f"{DECLARATION} {text}" if declaration else text


def chunk(text, length=None, after=b"", magic=b"VC2!"):
    data = text.encode("utf-8") if isinstance(text, str) else text
    field = len(data) if length is None else length
    return magic + struct.pack("<i", field) + data + b"\0" + after


def seeds():
    default_text = document(params(DEFAULTS))
    without = lambda *ids: [(k, v) for k, v in DEFAULTS if k not in ids]

    return {
        "default": chunk(default_text),
        "heaviest": chunk(document(params(HEAVY.items()))),
        "lowercase-root": chunk(document(params(DEFAULTS), root="parameters")),
        "wrong-root": chunk(document(params(DEFAULTS), root="PARAMETER")),
        "no-declaration": chunk(document(params(DEFAULTS), declaration=False)),
        "missing-ratio": chunk(document(params(without("ratio")))),
        "missing-value": chunk(document('<PARAM id="lowPass"/>')),
        "number-texts": chunk(document(params([("lowPass", "50000"), ("highPass", "abc"),
                                               ("distType", "2.4"), ("delay", "1e9"),
                                               ("inputGain", "-inf"), ("feedback", "nan")]))),
        "unknown-and-duplicate": chunk(document('<PARAM id="mystery" value="5"/>'
                                                + params([("delay", "10"), ("delay", "20")])
                                                + '<OTHER id="ratio" value="4"><deep a="1"/></OTHER>')),
        "base64-attribute": chunk(document('<PARAM id="delay" base64:value="AAAA"/>')),
        "empty-root": chunk(document("")),
        "text-and-entities": chunk(document('&amp;text<PARAM id="delay" value="&#51;&#48;"/><!-- c -->'
                                            '<![CDATA[x]]>')),
        "too-short": chunk(default_text)[:8],
        "wrong-magic": chunk(default_text, magic=b"VC2?"),
        "zero-length": chunk(default_text, length=0),
        "negative-length": chunk(default_text, length=-5),
        "length-past-data": chunk(default_text, length=len(default_text) + 4096),
        "cut-document": chunk(default_text[:400], length=len(default_text)),
        "extra-bytes": chunk(default_text, after=b"<PARAMETERS/>\xff\xfe"),
        "leading-zero": chunk(b"\0" + default_text.encode()),
        "embedded-zero": chunk(default_text[:200].encode() + b"\0" + default_text[200:].encode()),
        "invalid-utf8": chunk(document('<PARAM id="delay\xff" value="1"/>').encode("latin-1") + b"\xf0"),
    }


def main():
    out = pathlib.Path(__file__).resolve().parent / "corpus"

    if sys.argv[1:] == ["--check"]:
        differing = [name for name, data in seeds().items()
                     if not (out / f"{name}.chunk").is_file() or (out / f"{name}.chunk").read_bytes() != data]
        for name in differing:
            print(f"fuzz/corpus/{name}.chunk differs from what make_corpus.py writes")
        return 1 if differing else 0

    out.mkdir(exist_ok=True)
    for name, data in seeds().items():
        (out / f"{name}.chunk").write_bytes(data)
    return 0


if __name__ == "__main__":
    sys.exit(main())
