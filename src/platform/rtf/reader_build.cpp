// The document side of the reader: runs of text, paragraphs, tables,
// fields and pictures.
#include "platform/rtf/reader.h"

#include "platform/rtf/docformat.h"
#include "platform/rtf/picturedecode.h"

#include <QImage>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QTextTable>
#include <QUrl>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cctype>
#include <cstring>
#include <string_view>

namespace pennaro::rtf {

using namespace limits;

namespace {

std::atomic<quint64> imageCounter{0};

bool isHighSurrogate(char16_t c) { return c >= 0xd800 && c <= 0xdbff; }

}  // namespace

bool isEastAsian(char16_t c) {
    if (c < 0x1100)
        return false;
    return c <= 0x11ff                       // Hangul Jamo
           || (c >= 0x2e80 && c <= 0xa4cf)   // CJK radicals and punctuation, kana, bopomofo, ideographs, Yi
           || (c >= 0xa960 && c <= 0xa97f)   // Hangul Jamo extended
           || (c >= 0xac00 && c <= 0xd7ff)   // Hangul syllables
           || (c >= 0xd840 && c <= 0xd8bf)   // planes 2 and 3: more ideographs
           || (c >= 0xf900 && c <= 0xfaff)   // compatibility ideographs
           || (c >= 0xfe30 && c <= 0xfe4f)   // compatibility forms
           || (c >= 0xff00 && c <= 0xffef);  // half-width and full-width forms
}

// ---------------------------------------------------------------------------
// Text

int Reader::codepageOf(int font) const {
    if (font < 0)
        font = defaultFont_;
    auto it = fonts_.find(font);
    if (it == fonts_.end())
        return docCodepage_;
    const Font &f = it->second;
    if (f.cpg > 0)
        return f.cpg;
    if (f.symbolCp != 0)
        return f.symbolCp;
    const int cp = codepageForCharset(f.charset);
    return cp == 0 ? docCodepage_ : cp;
}

// True when the undecoded text ends in the first byte of a two-byte
// character that came as \'hh.
bool Reader::endsWithLeadByte() {
    if (!lastByteFromHex_ || pending_.empty())
        return false;
    const int cp = codepageOf(stack_.back().chr.decodingFont());
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
    const State &s = state();
    const int cp = codepageOf(s.chr.decodingFont());
    const QByteArrayView bytes(pending_.data(), qsizetype(pending_.size()));
    if (s.dest == Dest::Body) {
        beginBodyText(isSymbolCodepage(cp) && cp != kSymbolCodepage);
        decoders_.decode(cp, bytes, run_);
    } else if (s.dest == Dest::FieldInst && s.field >= 0) {
        decoders_.decode(cp, bytes, fields_[std::size_t(s.field)].instruction);
    }
    pending_.clear();
    pendingScanned_ = 0;
    pendingTrailNext_ = false;
    lastByteFromHex_ = false;
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
    if (s.dest == Dest::Body) {
        beginBodyText(fromGlyphs);
        run_.append(text);
    } else if (s.dest == Dest::FieldInst && s.field >= 0) {
        fields_[std::size_t(s.field)].instruction.append(text);
    }
}

// Called before text joins the current run: puts the cursor where the text
// belongs and starts a new run when the character properties changed.
void Reader::beginBodyText(bool fromGlyphs) {
    if (highSurrogate_) {
        highSurrogate_ = 0;
        run_.append(QChar(0xfffd));
    }
    const State &s = state();
    if (s.field >= 0)
        fields_[std::size_t(s.field)].shown = true;
    const CharProps &c = s.chr;
    if (runStarted_ && c == runProps_ && fromGlyphs == runFromGlyphs_ && !pendingBreak_) {
        const int level = paraLevel();
        if (level == int(tables_.size()) &&
            (tables_.empty() || (!tables_.back().cellEnded && !tables_.back().rowEnded)))
            return;
    }
    placeCursor(paraLevel());
    if (!(c == runProps_) || !runStarted_ || fromGlyphs != runFromGlyphs_) {
        flushRun();
        runProps_ = c;
        runFromGlyphs_ = fromGlyphs;
        runStarted_ = true;
    }
}

void Reader::flushRun() {
    if (run_.isEmpty())
        return;
    // Characters that would confuse the document structure, or that have no
    // business in text, do not go in.
    QChar *data = run_.data();
    qsizetype out = 0;
    const qsizetype n = run_.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = data[i].unicode();
        if (u < 0x20) {
            if (u != '\t')
                continue;
        } else if (u >= 0x2028) {
            if (u == 0x2029)
                data[i] = QChar(QChar::LineSeparator);
            else if (u == 0xfdd0 || u == 0xfdd1 || u == 0xfffc)
                data[i] = QChar(0xfffd);
        }
        data[out++] = data[i];
    }
    run_.truncate(out);
    if (run_.isEmpty())
        return;
    const RunFormats &formats = runFormats(runProps_);
    const bool fromGlyphs = runFromGlyphs_ && formats.characters;
    if (!formats.split && !fromGlyphs) {
        emitText(run_, formats.latin, runProps_.hidden);
    } else {
        // Each stretch of East Asian or other characters in its own format,
        // and of characters read from symbol glyphs in theirs; a surrogate
        // pair goes with its high half.
        auto formatOf = [&](char16_t u) -> const QTextCharFormat & {
            if (fromGlyphs)
                return u >= 0xf000 && u <= 0xf0ff ? formats.latin : *formats.characters;
            return isEastAsian(u) ? formats.eastAsian : formats.latin;
        };
        qsizetype start = 0;
        const QTextCharFormat *current = &formatOf(run_.at(0).unicode());
        for (qsizetype i = 1; i <= run_.size(); ++i) {
            const QTextCharFormat *next = nullptr;
            if (i < run_.size()) {
                const char16_t u = run_.at(i).unicode();
                if (QChar::isLowSurrogate(u) || (next = &formatOf(u)) == current)
                    continue;
            }
            emitText(run_.sliced(start, i - start), *current, runProps_.hidden);
            current = next;
            start = i;
        }
    }
    run_.truncate(0);
}

