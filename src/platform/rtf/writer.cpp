#include "platform/rtf/writer.h"

#include "platform/rtf/codepage.h"
#include "platform/rtf/docformat.h"
#include "platform/rtf/kept.h"
#include "platform/rtf/rtf.h"
#include "platform/rtf/writer_buffer.h"
#include "platform/rtf/writer_codepage.h"
#include "platform/rtf/writer_kept.h"
#include "platform/units.h"

#include <QBuffer>
#include <QColor>
#include <QHash>
#include <QImage>
#include <QImageReader>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextFrame>
#include <QTextTable>
#include <QUrl>

#include <algorithm>
#include <climits>
#include <cmath>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace pennaro::rtf {

namespace writer {

namespace {

// Page text width assumed for tables whose columns are given in percent or
// not at all: 6.5 inches, a Letter page with one-inch margins.
constexpr int kDefaultTextWidthTwips = 9360;

// Room kept in front of the body for the header, which is only known once
// the body is written; a larger header costs one copy of the body.
constexpr qsizetype kHeaderRoom = 64 * 1024;

enum class Terminator { None, Par, Cell, NestCell };

struct FontFamily {
    QString name;
    int fixedCharset;  // -1: the text in the font picks the charset
    // Symbol and Wingdings: readers take their letters for the glyphs at
    // those bytes (our reader too, as Word does), so letters are written as
    // Unicode characters.
    bool glyphBytes = false;
};

struct FontEntry {
    int family;
    int charset;
};

// Everything a run needs, computed once per character format of the
// document; runs look it up by the format's index.
struct CharEntry {
    bool valid = false;
    int family = 0;
    QByteArray props;  // control words after \fN, e.g. "\fs24\b\cf1"
    // The properties the run does not have, said outright ("\b0\i0 ..."):
    // in a paragraph or run that names a style, other readers would take
    // the style's value for what the run leaves unsaid.
    QByteArray offs;
    bool styled = false;  // the run names a character style
    QString href;         // non-empty: the run is part of a hyperlink
    bool image = false;
    bool owned = false;  // some kept item owns the run
};

struct ImageData {
    QByteArray blipKind;  // "\\pngblip" or "\\jpegblip"
    QByteArray bytes;
    QSize pixels;
};

// Room for the whole output in one allocation, most of the time: ASCII
// text takes a byte, other characters \uN with two fallback bytes (about
// fifteen), and each run or paragraph a few dozen bytes of control words.
qsizetype estimateSize(const QString &text, int blocks) {
    qsizetype wide = 0;
    for (QChar c : text)
        wide += c.unicode() >= 0x80;
    return kHeaderRoom + text.size() * 4 + wide * 14 + qsizetype(blocks) * 48;
}

class DocumentWriter : public KeptTargets {
public:
    explicit DocumentWriter(const QTextDocument *doc);
    QByteArray write();

    // KeptTargets
    int keptFont(const FileTables::Font *font, int fileCodepage) override;
    int keptColour(const QColor &colour) override { return colourIndex(colour); }
    int charsetOfFont(int index) const override { return fonts_[size_t(index)].charset; }
    FallbackTable &fallback(int charset) override { return fallback_.forCharset(charset); }

private:
    struct ParaEntry {
        bool valid = false;
        bool styled = false;  // names a style
        QByteArray props;
    };
    struct Item {
        QTextBlock block;
        QTextTable *table = nullptr;
    };

    void collectItems(QTextFrame::iterator it, std::vector<Item> *items) const;
    void writeItems(const std::vector<Item> &items, int itap, Terminator last, int widthTwips);
    void writeBlock(const QTextBlock &block, int itap, Terminator term);
    void writeTable(QTextTable *table, int depth, int widthTwips);
    // A run in its own group; `before` goes between its properties and its
    // text (a note's \chftn).
    void writeRun(const CharEntry &entry, QStringView text, QByteArrayView before = {});
    void writeCharProps(const CharEntry &entry);
    void writeImage(const QTextImageFormat &format);
    void writeTerminator(Terminator term);
    void openLink(const QString &href);
    void closeLink();
    void writeKeptBefore(int position);
    void writeKeptItem(const KeptItem &item);
    void writeKept(QByteArrayView rtf, const KeptItem &item);
    void writeKeptTo(Buffer &to, QByteArrayView rtf, const FileTablesPtr &source);
    bool ownTables(const FileTablesPtr &source) const;

    void flushPending();
    void writeBlockProps();

    // Owning items (kept.h) are open around the characters they own.
    void ownersAt(const QTextCharFormat &format, int position, std::vector<const KeptItem *> *owners,
                  int *pieceEnd) const;
    void closeOwnersNotIn(const std::vector<const KeptItem *> &owners);
    void closeOwnersFrom(size_t first);
    void openOwners(const std::vector<const KeptItem *> &owners, const CharEntry &first);
    void openWrapper(const KeptItem &item);
    void closeWrapper(const KeptItem &item);
    bool ownedContentReplaced() const;

    const CharEntry &charEntry(int index, const QTextCharFormat &format);
    const CharEntry &charEntryFor(const QTextFragment &fragment);
    const ParaEntry &paraEntry(const QTextBlock &block);
    void buildCharEntry(const QTextCharFormat &format, CharEntry *entry);
    QByteArray buildParaProps(const QTextBlockFormat &format) const;
    int familySlot(const QString &name);
    int fontIndex(int family, int charset);
    int colourIndex(const QColor &colour);
    std::vector<int> columnWidths(const QTextTable *table, int widthTwips) const;
    const ImageData *imageData(const QString &name);

    QByteArray header(const QByteArray &prologue);

    const QTextDocument *doc_;
    QString text_;  // the whole document text; fragments index into it
    Buffer out_;
    FallbackTables fallback_;

