#include "platform/rtf/reader.h"

#include "platform/units.h"

#include <algorithm>

// Token dispatch, groups, control words by group, properties and decoding.
namespace pennaro::rtf {

using namespace limits;

namespace {

int clampTwips(int v) { return std::clamp(v, -kMaxTwips, kMaxTwips); }

// A property word without a parameter, or with any parameter but 0, turns
// the property on.
bool onOff(int param, bool hasParam) { return !hasParam || param != 0; }

}  // namespace

Reader::Reader(const QByteArray &bytes, QTextCursor &cursor, Mode mode)
    : bytes_(bytes),
      tokenizer_(bytes.constData(), std::size_t(bytes.size())),
      mode_(mode),
      builder_(cursor, mode, tables_, QByteArrayView(bytes), tokenizer_) {
    stack_.reserve(64);
    stack_.push_back(State{});  // outside the outermost group
    if (mode_ == Mode::WholeDocument) {
        keptDoc_ = std::make_shared<KeptDocument>();
        keptDoc_->source = tables_.shared();
        prologueOut_ = KeptRtf(&keptDoc_->prologue);
    }
}

bool Reader::run() {
    // Once the outermost group is open, its closing brace ends the reading,
    // whatever closes it: a group of its own, a kept destination that began
    // at its level, a group skipped from inside it.
    bool opened = false;
    auto closed = [&] {
        opened = opened || stack_.size() > 1;
        return opened && stack_.size() == 1 && overflowDepth_ == 0;
    };
    for (;;) {
        Token t = tokenizer_.next();
        if (t.kind == Token::End)
            break;
        if (skipFallback(t, skip_))
            continue;
        if (stack_.size() == 1 && t.kind != Token::GroupOpen)
            continue;  // only white space stands before the outermost group
        if (capture_.depth > 0) {
            captureToken(t);
            if (closed())
                break;
            continue;
        }
        // A spelled-out reference mark is its text, \u and \uc included.
        if (givenMark_.depth && !isMarkText(t)) {
            flushBytes();
            if (stack_.size() == givenMark_.depth)
                state().chr.owner = givenMark_.owner;
            givenMark_ = GivenMark{};
        }
        const bool groupStart = groupStart_;
        groupStart_ = false;
        if (groupStart && state().dest == Dest::Wrapper && t.kind != Token::GroupClose &&
            !(t.kind == Token::Symbol && t.byte == '*')) {
            // The first thing in a group inside a field, object or shape
            // says whether it is the result, shown, or a part, kept.
            if (t.kind != Token::Word) {
                wrapperChild(t, false);
                continue;
            }
        }
        if (!groupStart && state().dest == Dest::Wrapper && t.kind == Token::Word) {
            wrapperWord(t);
            continue;
        }
        switch (t.kind) {
        case Token::GroupOpen:
            if (braceIsTrailByte(t))
                break;
            star_ = false;
            lastOpen_ = tokenizer_.position() - 1;
            openGroup();
            groupStart_ = true;
            break;
        case Token::GroupClose:
            if (braceIsTrailByte(t))
                break;
            star_ = false;
            closeGroup(true);
            break;
        case Token::Word:
            if (groupStart && state().dest == Dest::Wrapper) {
                wrapperChild(t, star_);
                star_ = false;
                break;
            }
            handleWord(t);
            break;
        case Token::Symbol:
            if (t.byte == '*' && groupStart)
                groupStart_ = true;  // still the group's first word to come
            handleSymbol(t.byte);
            break;
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
            if (state().dest == Dest::Body && !state().inlineOnly) {
                startBody();
                builder_.endParagraph(false, state().chr, state().para);
            }
            break;
        case Token::End: break;
        }
        if (closed())
            break;
    }

    if (stack_.size() > 1 || capture_.depth > 0)
        damaged_ = true;  // cut off
    // Close what is open so that captures, fields, pictures and tables
    // finish.
    while (capture_.depth > 0)
        captureGroupClosed();
    while (stack_.size() > 1)
        closeGroup(true);
    flushBytes();
    builder_.finish(state().para);

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

// The fallback of a \\u: a text or hex byte, or any other token, is one
// character of it; a brace ends it. Returns whether the whole token was
// fallback (of text, what is left stays in t).
bool Reader::skipFallback(Token &t, int &skip) {
    if (skip <= 0)
        return false;
    if (t.kind == Token::GroupOpen || t.kind == Token::GroupClose) {
        skip = 0;
        return false;
    }
    if (t.kind == Token::Text || t.kind == Token::Hex) {
        const std::size_t n = std::min<std::size_t>(std::size_t(skip), t.text.size());
        skip -= int(n);
        t.text.remove_prefix(n);
        return t.text.empty();
    }
    --skip;
    return true;
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
    s.start = lastOpen_;
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
    // A field opened straight inside a list label's group, without braces
    // of its own, ends with that group: both finish at this brace.
    while (!wrappers_.empty() && wrappers_.back().depth == stack_.size())
        finishWrapper();
    const State closed = stack_.back();
    stack_.pop_back();
    // The last paragraph often has no \par: it keeps the properties that
    // were in force when the document's group closed.
    if (stack_.size() == 1)
        stack_.back().para = closed.para;
    if (!wrappers_.empty() && closed.wrapper >= 0 && std::size_t(closed.wrapper) < wrappers_.size() &&
        wrappers_[std::size_t(closed.wrapper)].inResult && state().wrapper == closed.wrapper &&
        state().dest == Dest::Wrapper) {
        wrappers_[std::size_t(closed.wrapper)].inResult = false;
        wrappers_[std::size_t(closed.wrapper)].resultDone = true;
    }
    if (!finishDestination)
        return;
    switch (closed.dest) {
    case Dest::FontTable: tables_.fontGroupClosed(); break;
    case Dest::Pict:
        if (state().dest != Dest::Pict)
            finishPicture();
        break;
    default: break;
    }
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
        unknownWord(t, starred);
        return;
    }
    flushBytes();
    if (overflowDepth_ > 0 && isDestination(k->kw)) {
        skipGroup();
        return;
    }
    switch (groupOf(k->kw)) {
    case KwGroup::Document: documentWord(*k, t); break;
    case KwGroup::Destination: destinationWord(*k, t, starred); break;
    case KwGroup::HeaderTable: headerTableWord(*k, t); break;
    case KwGroup::Character:
    case KwGroup::Paragraph:
        if (k->kw == Kw::Font && state().dest == Dest::FontTable) {
            tables_.fontNumber(t.hasParam ? t.param : 0);
            break;
        }
        if (k->kw == Kw::Pard)
            startBody();
        applyProperty(state(), k->kw, k->value, t.param, t.hasParam);
        break;
    case KwGroup::Text: textWord(*k, t); break;
    case KwGroup::Table: tableWord(*k, t); break;
    case KwGroup::Notes: noteWord(*k, t); break;
    case KwGroup::Picture: pictureWord(*k, t); break;
    case KwGroup::Kept: keptWord(*k, t); break;
    }
}

// An unknown word after \* marks a group that may be skipped: in the text
// it is kept whole, as it is before the body. Other unknown words before
// the body are document and section settings, kept as they stand.
void Reader::unknownWord(const Token &t, bool starred) {
    if (!starred) {
        keepSettingWord(t, false);
        return;
    }
    flushBytes();
    if (state().dest != Dest::Body || overflowDepth_ > 0) {
        skipGroup();
    } else if (mode_ == Mode::WholeDocument && (!bodyStarted_ || section_)) {
        keepDocumentGroup(t, true);
    } else {
        keepGap(t, true);
    }
}

void Reader::documentWord(const Keyword &k, const Token &t) {
    State &s = state();
    switch (k.kw) {
    case Kw::Ansi: tables_.setDocCodepage(1252); break;
    case Kw::Mac: tables_.setDocCodepage(10000); break;
    case Kw::Pc: tables_.setDocCodepage(437); break;
    case Kw::Pca: tables_.setDocCodepage(850); break;
    case Kw::AnsiCpg:
        if (t.hasParam && t.param > 0 && t.param < 100000)
            tables_.setDocCodepage(t.param);
        break;
    case Kw::Deff:
        // A header's word: once text has been read, it would change the
        // font of text read before it in some ways (the font its runs take)
        // and not in others (a symbol font's glyphs read as such).
        if (t.hasParam && !bodyStarted_)
            tables_.setDefaultFont(t.param);
        break;
    case Kw::Uc: s.uc = t.hasParam ? std::max(0, t.param) : 1; break;
    case Kw::U: handleUnicode(t.hasParam ? t.param : 0); break;
    default: break;
    }
}

void Reader::destinationWord(const Keyword &k, const Token &t, bool starred) {
    State &s = state();
    const bool body = s.dest == Dest::Body;
    switch (k.kw) {
    case Kw::FontTbl:
    case Kw::ColorTbl:
        // A table that comes after some text does not change how that text
        // was read: its run takes its fonts and colours from the tables as
        // they are now, not from what they will hold when it is flushed.
        flushBytes();
        builder_.flushRun();
        if (k.kw == Kw::FontTbl) {
            s.dest = Dest::FontTable;
            tables_.beginFontTable();
            break;
        }
        s.dest = Dest::ColorTable;
        tables_.beginColourTable();
        break;
    case Kw::Field:
        // Past the depth limit groups share one state: a field there only
        // shows its result.
        if (!body)
            skipGroup();
        else if (overflowDepth_ == 0)
            beginField();
        break;
    case Kw::FldInst:
        skipGroup();  // outside a field: an instruction never shows
        break;
    case Kw::FldRslt: break;  // outside a field: the content shows
    case Kw::Pict:
        if (body) {
            startBody();
            s.dest = Dest::Pict;
            picture_ = Picture{};
            picture_.start = opensGroup(t) ? s.start : t.name.data() - 1;
            picture_.uc = s.uc;
        } else if (s.dest != Dest::Pict) {
            skipGroup();
        }  // inside a picture, \pict again says what it says already
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
    case Kw::DocDest:
        if (!body || mode_ == Mode::Insert)
            skipGroup();
        else
            keepDocumentGroup(t, starred);
        break;
    case Kw::TextDest:
        if (body)
            keepGap(t, starred);
        else
            skipGroup();
        break;
    case Kw::Footnote:
        if (body)
            keepFootnote(t, starred);
        else
            skipGroup();
        break;
    case Kw::ListLabel:
        // A paragraph's list label: shown, and written back as a label when
        // the paragraph is still in a list. Pasted paragraphs leave their
        // lists behind, so their labels are plain text.
        if (body && mode_ == Mode::WholeDocument && overflowDepth_ == 0) {
            startBody();
            auto item = newItem(KeptItem::Kind::Wrapper);
            KeptRtf out(&item->rtf);
            out.open();
            out.word(t.name);
            item->listLabel = t.name == "listtext";
            beginWrapper(std::move(item), -1, true);
        }
        break;
    case Kw::Object:
    case Kw::Shape:
        if (!body) {
            skipGroup();
        } else if (overflowDepth_ == 0) {
            startBody();
            auto item = newItem(KeptItem::Kind::Wrapper);
            KeptRtf out(&item->rtf);
            out.open();
            if (starred)
                out.symbol('*');
            out.word(t.name);
            item->resultWord = k.kw == Kw::Object ? "result" : "shprslt";
            beginWrapper(std::move(item), -1, false);
        }
        break;
    case Kw::ObjResult:
    case Kw::ShapeResult: break;  // a result outside its object or shape: the content shows
    default: break;
    }
}

void Reader::headerTableWord(const Keyword &k, const Token &t) {
    const State &s = state();
    switch (k.kw) {
    case Kw::FCharset:
        if (s.dest == Dest::FontTable)
            tables_.fontCharset(t.param);
        break;
    case Kw::Cpg:
        if (s.dest == Dest::FontTable)
            tables_.fontCodepage(t.param);
        break;
    case Kw::Red:
    case Kw::Green:
    case Kw::Blue:
        if (s.dest == Dest::ColorTable)
            tables_.colourComponent(k.kw == Kw::Red ? 0 : k.kw == Kw::Green ? 1 : 2, t.param);
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
        const int owner = c.owner;
        c = CharProps{};
        c.link = link;
        c.owner = owner;
        break;
    }
    case Kw::CharStyle:
        if (hasParam && mode_ == Mode::WholeDocument)
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

    case Kw::Pard: {
        // A shape's or object's result stays inline where it stands.
        const ParaProps kept = p;
        p = ParaProps{};
        if (s.inlineOnly) {
            p.inTable = kept.inTable;
            p.itap = kept.itap;
        }
        break;
    }
    case Kw::ParaStyle:
        if (hasParam && mode_ == Mode::WholeDocument)
            p.style = std::max(-1, param);
        break;
    case Kw::ListOverride:
        if (mode_ == Mode::WholeDocument)
            p.list = hasParam ? std::clamp(param, 0, kMaxListOverride) : 0;
        break;
    case Kw::ListLevel:
        if (mode_ == Mode::WholeDocument)
            p.level = hasParam ? std::clamp(param, 0, 8) : 0;
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
    case Kw::InTable:
        if (!s.inlineOnly)
            p.inTable = true;
        break;
    case Kw::TabKind: p.nextTabKind = std::uint8_t(value); break;
    case Kw::TabStop:
        if (hasParam && param > 0 && p.tabCount < limits::kMaxTabStops)
            p.tabs[p.tabCount++] = {std::min(param, kMaxTwips), p.nextTabKind};
        p.nextTabKind = 0;
        break;
    case Kw::ParaDirection: p.rightToLeft = value != 0; break;
    case Kw::Itap:
        if (!s.inlineOnly)
            p.itap = std::clamp(param, 0, kMaxTableDepth);
        break;
    default: return false;
    }
    return true;
}

