#include "platform/rtf/builder.h"

#include "platform/rtf/docformat.h"
#include "platform/rtf/tokenizer.h"

#include <QTextDocument>
#include <QTextImageFormat>
#include <QTextTable>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

namespace pennaro::rtf {

using namespace limits;

namespace {

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

std::size_t CharPropsHash::operator()(const CharProps &p) const {
    std::size_t h = std::size_t(p.font) * 1000003u;
    h ^= std::size_t(p.halfPoints) + 0x9e3779b9u + (h << 6) + (h >> 2);
    h ^= std::size_t(p.color + 1) * 31u + std::size_t(p.background) * 131u + std::size_t(p.link + 1) * 7919u +
         std::size_t(p.charStyle + 1) * 524287u + std::size_t(p.owner + 1) * 2246822519u;
    h ^= std::size_t(p.bold | (p.italic << 1) | (p.strike << 2) | (p.hidden << 3) | (p.vertical << 4) | (p.caps << 6) |
                     (p.underline << 8) | (p.charClass << 12))
         << 16;
    if (p.dbFont != -2 || p.dbHalfPoints || p.dbBold >= 0 || p.dbItalic >= 0)
        h ^= std::size_t(p.dbFont + 2) * 2654435761u + std::size_t(p.dbHalfPoints) * 40503u +
             std::size_t((p.dbBold + 1) | ((p.dbItalic + 1) << 2)) * 97u;
    return h;
}

int ParaProps::tableLevel() const {
    const int level = inTable ? std::max(1, itap) : itap;
    return std::clamp(level, 0, kMaxTableDepth);
}

DocumentBuilder::DocumentBuilder(QTextCursor &cursor, Mode mode, const HeaderTables &tables, QByteArrayView input,
                                 const Tokenizer &tokenizer)
    : cursor_(cursor),
      mode_(mode),
      header_(tables),
      input_(input),
      tokenizer_(tokenizer),
      tablesLeft_(std::max(kMinTables, input.size() / kBytesPerTable)),
      insertTailFormat_(cursor.blockFormat()) {}

int DocumentBuilder::addLink(const QString &href) {
    if (links_.size() >= kMaxFields)
        return -1;
    links_.push_back(href);
    return int(links_.size()) - 1;
}

int DocumentBuilder::ownerList(int outer, const std::shared_ptr<KeptItem> &item) {
    if (owners_.size() >= kMaxOwnerLists)
        return outer;
    std::vector<KeptItemPtr> items;
    if (outer >= 0)
        items = owners_[size_t(outer)].items();
    items.push_back(item);
    owners_.emplace_back(std::move(items));
    owned_.try_emplace(item.get(), Owned{item.get()});
    return int(owners_.size()) - 1;
}

KeptList DocumentBuilder::owners(int list) const {
    if (list < 0 || std::size_t(list) >= owners_.size())
        return {};
    return owners_[std::size_t(list)];
}

// ---------------------------------------------------------------------------
// Text

void DocumentBuilder::text(QStringView text, const CharProps &c, const ParaProps &para, bool fromGlyphs) {
    if (runStarted_ && c == runProps_ && fromGlyphs == runFromGlyphs_ && !pendingBreak_) {
        const int level = para.tableLevel();
        if (level == int(tables_.size()) &&
            (tables_.empty() || (!tables_.back().cellEnded && !tables_.back().rowEnded))) {
            run_.append(text);
            return;
        }
    }
    placeCursor(para);
    if (!(c == runProps_) || !runStarted_ || fromGlyphs != runFromGlyphs_) {
        flushRun();
        runProps_ = c;
        runFromGlyphs_ = fromGlyphs;
        runStarted_ = true;
    }
    run_.append(text);
}

void DocumentBuilder::insertRun(const QString &text, const QTextCharFormat &format, bool hidden,
                                const ParaProps &para) {
    placeCursor(para);
    flushRun();
    QString shown = text;
    makeInsertable(shown);
    if (!shown.isEmpty())
        emitText(shown, format, hidden);
}

// Characters that would confuse the document structure, or that have no
// business in text, do not go in.
void DocumentBuilder::makeInsertable(QString &text) {
    QChar *data = text.data();
    qsizetype out = 0;
    const qsizetype n = text.size();
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
    text.truncate(out);
}

void DocumentBuilder::flushRun() {
    if (run_.isEmpty())
        return;
    makeInsertable(run_);
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
void DocumentBuilder::emitText(const QString &text, const QTextCharFormat &format, bool hidden) {
    if (!hidden) {
        insertShown(text, format);
        return;
    }
    // A link or field result is the shown text's; hidden text inside one is
    // written back inside it by where it stands.
    QTextCharFormat kept = format;
    kept.clearProperty(QTextFormat::IsAnchor);
    kept.clearProperty(QTextFormat::AnchorHref);
    KeptList::set(kept, KeptOwner, {});
    if (!hiddenRuns_.empty() && hiddenRuns_.back().format == kept)
        hiddenRuns_.back().text += text;
    else
        hiddenRuns_.push_back({text, kept});
}

void DocumentBuilder::insertShown(const QString &text, const QTextCharFormat &format) {
    closeHiddenItem();
    recordShown(format, text);
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

// What an owning item shows, as its text: the characters inserted for it,
// with the paragraph ends between them.
void DocumentBuilder::recordShown(const QTextCharFormat &format, QStringView text) {
    if (owned_.empty() || !format.hasProperty(KeptOwner))
        return;
    for (const KeptItemPtr &item : KeptList::of(format, KeptOwner).items()) {
        auto it = owned_.find(item.get());
        if (it == owned_.end())
            continue;
        Owned &owned = it->second;
        if (!owned.item->shown.isEmpty())
            owned.item->shown.append(QString(owned.breaks, QChar::ParagraphSeparator));
        owned.breaks = 0;
        owned.item->shown.append(text);
    }
}

void DocumentBuilder::recordParagraphEnd(const CharProps &chr) {
    if (chr.owner < 0)
        return;
    for (const KeptItemPtr &item : owners_[size_t(chr.owner)].items()) {
        auto it = owned_.find(item.get());
        if (it != owned_.end())
            ++it->second.breaks;
    }
}

const DocumentBuilder::RunFormats &DocumentBuilder::runFormats(const CharProps &p) {
    if (formatVersion_ != header_.version()) {
        formatCache_.clear();
        formatVersion_ = header_.version();
    }
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
    const FileTables::Font *font = header_.font(p.font);
    if (font && (font->symbolCp == kSymbolFontCodepage || font->symbolCp == kWingdingsCodepage)) {
        formats.characters = formats.latin;
        formats.characters->clearProperty(QTextFormat::FontFamilies);
    }
    formats.split = formats.latin != formats.eastAsian;
    return formatCache_.emplace(p, std::move(formats)).first->second;
}

QTextCharFormat DocumentBuilder::charFormat(const CharProps &p, bool eastAsian) const {
    QTextCharFormat f;
    const int chosen = eastAsian && p.dbFont != -2 ? p.dbFont : p.font;
    const int halfPoints = eastAsian && p.dbHalfPoints ? p.dbHalfPoints : p.halfPoints;
    const bool bold = eastAsian && p.dbBold >= 0 ? p.dbBold != 0 : p.bold != 0;
    const bool italic = eastAsian && p.dbItalic >= 0 ? p.dbItalic != 0 : p.italic != 0;
    const FileTables::Font *font = header_.font(chosen);
    if (font && !font->family.isEmpty())
        f.setFontFamilies(QStringList{font->family});
    f.setFontPointSize(halfPoints / 2.0);
    if (const QColor colour = header_.colour(p.color); colour.isValid() && p.color >= 0)
        f.setForeground(colour);
    if (const QColor colour = header_.colour(p.background); colour.isValid() && p.background > 0)
        f.setBackground(colour);
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
    if (p.link >= 0 && std::size_t(p.link) < links_.size()) {
        f.setAnchor(true);
        f.setAnchorHref(links_[std::size_t(p.link)]);
    }
    if (p.owner >= 0)
        KeptList::set(f, KeptOwner, owners(p.owner));
    if (p.charStyle >= 0)
        f.setProperty(StyleNumber, p.charStyle);
    return f;
}

QTextBlockFormat DocumentBuilder::blockFormat(const ParaProps &p) {
    if (haveBlockFormat_ && p == lastPara_)
        return lastBlockFormat_;
    QTextBlockFormat f;
    if (p.style >= 0)
        f.setProperty(StyleNumber, p.style);
    if (p.list > 0) {
        f.setProperty(ListOverride, p.list);
        f.setProperty(ListLevel, p.level);
    }
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
// Kept content

void DocumentBuilder::keep(KeptItemPtr item) {
    // After the text read so far, which may still wait in the run.
    flushRun();
    closeHiddenItem();
    pendingKept_.push_back(std::move(item));
}

bool DocumentBuilder::keptLast(const KeptItem *item) const {
    return hiddenRuns_.empty() && !pendingKept_.empty() && pendingKept_.back().get() == item;
}

void DocumentBuilder::dropLast(const KeptItem *item) {
    if (keptLast(item))
        pendingKept_.pop_back();
}

void DocumentBuilder::closeHiddenItem() {
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
KeptList DocumentBuilder::takeKept() {
    closeHiddenItem();
    if (pendingKept_.empty())
        return {};
    const KeptList items(std::move(pendingKept_));
    pendingKept_.clear();
    const int position = cursor_.position();
    if (cursor_.positionInBlock() > 0) {
        QTextCursor previous(cursor_.document());
        previous.setPosition(position);  // a caret's format is the character's before it
        QTextCharFormat after = previous.charFormat();
        KeptList::append(after, KeptAfter, items);
        // The whole character, both halves of a surrogate pair.
        previous.movePosition(QTextCursor::PreviousCharacter, QTextCursor::KeepAnchor);
        previous.setCharFormat(after);
    }
    return items;
}

// The items waiting go before the shown character about to be inserted with
// this format (and after the one before it).
void DocumentBuilder::attachKept(QTextCharFormat &firstShown) { KeptList::append(firstShown, KeptBefore, takeKept()); }

// At the end of a paragraph the items waiting stay after its last shown
// character and go with the next paragraph's mark; with no shown character,
// they go with this paragraph's mark.
void DocumentBuilder::settleKept() {
    const bool shownBefore = cursor_.positionInBlock() > 0;
    const KeptList items = takeKept();
    if (items.isEmpty())
        return;
    if (shownBefore) {
        std::vector<KeptItemPtr> all = markKept_.items();
        all.insert(all.end(), items.items().begin(), items.items().end());
        markKept_ = KeptList(std::move(all));
        return;
    }
    QTextCharFormat mark = cursor_.blockCharFormat();
    KeptList::append(mark, KeptBefore, items);
    cursor_.setBlockCharFormat(mark);
}

// ---------------------------------------------------------------------------
// Paragraphs and tables

void DocumentBuilder::applyBlockFormat(const ParaProps &para) {
    if (blockBreaksPage_) {
        QTextBlockFormat f = blockFormat(para);
        f.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
        cursor_.setBlockFormat(f);
    } else {
        cursor_.setBlockFormat(blockFormat(para));
    }
}

// Makes the cursor ready for content of a paragraph at the paragraph's table
// level: leaves or opens tables, moves to the next cell or row, and starts
// the paragraph a previous \par ended.
void DocumentBuilder::placeCursor(const ParaProps &para, int level) {
    if (level < 0)
        level = para.tableLevel();
    bool moved = false;
    if (pendingBreak_ || (!tables_.empty() && (tables_.back().cellEnded || tables_.back().rowEnded))) {
        // The paragraph or cell is ended, and what was kept at its end
        // settled; anything kept since belongs to what comes next.
        flushRun();
    } else if (int(tables_.size()) != level) {
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
            // not the kept content the character there carries; it carries
            // what was kept at the end of the paragraph before it.
            QTextCharFormat mark = cursor_.charFormat();
            KeptList::set(mark, KeptBefore, {});
            KeptList::set(mark, KeptOwner, {});
            KeptList::set(mark, KeptAfter, markKept_);
            markKept_ = {};
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
            applyBlockFormat(para);
    } else if (moved) {
        blockBreaksPage_ = false;
    }
    if (moved)
        markKept_ = {};
}

void DocumentBuilder::openTable() {
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

int DocumentBuilder::upcomingRowEnds(const TableLevel &t) const {
    // A quick look at the control words ahead: \row ends a row, and a \par
    // after a \pard with no \intbl is a paragraph after the table, where
    // the count stops. Only speed depends on the guess: rows not used are
    // removed when the table closes. The stretch looked at grows with the
    // table, so that no table makes the reader scan far ahead.
    constexpr int kMaxRows = 4096;
    const char *p = tokenizer_.position();
    const char *begin = input_.data();
    const qsizetype window = std::clamp<qsizetype>(2 * (p - t.start), 16 * 1024, 512 * 1024);
    const char *end = begin + std::min(input_.size(), (p - begin) + window);
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

void DocumentBuilder::trimSpareRows(const TableLevel &t) {
    const int spare = t.table->rows() - (t.row + 1);
    if (spare > 0)
        t.table->removeRows(t.row + 1, spare);
}

void DocumentBuilder::closeTable() {
    trimSpareRows(tables_.back());
    QTextTable *table = tables_.back().table;
    tables_.pop_back();
    cursor_.setPosition(table->lastPosition() + 1);
}

void DocumentBuilder::advanceCell(TableLevel &t) {
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

void DocumentBuilder::endParagraph(bool pageBreak, const CharProps &chr, const ParaProps &para, KeptItemPtr atEnd) {
    placeCursor(para);
    if (atEnd)
        keep(std::move(atEnd));  // where the paragraph is, once the cursor is in it
    flushRun();
    applyBlockFormat(para);
    if (cursor_.block().length() == 1)
        cursor_.setBlockCharFormat(runFormats(chr).latin);
    settleKept();
    recordParagraphEnd(chr);
    pendingBreak_ = true;
    pageBreakBefore_ = pageBreak;
}

void DocumentBuilder::endCell(int level, const CharProps &chr, const ParaProps &para) {
    level = std::min(level, kMaxTableDepth);
    if (level == 1 && int(tables_.size()) == level) {
        // An empty cell past both the row's \cellx list and the columns we
        // have: some writers end a row with one; it holds nothing. (A
        // nested row's \cellx list comes after its cells, in
        // \nesttableprops: the list at hand is the outer row's.)
        const TableLevel &t = tables_.back();
        const int defined = int(cellx_.size());
        if (t.cellEnded && !t.rowEnded && defined > 0 && t.col + 1 >= defined && t.col + 1 >= t.table->columns())
            return;
    }
    placeCursor(para, level);
    if (int(tables_.size()) < level) {
        endParagraph(false, chr, para);  // the table could not be opened
        return;
    }
    flushRun();
    settleKept();
    markKept_ = {};
    applyBlockFormat(para);
    tables_[std::size_t(level - 1)].cellEnded = true;
}

void DocumentBuilder::endRow(int level) {
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

void DocumentBuilder::addCellBoundary(int twips) {
    if (cellx_.size() < std::size_t(kMaxColumns))
        cellx_.push_back(twips);
}

void DocumentBuilder::insertImage(QTextImageFormat format, const ParaProps &para) {
    placeCursor(para);
    flushRun();
    closeHiddenItem();
    recordShown(format, QStringView(u"\ufffc"));
    attachKept(format);
    cursor_.insertImage(format);
}

void DocumentBuilder::finish(const ParaProps &para) {
    flushRun();
    settleKept();
    for (const TableLevel &t : tables_)
        trimSpareRows(t);  // a table still open at the end
    if (mode_ == Mode::WholeDocument && !pendingBreak_)
        applyBlockFormat(para);
}

}  // namespace pennaro::rtf
