// Code-page helpers for the RTF writer: which \fcharset a font gets, and the
// legacy bytes that follow each \uN so that readers without Unicode support
// still show the right text.
#pragma once

#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>

#include <array>

#include <cstdint>
#include <memory>
#include <vector>

namespace pennaro::rtf::writer {

// \fcharset values the writer emits.
enum Charset : int {
    kAnsi = 0,
    kShiftJis = 128,
    kHangul = 129,
    kGb2312 = 134,
    kBig5 = 136,
    kGreek = 161,
    kTurkish = 162,
    kHebrew = 177,
    kArabic = 178,
    kCyrillic = 204,
    kThai = 222,
    kEastEurope = 238,
};

// The charset a font's name implies (CJK fonts carry their script in the
// name), or -1 when the name says nothing and the text in the font decides.
int charsetForFontName(const QString &family);

// The charset that suits a UTF-16 unit of text, or 0 for characters that do
// not favour any code page (ASCII, Latin-1, punctuation, surrogates).
int charsetForChar(char16_t c);

// The charset of the first character in the text that favours one; 0 when
// none does.
int charsetForText(QStringView text);

// Windows code page behind a charset, for \cpg-free readers (936 for 134...).
const char *codecNameForCharset(int charset);

// Encodes single UTF-16 units into one charset, remembering every answer:
// a document uses a few thousand distinct characters at most, so after the
// first occurrence each lookup is one array read.
class FallbackTable {
public:
    explicit FallbackTable(int charset);

    // Packs the bytes of c in this charset: bits 0-7 hold the byte count
    // (0 means "not encodable", written as '?'), bits 8-15 the first byte,
    // bits 16-23 the second.
    uint32_t lookup(char16_t c) {
        auto &page = cache_[c >> 8];
        if (!page)
            page = std::make_unique<uint32_t[]>(256);  // zeroed: nothing known yet
        uint32_t &v = page[c & 0xff];
        if (v == 0)
            v = compute(c);
        return v;
    }

    // Encodes a whole string; false when some character has no encoding.
    bool encode(QStringView s, QByteArray *out);

    // The complete RTF for one non-ASCII UTF-16 unit, "\u20320\'c4\'e3",
    // and the \uc it needs (1 or 2); formatted once per distinct character.
    struct Escape {
        uint8_t length;  // 0: not formatted yet
        uint8_t uc;
        char text[18];
    };
    const Escape &escape(char16_t c) {
        auto &page = escapes_[c >> 8];
        if (!page)
            page = std::make_unique<Escape[]>(256);
        Escape &e = page[c & 0xff];
        if (e.length == 0)
            formatEscape(c, &e);
        return e;
    }

private:
    uint32_t compute(char16_t c);
    void formatEscape(char16_t c, Escape *e);

    int charset_;
    QStringEncoder encoder_;
    QStringDecoder decoder_;  // to tell an encoding from a substitution
    // Both caches are paged by the high byte, so that a short document
    // in one script touches a few kilobytes, not the whole of Unicode.
    std::array<std::unique_ptr<uint32_t[]>, 256> cache_;
    std::array<std::unique_ptr<Escape[]>, 256> escapes_;
};

constexpr uint32_t kUnencodable = 0x80000000u;

inline int fallbackLength(uint32_t packed) { return int(packed & 0xff); }

// One table per charset, created on first use.
class FallbackTables {
public:
    FallbackTable &forCharset(int charset);

private:
    std::vector<std::pair<int, std::unique_ptr<FallbackTable>>> tables_;
};

}  // namespace pennaro::rtf::writer