void Reader::textWord(const Keyword &k, const Token &t) {
    (void)t;
    State &s = state();
    const bool paragraphs = s.dest == Dest::Body && !s.inlineOnly;
    switch (k.kw) {
    case Kw::Par:
        if (paragraphs) {
            startBody();
            builder_.endParagraph(false, s.chr, s.para);
        }
        break;
    case Kw::Sect:
        if (paragraphs) {
            startBody();
            // Only a section that ends restarts the notes' numbers.
            if (sectionBreak())
                restartNotes(RestartSection);
        }
        break;
    case Kw::Page:
        if (paragraphs) {
            startBody();
            builder_.endParagraph(true, s.chr, s.para);
            restartNotes(RestartPage);
        }
        break;
    case Kw::Line: appendChar(QChar::LineSeparator); break;
    case Kw::Tab: appendChar(U'\t'); break;
    case Kw::Char: appendChar(char32_t(k.value)); break;
    case Kw::Chftn:
        if (s.dest == Dest::Body)
            footnoteMark();
        break;
    default: break;
    }
}

void Reader::tableWord(const Keyword &k, const Token &t) {
    const State &s = state();
    const bool cells = s.dest == Dest::Body && !s.inlineOnly;
    switch (k.kw) {
    case Kw::Cell:
        if (cells) {
            startBody();
            builder_.endCell(1, s.chr, s.para);
        }
        break;
    case Kw::NestCell:
        if (cells)
            builder_.endCell(std::max(2, s.para.tableLevel()), s.chr, s.para);
        break;
    case Kw::Row:
        if (cells)
            builder_.endRow(1);
        break;
    case Kw::NestRow:
        if (cells)
            builder_.endRow(std::max(2, s.para.tableLevel()));
        break;
    // A row's definition in a picture or a table of the header defines no
    // row (a picture kept with one in it would add a cell once written).
    case Kw::Trowd:
        if (s.dest == Dest::Body) {
            startBody();
            builder_.clearCellBoundaries();
        }
        break;
    case Kw::Cellx:
        if (s.dest == Dest::Body)
            builder_.addCellBoundary(clampTwips(t.param));
        break;
    default: break;
    }
}