// Hidden text is kept, not inserted.
void Reader::emitText(const QString &text, const QTextCharFormat &format, bool hidden) {
    if (!hidden) {
        insertShown(text, format);
        return;
    }
    // A link is the shown text's; hidden text inside one is written back
    // inside it by where it stands.
    QTextCharFormat kept = format;
    kept.clearProperty(QTextFormat::IsAnchor);
    kept.clearProperty(QTextFormat::AnchorHref);
    if (!hiddenRuns_.empty() && hiddenRuns_.back().format == kept)
        hiddenRuns_.back().text += text;
    else
        hiddenRuns_.push_back({text, kept});
}

void Reader::insertShown(const QString &text, const QTextCharFormat &format) {
    closeKeptItem();
    if (pendingKept_.empty()) {
        cursor_.insertText(text, format);
        return;
    }
    const qsizetype first = text.size() > 1 && isHighSurrogate(text.at(0).unicode()) ? 2 : 1;
    QTextCharFormat carrier = format;
    attachKept(carrier);  // in front of the first character only
    cursor_.insertText(text.first(first), carrier);
    if (text.size() > first)
        cursor_.insertText(text.sliced(first), format);
}

// ---------------------------------------------------------------------------
// Kept content

void Reader::closeKeptItem() {
    if (hiddenRuns_.empty())
        return;
    auto item = std::make_shared<KeptItem>();
    item->kind = KeptItem::Kind::HiddenText;
    item->runs = std::move(hiddenRuns_);
    hiddenRuns_.clear();
    pendingKept_.push_back(std::move(item));
}

// Hands out the items waiting, and hangs them after the shown character
// before the cursor when there is one in this paragraph.
KeptList Reader::takeKept() {
    closeKeptItem();
    if (pendingKept_.empty())
        return {};
    const KeptList items(std::move(pendingKept_));
    pendingKept_.clear();
    const int position = cursor_.position();
    if (cursor_.positionInBlock() > 0) {
        QTextCursor previous(cursor_.document());
        previous.setPosition(position);  // a caret's format is the character's before it
        QTextCharFormat after;
        after.setProperty(KeptAfter, previous.charFormat().property(KeptAfter));
        KeptList::append(after, KeptAfter, items);
        // The whole character, both halves of a surrogate pair.
        previous.movePosition(QTextCursor::PreviousCharacter, QTextCursor::KeepAnchor);
        previous.mergeCharFormat(after);
    }
    return items;
}

