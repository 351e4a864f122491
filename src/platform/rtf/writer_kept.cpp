#include "platform/rtf/writer_kept.h"

#include "platform/rtf/codepage.h"
#include "platform/rtf/tokenizer.h"
#include "platform/rtf/writer.h"

#include <string_view>
#include <unordered_map>
#include <vector>

namespace pennaro::rtf::writer {

namespace {

enum class Ref : std::uint8_t { Font, Colour, Style, List };

// The words whose parameter is the number of a font, colour, style or list.
const std::unordered_map<std::string_view, Ref> &references() {
    static const std::unordered_map<std::string_view, Ref> table = {
        {"f", Ref::Font},
        {"af", Ref::Font},
        {"pnf", Ref::Font},
        {"adeff", Ref::Font},
        {"stshfdbch", Ref::Font},
        {"stshfloch", Ref::Font},
        {"stshfhich", Ref::Font},
        {"stshfbi", Ref::Font},
        {"cf", Ref::Colour},
        {"cb", Ref::Colour},
        {"highlight", Ref::Colour},
        {"chcbpat", Ref::Colour},
        {"chcfpat", Ref::Colour},
        {"cbpat", Ref::Colour},
        {"cfpat", Ref::Colour},
        {"clcbpat", Ref::Colour},
        {"clcfpat", Ref::Colour},
        {"clcbpatraw", Ref::Colour},
        {"clcfpatraw", Ref::Colour},
        {"brdrcf", Ref::Colour},
        {"trcbpat", Ref::Colour},
        {"trcfpat", Ref::Colour},
        {"ulc", Ref::Colour},
        {"pncf", Ref::Colour},
        {"tscellcbpat", Ref::Colour},
        {"tscellcfpat", Ref::Colour},
        {"s", Ref::Style},
        {"cs", Ref::Style},
        {"ds", Ref::Style},
        {"ts", Ref::Style},
        {"sbasedon", Ref::Style},
        {"snext", Ref::Style},
        {"slink", Ref::Style},
        {"ls", Ref::List},
    };
    return table;
}

// Windows charsets of the code pages text can come in, Mac ones included:
// the writer encodes the text anew, in Windows code pages.
int charsetForCodepage(int cp) {
    switch (cp) {
    case 932:
    case 10001: return kShiftJis;
    case 949:
    case 10003: return kHangul;
    case 936:
    case 10008: return kGb2312;
    case 950:
    case 10002: return kBig5;
    case 1253:
    case 10006: return kGreek;
    case 1254:
    case 10081: return kTurkish;
    case 1255:
    case 10005: return kHebrew;
    case 1256:
    case 10004: return kArabic;
    case 1251:
    case 10007: return kCyrillic;
    case 874:
    case 10021: return kThai;
    case 1250:
    case 10029: return kEastEurope;
    case 1257: return 186;
    case 1258: return 163;
    default: return kAnsi;
    }
}

}  // namespace

int charsetForFileFont(const FileTables::Font &font, int fileCodepage) {
    if (font.charset == 2 || font.symbolCp != 0)
        return 2;
    int cp = font.cpg > 0 ? font.cpg : codepageForCharset(font.charset);
    if (cp == 0)
        cp = fileCodepage;
    return charsetForCodepage(cp);
}

void writeKept(QByteArrayView rtf, const FileTables &source, bool ownTables, KeptTargets &targets, Buffer &out) {
    struct Level {
        int charset;
        int uc;
    };
    const int defaultFont = targets.keptFont(nullptr, source.codepage);
    std::vector<Level> levels{{targets.charsetOfFont(defaultFont), 1}};
    Tokenizer tokens(rtf.data(), std::size_t(rtf.size()));
    bool afterWord = false;
    for (Token t = tokens.next(); t.kind != Token::End; t = tokens.next()) {
        switch (t.kind) {
        case Token::GroupOpen:
            out.breakIfLong(kLineLimit);
            out.put('{');
            levels.push_back(levels.back());
            afterWord = false;
            break;
        case Token::GroupClose:
            out.put('}');
            if (levels.size() > 1)
                levels.pop_back();
            afterWord = false;
            break;
        case Token::Word: {
            if (t.name == "u") {
                const char16_t c = char16_t(t.param);
                FallbackTable::Escape e = targets.fallback(levels.back().charset).escape(c);
                if (e.uc != levels.back().uc) {
                    out.putWord("\\uc", e.uc);
                    out.put(' ');
                    levels.back().uc = e.uc;
                }
                out.breakIfLong(kLineLimit);
                out.put(QByteArrayView(e.text, e.length));
                afterWord = false;
                break;
            }
            int param = t.param;
            const auto ref = references().find(t.name);
            if (ref != references().end() && t.hasParam) {
                switch (ref->second) {
                case Ref::Font: {
                    const auto font = source.fonts.find(param);
                    param = targets.keptFont(font == source.fonts.end() ? nullptr : &font->second, source.codepage);
                    if (t.name == "f")
                        levels.back().charset = targets.charsetOfFont(param);
                    break;
                }
                case Ref::Colour:
                    if (param > 0) {
                        const QColor colour =
                            std::size_t(param) < source.colours.size() ? source.colours[std::size_t(param)] : QColor();
                        param = colour.isValid() ? targets.keptColour(colour) : 0;
                    }
                    break;
                case Ref::Style:
                case Ref::List:
                    if (!ownTables)
                        continue;
                    break;
                }
            }
            out.breakIfLong(kLineLimit);
            out.put('\\');
            out.put(QByteArrayView(t.name.data(), qsizetype(t.name.size())));
            if (t.hasParam)
                out.putWord("", param);
            afterWord = true;
            break;
        }
        case Token::Symbol:
            out.put('\\');
            out.put(char(t.byte));
            afterWord = false;
            break;
        case Token::Hex:
            out.ensure(qsizetype(t.text.size()) * 4);
            for (char b : t.text)
                out.putHexByteUnchecked(static_cast<unsigned char>(b));
            afterWord = false;
            break;
        case Token::Text:
            if (afterWord)
                out.put(' ');
            afterWord = false;
            for (std::size_t i = 0; i < t.text.size(); ++i) {
                if (i > 0 && out.lineLength() >= kLineLimit)
                    out.newline();
                out.put(t.text[i]);
            }
            break;
        case Token::Binary:
        case Token::Par:
        case Token::End: break;
        }
    }
    // Content that opens a group and leaves it open (a field before its
    // result) hands that group on to what this writer puts in it next, which
    // counts on one fallback byte per \u.
    if (levels.back().uc != 1)
        out.put("\\uc1 ");
}

}  // namespace pennaro::rtf::writer