void Reader::noteWord(const Keyword &k, const Token &t) {
    // Settings inside a table or picture of the header are nobody's.
    if (state().dest != Dest::Body)
        return;
    NoteNumbering &n = notes_[(k.value & kEndnotes) ? 1 : 0];
    switch (k.kw) {
    case Kw::NoteStyle: n.style = NoteStyle(k.value & 0xff); break;
    case Kw::NoteRestart: n.restart = k.value & 0xff; break;
    case Kw::NoteStart:
        if (t.hasParam)
            n.start = n.next = std::clamp(t.param, 0, 1000000);
        break;
    default: break;
    }
    // The numbering is the document's or the section's setting, written
    // back with the rest of them.
    keepSettingWord(t, true);
}

void Reader::pictureWord(const Keyword &k, const Token &t) {
    if (state().dest != Dest::Pict)
        return;
    if (k.kw == Kw::PicKind) {
        picture_.kind = k.value;
        return;
    }
    const int v = std::clamp(t.param, 0, 1000000);
    switch (k.kw) {
    case Kw::PicW: picture_.picW = v; break;
    case Kw::PicH: picture_.picH = v; break;
    case Kw::PicGoalW: picture_.goalW = v; break;
    case Kw::PicGoalH: picture_.goalH = v; break;
    case Kw::PicScaleX: picture_.scaleX = std::min(v, 10000); break;
    case Kw::PicScaleY: picture_.scaleY = std::min(v, 10000); break;
    default: break;
    }
}

