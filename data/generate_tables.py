#!/usr/bin/env python3
"""Builds the library's built-in font and CMap tables (data/*.inc).

Reads freely licensed data that Debian packages install (see README.md in
this folder) and writes compact C++ initialisers, so that building the
library needs none of those packages. Run it from any directory:

    python3 data/generate_tables.py [--out DIR]

Standard library only. The output is deterministic: running the script twice
gives identical files.
"""

import argparse
import os
import re
import struct
import sys
import unicodedata
import zlib

AGL = "/usr/share/aglfn/glyphlist.txt"
AGLFN = "/usr/share/aglfn/aglfn.txt"
ZAPF_LIST = "/usr/share/aglfn/zapfdingbats.txt"
AFM_DIR = "/usr/share/a2ps/afm"
URW_DIR = "/usr/share/fonts/type1/urw-base35"
CMAP_ROOT = "/usr/share/poppler/cMap"

# The twelve Latin standard fonts in the library's numbering (1 to 12), each
# with its Adobe core AFM (a2ps) and the URW clone that supplies the Euro.
LATIN_FONTS = [
    ("Courier", "pcrr", "NimbusMonoPS-Regular"),
    ("Courier-Bold", "pcrb", "NimbusMonoPS-Bold"),
    ("Courier-BoldOblique", "pcrbo", "NimbusMonoPS-BoldItalic"),
    ("Courier-Oblique", "pcrro", "NimbusMonoPS-Italic"),
    ("Helvetica", "phvr", "NimbusSans-Regular"),
    ("Helvetica-Bold", "phvb", "NimbusSans-Bold"),
    ("Helvetica-BoldOblique", "phvbo", "NimbusSans-BoldItalic"),
    ("Helvetica-Oblique", "phvro", "NimbusSans-Italic"),
    ("Times-Roman", "ptmr", "NimbusRoman-Regular"),
    ("Times-Bold", "ptmb", "NimbusRoman-Bold"),
    ("Times-Italic", "ptmi", "NimbusRoman-Italic"),
    ("Times-BoldItalic", "ptmbi", "NimbusRoman-BoldItalic"),
]

# PDFDocEncoding codes that differ from ISO Latin-1 (ISO 32000-1, Annex D).
# Codes 0xA1..0xFF other than 0xAD follow Latin-1; 0x7F, 0x9F and 0xAD are
# undefined.
PDFDOC_NOT_LATIN1 = {
    0x18: "breve", 0x19: "caron", 0x1A: "circumflex", 0x1B: "dotaccent",
    0x1C: "hungarumlaut", 0x1D: "ogonek", 0x1E: "ring", 0x1F: "tilde",
    0x80: "bullet", 0x81: "dagger", 0x82: "daggerdbl", 0x83: "ellipsis",
    0x84: "emdash", 0x85: "endash", 0x86: "florin", 0x87: "fraction",
    0x88: "guilsinglleft", 0x89: "guilsinglright", 0x8A: "minus",
    0x8B: "perthousand", 0x8C: "quotedblbase", 0x8D: "quotedblleft",
    0x8E: "quotedblright", 0x8F: "quoteleft", 0x90: "quoteright",
    0x91: "quotesinglbase", 0x92: "trademark", 0x93: "fi", 0x94: "fl",
    0x95: "Lslash", 0x96: "OE", 0x97: "Scaron", 0x98: "Ydieresis",
    0x99: "Zcaron", 0x9A: "dotlessi", 0x9B: "lslash", 0x9C: "oe",
    0x9D: "scaron", 0x9E: "zcaron", 0xA0: "Euro",
}

# Mac OS Roman characters that the Latin character set leaves to the Symbol
# font (Annex D lists them under the Symbol encoding instead), plus the Apple
# logo. The PDF MacRomanEncoding keeps "currency" at 0xDB where later Mac OS
# versions put the Euro.
MAC_NOT_LATIN = {0xAD, 0xB0, 0xB2, 0xB3, 0xB6, 0xB7, 0xB8, 0xB9, 0xBA, 0xBD,
                 0xC3, 0xC5, 0xC6, 0xD7, 0xF0}