    QString defaultFamily_;
    int defaultHalfPoints_ = 24;

    std::vector<FontFamily> families_;
    QHash<QString, int> familyByName_;
    std::vector<FontEntry> fonts_;
    std::vector<QRgb> colours_;
    QHash<QRgb, int> colourByRgb_;

    std::vector<PlacedItem> kept_;  // what the document keeps unseen, by position
    size_t nextKept_ = 0;
    KeptDocumentPtr keptDocument_;
    int deff_ = 0;  // the file's default font, for kept content that names none
    std::unordered_map<const KeptItem *, OwnedSpan> spans_;
    struct OpenOwner {
        const KeptItem *item;
        int block;  // the paragraph it was opened in
    };
    std::vector<OpenOwner> open_;
    std::unordered_set<const KeptItem *> written_;
    const KeptItem *sectionBreak_ = nullptr;  // the next paragraph mark is a \sect
    bool sectionSettings_ = false;            // a \sect and its settings were written last
    QString link_;                            // the hyperlink open now
    bool blockWritten_ = false;               // something of the paragraph is written
    const QByteArray *blockProps_ = nullptr;  // what the paragraph being written starts with
    bool blockStyled_ = false;                // and whether it names a style
    int blockItap_ = 0;
    int blockSerial_ = 0;
    // The run being gathered: characters of one format entry.
    struct Pending {
        int index = 0;
        int start = 0;
        int length = 0;
    } pending_;

