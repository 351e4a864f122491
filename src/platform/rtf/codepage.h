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

constexpr int kSymbolCodepage = -2;  // \fcharset2: font-specific glyph bytes

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
};

}  // namespace pennaro::rtf
