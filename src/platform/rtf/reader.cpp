#include "platform/rtf/reader.h"
#include "platform/units.h"

#include <algorithm>
#include <cstring>

// Token dispatch, control words, properties and the header tables.
namespace pennaro::rtf {

using namespace limits;

namespace {

int clampTwips(int v) { return std::clamp(v, -kMaxTwips, kMaxTwips); }

// A property word without a parameter, or with any parameter but 0, turns
// the property on.
bool onOff(int param, bool hasParam) { return !hasParam || param != 0; }

// Word names the copy of a font it makes for each character set with a
// suffix ("Calibri CE", "Times New Roman Cyr", "Arial (Hebrew)"); no font
// has that name, the base family is meant. The \fcharset the copy is
// written with must match, so that a real family such as "Noto Sans
// Greek" keeps its name in a Western font table entry.
QString familyName(const QString &name, int charset) {
    static const struct {
        const char *suffix;
        int charset;
    } kCopies[] = {{" CE", 238},     {" Cyr", 204},      {" Greek", 161},    {" Tur", 162},
                   {" Baltic", 186}, {" (Hebrew)", 177}, {" (Arabic)", 178}, {" (Vietnamese)", 163}};
    for (const auto &copy : kCopies) {
        if (charset == copy.charset && name.endsWith(QLatin1String(copy.suffix)) &&
            name.size() > qsizetype(strlen(copy.suffix)))
            return name.chopped(qsizetype(strlen(copy.suffix)));
    }
    return name;
}

}  // namespace

std::size_t CharPropsHash::operator()(const CharProps &p) const {
    std::size_t h = std::size_t(p.font) * 1000003u;
    h ^= std::size_t(p.halfPoints) + 0x9e3779b9u + (h << 6) + (h >> 2);
    h ^= std::size_t(p.color + 1) * 31u + std::size_t(p.background) * 131u + std::size_t(p.link + 1) * 7919u +
         std::size_t(p.charStyle + 1) * 524287u;
    h ^= std::size_t(p.bold | (p.italic << 1) | (p.strike << 2) | (p.hidden << 3) | (p.vertical << 4) | (p.caps << 6) |
                     (p.underline << 8) | (p.charClass << 12))
         << 16;
    if (p.dbFont != -2 || p.dbHalfPoints || p.dbBold >= 0 || p.dbItalic >= 0)
        h ^= std::size_t(p.dbFont + 2) * 2654435761u + std::size_t(p.dbHalfPoints) * 40503u +
             std::size_t((p.dbBold + 1) | ((p.dbItalic + 1) << 2)) * 97u;
    return h;
}

Reader::Reader(const QByteArray &bytes, QTextCursor &cursor, Mode mode)
    : bytes_(bytes),
      tokenizer_(bytes.constData(), std::size_t(bytes.size())),
      cursor_(cursor),
      mode_(mode),
      tablesLeft_(std::max(kMinTables, bytes.size() / kBytesPerTable)),
      insertTailFormat_(cursor.blockFormat()) {
    stack_.reserve(64);
    stack_.push_back(State{});  // outside the outermost group
}

bool Reader::run() {
    for (;;) {
        Token t = tokenizer_.next();
        if (t.kind == Token::End)
            break;
        if (skip_ > 0) {
            if (t.kind == Token::GroupOpen || t.kind == Token::GroupClose) {
                skip_ = 0;
            } else if (t.kind == Token::Text || t.kind == Token::Hex) {
                const std::size_t n = std::min<std::size_t>(std::size_t(skip_), t.text.size());
                skip_ -= int(n);
                t.text.remove_prefix(n);
                if (t.text.empty())
                    continue;
            } else {
                --skip_;
                continue;
            }
        }
        if (stack_.size() == 1 && t.kind != Token::GroupOpen)
            continue;  // only white space stands before the outermost group
        switch (t.kind) {
        case Token::GroupOpen:
            // After a lead byte written as \'hh, some writers put the trail
            // byte as a bare brace.
            if (endsWithLeadByte()) {
                handleBytes("{", false);
                break;
            }
            star_ = false;
            openGroup();
            break;
        case Token::GroupClose:
            if (endsWithLeadByte()) {
                handleBytes("}", false);
                break;
            }
            star_ = false;
            closeGroup(true);
            break;
        case Token::Word: handleWord(t); break;
        case Token::Symbol: handleSymbol(t.byte); break;
        case Token::Hex: handleBytes(t.text, true); break;
        case Token::Text: handleBytes(t.text, false); break;
        case Token::Binary:
            star_ = false;
            flushBytes();
            if (state().dest == Dest::Pict)
                picture_.data.append(t.text.data(), qsizetype(t.text.size()));
            break;
        case Token::Par:
            star_ = false;
            flushBytes();
            if (state().dest == Dest::Body)
                endParagraph(false);
            break;
        case Token::End: break;
        }
        if (stack_.size() == 1 && overflowDepth_ == 0 && t.kind == Token::GroupClose)
            break;  // the outermost group is closed
    }

    if (stack_.size() > 1)
        damaged_ = true;  // cut off
    // Close what is open so that fields, pictures and tables finish.
    while (stack_.size() > 1)
        closeGroup(true);
    flushBytes();
    flushRun();
    settleKept();
    for (const TableLevel &t : tables_)
        trimSpareRows(t);  // a table still open at the end
    if (mode_ == Mode::WholeDocument && !pendingBreak_)
        applyBlockFormat();

    // Anything but white space after the end is damage (a group closed too
    // often, or garbage appended).
    for (const char *p = tokenizer_.position(); p < bytes_.constData() + bytes_.size(); ++p) {
        if (*p != ' ' && *p != '\r' && *p != '\n' && *p != '\t' && *p != '\0') {
            damaged_ = true;
            break;
        }
    }
    return !(damaged_ || tokenizer_.damaged());
}

// ---------------------------------------------------------------------------
// Groups

void Reader::openGroup() {
    flushBytes();
    if (int(stack_.size()) >= kMaxDepth) {
        if (overflowDepth_++ == 0)
            overflowBase_ = state();
        damaged_ = true;
        return;
    }
    State s = state();
    stack_.push_back(s);
}

void Reader::closeGroup(bool finishDestination) {
    flushBytes();
    if (overflowDepth_ > 0) {
        --overflowDepth_;
        stack_.back() = overflowBase_;
        return;
    }
    if (stack_.size() <= 1)
        return;
    const State closed = stack_.back();
    stack_.pop_back();
    // The last paragraph often has no \par: it keeps the properties that
    // were in force when the document's group closed.
    if (stack_.size() == 1)
        stack_.back().para = closed.para;
    const State &outer = stack_.back();
    if (!finishDestination)
        return;
    switch (closed.dest) {
    case Dest::FontTable:
        if (fontId_ >= 0 && hasFontName())
            finishFont();
        break;
    case Dest::FieldInst:
        if (outer.dest != Dest::FieldInst)
            finishField(closed.field);
        break;
    case Dest::Pict:
        if (outer.dest != Dest::Pict)
            finishPicture();
        break;
    default: break;
    }
    if (closed.field >= 0 && closed.field != outer.field)
        finishFieldResult(closed.field, closed.chr);
}

void Reader::skipGroup() {
    flushBytes();
    tokenizer_.skipGroup();
    closeGroup(false);
}

// ---------------------------------------------------------------------------
// Control words

void Reader::handleWord(const Token &t) {
    const bool starred = star_;
    star_ = false;
    const Keyword *k = lookupKeyword(t.name);
    if (!k) {
        // An unknown word after \* marks a group that may be skipped whole.
        if (starred)
            skipGroup();
        return;
    }
    flushBytes();
    State &s = state();
    const Kw kw = k->kw;

    if (overflowDepth_ > 0 && isDestination(kw)) {
        skipGroup();
        return;
    }
    if (isPropertyWord(kw) && !(kw == Kw::Font && s.dest == Dest::FontTable)) {
        applyProperty(s, kw, k->value, t.param, t.hasParam);
        return;
    }

    switch (kw) {
    case Kw::Rtf: break;
    case Kw::Ansi: docCodepage_ = 1252; break;
    case Kw::Mac: docCodepage_ = 10000; break;
    case Kw::Pc: docCodepage_ = 437; break;
    case Kw::Pca: docCodepage_ = 850; break;
    case Kw::AnsiCpg:
        if (t.hasParam && t.param > 0 && t.param < 100000)
            docCodepage_ = t.param;
        break;
    case Kw::Deff:
        if (t.hasParam)
            defaultFont_ = t.param;
        break;
    case Kw::Uc: s.uc = t.hasParam ? std::max(0, t.param) : 1; break;
    case Kw::U: handleUnicode(t.hasParam ? t.param : 0); break;

    case Kw::FontTbl:
        s.dest = Dest::FontTable;
        fontId_ = -1;
        clearFontName();
        break;
    case Kw::ColorTbl:
        s.dest = Dest::ColorTable;
        colorSet_ = false;
        red_ = green_ = blue_ = 0;
        break;
    case Kw::Field:
        if (s.dest == Dest::Body && fields_.size() < kMaxFields) {
            fields_.push_back(Field{});
            s.field = int(fields_.size()) - 1;
        }
        break;
    case Kw::FldInst:
        if (s.dest == Dest::Body && s.field >= 0)
            s.dest = Dest::FieldInst;
        else
            skipGroup();
        break;
    case Kw::FldRslt:
        if (s.dest == Dest::Body && s.field >= 0 && !fields_[std::size_t(s.field)].href.isEmpty())
            s.chr.link = s.field;
        break;
    case Kw::Pict:
        if (s.dest == Dest::Body) {
            s.dest = Dest::Pict;
            picture_ = Picture{};
        } else {
            skipGroup();
        }
        break;
    case Kw::Upr:
        s.resume = s.dest;
        s.dest = Dest::Discard;
        break;
    case Kw::Ud:
        if (s.resume != Dest::Discard)
            s.dest = s.resume;
        break;
    case Kw::SkipDest: skipGroup(); break;
    case Kw::Transparent: break;

    case Kw::FCharset:
        if (s.dest == Dest::FontTable)
            font_.charset = t.param;
        break;
    case Kw::Cpg:
        if (s.dest == Dest::FontTable && t.param > 0 && t.param < 100000)
            font_.cpg = t.param;
        break;
    case Kw::Red:
    case Kw::Green:
    case Kw::Blue:
        if (s.dest == Dest::ColorTable) {
            const int v = std::clamp(t.param, 0, 255);
            (kw == Kw::Red ? red_ : kw == Kw::Green ? green_ : blue_) = v;
            colorSet_ = true;
        }
        break;
    case Kw::Font:
        if (s.dest == Dest::FontTable) {
            if (fontId_ >= 0 && hasFontName())
                finishFont();
            fontId_ = t.hasParam ? t.param : 0;
            font_ = Font{};
            clearFontName();
        } else {
            applyProperty(s, kw, k->value, t.param, t.hasParam);
        }
        break;

    case Kw::Par:
        if (s.dest == Dest::Body)
            endParagraph(false);
        break;
    case Kw::Sect:
        if (s.dest == Dest::Body) {
            endParagraph(false);
            restartNotes(RestartSection);
        }
        break;
    case Kw::Page:
        if (s.dest == Dest::Body) {
            endParagraph(true);
            restartNotes(RestartPage);
        }
        break;
    case Kw::Line: appendChar(QChar::LineSeparator); break;
    case Kw::Tab: appendChar(U'\t'); break;
    case Kw::Char: appendChar(char32_t(k->value)); break;
    case Kw::Chftn:
        if (s.dest == Dest::Body)
            footnoteMark();
        break;
    case Kw::NoteStyle: notes_[(k->value & kEndnotes) ? 1 : 0].style = NoteStyle(k->value & 0xff); break;
    case Kw::NoteRestart: notes_[(k->value & kEndnotes) ? 1 : 0].restart = k->value & 0xff; break;
    case Kw::NoteStart:
        if (t.hasParam) {
            NoteNumbering &n = notes_[(k->value & kEndnotes) ? 1 : 0];
            n.start = n.next = std::clamp(t.param, 0, 1000000);
        }
        break;
    case Kw::Cell:
        if (s.dest == Dest::Body)
            endCell(1);
        break;
    case Kw::NestCell:
        if (s.dest == Dest::Body)
            endCell(std::max(2, paraLevel()));
        break;
    case Kw::Row:
        if (s.dest == Dest::Body)
            endRow(1);
        break;
    case Kw::NestRow:
        if (s.dest == Dest::Body)
            endRow(std::max(2, std::min(paraLevel(), int(tables_.size()))));
        break;
    case Kw::Trowd: cellx_.clear(); break;
    case Kw::Cellx:
        if (cellx_.size() < std::size_t(kMaxColumns))
            cellx_.push_back(clampTwips(t.param));
        break;

    case Kw::PicKind:
        if (s.dest == Dest::Pict)
            picture_.kind = k->value;
        break;
    case Kw::PicW:
    case Kw::PicH:
    case Kw::PicGoalW:
    case Kw::PicGoalH:
    case Kw::PicScaleX:
    case Kw::PicScaleY:
        if (s.dest == Dest::Pict) {
            const int v = std::clamp(t.param, 0, 1000000);
            switch (kw) {
            case Kw::PicW: picture_.picW = v; break;
            case Kw::PicH: picture_.picH = v; break;
            case Kw::PicGoalW: picture_.goalW = v; break;
            case Kw::PicGoalH: picture_.goalH = v; break;
            case Kw::PicScaleX: picture_.scaleX = std::min(v, 10000); break;
            default: picture_.scaleY = std::min(v, 10000); break;
            }
        }
        break;
    default: break;
    }
}

bool Reader::applyProperty(State &s, Kw kw, int value, int param, bool hasParam) {
    CharProps &c = s.chr;
    ParaProps &p = s.para;
    switch (kw) {
    case Kw::Plain: {
        const int link = c.link;
        c = CharProps{};
        c.link = link;
        break;
    }
    case Kw::CharStyle:
        if (hasParam)
            c.charStyle = std::max(-1, param);
        break;
    case Kw::Bold: c.bold = onOff(param, hasParam); break;
    case Kw::Italic: c.italic = onOff(param, hasParam); break;
    case Kw::Underline: c.underline = onOff(param, hasParam) ? std::uint8_t(value) : 0; break;
    case Kw::UnderlineNone: c.underline = 0; break;
    case Kw::Strike: c.strike = onOff(param, hasParam); break;
    case Kw::Font:
        if (hasParam) {
            c.font = param;
            if (c.charClass == 2)
                c.dbFont = std::max(-1, param);
        }
        break;
    case Kw::FontSize: c.halfPoints = hasParam ? std::clamp(param, kMinHalfPoints, kMaxHalfPoints) : 24; break;
    case Kw::Color: c.color = std::max(0, param); break;
    case Kw::Background: c.background = std::max(0, param); break;
    case Kw::Super: c.vertical = 1; break;
    case Kw::Sub: c.vertical = 2; break;
    case Kw::NoSuperSub: c.vertical = 0; break;
    case Kw::Up: c.vertical = (!hasParam || param > 0) ? 1 : 0; break;
    case Kw::Dn: c.vertical = (!hasParam || param > 0) ? 2 : 0; break;
    case Kw::Caps: c.caps = onOff(param, hasParam) ? 1 : 0; break;
    case Kw::SmallCaps: c.caps = onOff(param, hasParam) ? 2 : 0; break;
    case Kw::Hidden: c.hidden = onOff(param, hasParam); break;
    case Kw::CharClass: c.charClass = std::uint8_t(value); break;
    case Kw::Direction: s.rtl = value != 0; break;
    case Kw::Associated:
        // After \rtlch they belong to right-to-left text, which takes the
        // ordinary properties; without a class word they name nothing.
        if (s.rtl || c.charClass == 0)
            break;
        if (c.charClass == 1) {
            if (Kw(value) == Kw::Font && hasParam)
                c.font = param;  // the \loch/\hich font
            break;
        }
        switch (Kw(value)) {
        case Kw::Bold: c.dbBold = std::int8_t(onOff(param, hasParam)); break;
        case Kw::Italic: c.dbItalic = std::int8_t(onOff(param, hasParam)); break;
        case Kw::Font:
            if (hasParam)
                c.dbFont = std::max(-1, param);
            break;
        case Kw::FontSize: c.dbHalfPoints = hasParam ? std::clamp(param, kMinHalfPoints, kMaxHalfPoints) : 24; break;
        default: break;
        }
        break;

    case Kw::Pard: p = ParaProps{}; break;
    case Kw::ParaStyle:
        if (hasParam)
            p.style = std::max(-1, param);
        break;
    case Kw::Align: p.align = value; break;
    case Kw::LeftIndent: p.left = clampTwips(param); break;
    case Kw::RightIndent: p.right = clampTwips(param); break;
    case Kw::FirstIndent: p.first = clampTwips(param); break;
    case Kw::SpaceBefore: p.before = std::max(0, clampTwips(param)); break;
    case Kw::SpaceAfter: p.after = std::max(0, clampTwips(param)); break;
    case Kw::LineSpacing: p.lineSpacing = clampTwips(param); break;
    case Kw::LineMult: p.lineMultiple = onOff(param, hasParam); break;
    case Kw::PageBreakBefore:
        p.breakBefore = onOff(param, hasParam);
        if (p.breakBefore)
            restartNotes(RestartPage);
        break;
    case Kw::InTable: p.inTable = true; break;
    case Kw::TabKind: p.nextTabKind = std::uint8_t(value); break;
    case Kw::TabStop:
        if (hasParam && param > 0 && p.tabCount < limits::kMaxTabStops)
            p.tabs[p.tabCount++] = {std::min(param, kMaxTwips), p.nextTabKind};
        p.nextTabKind = 0;
        break;
    case Kw::ParaDirection: p.rightToLeft = value != 0; break;
    case Kw::Itap: p.itap = std::clamp(param, 0, kMaxTableDepth); break;
    default: return false;
    }
    return true;
}

// Words that open a group whose content is not body text.
bool Reader::isDestination(Kw kw) {
    switch (kw) {
    case Kw::FontTbl:
    case Kw::ColorTbl:
    case Kw::FldInst:
    case Kw::Pict:
    case Kw::SkipDest: return true;
    default: return false;
    }
}

void Reader::handleSymbol(unsigned char c) {
    if (c == '*') {
        flushBytes();
        star_ = true;
        return;
    }
    star_ = false;
    switch (c) {
    case '\\':
    case '{':
    case '}': {
        const char b = char(c);
        handleBytes(std::string_view(&b, 1), false);
        return;
    }
    default: break;
    }
    flushBytes();
    switch (c) {
    case '~': appendChar(0x00a0); break;
    case '-': appendChar(0x00ad); break;
    case '_': appendChar(0x2011); break;
    case '\t': appendChar(U'\t'); break;
    default: break;  // \: \| and unknown symbols carry nothing we show
    }
}

void Reader::handleUnicode(int value) {
    const State &s = state();
    if (value < 0)
        value += 65536;
    skip_ = s.uc;
    if (s.dest == Dest::FontTable) {
        if (fontId_ >= 0 && value > 0 && value <= 0xffff && (value < 0xd800 || value > 0xdfff) && fontNameHasRoom()) {
            decodeFontNameBytes();
            fontNameText_ += QChar(char16_t(value));
        }
        return;
    }
    if (s.dest != Dest::Body && s.dest != Dest::FieldInst)
        return;
    if (value < 0 || value > 0x10ffff) {
        appendChar(0xfffd);
        return;
    }
    if (value >= 0xd800 && value <= 0xdbff) {
        if (highSurrogate_) {
            highSurrogate_ = 0;
            appendChar(0xfffd);  // the previous one was alone
        }
        highSurrogate_ = char16_t(value);
        return;
    }
    if (value >= 0xdc00 && value <= 0xdfff) {
        if (highSurrogate_) {
            const char32_t cp = 0x10000 + ((char32_t(highSurrogate_) - 0xd800) << 10) + (char32_t(value) - 0xdc00);
            highSurrogate_ = 0;
            appendChar(cp);
        } else {
            appendChar(0xfffd);
        }
        return;
    }
    if (value == 0)
        return;
    // Symbol fonts' glyphs as Windows numbers them in Unicode.
    const int cp = codepageOf(s.chr.font);
    if (cp != kSymbolCodepage && isSymbolCodepage(cp) && value >= 0xf020 && value <= 0xf0ff)
        appendChar(pennaro::rtf::symbolCharacter(cp, static_cast<unsigned char>(value & 0xff)), true);
    else
        appendChar(char32_t(value));
}

// ---------------------------------------------------------------------------
// Header tables

void Reader::handleBytes(std::string_view bytes, bool fromHex) {
    star_ = false;
    switch (state().dest) {
    case Dest::Body:
    case Dest::FieldInst:
        pending_.append(bytes);
        lastByteFromHex_ = fromHex;
        break;
    case Dest::FontTable:
        if (fromHex) {
            if (fontId_ >= 0 && fontNameHasRoom())
                fontName_.append(bytes);
        } else {
            fontTableText(bytes);
        }
        break;
    case Dest::ColorTable: colorTableText(bytes); break;
    case Dest::Pict:
        for (char ch : bytes) {
            int v;
            if (ch >= '0' && ch <= '9')
                v = ch - '0';
            else if ((ch | 0x20) >= 'a' && (ch | 0x20) <= 'f')
                v = (ch | 0x20) - 'a' + 10;
            else
                continue;
            if (picture_.nibble < 0) {
                picture_.nibble = v;
            } else {
                picture_.data.append(char(picture_.nibble * 16 + v));
                picture_.nibble = -1;
            }
        }
        break;
    case Dest::Discard: break;
    }
}

void Reader::fontTableText(std::string_view bytes) {
    for (char ch : bytes) {
        if (ch == ';') {
            if (fontId_ >= 0)
                finishFont();
            clearFontName();
        } else if (fontId_ >= 0 && fontNameHasRoom()) {
            fontName_.push_back(ch);
        }
    }
}

int Reader::fontNameCodepage() const {
    int cp = font_.cpg;
    if (cp == 0)
        cp = codepageForCharset(font_.charset);
    if (cp == 0 || cp == kSymbolCodepage)
        cp = cp == 0 ? docCodepage_ : 1252;
    return cp;
}

// Font names come in the font's own code page, and may mix in \u
// characters where it has none for them: the bytes so far are decoded
// before such a character is added.
void Reader::decodeFontNameBytes() {
    if (fontName_.empty())
        return;
    QString part;
    decoders_.decode(fontNameCodepage(), QByteArrayView(fontName_.data(), qsizetype(fontName_.size())), part);
    fontNameText_ += part;
    fontName_.clear();
}

void Reader::finishFont() {
    if (fonts_.size() < kMaxFonts || fonts_.count(fontId_)) {
        decodeFontNameBytes();
        Font f = font_;
        const QString name = familyName(fontNameText_.trimmed(), f.charset);
        if (!name.isEmpty())
            f.families = QStringList{name};
        // Many writers name the Symbol font without saying it is one.
        if (f.cpg == 0)
            f.symbolCp = symbolCodepageForFamily(name);
        fonts_[fontId_] = std::move(f);
        formatCache_.clear();
    }
    clearFontName();
    font_ = Font{};
    fontId_ = -1;
}

void Reader::colorTableText(std::string_view bytes) {
    for (char ch : bytes) {
        if (ch != ';')
            continue;
        if (colors_.size() < kMaxColors)
            colors_.push_back(colorSet_ ? QColor(red_, green_, blue_) : QColor());
        colorSet_ = false;
        red_ = green_ = blue_ = 0;
    }
    formatCache_.clear();
}

}  // namespace pennaro::rtf