// The items waiting go before the shown character about to be inserted with
// this format (and after the one before it).
void Reader::attachKept(QTextCharFormat &firstShown) { KeptList::append(firstShown, KeptBefore, takeKept()); }

// At the end of a paragraph the items waiting stay after its last shown
// character, or, with none, go with the paragraph mark.
void Reader::settleKept() {
    const bool shownBefore = cursor_.positionInBlock() > 0;
    const KeptList items = takeKept();
    if (items.isEmpty() || shownBefore)
        return;
    QTextCharFormat mark = cursor_.blockCharFormat();
    KeptList::append(mark, KeptBefore, items);
    cursor_.setBlockCharFormat(mark);
}

const Reader::RunFormats &Reader::runFormats(const CharProps &p) {
    auto it = formatCache_.find(p);
    if (it != formatCache_.end())
        return it->second;
    if (formatCache_.size() > 4096)
        formatCache_.clear();
    RunFormats formats;
    formats.latin = charFormat(p, false);
    formats.eastAsian = charFormat(p, true);
    // Symbol and Wingdings glyphs are read as the Unicode characters they
    // stand for, shown in an ordinary font: a symbol font has no glyphs at
    // those characters, and Qt does not fall back from one to draw them.
    // A glyph with no Unicode character stays a U+F0xx code in its font.
    const auto font = fonts_.find(p.font >= 0 ? p.font : defaultFont_);
    if (font != fonts_.end() && hasUnicodeTable(font->second)) {
        formats.characters = formats.latin;
        formats.characters->clearProperty(QTextFormat::FontFamilies);
    }
    formats.split = formats.latin != formats.eastAsian;
    return formatCache_.emplace(p, std::move(formats)).first->second;
}

QTextCharFormat Reader::charFormat(const CharProps &p, bool eastAsian) const {
    QTextCharFormat f;
    const int chosen = eastAsian && p.dbFont != -2 ? p.dbFont : p.font;
    const int font = chosen >= 0 ? chosen : defaultFont_;
    const int halfPoints = eastAsian && p.dbHalfPoints ? p.dbHalfPoints : p.halfPoints;
    const bool bold = eastAsian && p.dbBold >= 0 ? p.dbBold != 0 : p.bold != 0;
    const bool italic = eastAsian && p.dbItalic >= 0 ? p.dbItalic != 0 : p.italic != 0;
    auto fi = fonts_.find(font);
    if (fi != fonts_.end() && !fi->second.families.isEmpty())
        f.setFontFamilies(fi->second.families);
    f.setFontPointSize(halfPoints / 2.0);
    if (p.color >= 0 && std::size_t(p.color) < colors_.size() && colors_[std::size_t(p.color)].isValid())
        f.setForeground(colors_[std::size_t(p.color)]);
    if (p.background > 0 && std::size_t(p.background) < colors_.size() && colors_[std::size_t(p.background)].isValid())
        f.setBackground(colors_[std::size_t(p.background)]);
    if (bold)
        f.setFontWeight(QFont::Bold);
    if (italic)
        f.setFontItalic(true);
    if (p.underline)
        f.setUnderlineStyle(QTextCharFormat::UnderlineStyle(p.underline));
    if (p.strike)
        f.setFontStrikeOut(true);
    if (p.vertical)
        f.setVerticalAlignment(p.vertical == 1 ? QTextCharFormat::AlignSuperScript : QTextCharFormat::AlignSubScript);
    if (p.caps)
        f.setFontCapitalization(p.caps == 1 ? QFont::AllUppercase : QFont::SmallCaps);
    if (p.hidden)
        f.setProperty(HiddenText, true);
    if (p.link >= 0 && std::size_t(p.link) < fields_.size()) {
        f.setAnchor(true);
        f.setAnchorHref(fields_[std::size_t(p.link)].href);
    }
    if (p.charStyle >= 0)
        f.setProperty(StyleNumber, p.charStyle);
    return f;
}