# MacExpertEncoding (ISO 32000-1 Annex D), as octal code: name.
MAC_EXPERT = {
    0o040: "space", 0o041: "exclamsmall", 0o042: "Hungarumlautsmall",
    0o043: "centoldstyle", 0o044: "dollaroldstyle", 0o045: "dollarsuperior",
    0o046: "ampersandsmall", 0o047: "Acutesmall", 0o050: "parenleftsuperior",
    0o051: "parenrightsuperior", 0o052: "twodotenleader",
    0o053: "onedotenleader", 0o054: "comma", 0o055: "hyphen", 0o056: "period",
    0o057: "fraction", 0o060: "zerooldstyle", 0o061: "oneoldstyle",
    0o062: "twooldstyle", 0o063: "threeoldstyle", 0o064: "fouroldstyle",
    0o065: "fiveoldstyle", 0o066: "sixoldstyle", 0o067: "sevenoldstyle",
    0o070: "eightoldstyle", 0o071: "nineoldstyle", 0o072: "colon",
    0o073: "semicolon", 0o075: "threequartersemdash", 0o077: "questionsmall",
    0o104: "Ethsmall", 0o107: "onequarter", 0o110: "onehalf",
    0o111: "threequarters", 0o112: "oneeighth", 0o113: "threeeighths",
    0o114: "fiveeighths", 0o115: "seveneighths", 0o116: "onethird",
    0o117: "twothirds", 0o126: "ff", 0o127: "fi", 0o130: "fl", 0o131: "ffi",
    0o132: "ffl", 0o133: "parenleftinferior", 0o135: "parenrightinferior",
    0o136: "Circumflexsmall", 0o137: "hypheninferior", 0o140: "Gravesmall",
    0o173: "colonmonetary", 0o174: "onefitted", 0o175: "rupiah",
    0o176: "Tildesmall", 0o201: "asuperior", 0o202: "centsuperior",
    0o207: "Aacutesmall", 0o210: "Agravesmall", 0o211: "Acircumflexsmall",
    0o212: "Adieresissmall", 0o213: "Atildesmall", 0o214: "Aringsmall",
    0o215: "Ccedillasmall", 0o216: "Eacutesmall", 0o217: "Egravesmall",
    0o220: "Ecircumflexsmall", 0o221: "Edieresissmall", 0o222: "Iacutesmall",
    0o223: "Igravesmall", 0o224: "Icircumflexsmall", 0o225: "Idieresissmall",
    0o226: "Ntildesmall", 0o227: "Oacutesmall", 0o230: "Ogravesmall",
    0o231: "Ocircumflexsmall", 0o232: "Odieresissmall", 0o233: "Otildesmall",
    0o234: "Uacutesmall", 0o235: "Ugravesmall", 0o236: "Ucircumflexsmall",
    0o237: "Udieresissmall", 0o241: "eightsuperior", 0o242: "fourinferior",
    0o243: "threeinferior", 0o244: "sixinferior", 0o245: "eightinferior",
    0o246: "seveninferior", 0o247: "Scaronsmall", 0o251: "centinferior",
    0o252: "twoinferior", 0o254: "Dieresissmall", 0o256: "Caronsmall",
    0o257: "osuperior", 0o260: "fiveinferior", 0o262: "commainferior",
    0o263: "periodinferior", 0o264: "Yacutesmall", 0o266: "dollarinferior",
    0o271: "Thornsmall", 0o273: "nineinferior", 0o274: "zeroinferior",
    0o275: "Zcaronsmall", 0o276: "AEsmall", 0o277: "Oslashsmall",
    0o300: "questiondownsmall", 0o301: "oneinferior", 0o302: "Lslashsmall",
    0o311: "Cedillasmall", 0o317: "OEsmall", 0o320: "figuredash",
    0o321: "hyphensuperior", 0o326: "exclamdownsmall",
    0o330: "Ydieresissmall", 0o332: "onesuperior", 0o333: "twosuperior",
    0o334: "threesuperior", 0o335: "foursuperior", 0o336: "fivesuperior",
    0o337: "sixsuperior", 0o340: "sevensuperior", 0o341: "ninesuperior",
    0o342: "zerosuperior", 0o344: "esuperior", 0o345: "rsuperior",
    0o346: "tsuperior", 0o351: "isuperior", 0o352: "ssuperior",
    0o353: "dsuperior", 0o361: "lsuperior", 0o362: "Ogoneksmall",
    0o363: "Brevesmall", 0o364: "Macronsmall", 0o365: "bsuperior",
    0o366: "nsuperior", 0o367: "msuperior", 0o370: "commasuperior",
    0o371: "periodsuperior", 0o372: "Dotaccentsmall", 0o373: "Ringsmall",
}
for _i, _c in enumerate("ABCDEFGHIJKLMNOPQRSTUVWXYZ"):
    MAC_EXPERT[0o141 + _i] = _c + "small"