void Reader::keptWord(const Keyword &k, const Token &t) {
    switch (k.kw) {
    case Kw::PageSetting:
        pageSetting(k.value, t);
        keepSettingWord(t, true);
        break;
    case Kw::TextMark:
        if (state().dest == Dest::Body)
            keepGapWord(t);
        break;
    default: break;
    }
}

// Whether the word is the first of its group (after \* at most): a \pict
// that comes after other content in its group begins the picture there.
bool Reader::opensGroup(const Token &t) const {
    const char *word = t.name.data() - 1;
    const char *p = stack_.back().start;
    if (!p || p < bytes_.constData() || p >= word)
        return false;
    for (++p; p < word; ++p) {
        if (*p == '\\' && p + 1 < word && p[1] == '*')
            ++p;
        else if (*p != ' ' && *p != '\r' && *p != '\n')
            return false;
    }
    return true;
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
        tables_.fontUnicode(value);
        return;
    }
    if (s.dest != Dest::Body)
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
    const int cp = tables_.codepageOf(s.chr.font);
    if (cp != kSymbolCodepage && isSymbolCodepage(cp) && value >= 0xf020 && value <= 0xf0ff)
        appendChar(pennaro::rtf::symbolCharacter(cp, static_cast<unsigned char>(value & 0xff)), true);
    else
        appendChar(char32_t(value));
}