QTextBlockFormat Reader::blockFormat(const ParaProps &p) {
    if (haveBlockFormat_ && p == lastPara_)
        return lastBlockFormat_;
    QTextBlockFormat f;
    if (p.style >= 0)
        f.setProperty(StyleNumber, p.style);
    if (p.align != 0)
        f.setAlignment(Qt::Alignment(p.align));
    // A paragraph runs left to right unless the file says otherwise: left
    // to Qt, the direction would be found by looking at the text, for every
    // later paragraph again after each keystroke.
    f.setLayoutDirection(p.rightToLeft ? Qt::RightToLeft : Qt::LeftToRight);
    if (p.left)
        f.setLeftMargin(twipsToUnits(p.left));
    if (p.right)
        f.setRightMargin(twipsToUnits(p.right));
    if (p.first)
        f.setTextIndent(twipsToUnits(p.first));
    if (p.tabCount) {
        // RTF measures tab stops from the paragraph area's left edge; Qt
        // from where the line starts. Counting from the first line's start
        // puts list labels and their text where the writer meant them.
        const int firstLine = p.left + p.first;
        QList<QTextOption::Tab> tabs;
        tabs.reserve(p.tabCount);
        for (int i = 0; i < p.tabCount; ++i) {
            const auto &t = p.tabs[size_t(i)];
            if (t.twips <= firstLine)
                continue;  // behind the first line's start: no tab can reach it
            const auto type = QTextOption::TabType(t.kind);
            tabs.append(QTextOption::Tab(twipsToUnits(t.twips - firstLine), type,
                                         type == QTextOption::DelimiterTab ? QChar('.') : QChar()));
        }
        f.setTabPositions(tabs);
    }
    if (p.breakBefore)
        f.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    if (p.before)
        f.setTopMargin(twipsToUnits(p.before));
    if (p.after)
        f.setBottomMargin(twipsToUnits(p.after));
    if (p.lineSpacing != 0) {
        if (p.lineMultiple)
            f.setLineHeight(std::abs(p.lineSpacing) * 100.0 / 240.0, QTextBlockFormat::ProportionalHeight);
        else if (p.lineSpacing < 0)
            f.setLineHeight(twipsToUnits(-p.lineSpacing), QTextBlockFormat::FixedHeight);
        else
            f.setLineHeight(twipsToUnits(p.lineSpacing), QTextBlockFormat::MinimumHeight);
    }
    lastPara_ = p;
    lastBlockFormat_ = f;
    haveBlockFormat_ = true;
    return f;
}

// ---------------------------------------------------------------------------
// Paragraphs and tables

void Reader::applyBlockFormat() {
    if (blockBreaksPage_) {
        QTextBlockFormat f = blockFormat(state().para);
        f.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
        cursor_.setBlockFormat(f);
    } else {
        cursor_.setBlockFormat(blockFormat(state().para));
    }
}

int Reader::paraLevel() const {
    const ParaProps &p = stack_.back().para;
    const int level = p.inTable ? std::max(1, p.itap) : p.itap;
    return std::clamp(level, 0, kMaxTableDepth);
}

// Makes the cursor ready for content of a paragraph at the given table
// level: leaves or opens tables, moves to the next cell or row, and starts
// the paragraph a previous \par ended.
void Reader::placeCursor(int level) {
    bool moved = false;
    if (int(tables_.size()) > level || pendingBreak_ ||
        (!tables_.empty() && (tables_.back().cellEnded || tables_.back().rowEnded)) || int(tables_.size()) < level) {
        flushRun();
        settleKept();
    }
    while (int(tables_.size()) > level) {
        closeTable();
        moved = true;
    }
    if (!tables_.empty() && int(tables_.size()) == level && (tables_.back().cellEnded || tables_.back().rowEnded)) {
        advanceCell(tables_.back());
        moved = true;
    }
    while (int(tables_.size()) < level && tablesLeft_ > 0) {
        --tablesLeft_;
        openTable();
        moved = true;
    }
    if (pendingBreak_) {
        pendingBreak_ = false;
        if (!moved) {
            // The new paragraph's mark takes the format at the cursor, but
            // not the kept content the character there carries.
            QTextCharFormat mark = cursor_.charFormat();
            mark.clearProperty(KeptBefore);
            mark.clearProperty(KeptAfter);
            mark.clearProperty(QTextFormat::ObjectType);
            cursor_.insertBlock(cursor_.blockFormat(), mark);
            // Pasted: the new paragraph carries on with the text that
            // followed the insertion point, and keeps that paragraph's
            // format until a \par of the pasted text ends it.
            if (mode_ == Mode::Insert)
                cursor_.setBlockFormat(insertTailFormat_);
        }
        blockBreaksPage_ = pageBreakBefore_;
        pageBreakBefore_ = false;
        if (blockBreaksPage_)
            applyBlockFormat();
    } else if (moved) {
        blockBreaksPage_ = false;
    }
}