# The library's MacExpert table holds these glyphs only (its historical
# content: the names from "AEsmall" to "Yacutesmall" and from "seveninferior"
# to "zerosuperior" in sorted order).
MAC_EXPERT_KEPT = [n for n in sorted(MAC_EXPERT.values())
                   if "AEsmall" <= n <= "Yacutesmall"
                   or "seveninferior" <= n <= "zerosuperior"]

# HeiseiKakuGo-W5 width groups: the high bytes present, in stored order.
HEISEI_GROUPS = [0x00, 0x20, 0x03, 0x01, 0xFB, 0xFF]

# Size of the CID-to-Unicode table: Adobe-Japan1-4 ends at CID 15443.
JAPAN1_LAST_CID = 15443


def read_glyph_list():
    """AGL name -> first code point (names are unique in AGL 2.0)."""
    names = {}
    with open(AGL, encoding="ascii") as f:
        for line in f:
            if line.startswith("#") or not line.strip():
                continue
            name, codes = line.strip().split(";")
            names[name] = int(codes.split()[0], 16)
    return names


def read_afm(path):
    """(code -> name, name -> width) of one AFM file."""
    codes, widths = {}, {}
    with open(path, encoding="latin-1") as f:
        for line in f:
            if not line.startswith("C "):
                continue
            fields = dict(p.strip().split(None, 1) for p in line.split(";")
                          if p.strip() and len(p.strip().split(None, 1)) == 2)
            code, name = int(fields["C"]), fields["N"]
            widths[name] = round(float(fields["WX"]))
            if code >= 0:
                codes[code] = name
    return codes, widths


def unicode_names(glyphs):
    """Code point -> glyph name after the AGL for New Fonts (one name each);
    the few code points it leaves out (fi, fl, the superior figures) take
    their shortest name in the full glyph list."""
    rev = {}
    for name, cp in sorted(glyphs.items(), key=lambda kv: (len(kv[0]), kv[0])):
        rev.setdefault(cp, name)
    with open(AGLFN, encoding="ascii") as f:
        for line in f:
            if line.startswith("#") or not line.strip():
                continue
            code, name, _ = line.strip().split(";", 2)
            rev[int(code, 16)] = name
    return rev


