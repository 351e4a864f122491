#include "platform/rtf/writer_codepage.h"

#include <algorithm>
#include <array>

namespace pennaro::rtf::writer {

namespace {

struct NamedFont {
    const char *name;
    int charset;
};

// Fonts whose names are written in Latin letters but which exist for one
// East Asian script; old readers pick the code page of the text from them.
constexpr std::array kKnownFonts{
    NamedFont{"simsun", kGb2312},
    NamedFont{"nsimsun", kGb2312},
    NamedFont{"simhei", kGb2312},
    NamedFont{"fangsong", kGb2312},
    NamedFont{"kaiti", kGb2312},
    NamedFont{"fangsong_gb2312", kGb2312},
    NamedFont{"kaiti_gb2312", kGb2312},
    NamedFont{"microsoft yahei", kGb2312},
    NamedFont{"dengxian", kGb2312},
    NamedFont{"stsong", kGb2312},
    NamedFont{"stheiti", kGb2312},
    NamedFont{"stkaiti", kGb2312},
    NamedFont{"stfangsong", kGb2312},
    NamedFont{"noto sans cjk sc", kGb2312},
    NamedFont{"noto serif cjk sc", kGb2312},
    NamedFont{"source han sans sc", kGb2312},
    NamedFont{"source han serif sc", kGb2312},
    NamedFont{"wenquanyi micro hei", kGb2312},
    NamedFont{"wenquanyi zen hei", kGb2312},
    NamedFont{"ar pl uming cn", kGb2312},
    NamedFont{"ar pl ukai cn", kGb2312},
    NamedFont{"mingliu", kBig5},
    NamedFont{"pmingliu", kBig5},
    NamedFont{"dfkai-sb", kBig5},
    NamedFont{"microsoft jhenghei", kBig5},
    NamedFont{"noto sans cjk tc", kBig5},
    NamedFont{"noto serif cjk tc", kBig5},
    NamedFont{"ms mincho", kShiftJis},
    NamedFont{"ms gothic", kShiftJis},
    NamedFont{"ms pmincho", kShiftJis},
    NamedFont{"ms pgothic", kShiftJis},
    NamedFont{"ms ui gothic", kShiftJis},
    NamedFont{"meiryo", kShiftJis},
    NamedFont{"yu gothic", kShiftJis},
    NamedFont{"yu mincho", kShiftJis},
    NamedFont{"noto sans cjk jp", kShiftJis},
    NamedFont{"noto serif cjk jp", kShiftJis},
    NamedFont{"batang", kHangul},
    NamedFont{"gulim", kHangul},
    NamedFont{"dotum", kHangul},
    NamedFont{"gungsuh", kHangul},
    NamedFont{"malgun gothic", kHangul},
    NamedFont{"noto sans cjk kr", kHangul},
    NamedFont{"noto serif cjk kr", kHangul},
};

struct NativeFont {
    const char16_t *name;
    int charset;
};

// Names whose script alone misleads: traditional-Chinese names are
// encodable in GBK too, and the Japanese MS fonts are spelt in full-width
// Latin letters and kanji.
constexpr std::array kNativeFonts{
    NativeFont{u"新細明體", kBig5},
    NativeFont{u"細明體", kBig5},
    NativeFont{u"標楷體", kBig5},
    NativeFont{u"微軟正黑體", kBig5},
    NativeFont{u"ｍｓ 明朝", kShiftJis},
    NativeFont{u"ｍｓ ｐ明朝", kShiftJis},
    NativeFont{u"ｍｓ ゴシック", kShiftJis},
    NativeFont{u"ｍｓ ｐゴシック", kShiftJis},
};

}  // namespace

int charsetForChar(char16_t c) {
    if (c < 0x370)
        return kAnsi;
    if (c < 0x400)
        return kGreek;
    if (c < 0x530)
        return kCyrillic;
    if (c >= 0x590 && c < 0x600)
        return kHebrew;
    if (c >= 0x600 && c < 0x700)
        return kArabic;
    if (c >= 0xE00 && c < 0xE80)
        return kThai;
    if ((c >= 0x1100 && c < 0x1200) || (c >= 0x3130 && c < 0x3190) || (c >= 0xAC00 && c < 0xD7B0))
        return kHangul;
    if ((c >= 0x3040 && c < 0x3100) || (c >= 0xFF61 && c < 0xFFA0))
        return kShiftJis;
    if ((c >= 0x2E80 && c < 0xA000) || (c >= 0xF900 && c < 0xFB00) || (c >= 0xFE30 && c < 0xFE50) ||
        (c >= 0xFF00 && c < 0xFFF0))
        return kGb2312;
    return kAnsi;
}

int charsetForText(QStringView text) {
    for (QChar ch : text) {
        const char16_t c = ch.unicode();
        if (c < 0x370)
            continue;
        if (int cs = charsetForChar(c))
            return cs;
    }
    return kAnsi;
}

int charsetForFontName(const QString &family) {
    const QString lower = family.trimmed().toLower();
    for (const NamedFont &f : kKnownFonts) {
        if (lower == QLatin1String(f.name))
            return f.charset;
    }
    for (const NativeFont &f : kNativeFonts) {
        if (lower == QStringView(f.name))
            return f.charset;
    }
    // A name in a script of its own (宋体, ＭＳ 明朝, 굴림) tells the charset.
    bool sawKana = false;
    bool sawHangul = false;
    bool sawHan = false;
    for (QChar ch : lower) {
        switch (charsetForChar(ch.unicode())) {
        case kShiftJis: sawKana = true; break;
        case kHangul: sawHangul = true; break;
        case kGb2312: sawHan = true; break;
        default: break;
        }
    }
    if (sawHangul)
        return kHangul;
    if (sawKana)
        return kShiftJis;
    if (sawHan)
        return kGb2312;
    return -1;
}

const char *codecNameForCharset(int charset) {
    switch (charset) {
    case kShiftJis: return "Shift_JIS";
    case kHangul: return "windows-949";
    case kGb2312: return "GBK";
    case kBig5: return "Big5";
    case kGreek: return "windows-1253";
    case kTurkish: return "windows-1254";
    case kHebrew: return "windows-1255";
    case kArabic: return "windows-1256";
    case kCyrillic: return "windows-1251";
    case kThai: return "windows-874";
    case kEastEurope: return "windows-1250";
    default: return "windows-1252";
    }
}

FallbackTable::FallbackTable(int charset)
    : charset_(charset),
      encoder_(codecNameForCharset(charset), QStringConverter::Flag::Stateless),
      decoder_(codecNameForCharset(charset), QStringConverter::Flag::Stateless) {}

uint32_t FallbackTable::compute(char16_t c) {
    // Surrogates have no legacy encoding on their own; each half of an
    // astral character gets a '?'.
    if ((c >= 0xD800 && c < 0xE000) || !encoder_.isValid())
        return kUnencodable;
    char buf[16];
    const QChar ch(c);
    char *end = encoder_.appendToBuffer(buf, QStringView(&ch, 1));
    const qsizetype n = end - buf;
    if (encoder_.hasError()) {
        // resetState() does not clear the error of ICU-backed encoders, and
        // every later answer would look failed: start a fresh encoder.
        encoder_ = QStringEncoder(codecNameForCharset(charset_), QStringConverter::Flag::Stateless);
        return kUnencodable;
    }
    // A substitution character is no encoding of the character either:
    // some encoders put one in without an error (Shift-JIS gives 0xFCFC
    // for Greek with tonos), so the bytes must decode to the character.
    if (n < 1 || n > 2 || (n == 1 && (buf[0] == '?' || buf[0] == 0x1a)))
        return kUnencodable;
    const QString back = decoder_.decode(QByteArrayView(buf, n));
    if (decoder_.hasError()) {
        decoder_ = QStringDecoder(codecNameForCharset(charset_), QStringConverter::Flag::Stateless);
        return kUnencodable;
    }
    if (back.size() != 1 || back.at(0) != ch)
        return kUnencodable;
    uint32_t packed = uint32_t(n) | (uint32_t(uchar(buf[0])) << 8);
    if (n == 2)
        packed |= uint32_t(uchar(buf[1])) << 16;
    return packed;
}

void FallbackTable::formatEscape(char16_t c, Escape *e) {
    static const char kHex[] = "0123456789abcdef";
    const uint32_t packed = c < 0x80 ? kUnencodable : lookup(c);
    const int n = fallbackLength(packed);
    char *p = e->text;
    *p++ = '\\';
    *p++ = 'u';
    int value = int(int16_t(c));
    unsigned v = value < 0 ? 0u - unsigned(value) : unsigned(value);
    if (value < 0)
        *p++ = '-';
    char digits[8];
    int count = 0;
    do {
        digits[count++] = char('0' + v % 10);
        v /= 10;
    } while (v);
    while (count)
        *p++ = digits[--count];
    if (n == 0)
        *p++ = '?';
    for (int i = 0; i < n; ++i) {
        const uchar b = uchar(packed >> (8 * (i + 1)));
        *p++ = '\\';
        *p++ = '\'';
        *p++ = kHex[b >> 4];
        *p++ = kHex[b & 15];
    }
    e->length = uint8_t(p - e->text);
    e->uc = n == 2 ? 2 : 1;
}

bool FallbackTable::encode(QStringView s, QByteArray *out) {
    bool ok = true;
    for (QChar ch : s) {
        const uint32_t v = lookup(ch.unicode());
        const int n = fallbackLength(v);
        if (n == 0) {
            ok = false;
            continue;
        }
        out->append(char((v >> 8) & 0xff));
        if (n == 2)
            out->append(char((v >> 16) & 0xff));
    }
    return ok;
}

FallbackTable &FallbackTables::forCharset(int charset) {
    for (auto &entry : tables_) {
        if (entry.first == charset)
            return *entry.second;
    }
    tables_.emplace_back(charset, std::make_unique<FallbackTable>(charset));
    return *tables_.back().second;
}

}  // namespace pennaro::rtf::writer