void Reader::openTable() {
    int columns = 1;
    QList<QTextLength> widths;
    if (tables_.empty() && !cellx_.empty()) {
        columns = int(cellx_.size());
        int previous = 0;
        for (int x : cellx_) {
            widths.append(QTextLength(QTextLength::FixedLength, twipsToUnits(std::max(x - previous, 15))));
            previous = x;
        }
    }
    QTextTableFormat format;
    format.setBorder(1);
    format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
    format.setCellSpacing(0);
    format.setCellPadding(4);
    if (!widths.isEmpty())
        format.setColumnWidthConstraints(widths);
    QTextTable *table = cursor_.insertTable(1, columns, format);
    tables_.push_back(TableLevel{table, tokenizer_.position()});
    cursor_.setPosition(table->cellAt(0, 0).firstPosition());
}

int Reader::upcomingRowEnds(const TableLevel &t) const {
    // A quick look at the control words ahead: \row ends a row, and a \par
    // after a \pard with no \intbl is a paragraph after the table, where
    // the count stops. Only speed depends on the guess: rows not used are
    // removed when the table closes. The stretch looked at grows with the
    // table, so that no table makes the reader scan far ahead.
    constexpr int kMaxRows = 4096;
    const char *p = tokenizer_.position();
    const qsizetype window = std::clamp<qsizetype>(2 * (p - t.start), 16 * 1024, 512 * 1024);
    const char *end = bytes_.constData() + std::min(bytes_.size(), (p - bytes_.constData()) + window);
    int rows = 1;  // the row being started
    bool inTable = true;
    while (rows < kMaxRows) {
        p = static_cast<const char *>(memchr(p, '\\', size_t(end - p)));
        if (!p)
            break;
        const char *word = ++p;
        while (p < end && std::isalpha(static_cast<unsigned char>(*p)))
            ++p;
        const std::string_view name(word, size_t(p - word));
        if (name == "row")
            ++rows;
        else if (name == "pard")
            inTable = false;
        else if (name == "intbl")
            inTable = true;
        else if (name == "par" && !inTable)
            break;
        if (p < end && *p == '\\' && name.empty())
            ++p;  // an escaped backslash is text
    }
    return rows;
}

void Reader::trimSpareRows(const TableLevel &t) {
    const int spare = t.table->rows() - (t.row + 1);
    if (spare > 0)
        t.table->removeRows(t.row + 1, spare);
}

void Reader::closeTable() {
    trimSpareRows(tables_.back());
    QTextTable *table = tables_.back().table;
    tables_.pop_back();
    cursor_.setPosition(table->lastPosition() + 1);
}

void Reader::advanceCell(TableLevel &t) {
    if (t.rowEnded) {
        ++t.row;
        t.col = 0;
        // Qt rebuilds a table's cell grid after every change of its rows, so
        // adding them one at a time would make a long table quadratic; and
        // removing rows is slower still. Rows are added for the row ends
        // just ahead in the file, and the few not used go when it closes.
        if (t.row >= t.table->rows())
            t.table->appendRows(upcomingRowEnds(t));
        cursor_.setPosition(t.table->cellAt(t.row, 0).firstPosition());
    } else if (t.col + 1 < kMaxColumns) {
        ++t.col;
        if (t.col >= t.table->columns())
            t.table->appendColumns(1);
        cursor_.setPosition(t.table->cellAt(t.row, t.col).firstPosition());
    } else {
        // Beyond the widest row we allow: the cells share the last column.
        cursor_.setPosition(t.table->cellAt(t.row, t.col).lastPosition());
        cursor_.insertBlock();
    }
    t.rowEnded = t.cellEnded = false;
}