def latin_charset(glyphs):
    rev = unicode_names(glyphs)
    std_codes, _ = read_afm(os.path.join(AFM_DIR, "phvr.afm"))
    rows = {}  # name -> [unicode, std, mac, win, pdf]

    def put(name, column, code):
        row = rows.setdefault(name, [glyphs[name], -1, -1, -1, -1])
        if row[column] == -1:
            row[column] = code

    for code, name in std_codes.items():
        put(name, 1, code)
    for code in range(0x20, 0x100):
        ch = bytes([code]).decode("mac_roman")
        name = "currency" if code == 0xDB else rev.get(ord(ch))
        if code in (0x7F, 0xCA) or code in MAC_NOT_LATIN:
            continue  # 0xCA is the no-break space: "space" a second time
        put(name, 2, code)
    for code in range(0x20, 0x100):
        try:
            ch = bytes([code]).decode("cp1252")
        except UnicodeDecodeError:
            continue
        if code in (0x7F, 0xA0, 0xAD):
            continue  # 0x7F is a control; 0xA0 and 0xAD: second codes of space and hyphen, set at run time
        put(rev[ord(ch)], 3, code)
    for code in range(0x18, 0x100):
        if code in (0x7F, 0x9F, 0xAD):
            continue
        name = PDFDOC_NOT_LATIN1.get(code)
        if name is None:
            if 0x80 <= code < 0xA1:
                continue
            name = rev[code]
        put(name, 4, code)
    return rows


def latin_widths(rows):
    table = {}
    for font, afm, urw in LATIN_FONTS:
        _, widths = read_afm(os.path.join(AFM_DIR, afm + ".afm"))
        _, urw_widths = read_afm(os.path.join(URW_DIR, urw + ".afm"))
        for name in rows:
            w = widths.get(name, urw_widths.get(name))
            if w is None:
                sys.exit(f"no width for {name} in {font}")
            table.setdefault(name, []).append(w)
    return table


def symbol_table(glyphs):
    codes, widths = read_afm(os.path.join(AFM_DIR, "psyr.afm"))
    rows = []
    for code in sorted(codes):
        name = codes[code]
        rows.append((name, code, glyphs[name], widths[name]))
    return rows


def dingbats_table():
    """(code, name, Unicode) of the ZapfDingbats font's built-in encoding."""
    codes, _ = read_afm(os.path.join(AFM_DIR, "pzdr.afm"))
    unicode = {}
    with open(ZAPF_LIST, encoding="ascii") as f:
        for line in f:
            if line.startswith("#") or not line.strip():
                continue
            name, value = line.strip().split(";")
            unicode[name] = int(value, 16)
    return [(code, codes[code], unicode[codes[code]])
            for code in sorted(codes) if codes[code] in unicode]


# Spacing accents as fonts draw them, each with its combining mark.
SPACING_ACCENTS = [
    (0x00B4, 0x0301), (0x0060, 0x0300), (0x00A8, 0x0308), (0x02C6, 0x0302),
    (0x02DC, 0x0303), (0x00B8, 0x0327), (0x02DA, 0x030A), (0x02C7, 0x030C),
    (0x00AF, 0x0304), (0x02D8, 0x0306), (0x02D9, 0x0307), (0x02DB, 0x0328),
    (0x02DD, 0x030B),
]


def accent_compositions():
    """(accent, base, composed) for every basic Latin letter that has a
    precomposed form with a spacing accent; dotless i stands for i."""
    rows = []
    for accent, mark in SPACING_ACCENTS:
        for base in [chr(c) for c in range(0x41, 0x5B)] + [chr(c) for c in range(0x61, 0x7B)] + ["\u0131"]:
            letter = "i" if base == "\u0131" else base
            composed = unicodedata.normalize("NFC", letter + chr(mark))
            if len(composed) == 1:
                rows.append((accent, ord(base), ord(composed)))
    return rows


def heisei_widths(glyphs):
    """Unicode-keyed proportional widths in the groups the table holds."""
    _, helvetica = read_afm(os.path.join(AFM_DIR, "phvr.afm"))
    _, euro = read_afm(os.path.join(URW_DIR, "NimbusSans-Regular.afm"))
    helvetica.setdefault("Euro", euro["Euro"])
    by_code = {}
    for name, width in helvetica.items():
        cp = glyphs.get(name)
        if cp is not None and cp >> 8 in HEISEI_GROUPS and cp not in by_code:
            by_code[cp] = width
    # Half-width and full-width forms: the East Asian widths of a Gothic face.
    for cp in range(0xFF01, 0xFF61):
        by_code[cp] = 1000
    for cp in range(0xFF61, 0xFFA0):
        by_code[cp] = 500
    for cp in range(0xFFE0, 0xFFE7):
        by_code[cp] = 1000
    for cp in range(0xFFE8, 0xFFEF):
        by_code[cp] = 500
    return [(hi, [by_code.get(hi * 256 + lo, 0) for lo in range(256)])
            for hi in HEISEI_GROUPS]


