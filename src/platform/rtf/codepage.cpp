#include "platform/rtf/codepage.h"

#include <QByteArray>

namespace pennaro::rtf {

int codepageForCharset(int charset) {
    switch (charset) {
    case 0: return 1252;  // ANSI
    case 2: return kSymbolCodepage;
    case 77: return 10000;  // Mac Roman
    case 78: return 10001;  // Mac Japanese
    case 79: return 10003;  // Mac Korean
    case 80: return 10008;  // Mac Simplified Chinese
    case 81: return 10002;  // Mac Traditional Chinese
    case 82: return 10003;  // Mac Johab: read as Mac Korean
    case 83: return 10005;  // Mac Hebrew
    case 84: return 10004;  // Mac Arabic
    case 85: return 10006;  // Mac Greek
    case 86: return 10081;  // Mac Turkish
    case 87: return 10021;  // Mac Thai
    case 88: return 10029;  // Mac Central European
    case 89: return 10007;  // Mac Cyrillic
    case 128: return 932;   // Shift-JIS
    case 129: return 949;   // Hangul
    case 134: return 936;   // GB2312 / GBK
    case 136: return 950;   // Big5
    case 161: return 1253;  // Greek
    case 162: return 1254;  // Turkish
    case 163: return 1258;  // Vietnamese
    case 177: return 1255;  // Hebrew
    case 178: return 1256;  // Arabic
    case 186: return 1257;  // Baltic
    case 204: return 1251;  // Cyrillic
    case 222: return 874;   // Thai
    case 238: return 1250;  // Eastern European
    case 254: return 437;   // PC 437
    case 255: return 850;   // OEM
    default: return 0;
    }
}

bool isDoubleByteCodepage(int cp) {
    return cp == 932 || cp == 936 || cp == 949 || cp == 950 || cp == 10001 || cp == 10002 || cp == 10003 || cp == 10008;
}

bool isLeadByte(int cp, unsigned char b) {
    if (cp == 932 || cp == 10001)
        return (b >= 0x81 && b <= 0x9f) || (b >= 0xe0 && b <= 0xfc);
    // The Mac Chinese and Korean code pages are the EUC forms, whose
    // two-byte characters start at 0xA1; the bytes below are single.
    if (cp >= 10002)
        return b >= 0xa1 && b <= 0xfe;
    return b >= 0x81 && b <= 0xfe;
}

namespace {

// ICU names for the Windows code pages; the "windows-" variants of the CJK
// pages include the vendor extensions Windows programs write.
QByteArray converterName(int cp) {
    switch (cp) {
    case 932: return "windows-31j";
    case 936: return "windows-936";
    case 949: return "windows-949";
    case 950: return "windows-950";
    case 437: return "IBM437";
    case 850: return "IBM850";
    // The Mac code pages: ICU has the Western, Greek, Cyrillic, Central
    // European and Turkish ones; the Mac East Asian code pages are the
    // Windows ones give or take a few Apple symbols at single bytes, and
    // the Hebrew, Arabic and Thai ones place their letters as these do.
    case 10000: return "macintosh";
    case 10001: return "windows-31j";
    case 10002: return "windows-950";
    case 10003: return "windows-949";
    case 10004: return "ISO-8859-6";
    case 10005: return "windows-1255";
    case 10006: return "x-mac-greek";
    case 10007:
    case 10017: return "x-mac-cyrillic";
    case 10008: return "windows-936";
    case 10021: return "windows-874";
    case 10029: return "x-mac-centraleurroman";
    case 10081: return "x-mac-turkish";
    case 10010:
    case 10079:
    case 10082: return "macintosh";
    case 54936: return "GB18030";
    case 65001: return "UTF-8";
    default: break;
    }
    if (cp >= 1250 && cp <= 1258)
        return "windows-" + QByteArray::number(cp);
    if (cp >= 28591 && cp <= 28605)
        return "ISO-8859-" + QByteArray::number(cp - 28590);
    switch (cp) {
    case 874: return "windows-874";
    case 852:
    case 855:
    case 857:
    case 860:
    case 861:
    case 862:
    case 863:
    case 864:
    case 865:
    case 866:
    case 869: return "IBM" + QByteArray::number(cp);
    case 20866: return "KOI8-R";
    case 21866: return "KOI8-U";
    default: break;
    }
    // Anything else is not a code page documents are written in; reading it
    // as the usual Western one is the best guess.
    return "windows-1252";
}

void appendCodePoint(char32_t c, QString &out) {
    if (c < 0x10000) {
        out.append(QChar(char16_t(c)));
    } else {
        out.append(QChar(QChar::highSurrogate(c)));
        out.append(QChar(QChar::lowSurrogate(c)));
    }
}

void decodeSymbolBytes(int cp, QByteArrayView bytes, QString &out) {
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (cp != kSymbolCodepage)
            appendCodePoint(symbolCharacter(cp, b), out);
        else  // a symbol font we know nothing about: only its list bullet is common enough to guess
            out.append(b == 0xb7 ? QChar(0x2022) : QChar(b));
    }
}

}  // namespace

QStringDecoder *Decoders::decoderFor(int cp) {
    if (last_ && lastCp_ == cp)
        return last_;
    for (Entry &e : decoders_) {
        if (e.cp == cp) {
            lastCp_ = cp;
            last_ = e.decoder.get();
            return last_;
        }
    }
    auto decoder = std::make_unique<QStringDecoder>(converterName(cp).constData(), QStringDecoder::Flag::Stateless);
    if (!decoder->isValid())
        decoder = std::make_unique<QStringDecoder>("windows-1252", QStringDecoder::Flag::Stateless);
    decoders_.push_back({cp, std::move(decoder)});
    lastCp_ = cp;
    last_ = decoders_.back().decoder.get();
    return last_;
}

void Decoders::decode(int cp, QByteArrayView bytes, QString &out) {
    if (bytes.isEmpty())
        return;
    if (isSymbolCodepage(cp)) {
        decodeSymbolBytes(cp, bytes, out);
        return;
    }
    bool ascii = true;
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    }
    // Every code page we meet agrees with ASCII below 0x80, except that a
    // trail byte can look like ASCII; with no byte >= 0x80 there is no trail.
    if (ascii) {
        out.append(QLatin1StringView(bytes.data(), bytes.size()));
        return;
    }
    // The decoder keeps nothing between calls, so a lead byte at the end
    // with no trail byte after it would decode to nothing, and a copy
    // written without it would read differently. With a space after it,
    // which is never a trail byte, it decodes as an undefined character.
    const bool padded = isDoubleByteCodepage(cp) && isLeadByte(cp, static_cast<unsigned char>(bytes.back()));
    if (padded) {
        scratch_.resize(0);
        scratch_.append(bytes);
        scratch_.append(' ');
        bytes = scratch_;
    }
    QStringDecoder *d = decoderFor(cp);
    const qsizetype old = out.size();
    out.resize(old + d->requiredSpace(bytes.size()));
    QChar *end = d->appendToBuffer(out.data() + old, bytes);
    if (padded && end > out.constData() + old && end[-1] == u' ')
        --end;
    out.resize(end - out.constData());
}

}  // namespace pennaro::rtf