void Reader::endParagraph(bool pageBreak) {
    placeCursor(paraLevel());
    flushRun();
    applyBlockFormat();
    if (cursor_.block().length() == 1)
        cursor_.setBlockCharFormat(runFormats(state().chr).latin);
    settleKept();
    pendingBreak_ = true;
    pageBreakBefore_ = pageBreak;
}

void Reader::endCell(int level) {
    level = std::min(level, kMaxTableDepth);
    if (int(tables_.size()) == level) {
        // An empty cell past both the row's \cellx list and the columns we
        // have: some writers end a row with one; it holds nothing.
        const TableLevel &t = tables_.back();
        const int defined = int(cellx_.size());
        if (t.cellEnded && !t.rowEnded && defined > 0 && t.col + 1 >= defined && t.col + 1 >= t.table->columns())
            return;
    }
    placeCursor(level);
    if (int(tables_.size()) < level) {
        endParagraph(false);  // the table could not be opened
        return;
    }
    flushRun();
    settleKept();
    applyBlockFormat();
    tables_[std::size_t(level - 1)].cellEnded = true;
}

void Reader::endRow(int level) {
    if (int(tables_.size()) < level || level < 1)
        return;
    flushRun();
    while (int(tables_.size()) > level)
        closeTable();
    TableLevel &t = tables_.back();
    t.rowEnded = true;
    t.cellEnded = false;
    pendingBreak_ = false;
}

// ---------------------------------------------------------------------------
// Fields and pictures

namespace {

struct FieldArgument {
    QString text;
    bool quoted = false;
};

// A field instruction's words after its name: quoted arguments unquoted
// (a backslash in them escapes the next character), switches such as \l
// as they stand.
std::vector<FieldArgument> fieldArguments(QStringView rest) {
    std::vector<FieldArgument> words;
    while (!(rest = rest.trimmed()).isEmpty()) {
        FieldArgument word;
        if (rest.front() == u'"') {
            qsizetype i = 1;
            for (; i < rest.size() && rest[i] != u'"'; ++i) {
                if (rest[i] == u'\\' && i + 1 < rest.size())
                    ++i;
                word.text.append(rest[i]);
            }
            word.quoted = true;
            rest = rest.mid(std::min(i + 1, rest.size()));
        } else {
            qsizetype i = 0;
            while (i < rest.size() && !rest[i].isSpace())
                ++i;
            word.text = rest.left(i).toString();
            rest = rest.mid(i);
        }
        words.push_back(std::move(word));
    }
    return words;
}

bool isSwitch(const FieldArgument &word, const char *name) {
    return !word.quoted && word.text.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
}

// HYPERLINK "target" [\l "bookmark"] [\o "tip"] ...
QString hyperlinkTarget(QStringView rest) {
    QString target;
    QString bookmark;
    const std::vector<FieldArgument> words = fieldArguments(rest);
    for (size_t i = 0; i < words.size(); ++i) {
        if (isSwitch(words[i], "\\l") && i + 1 < words.size())
            bookmark = words[++i].text;
        else if ((isSwitch(words[i], "\\o") || isSwitch(words[i], "\\t")) && i + 1 < words.size())
            ++i;
        else if (!words[i].quoted && words[i].text.startsWith(u'\\'))
            continue;
        else if (target.isEmpty())
            target = words[i].text;
    }
    if (!bookmark.isEmpty())
        target += u'#' + bookmark;
    return target;
}

bool startsWithName(QStringView inst, QLatin1String name) {
    return inst.startsWith(name, Qt::CaseInsensitive) && (inst.size() == name.size() || inst[name.size()].isSpace());
}

}  // namespace