# --- CMap files --------------------------------------------------------------

HEX = re.compile(r"<([0-9A-Fa-f]+)>")


def cmap_blocks(path):
    """Yields (operator, list of lines) for each begin...end block."""
    with open(path, encoding="latin-1") as f:
        text = f.read()
    for m in re.finditer(r"begin(cidrange|cidchar|bfrange|bfchar)(.*?)end\1",
                         text, re.S):
        yield m.group(1), m.group(2).strip().splitlines()


def decompose(units):
    """Text for the 16-bit code units of one CID. Variation selectors choose
    a glyph form rather than a character and are dropped; a character beyond
    the 16-bit plane becomes its compatibility decomposition when that stays
    inside the plane (U+1F100 -> "0."), else a surrogate pair."""
    text = b"".join(u.to_bytes(2, "big") for u in units).decode(
        "utf-16-be", "surrogatepass")
    out = []
    for ch in text:
        cp = ord(ch)
        if 0xFE00 <= cp <= 0xFE0F or 0xE0100 <= cp <= 0xE01EF:
            continue
        if cp > 0xFFFF:
            nfkd = unicodedata.normalize("NFKD", ch)
            if nfkd != ch and all(ord(c) <= 0xFFFF for c in nfkd):
                out.extend(ord(c) for c in nfkd)
                continue
        data = ch.encode("utf-16-be", "surrogatepass")
        out.extend(int.from_bytes(data[i:i + 2], "big")
                   for i in range(0, len(data), 2))
    return out or [0xFFFD]


def load_ucs2(ordering):
    """CID -> list of UTF-16 units of a collection's Adobe-*-UCS2 CMap."""
    table = {}
    path = os.path.join(CMAP_ROOT, "Adobe-" + ordering,
                        "Adobe-%s-UCS2" % ordering)
    for op, lines in cmap_blocks(path):
        for line in lines:
            codes = HEX.findall(line)
            if op == "bfrange":
                lo, hi, dst = int(codes[0], 16), int(codes[1], 16), codes[2]
                units = [int(dst[i:i + 4], 16) for i in range(0, len(dst), 4)]
                for c in range(lo, hi + 1):
                    table[c] = units[:-1] + [units[-1] + c - lo]
            elif op == "bfchar":
                dst = codes[1]
                table[int(codes[0], 16)] = [int(dst[i:i + 4], 16)
                                            for i in range(0, len(dst), 4)]
    return table


def load_japan1_unicode():
    """CID -> list of UTF-16 units for CIDs 0..JAPAN1_LAST_CID."""
    table = load_ucs2("Japan1")
    return {cid: decompose(table.get(cid, [0xFFFD]))
            for cid in range(JAPAN1_LAST_CID + 1)}


def binary_map(sections):
    """The binary map format: sections of (kind, width, [(key, bytes)])."""
    out = bytearray(struct.pack("<I", len(sections)))
    for kind, width, entries in sections:
        out += struct.pack("<III", kind, width, len(entries))
        prev = 0
        size = {1: "<B", 2: "<H"}.get(kind, "<I")
        for key, _ in entries:
            out += struct.pack(size, key - prev)
            prev = key
        for _, dst in entries:
            assert len(dst) == width
            out += dst
    return bytes(out)