void Reader::handleBytes(std::string_view bytes, bool fromHex) {
    star_ = false;
    switch (state().dest) {
    case Dest::Body:
    case Dest::Capture:
        pending_.append(bytes);
        lastByteFromHex_ = fromHex;
        break;
    case Dest::FontTable: tables_.fontText(bytes, fromHex); break;
    case Dest::ColorTable: tables_.colourText(bytes); break;
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
    case Dest::Wrapper:
    case Dest::Discard: break;
    }
}

// ---------------------------------------------------------------------------
// Text

// After a lead byte written as \'hh, some writers put the trail byte as a
// bare brace: then the brace is text.
bool Reader::braceIsTrailByte(const Token &t) {
    if (!endsWithLeadByte())
        return false;
    handleBytes(t.kind == Token::GroupOpen ? "{" : "}", false);
    return true;
}

// True when the undecoded text ends in the first byte of a two-byte
// character that came as \'hh.
bool Reader::endsWithLeadByte() {
    if (!lastByteFromHex_ || pending_.empty())
        return false;
    const int cp = decodingCodepage();
    if (!isDoubleByteCodepage(cp))
        return false;
    // Resume where the last call stopped, so that a long chain of such
    // pairs costs linear time.
    for (; pendingScanned_ < pending_.size(); ++pendingScanned_) {
        if (pendingTrailNext_)
            pendingTrailNext_ = false;
        else
            pendingTrailNext_ = isLeadByte(cp, static_cast<unsigned char>(pending_[pendingScanned_]));
    }
    return pendingTrailNext_;
}

