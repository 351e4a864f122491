// Code pages as RTF names them (Windows code page numbers) and decoding of
// bytes in them. The decoding itself is Qt's (ICU); nothing here knows what
// any byte means beyond where double-byte characters start.
#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>

#include <memory>
#include <vector>

namespace pennaro::rtf {

// Pseudo code pages for fonts whose bytes name glyphs, not characters.
constexpr int kSymbolCodepage = -2;      // \fcharset2: glyph bytes of a symbol font we have no table for
constexpr int kSymbolFontCodepage = -3;  // the Symbol font (Greek and mathematics)
constexpr int kWingdingsCodepage = -4;   // the Wingdings font

inline bool isSymbolCodepage(int cp) { return cp <= kSymbolCodepage && cp >= kWingdingsCodepage; }

// The character a byte of a symbol font stands for: its Unicode character
// where the font has a table and the glyph has one, else the private-use
// code U+F000 + byte that Windows gives symbol fonts.
char32_t symbolCharacter(int cp, unsigned char byte);

// The pseudo code page of a font known by its family name (Symbol,
// Wingdings, or kSymbolCodepage for other well-known symbol fonts), or 0.
int symbolCodepageForFamily(QStringView family);

// The code page of a \fcharset value, or 0 when the charset means "whatever
// the document says" (DEFAULT_CHARSET) or is unknown.
int codepageForCharset(int charset);

// True for code pages where some bytes start a two-byte character.
bool isDoubleByteCodepage(int cp);
// For double-byte code pages: true when b starts a two-byte character.
bool isLeadByte(int cp, unsigned char b);

// Decodes bytes of several code pages, keeping one converter per code page.
class Decoders {
public:
    // Appends the characters of bytes in code page cp to out.
    void decode(int cp, QByteArrayView bytes, QString &out);

private:
    QStringDecoder *decoderFor(int cp);

    struct Entry {
        int cp;
        std::unique_ptr<QStringDecoder> decoder;
    };
    std::vector<Entry> decoders_;
    int lastCp_ = 0;
    QStringDecoder *last_ = nullptr;
    QByteArray scratch_;
};

}  // namespace pennaro::rtf