def sections_by_width(kind, pairs):
    """Groups (key, bytes) pairs into sections in order of first appearance."""
    order, groups = [], {}
    for key, dst in pairs:
        if len(dst) not in groups:
            order.append(len(dst))
            groups[len(dst)] = []
        groups[len(dst)].append((key, dst))
    return [(kind, w, groups[w]) for w in order]


def japan1_unicode_map():
    table = load_japan1_unicode()
    pairs = [(cid, b"".join(u.to_bytes(2, "big") for u in table[cid]))
             for cid in sorted(table)]
    return binary_map(sections_by_width(2, pairs))


# --- Predefined CJK CMaps ------------------------------------------------------

# The CMaps a PDF may name without embedding them, by character collection.
PREDEFINED_CMAPS = {
    "GB1": "GB-EUC-H GB-EUC-V GBpc-EUC-H GBpc-EUC-V GBK-EUC-H GBK-EUC-V "
           "GBKp-EUC-H GBKp-EUC-V GBK2K-H GBK2K-V UniGB-UTF16-H UniGB-UTF16-V "
           "UniGB-UCS2-H UniGB-UCS2-V",
    "CNS1": "B5pc-H B5pc-V HKscs-B5-H HKscs-B5-V ETen-B5-H ETen-B5-V "
            "ETenms-B5-H ETenms-B5-V CNS-EUC-H CNS-EUC-V UniCNS-UTF16-H "
            "UniCNS-UTF16-V UniCNS-UCS2-H UniCNS-UCS2-V",
    "Japan1": "83pv-RKSJ-H 90ms-RKSJ-H 90ms-RKSJ-V 90msp-RKSJ-H 90msp-RKSJ-V "
              "90pv-RKSJ-H Add-RKSJ-H Add-RKSJ-V EUC-H EUC-V Ext-RKSJ-H "
              "Ext-RKSJ-V H V UniJIS-UTF16-H UniJIS-UTF16-V UniJIS-UCS2-H "
              "UniJIS-UCS2-V UniJIS-UCS2-HW-H UniJIS-UCS2-HW-V",
    "Korea1": "KSC-EUC-H KSC-EUC-V KSCms-UHC-H KSCms-UHC-V KSCms-UHC-HW-H "
              "KSCms-UHC-HW-V KSCpc-EUC-H UniKS-UTF16-H UniKS-UTF16-V "
              "UniKS-UCS2-H UniKS-UCS2-V",
}


def read_cmap_file(ordering, name):
    """(base CMap name or "", writing mode, code-space ranges as (bytes, low,
    high), mappings as {(bytes, code): CID}) of one CMap file."""
    with open(os.path.join(CMAP_ROOT, "Adobe-" + ordering, name),
              encoding="latin-1") as f:
        text = f.read()
    use = re.search(r"/([\w-]+)\s+usecmap", text)
    wmode = re.search(r"/WMode\s+(\d)\s+def", text)
    spaces, cids = [], {}
    for m in re.finditer(r"begin(codespacerange|cidrange|cidchar)(.*?)end\1",
                         text, re.S):
        for line in m.group(2).strip().splitlines():
            codes = HEX.findall(line)
            size, low = len(codes[0]) // 2, int(codes[0], 16)
            if m.group(1) == "codespacerange":
                spaces.append((size, low, int(codes[1], 16)))
                continue
            high = int(codes[1], 16) if m.group(1) == "cidrange" else low
            cid = int(line.split()[-1])
            for code in range(low, high + 1):
                cids[(size, code)] = cid + code - low
    return (use.group(1) if use else "", int(wmode.group(1)) if wmode else 0,
            spaces, cids)


def resolved_cids(ordering, name, depth=0):
    base, _, _, cids = read_cmap_file(ordering, name)
    if not base:
        return dict(cids)
    out = resolved_cids(ordering, base, depth + 1)
    out.update(cids)
    return out


def varint(value):
    out = bytearray()
    while True:
        low, value = value & 0x7F, value >> 7
        out.append(low | (0x80 if value else 0))
        if not value:
            return bytes(out)