void Reader::finishField(int field) {
    if (field < 0 || std::size_t(field) >= fields_.size())
        return;
    Field &f = fields_[std::size_t(field)];
    const QString inst = f.instruction.trimmed();
    f.instruction.clear();
    if (startsWithName(inst, QLatin1String("HYPERLINK"))) {
        f.href = hyperlinkTarget(QStringView(inst).mid(9));
        return;
    }
    if (!startsWithName(inst, QLatin1String("SYMBOL")))
        return;
    // SYMBOL number [\f "font"] [\s points] [\u] [\a] [\j] [\h]
    const std::vector<FieldArgument> words = fieldArguments(QStringView(inst).mid(6));
    if (words.empty())
        return;
    bool ok = false;
    const QString &n = words[0].text;
    const qint64 number =
        n.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) ? n.mid(2).toLongLong(&ok, 16) : n.toLongLong(&ok, 10);
    if (!ok || number <= 0 || number > 0x10ffff)
        return;
    bool unicode = false;
    bool shiftJis = false;
    for (size_t i = 1; i < words.size(); ++i) {
        if (isSwitch(words[i], "\\f") && i + 1 < words.size())
            f.symbol.family = words[++i].text.trimmed().left(qsizetype(kMaxFontName));
        else if (isSwitch(words[i], "\\s") && i + 1 < words.size())
            f.symbol.points = symbolPoints(words[++i].text.toDouble());
        else if (isSwitch(words[i], "\\u"))
            unicode = true;
        else if (isSwitch(words[i], "\\j"))
            shiftJis = true;
    }
    f.symbol.character = symbolFieldCharacter(f.symbol.family, stack_.back().chr, number, unicode, shiftJis);
}

// A size in points, within the limits \fs has.
double Reader::symbolPoints(double points) {
    if (!(points > 0))
        return 0;
    State probe;
    applyProperty(probe, Kw::FontSize, 0, int(std::lround(std::min(points, 1e6) * 2)), true);
    return probe.chr.halfPoints / 2.0;
}

// The character a SYMBOL field stands for: in a symbol font, the glyph's
// Unicode character (or U+F0xx); otherwise the number read as a character
// of the code page (\j: Shift-JIS; \u or past a byte: Unicode).
char32_t Reader::symbolFieldCharacter(const QString &family, const CharProps &props, qint64 number, bool unicode,
                                      bool shiftJis) {
    int cp = 0;
    if (family.isEmpty()) {
        cp = codepageOf(props.font);
    } else if (!(cp = symbolCodepageForFamily(family))) {
        cp = docCodepage_;
        for (const auto &[id, font] : fonts_) {
            if (!font.families.isEmpty() && font.families.first().compare(family, Qt::CaseInsensitive) == 0) {
                cp = codepageOf(id);
                break;
            }
        }
    }
    if (isSymbolCodepage(cp) && (number < 0x100 || (number >= 0xf000 && number <= 0xf0ff)))
        return pennaro::rtf::symbolCharacter(cp, static_cast<unsigned char>(number & 0xff));
    if (unicode || (number >= 0x100 && !shiftJis))
        return char32_t(number);
    char bytes[2];
    qsizetype count = 0;
    if (number >= 0x100)
        bytes[count++] = char(number >> 8);
    bytes[count++] = char(number & 0xff);
    QString decoded;
    decoders_.decode(shiftJis ? 932 : cp, QByteArrayView(bytes, count), decoded);
    return decoded.isEmpty() ? char32_t(0xfffd) : decoded.toUcs4().value(0, 0xfffd);
}

// A field whose result showed nothing shows its SYMBOL character, in the
// field's own format with the font and size the instruction names.
void Reader::finishFieldResult(int field, const CharProps &props) {
    if (field < 0 || std::size_t(field) >= fields_.size())
        return;
    const Field &f = fields_[std::size_t(field)];
    if (f.shown || f.symbol.character == 0 || state().dest != Dest::Body)
        return;
    // A glyph code shows in its symbol font; a character, Unicode or of a
    // code page, in the font named unless that is a symbol font it came from.
    const bool glyph = f.symbol.character >= 0xf000 && f.symbol.character <= 0xf0ff;
    const RunFormats &formats = runFormats(props);
    QTextCharFormat format = !glyph && formats.characters ? *formats.characters : formats.latin;
    const int named = symbolCodepageForFamily(f.symbol.family);
    if (!glyph && (named == kSymbolFontCodepage || named == kWingdingsCodepage))
        format.clearProperty(QTextFormat::FontFamilies);
    else if (!f.symbol.family.isEmpty())
        format.setFontFamilies(QStringList{f.symbol.family});
    if (f.symbol.points > 0)
        format.setFontPointSize(f.symbol.points);
    placeCursor(paraLevel());
    flushRun();
    emitText(QString::fromUcs4(&f.symbol.character, 1), format, props.hidden);
}