    std::vector<CharEntry> charEntries_;
    std::vector<ParaEntry> paraEntries_;
    QHash<QString, ImageData> images_;
};

DocumentWriter::DocumentWriter(const QTextDocument *doc)
    : doc_(doc), text_(doc->toRawText()), out_(estimateSize(text_, doc->blockCount())) {
    const QFont font = doc->defaultFont();
    defaultFamily_ = font.family();
    // Without a GUI application a default QFont has no family at all; a
    // font table entry needs a name, and this writer's files are Chinese
    // first.
    if (defaultFamily_.isEmpty())
        defaultFamily_ = QStringLiteral("宋体");
    double points = font.pointSizeF();
    if (points <= 0 && font.pixelSize() > 0)
        points = font.pixelSize() * 0.75;
    if (points > 0)
        defaultHalfPoints_ = std::max(1, int(std::lround(points * 2)));
    // Font 0 is the editor's default font, which every run names anyway.
    const int slot = familySlot(defaultFamily_);
    const int cs = families_[slot].fixedCharset;
    fontIndex(slot, cs >= 0 ? cs : charsetForText(defaultFamily_));
    // Content kept from a file may rely on the file's default font: it is
    // the \deff of what we write.
    keptDocument_ = keptDocument(doc);
    if (keptDocument_ && keptDocument_->source) {
        const FileTables &file = *keptDocument_->source;
        const auto font = file.fonts.find(file.defaultFont);
        if (font != file.fonts.end())
            deff_ = keptFont(&font->second, file.codepage);
    }
}

int DocumentWriter::keptFont(const FileTables::Font *font, int fileCodepage) {
    if (!font)
        return deff_;
    const int slot = familySlot(font->family.isEmpty() ? defaultFamily_ : font->family);
    return fontIndex(slot, charsetForFileFont(*font, fileCodepage));
}

bool DocumentWriter::ownTables(const FileTablesPtr &source) const {
    return keptDocument_ && source && keptDocument_->source == source;
}

void DocumentWriter::writeKept(QByteArrayView rtf, const KeptItem &item) { writeKeptTo(out_, rtf, item.source); }

void DocumentWriter::writeKeptTo(Buffer &to, QByteArrayView rtf, const FileTablesPtr &source) {
    static const FileTables none;
    writer::writeKept(rtf, source ? *source : none, ownTables(source), *this, to);
}

int DocumentWriter::familySlot(const QString &name) {
    auto it = familyByName_.constFind(name);
    if (it != familyByName_.constEnd())
        return *it;
    const int slot = int(families_.size());
    const int symbol = symbolCodepageForFamily(name);
    families_.push_back(
        {name, charsetForFontName(name), symbol == kSymbolFontCodepage || symbol == kWingdingsCodepage});
    familyByName_.insert(name, slot);
    return slot;
}

int DocumentWriter::fontIndex(int family, int charset) {
    for (size_t i = 0; i < fonts_.size(); ++i) {
        if (fonts_[i].family == family && fonts_[i].charset == charset)
            return int(i);
    }
    fonts_.push_back({family, charset});
    return int(fonts_.size() - 1);
}

int DocumentWriter::colourIndex(const QColor &colour) {
    const QRgb rgb = colour.rgb() | 0xff000000u;
    auto it = colourByRgb_.constFind(rgb);
    if (it != colourByRgb_.constEnd())
        return *it;
    colours_.push_back(rgb);
    const int index = int(colours_.size());  // entry 0 is "auto"
    colourByRgb_.insert(rgb, index);
    return index;
}

void DocumentWriter::buildCharEntry(const QTextCharFormat &format, CharEntry *entry) {
    QString name;
    if (format.hasProperty(QTextFormat::FontFamilies)) {
        const QStringList names = format.property(QTextFormat::FontFamilies).toStringList();
        if (!names.isEmpty())
            name = names.first();
    }
    if (name.isEmpty() && format.hasProperty(QTextFormat::FontFamily))
        name = format.stringProperty(QTextFormat::FontFamily);
    if (name.isEmpty())
        name = defaultFamily_;
    entry->family = familySlot(name);

    Buffer b(64);
    Buffer offs(64);
    int halfPoints = defaultHalfPoints_;
    if (format.hasProperty(QTextFormat::FontPointSize) && format.fontPointSize() > 0)
        halfPoints = int(std::lround(format.fontPointSize() * 2));
    else if (format.hasProperty(QTextFormat::FontPixelSize) && format.intProperty(QTextFormat::FontPixelSize) > 0)
        halfPoints = int(std::lround(format.intProperty(QTextFormat::FontPixelSize) * 1.5));
    b.putWord("\\fs", std::clamp(halfPoints, kMinHalfPoints, kMaxHalfPoints));

    auto onOrOff = [&](bool on, const char *word, const char *off) { on ? b.put(word) : offs.put(off); };
    onOrOff(format.fontWeight() >= QFont::DemiBold, "\\b", "\\b0");
    onOrOff(format.fontItalic(), "\\i", "\\i0");
    switch (format.underlineStyle()) {
    case QTextCharFormat::NoUnderline: offs.put("\\ulnone"); break;
    case QTextCharFormat::DashUnderline: b.put("\\uldash"); break;
    case QTextCharFormat::DotLine: b.put("\\uld"); break;
    case QTextCharFormat::DashDotLine: b.put("\\uldashd"); break;
    case QTextCharFormat::DashDotDotLine: b.put("\\uldashdd"); break;
    case QTextCharFormat::WaveUnderline: b.put("\\ulwave"); break;
    default: b.put("\\ul"); break;
    }
    onOrOff(format.fontStrikeOut(), "\\strike", "\\strike0");
    switch (format.verticalAlignment()) {
    case QTextCharFormat::AlignSuperScript: b.put("\\super"); break;
    case QTextCharFormat::AlignSubScript: b.put("\\sub"); break;
    default: offs.put("\\nosupersub"); break;
    }
    // Capitals are one property in our reader and in LibreOffice, where
    // \scaps0 (or \caps0) can turn off \caps (or \scaps) even given after
    // it: the offs only where neither is on.
    switch (format.fontCapitalization()) {
    case QFont::AllUppercase: b.put("\\caps"); break;
    case QFont::SmallCaps: b.put("\\scaps"); break;
    default: offs.put("\\caps0\\scaps0"); break;
    }
    entry->styled = format.hasProperty(StyleNumber);
    if (entry->styled)
        b.putWord("\\cs", format.intProperty(StyleNumber));
    onOrOff(format.boolProperty(HiddenText), "\\v", "\\v0");
    // No \cf0 for the automatic colour: the paragraph's \plain gives it,
    // and LibreOffice takes \cf0 for the style's colour.
    if (format.hasProperty(QTextFormat::ForegroundBrush) && format.foreground().style() != Qt::NoBrush)
        b.putWord("\\cf", colourIndex(format.foreground().color()));
    // Word turns a style's highlight off with \highlight0, LibreOffice with
    // \chcbpat0.
    const QBrush background = format.hasProperty(QTextFormat::BackgroundBrush) ? format.background() : QBrush();
    if (background.style() != Qt::NoBrush)
        b.putWord("\\highlight", colourIndex(background.color()));
    else
        offs.put("\\highlight0\\chcbpat0");
    entry->props = b.take();
    entry->offs = offs.take();
}

const CharEntry &DocumentWriter::charEntry(int index, const QTextCharFormat &format) {
    if (index < 0)
        index = 0;
    if (size_t(index) >= charEntries_.size())
        charEntries_.resize(size_t(index) + 1);
    CharEntry &entry = charEntries_[size_t(index)];
    if (!entry.valid) {
        entry.valid = true;
        entry.image = format.isImageFormat();
        entry.owned = format.hasProperty(KeptOwner);
        buildCharEntry(format, &entry);
        if (format.isAnchor())
            entry.href = format.anchorHref();
    }
    return entry;
}

const CharEntry &DocumentWriter::charEntryFor(const QTextFragment &fragment) {
    const int index = fragment.charFormatIndex();
    if (index >= 0 && size_t(index) < charEntries_.size() && charEntries_[size_t(index)].valid)
        return charEntries_[size_t(index)];
    return charEntry(index, fragment.charFormat());
}

QByteArray DocumentWriter::buildParaProps(const QTextBlockFormat &format) const {
    Buffer b(64);
    b.put("\\pard\\plain");
    // Under a style, what the paragraph does not have is said outright, or
    // other readers would take the style's value for it; in a list, the
    // list level's indents likewise (and LibreOffice takes a list
    // paragraph's own indents only with all of them given).
    const bool sayAll = format.hasProperty(StyleNumber) || format.hasProperty(ListOverride);
    if (format.hasProperty(StyleNumber))
        b.putWord("\\s", format.intProperty(StyleNumber));
    if (format.hasProperty(ListOverride)) {
        b.putWord("\\ls", format.intProperty(ListOverride));
        b.putWord("\\ilvl", format.intProperty(ListLevel));
    }
    if (format.layoutDirection() == Qt::RightToLeft)
        b.put("\\rtlpar");
    else if (sayAll)
        b.put("\\ltrpar");
    const Qt::Alignment align = format.alignment() & Qt::AlignHorizontal_Mask;
    if (align & Qt::AlignJustify)
        b.put("\\qj");
    else if (align & Qt::AlignHCenter)
        b.put("\\qc");
    else if (align & Qt::AlignRight)
        b.put("\\qr");
    else if (sayAll)
        b.put("\\ql");
    // A length of 0 is written only to say that it is 0.
    auto length = [&](const char *word, int twips) {
        if (twips || sayAll)
            b.putWord(word, twips);
    };
    const double indentUnits = format.indent() * doc_->indentWidth();
    length("\\li", unitsToTwips(format.leftMargin() + indentUnits));
    length("\\ri", unitsToTwips(format.rightMargin()));
    length("\\fi", unitsToTwips(format.textIndent()));
    // Qt counts tab stops from where the first line starts, RTF from the
    // paragraph area's left edge.
    const double firstLine = format.leftMargin() + indentUnits + format.textIndent();
    for (const QTextOption::Tab &tab : format.tabPositions()) {
        const int tx = unitsToTwips(tab.position + firstLine);
        if (tx <= 0)
            continue;
        switch (tab.type) {
        case QTextOption::RightTab: b.put("\\tqr"); break;
        case QTextOption::CenterTab: b.put("\\tqc"); break;
        case QTextOption::DelimiterTab: b.put("\\tqdec"); break;
        default: break;
        }
        b.putWord("\\tx", tx);
    }
    length("\\sb", unitsToTwips(format.topMargin()));
    length("\\sa", unitsToTwips(format.bottomMargin()));
    const double height = format.lineHeight();
    bool spaced = false;
    switch (format.lineHeightType()) {
    case QTextBlockFormat::ProportionalHeight:
        // \slmult1: 240 is single spacing.
        if (height > 0 && std::abs(height - 100) > 0.01) {
            b.putWord("\\sl", int(std::lround(height * 2.4)));
            b.put("\\slmult1");
            spaced = true;
        }
        break;
    case QTextBlockFormat::FixedHeight:
        if (height > 0) {
            b.putWord("\\sl", -unitsToTwips(height));
            b.put("\\slmult0");
            spaced = true;
        }
        break;
    case QTextBlockFormat::MinimumHeight:
        if (height > 0) {
            b.putWord("\\sl", unitsToTwips(height));
            b.put("\\slmult0");
            spaced = true;
        }
        break;
    default: break;
    }
    if (!spaced && sayAll)
        b.put("\\sl240\\slmult1");
    // No \pagebb0: LibreOffice reads it as \pagebb.
    if (format.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore)
        b.put("\\pagebb");
    return b.take();
}

const DocumentWriter::ParaEntry &DocumentWriter::paraEntry(const QTextBlock &block) {
    const size_t index = size_t(std::max(0, block.blockFormatIndex()));
    if (index >= paraEntries_.size())
        paraEntries_.resize(index + 1);
    ParaEntry &entry = paraEntries_[index];
    if (!entry.valid) {
        const QTextBlockFormat format = block.blockFormat();
        entry.valid = true;
        entry.styled = format.hasProperty(StyleNumber);
        entry.props = buildParaProps(format);
    }
    return entry;
}

void DocumentWriter::collectItems(QTextFrame::iterator it, std::vector<Item> *items) const {
    for (; !it.atEnd(); ++it) {
        if (QTextFrame *frame = it.currentFrame()) {
            if (auto *table = qobject_cast<QTextTable *>(frame))
                items->push_back({QTextBlock(), table});
            else
                collectItems(frame->begin(), items);  // a plain frame is just its content
        } else if (it.currentBlock().isValid()) {
            items->push_back({it.currentBlock(), nullptr});
        }
    }
}

void DocumentWriter::writeItems(const std::vector<Item> &items, int itap, Terminator last, int widthTwips) {
    for (size_t i = 0; i < items.size(); ++i) {
        const bool isLast = i + 1 == items.size();
        if (items[i].table) {
            writeTable(items[i].table, itap + 1, widthTwips);
            if (isLast && last != Terminator::None) {
                // Qt always follows a table with a block; should one be
                // missing, the cell still needs its closing paragraph.
                out_.put("\\pard\\plain");
                if (itap > 0)
                    out_.put("\\intbl");
                if (itap > 1)
                    out_.putWord("\\itap", itap);
                writeTerminator(last);
            }
        } else {
            writeBlock(items[i].block, itap, isLast ? last : Terminator::Par);
        }
    }
    if (items.empty() && last != Terminator::None) {
        out_.put("\\pard\\plain\\intbl");
        if (itap > 1)
            out_.putWord("\\itap", itap);
        writeTerminator(last);
    }
}

void DocumentWriter::writeTerminator(Terminator term) {
    switch (term) {
    case Terminator::None: break;
    case Terminator::Par:
        if (sectionBreak_) {
            out_.put("\\sect");
            writeKept(sectionBreak_->rtf, *sectionBreak_);
            sectionBreak_ = nullptr;
            sectionSettings_ = true;
        } else {
            out_.put("\\par");
        }
        break;
    case Terminator::Cell: out_.put("\\cell"); break;
    case Terminator::NestCell: out_.put("\\nestcell"); break;
    }
    out_.newline();
}

void DocumentWriter::openLink(const QString &href) {
    out_.breakIfLong(kLineLimit);
    out_.put("{\\field{\\*\\fldinst{HYPERLINK \"");
    // Inside the quoted argument a field escapes '"' and '\' with a
    // backslash, and RTF escapes that backslash again.
    for (QChar ch : href) {
        const char16_t c = ch.unicode();
        out_.ensure(16);
        if (c == '\\')
            out_.put("\\\\\\\\");
        else if (c == '"')
            out_.put("\\\\\"");
        else if (c == '{' || c == '}') {
            out_.putUnchecked('\\');
            out_.putUnchecked(char(c));
        } else if (c >= 0x20 && c < 0x7f) {
            out_.putUnchecked(char(c));
        } else {
            out_.put("\\u");
            out_.putIntUnchecked(int(int16_t(c)));
            out_.putUnchecked('?');
        }
    }
    out_.put("\"}}{\\fldrslt");
}

void DocumentWriter::closeLink() {
    if (!link_.isEmpty())
        out_.put("}}");
    link_.clear();
}

void DocumentWriter::flushPending() {
    if (pending_.length > 0)
        writeRun(charEntries_[size_t(pending_.index)], QStringView(text_).mid(pending_.start, pending_.length));
    pending_.length = 0;
}

void DocumentWriter::writeBlock(const QTextBlock &block, int itap, Terminator term) {
    const ParaEntry &para = paraEntry(block);
    blockProps_ = &para.props;
    blockStyled_ = para.styled;
    blockItap_ = itap;
    writeBlockProps();
    ++blockSerial_;
    auto keptAt = [&](int position) { return nextKept_ < kept_.size() && kept_[nextKept_].position <= position; };

    // Neighbouring fragments that come out the same (their formats differ
    // only in what RTF does not say, such as the kept content they carry)
    // are written as one run. A fragment is written in pieces where owning
    // items begin or end inside it.
    bool any = false;
    std::vector<const KeptItem *> owners;
    int end = block.position();  // fragments follow one another from there
    for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (!fragment.isValid() || fragment.length() <= 0)
            continue;
        const CharEntry &entry = charEntryFor(fragment);
        const int start = end;
        end += fragment.length();
        const QTextCharFormat format = entry.owned || entry.image ? fragment.charFormat() : QTextCharFormat();
        for (int position = start; position < end;) {
            int pieceEnd = end;
            owners.clear();
            if (entry.owned)
                ownersAt(format, position, &owners, &pieceEnd);
            closeOwnersNotIn(owners);
            if (keptAt(position)) {
                flushPending();
                writeKeptBefore(position);
            }
            openOwners(owners, entry);
            any = true;
            if (ownedContentReplaced()) {
                position = pieceEnd;
                continue;
            }
            if (entry.href != link_) {
                flushPending();
                closeLink();
                link_ = entry.href;
                if (!link_.isEmpty())
                    openLink(link_);
            }
            if (entry.image) {
                flushPending();
                const QTextImageFormat image = format.toImageFormat();
                for (; position < pieceEnd; ++position)
                    writeImage(image);
                continue;
            }
            const int index = std::max(0, fragment.charFormatIndex());
            const CharEntry &last = charEntries_[size_t(pending_.index)];
            if (pending_.length > 0 && pending_.start + pending_.length == position && last.family == entry.family &&
                last.props == entry.props) {
                pending_.length += pieceEnd - position;
            } else {
                flushPending();
                pending_ = {index, position, pieceEnd - position};
            }
            blockWritten_ = true;
            position = pieceEnd;
        }
    }
    flushPending();
    // Owners that end with the paragraph close before its mark; one whose
    // result goes on into the next paragraph stays open.
    const int blockEnd = block.position() + block.length() - 1;
    for (size_t i = 0; i < open_.size(); ++i) {
        if (spans_.at(open_[i].item).end <= blockEnd) {
            closeOwnersFrom(i);
            break;
        }
    }
    writeKeptBefore(blockEnd);
    closeLink();