def zigzag(value):
    return varint(value << 1 if value >= 0 else ((-value) << 1) - 1)


def cid_ranges(cids):
    """{(bytes, code): CID} as sorted runs (bytes, low, high, first CID)."""
    runs = []
    for (size, code), cid in sorted(cids.items()):
        if runs:
            s, lo, hi, first = runs[-1]
            if s == size and hi + 1 == code and first + code - lo == cid:
                runs[-1] = (s, lo, code, first)
                continue
        runs.append((size, code, code, cid))
    return runs


def packed_cid_cmap(spaces, cids):
    """The library's packed CMap form (varints, see predefined_cmap_data.cpp):
    code-space ranges, then runs of codes with consecutive CIDs."""
    out = bytearray(varint(len(spaces)))
    for size, low, high in spaces:
        out += bytes([size]) + varint(low) + varint(high)
    runs = cid_ranges(cids)
    # The library finds a code by its value alone: codes of different
    # lengths must not share values.
    assert all(a[2] < b[1] for a, b in zip(runs, runs[1:]))
    out += varint(len(runs))
    prev_size, prev_high, prev_cid = 0, 0, 0
    for size, low, high, cid in runs:
        if size != prev_size:
            prev_high = 0
        out += (bytes([size]) + varint(low - prev_high) + varint(high - low) +
                zigzag(cid - prev_cid))
        prev_size, prev_high, prev_cid = size, high, cid + high - low
    return bytes(out)


def predefined_cmaps():
    """(name, base, writing mode, ordering, packed data) of every predefined
    CMap. The UCS-2 CMaps are the 16-bit part of the UTF-16 ones of the same
    collection: they are stored as their differences from it."""
    rows = []
    for ordering, names in PREDEFINED_CMAPS.items():
        for name in names.split():
            base, wmode, spaces, cids = read_cmap_file(ordering, name)
            if "-UCS2-" in name and not base:
                base = name.replace("-UCS2-", "-UTF16-")
                wide = resolved_cids(ordering, base)
                cids = {k: v for k, v in cids.items() if wide.get(k) != v}
            rows.append((name, base, wmode, ordering,
                         packed_cid_cmap(spaces, cids)))
    return rows


def collection_unicode_map(ordering):
    """CID -> Unicode of a whole collection, for the CIDs its Adobe-*-UCS2
    CMap maps, in the binary map format."""
    table = load_ucs2(ordering)
    pairs = []
    for cid in sorted(table):
        units = decompose(table[cid])
        # The space of the one-byte (ASCII) codes is an en space in these
        # tables; extracted text wants the plain space.
        if len(units) == 1 and 0x2000 <= units[0] <= 0x200A:
            units = [0x20]
        pairs.append((cid, b"".join(u.to_bytes(2, "big") for u in units)))
    return binary_map(sections_by_width(2, pairs))


def packed_literal(ident, data):
    packed = zlib.compress(data, 9)
    return ("inline constexpr char %s[] =\n%s;\n"
            "inline constexpr unsigned %sSize = %d;\n"
            "inline constexpr unsigned %sUnpacked = %d;\n\n"
            % (ident, c_string(packed), ident, len(packed), ident, len(data)))


# --- Writing -----------------------------------------------------------------

HEADER = ("// Generated by data/generate_tables.py from Debian package data\n"
          "// (sources and licences: data/README.md). Do not edit by hand.\n")


def c_string(data, per_line=96):
    """Bytes as adjacent C++ string literals; octal escapes are always three
    digits so that a following digit is never taken into the escape."""
    lines, cur = [], ""
    for b in data:
        ch = chr(b)
        if ch in "\"\\?":
            cur += "\\" + ch
        elif 0x20 <= b < 0x7F:
            cur += ch
        else:
            cur += "\\%03o" % b
        if len(cur) >= per_line:
            lines.append('"' + cur + '"')
            cur = ""
    if cur:
        lines.append('"' + cur + '"')
    return "\n".join(lines)