// ---------------------------------------------------------------------------
// Footnote and endnote marks

void Reader::footnoteMark() {
    NoteNumbering &n = notes_[endnoteAhead() ? 1 : 0];
    const int number = n.next++;
    // A writer may give the mark itself right after \chftn; then it shows.
    if (!markTextFollows())
        appendText(noteMark(n.style, number));
}

// Whether the note that follows the mark is an endnote: \ftnalt right
// after its \footnote. The note follows within a few bytes.
bool Reader::endnoteAhead() const {
    const char *p = tokenizer_.position();
    const char *end = bytes_.constData() + bytes_.size();
    const std::string_view ahead(p, size_t(std::min<qsizetype>(end - p, 256)));
    const size_t at = ahead.find("\\footnote");
    if (at == std::string_view::npos)
        return false;
    std::string_view rest = ahead.substr(at + 9);
    while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\r' || rest.front() == '\n'))
        rest.remove_prefix(1);
    return rest.substr(0, 7) == "\\ftnalt" && (rest.size() == 7 || !std::isalpha(static_cast<unsigned char>(rest[7])));
}

// Whether text follows \chftn inside its group.
bool Reader::markTextFollows() const {
    const char *p = tokenizer_.position();
    const char *end = bytes_.constData() + bytes_.size();
    while (p < end && (*p == ' ' || *p == '\r' || *p == '\n' || *p == '\t'))
        ++p;
    if (p >= end || *p == '{' || *p == '}')
        return false;
    if (*p != '\\')
        return true;
    if (end - p < 2)
        return false;
    return p[1] == '\'' ||
           (p[1] == 'u' && end - p > 2 && (std::isdigit(static_cast<unsigned char>(p[2])) || p[2] == '-'));
}

// A section break restarts the numbering of notes that restart per section
// or per page, a page break that of notes that restart per page.
void Reader::restartNotes(int at) {
    for (NoteNumbering &n : notes_) {
        if (n.restart == at || (at == RestartSection && n.restart == RestartPage))
            n.next = n.start;
    }
}

void Reader::finishPicture() {
    Picture pic = std::move(picture_);
    picture_ = Picture{};
    if ((pic.kind != PicPng && pic.kind != PicJpeg) || pic.data.isEmpty())
        return;
    // A few bytes of PNG can claim a huge picture; allow what a real image
    // of this many bytes could hold, and never more than a fixed ceiling.
    const qint64 allowed = std::min(kMaxImagePixels, std::max<qint64>(kMinImagePixels, 64 * pic.data.size()));
    const QImage image =
        decodePicture(pic.data, pic.kind == PicPng ? PictureFormat::Png : PictureFormat::Jpeg, allowed);
    if (image.isNull())
        return;

    const quint64 n = ++imageCounter;
    const QString name = QStringLiteral("rtfimage:%1").arg(n);
    cursor_.document()->addResource(QTextDocument::ImageResource, QUrl(name), image);
    cursor_.document()->addResource(QTextDocument::ImageResource, originalImageUrl(name), pic.data);
    QTextImageFormat format;
    format.setName(name);
    const double w = pic.goalW > 0 ? twipsToUnits(pic.goalW * (pic.scaleX / 100.0)) : image.width();
    const double h = pic.goalH > 0 ? twipsToUnits(pic.goalH * (pic.scaleY / 100.0)) : image.height();
    if (w > 0 && h > 0) {
        format.setWidth(w);
        format.setHeight(h);
    }
    placeCursor(paraLevel());
    flushRun();
    attachKept(format);
    cursor_.insertImage(format);
}

}  // namespace pennaro::rtf