void Reader::flushBytes() {
    if (pending_.empty())
        return;
    State &s = state();
    const int cp = decodingCodepage();
    const QByteArrayView bytes(pending_.data(), qsizetype(pending_.size()));
    if (s.dest == Dest::Body) {
        QString text;
        tables_.decoders().decode(cp, bytes, text);
        appendText(text, isSymbolCodepage(cp) && cp != kSymbolCodepage);
    } else if (s.dest == Dest::Capture) {
        // A symbol font's bytes name glyphs: they are kept as they came,
        // with the font they are glyphs of (the copy may not have said it:
        // it may be in force from around it).
        // Bytes the code page leaves undefined (they decode to C1 controls,
        // or not at all) become private-use characters, U+F100 + the byte
        // as LibreOffice reads them, whatever code page they are written
        // in next.
        QString text;
        if (isSymbolCodepage(cp)) {
            if (s.keptFont != s.chr.decodingFont() && tables_.font(s.chr.decodingFont())) {
                s.keptFont = s.chr.decodingFont();
                captureOut_.word("f", true, s.keptFont);
            }
            captureOut_.glyphBytes(std::string_view(pending_));
        } else {
            tables_.decoders().decode(cp, bytes, text);
            const bool oneByOne = !isDoubleByteCodepage(cp) && text.size() == bytes.size();
            if (oneByOne || text.contains(QChar(0xfffd))) {
                for (qsizetype i = 0; i < bytes.size(); ++i) {
                    const auto b = static_cast<unsigned char>(bytes[i]);
                    const char16_t c = oneByOne ? text[i].unicode() : (b < 0x80 ? b : 0xfffd);
                    const bool undefined = c == 0xfffd || (c >= 0x80 && c < 0xa0);
                    const char16_t kept = undefined ? char16_t(0xf100 + b) : c;
                    captureOut_.text(QStringView(&kept, 1));
                }
            } else {
                captureOut_.text(text);
            }
        }
    }
    pending_.clear();
    pendingScanned_ = 0;
    pendingTrailNext_ = false;
    lastByteFromHex_ = false;
}

// Bytes are read in the code page of the font in force; the document's
// properties, which no font governs, in the document's.
int Reader::decodingCodepage() const {
    if (capture_.depth > 0 && capture_.documentCodepage)
        return tables_.docCodepage();
    return tables_.codepageOf(stack_.back().chr.decodingFont());
}

void Reader::appendChar(char32_t c, bool fromGlyphs) {
    const char16_t units[2] = {char16_t(0xd7c0 + (c >> 10)), char16_t(0xdc00 | (c & 0x3ff))};
    if (c < 0x10000) {
        const char16_t u = char16_t(c);
        appendText(QStringView(&u, 1), fromGlyphs);
    } else {
        appendText(QStringView(units, 2), fromGlyphs);
    }
}

void Reader::appendText(QStringView text, bool fromGlyphs) {
    State &s = state();
    if (s.dest == Dest::Capture) {
        captureOut_.text(text);
        return;
    }
    if (s.dest != Dest::Body || text.isEmpty())
        return;
    // Control characters other than tabs show nothing (the builder leaves
    // them out): text of nothing else parts nothing, as if it were not
    // there, which is how it reads back.
    if (std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x20 && c != u'\t'; }))
        return;
    startBody();
    if (!givenMark_.depth)
        openNote_.reset();  // text between a mark and its note parts them
    lastGap_.reset();
    resultShown();
    if (highSurrogate_) {
        highSurrogate_ = 0;
        const char16_t replacement = 0xfffd;
        builder_.text(QStringView(&replacement, 1), s.chr, s.para, fromGlyphs);
    }
    builder_.text(text, s.chr, s.para, fromGlyphs);
}

// The document's body has begun: what comes after belongs to it, not to
// the settings before it, and a section's settings are complete.
void Reader::startBody() {
    bodyStarted_ = true;
    section_.reset();
}

KeptDocumentPtr Reader::keptDocument() const {
    if (!keptDoc_)
        return nullptr;
    PageSetup page = page_;
    // The first section's own settings override the document's.
    if (sectionPage_.width > 0)
        page.width = sectionPage_.width;
    if (sectionPage_.height > 0)
        page.height = sectionPage_.height;
    if (sectionPage_.left > 0)
        page.left = sectionPage_.left;
    if (sectionPage_.right > 0)
        page.right = sectionPage_.right;
    if (sectionPage_.top > 0)
        page.top = sectionPage_.top;
    if (sectionPage_.bottom > 0)
        page.bottom = sectionPage_.bottom;
    page.landscape = page.landscape || sectionPage_.landscape;
    keptDoc_->page = page;
    if (keptDoc_->prologue.isEmpty() && page.isEmpty())
        return nullptr;
    return keptDoc_;
}

}  // namespace pennaro::rtf