def write(out_dir, name, body):
    with open(os.path.join(out_dir, name), "w", encoding="ascii",
              newline="\n") as f:
        f.write(HEADER + body)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--out", default=os.path.dirname(os.path.abspath(__file__)))
    out = parser.parse_args().out

    glyphs = read_glyph_list()
    write(out, "glyph_list.inc",
          "// {glyph name, UTF-16 code}, sorted by name byte for byte.\n" +
          "".join('{"%s",0x%X},\n' % (n, glyphs[n] & 0xFFFF)
                  for n in sorted(glyphs, key=lambda s: s.encode())))

    rows = latin_charset(glyphs)
    if len(rows) != 229:
        sys.exit(f"Latin character set has {len(rows)} names, expected 229")
    widths = latin_widths(rows)
    fonts = ", ".join(f for f, _, _ in LATIN_FONTS)
    body = ("// {name, Unicode, {Standard, MacRoman, WinAnsi, PDFDoc (-1: none)},\n"
            "//  widths in " + fonts + "}, sorted by name.\n")
    for name in sorted(rows):
        u, s, m, w, p = rows[name]
        body += '{"%s",0x%04X,{%d,%d,%d,%d},{%s}},\n' % (
            name, u, s, m, w, p, ",".join(map(str, widths[name])))
    write(out, "latin_charset.inc", body)

    body = "// {name, code} of the MacExpertEncoding glyphs the library keeps.\n"
    inverse = {n: c for c, n in MAC_EXPERT.items()}
    body += "".join('{"%s",%d},\n' % (n, inverse[n]) for n in MAC_EXPERT_KEPT)
    write(out, "mac_expert.inc", body)

    body = "// {name, code, Unicode, width} of the Symbol font's encoding.\n"
    body += "".join('{"%s",%d,0x%04X,%d},\n' % r for r in symbol_table(glyphs))
    write(out, "symbol_encoding.inc", body)

    body = "// {code, name, Unicode} of the ZapfDingbats font's encoding.\n"
    body += "".join('{%d,"%s",0x%04X},\n' % r for r in dingbats_table())
    write(out, "dingbats_encoding.inc", body)

    body = ("// {spacing accent, base letter, precomposed letter}; the combining\n"
            "// marks of the accents are {accent, 0, mark}.\n")
    body += "".join("{0x%04X,0x%04X,0x%04X},\n" % r for r in accent_compositions())
    body += "".join("{0x%04X,0,0x%04X},\n" % r for r in SPACING_ACCENTS)
    write(out, "accent_compositions.inc", body)

    body = ("// HeiseiKakuGo-W5 widths: {high byte, widths of the 256 CIDs\n"
            "// high*256+0..255 (0: no entry)}.\n")
    for hi, ws in heisei_widths(glyphs):
        body += "{0x%02X,{%s}},\n" % (hi, ",".join(map(str, ws)))
    write(out, "heisei_kakugo_w5.inc", body)

    body = ("// zlib-compressed code maps in the binary map format: CID to\n"
            "// Unicode of Adobe-Japan1, Adobe-GB1, Adobe-CNS1, Adobe-Korea1.\n")
    body += packed_literal("kJapan1Unicode", japan1_unicode_map())
    for ordering in ("GB1", "CNS1", "Korea1"):
        body += packed_literal("k%sUnicode" % ordering,
                               collection_unicode_map(ordering))
    write(out, "cmap_tables.inc", body)

    body = ("// The predefined CJK CMaps: {name, base CMap, writing mode,\n"
            "// collection, packed size, unpacked size, zlib-compressed data}.\n")
    for name, base, wmode, ordering, data in predefined_cmaps():
        packed = zlib.compress(data, 9)
        body += '{"%s","%s",%d,"%s",%d,%d,\n%s},\n' % (
            name, base, wmode, ordering, len(packed), len(data),
            c_string(packed))
    write(out, "predefined_cmaps.inc", body)


if __name__ == "__main__":
    main()
