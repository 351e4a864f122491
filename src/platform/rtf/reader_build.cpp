// The document side of the reader: runs of text, paragraphs, tables,
// fields and pictures.
#include "platform/rtf/reader.h"

#include "platform/rtf/docformat.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QTextTable>
#include <QUrl>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstring>
#include <string_view>

namespace pennaro::rtf {

using namespace limits;

namespace {

std::atomic<quint64> imageCounter{0};

}  // namespace

// ---------------------------------------------------------------------------
// Text

int Reader::codepageOf(int font) const
{
    if (font < 0)
        font = defaultFont_;
    auto it = fonts_.find(font);
    if (it == fonts_.end())
        return docCodepage_;
    const Font &f = it->second;
    if (f.cpg > 0)
        return f.cpg;
    const int cp = codepageForCharset(f.charset);
    return cp == 0 ? docCodepage_ : cp;
}

// True when the undecoded text ends in the first byte of a two-byte
// character that came as \'hh.
bool Reader::endsWithLeadByte()
{
    if (!lastByteFromHex_ || pending_.empty())
        return false;
    const int cp = codepageOf(stack_.back().chr.effectiveFont());
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

void Reader::flushBytes()
{
    if (pending_.empty())
        return;
    const State &s = state();
    const int cp = codepageOf(s.chr.effectiveFont());
    const QByteArrayView bytes(pending_.data(), qsizetype(pending_.size()));
    if (s.dest == Dest::Body) {
        beginBodyText();
        decoders_.decode(cp, bytes, run_);
    } else if (s.dest == Dest::FieldInst && s.field >= 0) {
        decoders_.decode(cp, bytes, fields_[std::size_t(s.field)].instruction);
    }
    pending_.clear();
    pendingScanned_ = 0;
    pendingTrailNext_ = false;
    lastByteFromHex_ = false;
}

void Reader::appendChar(char32_t c)
{
    const char16_t units[2] = {char16_t(0xd7c0 + (c >> 10)), char16_t(0xdc00 | (c & 0x3ff))};
    if (c < 0x10000) {
        const char16_t u = char16_t(c);
        appendText(QStringView(&u, 1));
    } else {
        appendText(QStringView(units, 2));
    }
}

void Reader::appendText(QStringView text)
{
    State &s = state();
    if (s.dest == Dest::Body) {
        beginBodyText();
        run_.append(text);
    } else if (s.dest == Dest::FieldInst && s.field >= 0) {
        fields_[std::size_t(s.field)].instruction.append(text);
    }
}

// Called before text joins the current run: puts the cursor where the text
// belongs and starts a new run when the character properties changed.
void Reader::beginBodyText()
{
    if (highSurrogate_) {
        highSurrogate_ = 0;
        run_.append(QChar(0xfffd));
    }
    const CharProps &c = state().chr;
    if (runStarted_ && c == runProps_ && !pendingBreak_) {
        const int level = paraLevel();
        if (level == int(tables_.size()) &&
            (tables_.empty() || (!tables_.back().cellEnded && !tables_.back().rowEnded)))
            return;
    }
    placeCursor(paraLevel());
    if (!(c == runProps_) || !runStarted_) {
        flushRun();
        runProps_ = c;
        runStarted_ = true;
    }
}

void Reader::flushRun()
{
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
    if (!run_.isEmpty())
        cursor_.insertText(run_, charFormat(runProps_));
    run_.truncate(0);
}

QTextCharFormat Reader::charFormat(const CharProps &p)
{
    auto it = formatCache_.find(p);
    if (it != formatCache_.end())
        return it->second;
    if (formatCache_.size() > 4096)
        formatCache_.clear();

    QTextCharFormat f;
    const int chosen = p.effectiveFont();
    const int font = chosen >= 0 ? chosen : defaultFont_;
    const bool db = p.dbch != 0;
    const int halfPoints = db && p.dbHalfPoints ? p.dbHalfPoints : p.halfPoints;
    const bool bold = db && p.dbBold >= 0 ? p.dbBold != 0 : p.bold != 0;
    const bool italic = db && p.dbItalic >= 0 ? p.dbItalic != 0 : p.italic != 0;
    auto fi = fonts_.find(font);
    if (fi != fonts_.end() && !fi->second.families.isEmpty())
        f.setFontFamilies(fi->second.families);
    f.setFontPointSize(halfPoints / 2.0);
    if (p.color > 0 && std::size_t(p.color) < colors_.size() && colors_[std::size_t(p.color)].isValid())
        f.setForeground(colors_[std::size_t(p.color)]);
    if (p.background > 0 && std::size_t(p.background) < colors_.size() &&
        colors_[std::size_t(p.background)].isValid())
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
        f.setVerticalAlignment(p.vertical == 1 ? QTextCharFormat::AlignSuperScript
                                               : QTextCharFormat::AlignSubScript);
    if (p.caps)
        f.setFontCapitalization(p.caps == 1 ? QFont::AllUppercase : QFont::SmallCaps);
    if (p.hidden)
        f.setProperty(HiddenText, true);
    if (p.link >= 0 && std::size_t(p.link) < fields_.size()) {
        f.setAnchor(true);
        f.setAnchorHref(fields_[std::size_t(p.link)].href);
    }
    formatCache_.emplace(p, f);
    return f;
}

QTextBlockFormat Reader::blockFormat(const ParaProps &p)
{
    if (haveBlockFormat_ && p == lastPara_)
        return lastBlockFormat_;
    QTextBlockFormat f;
    if (p.align != 0)
        f.setAlignment(Qt::Alignment(p.align));
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

void Reader::applyBlockFormat()
{
    if (blockBreaksPage_) {
        QTextBlockFormat f = blockFormat(state().para);
        f.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
        cursor_.setBlockFormat(f);
    } else {
        cursor_.setBlockFormat(blockFormat(state().para));
    }
}

int Reader::paraLevel() const
{
    const ParaProps &p = stack_.back().para;
    const int level = p.inTable ? std::max(1, p.itap) : p.itap;
    return std::clamp(level, 0, kMaxTableDepth);
}

// Makes the cursor ready for content of a paragraph at the given table
// level: leaves or opens tables, moves to the next cell or row, and starts
// the paragraph a previous \par ended.
void Reader::placeCursor(int level)
{
    bool moved = false;
    if (int(tables_.size()) > level || pendingBreak_ ||
        (!tables_.empty() && (tables_.back().cellEnded || tables_.back().rowEnded)) ||
        int(tables_.size()) < level)
        flushRun();
    while (int(tables_.size()) > level) {
        closeTable();
        moved = true;
    }
    if (!tables_.empty() && int(tables_.size()) == level &&
        (tables_.back().cellEnded || tables_.back().rowEnded)) {
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
            cursor_.insertBlock();
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

void Reader::openTable()
{
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

int Reader::upcomingRowEnds(const TableLevel &t) const
{
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

void Reader::trimSpareRows(const TableLevel &t)
{
    const int spare = t.table->rows() - (t.row + 1);
    if (spare > 0)
        t.table->removeRows(t.row + 1, spare);
}

void Reader::closeTable()
{
    trimSpareRows(tables_.back());
    QTextTable *table = tables_.back().table;
    tables_.pop_back();
    cursor_.setPosition(table->lastPosition() + 1);
}

void Reader::advanceCell(TableLevel &t)
{
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

void Reader::endParagraph(bool pageBreak)
{
    placeCursor(paraLevel());
    flushRun();
    applyBlockFormat();
    if (cursor_.block().length() == 1)
        cursor_.setBlockCharFormat(charFormat(state().chr));
    pendingBreak_ = true;
    pageBreakBefore_ = pageBreak;
}

void Reader::endCell(int level)
{
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
    applyBlockFormat();
    tables_[std::size_t(level - 1)].cellEnded = true;
}

void Reader::endRow(int level)
{
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

void Reader::finishField(int field)
{
    if (field < 0 || std::size_t(field) >= fields_.size())
        return;
    Field &f = fields_[std::size_t(field)];
    const QString inst = f.instruction.trimmed();
    f.instruction.clear();
    if (!inst.startsWith(QLatin1String("HYPERLINK"), Qt::CaseInsensitive))
        return;
    // HYPERLINK "target" [\l "bookmark"] [\o "tip"] ...
    QString target;
    QString bookmark;
    QStringView rest = QStringView(inst).mid(9);
    bool nextIsBookmark = false;
    bool skipNext = false;
    while (!rest.isEmpty()) {
        rest = rest.trimmed();
        if (rest.isEmpty())
            break;
        QString word;
        if (rest.front() == u'"') {
            qsizetype i = 1;
            for (; i < rest.size() && rest[i] != u'"'; ++i) {
                if (rest[i] == u'\\' && i + 1 < rest.size())
                    ++i;
                word.append(rest[i]);
            }
            rest = rest.mid(std::min(i + 1, rest.size()));
        } else {
            qsizetype i = 0;
            while (i < rest.size() && !rest[i].isSpace())
                ++i;
            word = rest.left(i).toString();
            rest = rest.mid(i);
            if (word.startsWith(u'\\')) {
                nextIsBookmark = word == QLatin1String("\\l");
                skipNext = !nextIsBookmark && (word == QLatin1String("\\o") || word == QLatin1String("\\t"));
                continue;
            }
        }
        if (nextIsBookmark) {
            bookmark = word;
            nextIsBookmark = false;
        } else if (skipNext) {
            skipNext = false;
        } else if (target.isEmpty()) {
            target = word;
        }
    }
    if (!bookmark.isEmpty())
        target += u'#' + bookmark;
    f.href = target;
}

void Reader::finishPicture()
{
    Picture pic = std::move(picture_);
    picture_ = Picture{};
    if ((pic.kind != PicPng && pic.kind != PicJpeg) || pic.data.isEmpty())
        return;
    QBuffer buffer(&pic.data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, pic.kind == PicPng ? "png" : "jpeg");
    // A few bytes of PNG can claim a huge picture; allow what a real image
    // of this many bytes could hold, and never more than a fixed ceiling.
    const QSize size = reader.size();
    const qint64 allowed = std::min(kMaxImagePixels, std::max<qint64>(kMinImagePixels, 64 * pic.data.size()));
    if (!size.isValid() || qint64(size.width()) * size.height() > allowed)
        return;
    QImage image;
    if (!reader.read(&image) || image.isNull())
        return;

    const quint64 n = ++imageCounter;
    const QString name = QStringLiteral("rtfimage:%1").arg(n);
    cursor_.document()->addResource(QTextDocument::ImageResource, QUrl(name), image);
    cursor_.document()->addResource(QTextDocument::ImageResource, originalImageUrl(name), pic.data);
    QTextImageFormat format;
    format.setName(name);
    const double w = pic.goalW > 0 ? twipsToUnits(pic.goalW * pic.scaleX / 100.0) : image.width();
    const double h = pic.goalH > 0 ? twipsToUnits(pic.goalH * pic.scaleY / 100.0) : image.height();
    if (w > 0 && h > 0) {
        format.setWidth(w);
        format.setHeight(h);
    }
    placeCursor(paraLevel());
    flushRun();
    cursor_.insertImage(format);
}

}  // namespace pennaro::rtf