    if (!any) {
        // An empty paragraph keeps the height of its mark's font.
        const CharEntry &mark = charEntry(block.charFormatIndex(), block.charFormat());
        const int charset = families_[size_t(mark.family)].fixedCharset;
        out_.putWord("\\f", fontIndex(mark.family, charset >= 0 ? charset : kAnsi));
        writeCharProps(mark);
        out_.put(' ');
    }
    if (term == Terminator::Cell || term == Terminator::NestCell)
        closeOwnersFrom(0);  // a result does not go on into another cell
    writeTerminator(term);
    blockWritten_ = false;
}

// The owning items of the characters from position on, outermost first,
// and where the piece they own together ends. An item owns only its span
// (ownedSpans).
void DocumentWriter::ownersAt(const QTextCharFormat &format, int position, std::vector<const KeptItem *> *owners,
                              int *pieceEnd) const {
    for (const KeptItemPtr &item : KeptList::of(format, KeptOwner).items()) {
        if (written_.count(item.get()))
            continue;
        const auto span = spans_.find(item.get());
        if (span == spans_.end() || position < span->second.start || position >= span->second.end)
            continue;
        owners->push_back(item.get());
        *pieceEnd = std::min(*pieceEnd, span->second.end);
    }
}

void DocumentWriter::closeOwnersNotIn(const std::vector<const KeptItem *> &owners) {
    size_t same = 0;
    while (same < open_.size() && same < owners.size() && open_[same].item == owners[same])
        ++same;
    closeOwnersFrom(same);
}

void DocumentWriter::closeOwnersFrom(size_t first) {
    if (first >= open_.size())
        return;
    flushPending();
    closeLink();
    bool reopened = false;
    while (open_.size() > first) {
        const OpenOwner owner = open_.back();
        open_.pop_back();
        written_.insert(owner.item);
        const KeptItem &item = *owner.item;
        switch (item.kind) {
        case KeptItem::Kind::Wrapper: closeWrapper(item); break;
        case KeptItem::Kind::Note: writeKept(item.rtf, item); break;
        default: break;
        }
        reopened = reopened || owner.block != blockSerial_;
    }
    // A result that began in an earlier paragraph held this paragraph's
    // properties; they are said again for the rest of it.
    if (reopened)
        writeBlockProps();
}

// A field, object or shape: all but its result, and the result's group.
void DocumentWriter::openWrapper(const KeptItem &item) {
    writeKept(item.rtf, item);
    if (!item.resultWord.isEmpty()) {
        out_.put("{\\");
        out_.put(item.resultWord);
        out_.put(' ');
    }
}

void DocumentWriter::closeWrapper(const KeptItem &item) {
    if (!item.resultWord.isEmpty())
        out_.put('}');
    writeKept(item.suffix, item);
}

void DocumentWriter::writeBlockProps() {
    sectionSettings_ = false;
    out_.put(*blockProps_);
    if (blockItap_ > 0)
        out_.put("\\intbl");
    if (blockItap_ > 1)
        out_.putWord("\\itap", blockItap_);
}

void DocumentWriter::openOwners(const std::vector<const KeptItem *> &owners, const CharEntry &first) {
    if (open_.size() >= owners.size())
        return;
    flushPending();
    closeLink();
    for (size_t i = open_.size(); i < owners.size(); ++i) {
        const KeptItem &item = *owners[i];
        switch (item.kind) {
        case KeptItem::Kind::Wrapper: openWrapper(item); break;
        case KeptItem::Kind::Note: {
            // The automatic reference mark in place of the number the reader
            // showed, in the format the mark shows in; a mark the file spelled
            // out after the \chftn goes with it.
            const OwnedSpan span = spans_.at(&item);
            writeRun(first, item.markGiven ? QStringView(text_).mid(span.start, span.end - span.start) : QStringView(),
                     "\\chftn");
            break;
        }
        case KeptItem::Kind::Picture: writeKept(item.rtf, item); break;
        default: break;
        }
        open_.push_back({owners[i], blockSerial_});
    }
}

// Whether what the characters show stands for something else that was
// written in their place: a note's automatic mark, a picture's placeholder.
bool DocumentWriter::ownedContentReplaced() const {
    for (const OpenOwner &owner : open_) {
        if (owner.item->kind == KeptItem::Kind::Note || owner.item->kind == KeptItem::Kind::Picture)
            return true;
    }
    return false;
}

// Kept content goes in front of the character it stands before, inside the
// link the characters around it share. What follows a section break in its
// gap was read after the \sect (the document ended there): it waits for the
// \sect to be written.
void DocumentWriter::writeKeptBefore(int position) {
    while (!sectionBreak_ && nextKept_ < kept_.size() && kept_[nextKept_].position <= position) {
        // After a section's settings, the body's content again.
        if (sectionSettings_)
            out_.put("\\pard");
        sectionSettings_ = false;
        writeKeptItem(*kept_[nextKept_++].item);
    }
}

void DocumentWriter::writeKeptItem(const KeptItem &item) {
    switch (item.kind) {
    case KeptItem::Kind::HiddenText:
        // Each run as a run of its own; its format says \v.
        for (const KeptItem::Run &run : item.runs) {
            CharEntry entry;
            entry.valid = true;
            buildCharEntry(run.format, &entry);
            writeRun(entry, run.text);
        }
        break;
    case KeptItem::Kind::Markup:
    case KeptItem::Kind::Picture: writeKept(item.rtf, item); break;
    case KeptItem::Kind::SectionBreak:
        sectionBreak_ = &item;  // the paragraph mark it stands at becomes \sect
        break;
    case KeptItem::Kind::Note:
        out_.put("{\\super\\chftn}");
        writeKept(item.rtf, item);
        break;
    case KeptItem::Kind::Wrapper:
        openWrapper(item);
        closeWrapper(item);
        break;
    }
}

void DocumentWriter::writeCharProps(const CharEntry &entry) {
    if (blockStyled_ || entry.styled)
        out_.put(entry.offs);
    out_.put(entry.props);
}

void DocumentWriter::writeRun(const CharEntry &entry, QStringView text, QByteArrayView before) {
    int charset = families_[size_t(entry.family)].fixedCharset;
    if (charset < 0)
        charset = charsetForText(text);
    FallbackTable &table = fallback_.forCharset(charset);
    const bool asciiAsIs = !families_[size_t(entry.family)].glyphBytes;

    out_.breakIfLong(kLineLimit);
    out_.put('{');
    const int font = fontIndex(entry.family, charset);
    out_.putWord("\\f", font);
    if (charset == kGb2312 || charset == kBig5 || charset == kShiftJis || charset == kHangul) {
        // \f alone sets the Western font in LibreOffice and Word; East Asian
        // characters take the font given to the double-byte slot.
        out_.put("\\dbch");
        out_.putWord("\\af", font);
    }
    writeCharProps(entry);
    out_.put(before);
    out_.put(' ');

    int uc = 1;  // the header's \uc1; \ucN is group-scoped, so it resets with '}'
    for (QChar qc : text) {
        const char16_t c = qc.unicode();
        out_.ensure(40);
        if (out_.lineLength() >= kLineLimit)
            out_.newline();
        if (c >= 0x20 && c < 0x7f && asciiAsIs) {
            if (c == '\\' || c == '{' || c == '}')
                out_.putUnchecked('\\');
            out_.putUnchecked(char(c));
            continue;
        }
        switch (c) {
        case u'\t': out_.put("\\tab "); continue;
        case 0x00A0: out_.put("\\~"); continue;
        case 0x00AD: out_.put("\\-"); continue;
        case 0x2011: out_.put("\\_"); continue;
        case 0x2028: out_.put("\\line "); continue;
        default: break;
        }
        const FallbackTable::Escape &e = table.escape(c);
        if (e.uc != uc) {
            out_.put("\\uc");
            out_.putUnchecked(char('0' + e.uc));
            uc = e.uc;
        }
        out_.putUnchecked(QByteArrayView(e.text, e.length));
    }
    out_.put('}');
}

const ImageData *DocumentWriter::imageData(const QString &name) {
    auto found = images_.constFind(name);
    if (found != images_.constEnd())
        return found->bytes.isEmpty() ? nullptr : &*found;

    ImageData data;
    QVariant resource = doc_->resource(QTextDocument::ImageResource, originalImageUrl(name));
    if (resource.typeId() != QMetaType::QByteArray)
        resource = doc_->resource(QTextDocument::ImageResource, QUrl(name));
    QImage image;
    if (resource.typeId() == QMetaType::QByteArray) {
        const QByteArray raw = resource.toByteArray();
        if (raw.startsWith("\x89PNG\r\n\x1a\n") || raw.startsWith("\xff\xd8\xff")) {
            // Already PNG or JPEG: keep the bytes as they are.
            QBuffer buffer;
            buffer.setData(raw);
            QImageReader reader(&buffer);
            data.pixels = reader.size();
            data.blipKind = raw.startsWith("\x89PNG") ? "\\pngblip" : "\\jpegblip";
            data.bytes = raw;
        } else {
            image.loadFromData(raw);
        }
    } else if (resource.isValid()) {
        image = resource.value<QImage>();
    }
    if (data.bytes.isEmpty() && !image.isNull()) {
        QBuffer buffer(&data.bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        data.blipKind = "\\pngblip";
        data.pixels = image.size();
    }
    auto it = images_.insert(name, data);
    return it->bytes.isEmpty() ? nullptr : &*it;
}

void DocumentWriter::writeImage(const QTextImageFormat &format) {
    const ImageData *data = imageData(format.name());
    if (!data)
        return;  // no picture behind the name: nothing a reader could show
    QSize px = data->pixels.isValid() ? data->pixels : QSize(1, 1);
    double w = format.width();
    double h = format.height();
    if (w <= 0 && h <= 0) {
        w = px.width();
        h = px.height();
    } else if (w <= 0) {
        w = px.height() > 0 ? h * px.width() / px.height() : h;
    } else if (h <= 0) {
        h = px.width() > 0 ? w * px.height() / px.width() : w;
    }
    out_.breakIfLong(kLineLimit);
    out_.put("{\\pict");
    out_.put(data->blipKind);
    out_.putWord("\\picw", px.width());
    out_.putWord("\\pich", px.height());
    out_.putWord("\\picwgoal", unitsToTwips(w));
    out_.putWord("\\pichgoal", unitsToTwips(h));
    out_.newline();
    static const char kHex[] = "0123456789abcdef";
    const QByteArray &bytes = data->bytes;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        out_.ensure(4);
        const uchar b = uchar(bytes[i]);
        out_.putUnchecked(kHex[b >> 4]);
        out_.putUnchecked(kHex[b & 15]);
        if (i % 64 == 63)
            out_.newline();
    }
    out_.put('}');
}

std::vector<int> DocumentWriter::columnWidths(const QTextTable *table, int widthTwips) const {
    const int columns = table->columns();
    const QList<QTextLength> constraints = table->format().columnWidthConstraints();
    std::vector<int> widths(size_t(columns), -1);
    int used = 0;
    int variable = 0;
    for (int c = 0; c < columns; ++c) {
        if (c < constraints.size()) {
            const QTextLength &len = constraints[c];
            if (len.type() == QTextLength::FixedLength)
                widths[size_t(c)] = unitsToTwips(len.rawValue());
            else if (len.type() == QTextLength::PercentageLength)
                widths[size_t(c)] = int(widthTwips * len.rawValue() / 100.0);
        }
        if (widths[size_t(c)] < 0)
            ++variable;
        else
            used += widths[size_t(c)];
    }
    if (variable) {
        const int share = std::max((widthTwips - used) / variable, widthTwips / (columns * 4) + 1);
        for (int &w : widths) {
            if (w < 0)
                w = share;
        }
    }
    // Readers cap \cellx at 22 inches (the widest page Word knows); a wider
    // table is scaled down so that it reads back as written.
    constexpr int kMaxTableTwips = 31680;
    long long total = 0;
    for (int w : widths)
        total += std::max(w, 60);
    for (int &w : widths) {
        w = std::max(w, 60);
        if (total > kMaxTableTwips)
            w = std::max(60, int(w * (double(kMaxTableTwips) / double(total))));
    }
    return widths;
}

void DocumentWriter::writeTable(QTextTable *table, int depth, int widthTwips) {
    const QTextTableFormat format = table->format();
    const int rows = table->rows();
    const int columns = table->columns();
    if (rows <= 0 || columns <= 0)
        return;
    const std::vector<int> widths = columnWidths(table, widthTwips);
    const int gap = std::max(0, unitsToTwips(format.cellPadding()));

    QByteArray border;
    if (format.border() > 0 && format.borderStyle() != QTextFrameFormat::BorderStyle_None) {
        const QByteArray side =
            "\\brdrs" + QByteArray("\\brdrw") + QByteArray::number(std::clamp(unitsToTwips(format.border()), 1, 75));
        border = "\\clbrdrt" + side + "\\clbrdrl" + side + "\\clbrdrb" + side + "\\clbrdrr" + side;
    }

    for (int r = 0; r < rows; ++r) {
        Buffer def(256);
        def.put("\\trowd");
        def.putWord("\\trgaph", gap);
        const Qt::Alignment align = format.alignment() & Qt::AlignHorizontal_Mask;
        if (align & Qt::AlignHCenter)
            def.put("\\trqc");
        else if (align & Qt::AlignRight)
            def.put("\\trqr");
        int right = 0;
        for (int c = 0; c < columns; ++c) {
            const QTextTableCell cell = table->cellAt(r, c);
            right += widths[size_t(c)];
            if (!cell.isValid()) {
                def.putWord("\\cellx", right);
                continue;
            }
            if (cell.row() != r)
                def.put("\\clvmrg");
            else if (cell.rowSpan() > 1)
                def.put("\\clvmgf");
            if (cell.column() != c)
                def.put("\\clmrg");
            else if (cell.columnSpan() > 1)
                def.put("\\clmgf");
            const QTextTableCellFormat cf = cell.format().toTableCellFormat();
            if (cf.verticalAlignment() == QTextCharFormat::AlignMiddle)
                def.put("\\clvertalc");
            else if (cf.verticalAlignment() == QTextCharFormat::AlignBottom)
                def.put("\\clvertalb");
            if (cf.hasProperty(QTextFormat::BackgroundBrush) && cf.background().style() != Qt::NoBrush)
                def.putWord("\\clcbpat", colourIndex(cf.background().color()));
            def.put(border);
            def.putWord("\\cellx", right);
        }
        const QByteArray rowDef = def.take();

        if (depth == 1) {
            out_.put(rowDef);
            out_.newline();
        }
        const Terminator cellEnd = depth == 1 ? Terminator::Cell : Terminator::NestCell;
        for (int c = 0; c < columns; ++c) {
            const QTextTableCell cell = table->cellAt(r, c);
            if (cell.isValid() && cell.row() == r && cell.column() == c) {
                std::vector<Item> items;
                collectItems(cell.begin(), &items);
                int span = 0;
                for (int k = c; k < c + cell.columnSpan() && k < columns; ++k)
                    span += widths[size_t(k)];
                writeItems(items, depth, cellEnd, std::max(span - 2 * gap, 200));
            } else {
                // The covered part of a merged cell: an empty cell.
                out_.put("\\pard\\plain\\intbl");
                if (depth > 1)
                    out_.putWord("\\itap", depth);
                writeTerminator(cellEnd);
            }
        }
        if (depth == 1) {
            out_.put("\\row");
        } else {
            out_.put("\\pard\\plain\\intbl");
            out_.putWord("\\itap", depth);
            out_.put("{\\*\\nesttableprops");
            out_.put(rowDef);
            out_.put("\\nestrow}{\\nonesttables\\par}");
        }
        out_.newline();
    }
}

QByteArray DocumentWriter::header(const QByteArray &prologue) {
    Buffer h(1024 + qsizetype(fonts_.size()) * 64 + qsizetype(colours_.size()) * 32 + prologue.size());
    h.put("{\\rtf1\\ansi\\ansicpg936");
    h.putWord("\\deff", deff_);
    h.put("\\uc1");
    h.newline();
    h.put("{\\fonttbl");
    for (size_t i = 0; i < fonts_.size(); ++i) {
        const FontEntry &font = fonts_[i];
        const QString &name = families_[size_t(font.family)].name;
        h.breakIfLong(kLineLimit);
        h.putWord("{\\f", int(i));
        h.put("\\fnil");
        h.putWord("\\fcharset", font.charset);
        h.put(' ');
        FallbackTable &table = fallback_.forCharset(font.charset);
        for (QChar qc : name) {
            const char16_t c = qc.unicode();
            h.ensure(24);
            if (c >= 0x20 && c < 0x7f && c != ';') {
                if (c == '\\' || c == '{' || c == '}')
                    h.putUnchecked('\\');
                h.putUnchecked(char(c));
                continue;
            }
            const uint32_t packed = c < 0x80 ? kUnencodable : table.lookup(c);
            const int n = fallbackLength(packed);
            if (c == ';') {
                h.putHexByteUnchecked(uchar(';'));
            } else if (n == 0) {
                h.put("\\u");
                h.putIntUnchecked(int(int16_t(c)));
                h.putUnchecked('?');
            } else {
                h.putHexByteUnchecked(uchar(packed >> 8));
                if (n == 2)
                    h.putHexByteUnchecked(uchar(packed >> 16));
            }
        }
        h.put(";}");
    }
    h.put('}');
    h.newline();
    h.put("{\\colortbl;");
    for (QRgb rgb : colours_) {
        h.breakIfLong(kLineLimit);
        h.putWord("\\red", qRed(rgb));
        h.putWord("\\green", qGreen(rgb));
        h.putWord("\\blue", qBlue(rgb));
        h.put(';');
    }
    h.put('}');
    h.newline();
    h.put("{\\*\\generator Pennaro;}");
    // What the document keeps of its own header: its stylesheet and list
    // tables, properties, settings, headers and footers.
    h.put(prologue);
    h.put("\\viewkind4");
    h.newline();
    return h.take();
}

QByteArray DocumentWriter::write() {
    out_.skip(kHeaderRoom);
    // Most documents keep nothing; a look at their few distinct formats
    // spares them the walks over every fragment.
    bool gaps = false, owners = false;
    for (const QTextFormat &format : doc_->allFormats()) {
        gaps = gaps || format.hasProperty(KeptBefore) || format.hasProperty(KeptAfter);
        owners = owners || format.hasProperty(KeptOwner);
    }
    if (gaps)
        kept_ = placeKeptContent(doc_);
    if (owners)
        spans_ = ownedSpans(doc_);
    std::vector<Item> items;
    collectItems(doc_->rootFrame()->begin(), &items);
    int width = kDefaultTextWidthTwips;
    if (doc_->textWidth() > 0)
        width = unitsToTwips(doc_->textWidth());
    // Every paragraph ends with \par, the last one too: readers take the
    // final \par as the mark of the last paragraph, not as a new empty one.
    writeItems(items, 0, Terminator::Par, width);
    // Nothing should be left; if it is, it is not lost.
    closeOwnersFrom(0);
    writeKeptBefore(INT_MAX);
    while (sectionBreak_) {
        writeTerminator(Terminator::Par);
        writeKeptBefore(INT_MAX);
    }
    out_.put('}');
    out_.newline();

    // The tables are only known once the body and what the document keeps
    // of its header are written.
    Buffer prologue(1024);
    if (keptDocument_)
        writeKeptTo(prologue, keptDocument_->prologue, keptDocument_->source);
    const QByteArray head = header(prologue.take());
    return out_.takeWithPrefix(head, kHeaderRoom);
}

}  // namespace

QByteArray write(const QTextDocument *doc) {
    if (!doc)
        return QByteArray("{\\rtf1\\ansi\\ansicpg936\\deff0}");
    DocumentWriter writer(doc);
    return writer.write();
}

}  // namespace writer

QByteArray writeDocument(const QTextDocument *doc) { return writer::write(doc); }

}  // namespace pennaro::rtf
