// The canonical form of kept RTF (kept.h), and what can be read from it.
//
// Kept content is RTF copied token by token as the reader meets it, in one
// form whatever the file's code pages:
//  - 7-bit; ASCII text as it stands (\ { } escaped), control characters
//    (a \leveltext's length and level numbers) as \'hh, every other
//    character as \uN with no fallback, as if under \uc0;
//  - the bytes of symbol fonts, which name glyphs and not characters, as
//    \'hh undecoded;
//  - \binN data as hex digits (only pictures and object data carry it);
//  - no \uc words: the writer puts its own, with its fallbacks;
//  - font, colour, style and list numbers as the file gave them, to be
//    mapped through the file's tables (FileTables) when written.
#pragma once

#include <QByteArray>
#include <QString>

#include <string_view>

namespace pennaro::rtf {

class KeptRtf {
public:
    explicit KeptRtf(QByteArray *out);

    void open();
    void close();
    void word(std::string_view name, bool hasParam = false, int param = 0);
    void symbol(char c);  // \* \~ \- \_ \: \|
    void text(QStringView text);
    void glyphBytes(std::string_view bytes);
    void hexData(std::string_view bytes);

private:
    void delimit();

    QByteArray *out_;
    bool afterWord_ = false;  // a space must part the word from text that follows
};

// The readable text of kept RTF: its text without the destinations inside
// it (field instructions, bookmarks, a comment's author ...), paragraphs as
// line breaks, trimmed. The notes' and comments' text for tooltips.
QString keptPlainText(QByteArrayView rtf);

}  // namespace pennaro::rtf
