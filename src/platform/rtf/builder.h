// Builds QTextDocument content from what the reader makes of the tokens:
// runs of text with their properties, paragraphs, tables, pictures, and the
// kept content hung on the shown characters around it (kept.h). Private to
// the reader.
#pragma once

#include "platform/rtf/headertables.h"
#include "platform/rtf/kept.h"
#include "platform/rtf/props.h"

#include <QString>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>

#include <optional>
#include <unordered_map>
#include <vector>

class QTextImageFormat;
class QTextTable;

namespace pennaro::rtf {

class Tokenizer;

class DocumentBuilder {
public:
    enum class Mode { WholeDocument, Insert };
    DocumentBuilder(QTextCursor &cursor, Mode mode, const HeaderTables &tables, QByteArrayView input,
                    const Tokenizer &tokenizer);

    Mode mode() const { return mode_; }
    QTextDocument *document() const { return cursor_.document(); }

    // Hyperlink targets and stacks of owning items, for CharProps::link and
    // CharProps::owner; -1 when there is no room for another.
    int addLink(const QString &href);
    int ownerList(int outer, const std::shared_ptr<KeptItem> &item);
    KeptList owners(int list) const;

    // Text joins the run being built; a run goes in when its properties
    // change or the structure around it does. fromGlyphs: the text was read
    // from a symbol font's glyph bytes or codes.
    void text(QStringView text, const CharProps &props, const ParaProps &para, bool fromGlyphs = false);
    // Text that is a run of its own, in a format of its own (a SYMBOL
    // field's character), or hidden in it.
    void insertRun(const QString &text, const QTextCharFormat &format, bool hidden, const ParaProps &para);
    void flushRun();
    // The formats a run's characters take: Latin and East Asian; in Symbol
    // and Wingdings, the characters read from glyphs take the third.
    struct RunFormats {
        QTextCharFormat latin;
        QTextCharFormat eastAsian;
        std::optional<QTextCharFormat> characters;
        bool split = false;  // latin and eastAsian differ
    };
    const RunFormats &runFormats(const CharProps &p);

    // Structure
    // atEnd: kept at the paragraph's end (a section break).
    void endParagraph(bool pageBreak, const CharProps &chr, const ParaProps &para, KeptItemPtr atEnd = nullptr);
    void endCell(int level, const CharProps &chr, const ParaProps &para);
    void endRow(int level);
    void clearCellBoundaries() { cellx_.clear(); }
    void addCellBoundary(int twips);
    void insertImage(QTextImageFormat format, const ParaProps &para);
    void finish(const ParaProps &para);  // at the end of the input

    // Kept content: the item is hung on the shown characters around the
    // place reached so far (the end of the paragraph when it ends next).
    void keep(KeptItemPtr item);
    // Whether the item was the last one kept and nothing has been shown
    // since: more content of the same gap may join it.
    bool keptLast(const KeptItem *item) const;
    // Takes back the item kept last (one that turned out to be no gap).
    void dropLast(const KeptItem *item);

private:
    struct TableLevel {
        QTextTable *table;
        const char *start;  // where in the file the table began
        int row = 0;
        int col = 0;
        bool cellEnded = false;
        bool rowEnded = false;
    };

    static void makeInsertable(QString &text);
    void emitText(const QString &text, const QTextCharFormat &format, bool hidden);
    void insertShown(const QString &text, const QTextCharFormat &format);
    void recordShown(const QTextCharFormat &format, QStringView text);
    void recordParagraphEnd(const CharProps &chr);
    QTextCharFormat charFormat(const CharProps &p, bool eastAsian) const;
    QTextBlockFormat blockFormat(const ParaProps &p);

    void closeHiddenItem();
    KeptList takeKept();
    void attachKept(QTextCharFormat &firstShown);
    void settleKept();

    void placeCursor(const ParaProps &para, int level = -1);  // -1: the paragraph's own
    void openTable();
    void closeTable();
    void trimSpareRows(const TableLevel &t);
    int upcomingRowEnds(const TableLevel &t) const;  // \row words just ahead in the file, at least 1
    void advanceCell(TableLevel &t);
    void applyBlockFormat(const ParaProps &para);

    QTextCursor &cursor_;
    Mode mode_;
    const HeaderTables &header_;
    QByteArrayView input_;
    const Tokenizer &tokenizer_;
    qsizetype tablesLeft_;               // tables that may still be opened
    QTextBlockFormat insertTailFormat_;  // pasting: the format of the paragraph pasted into

    std::vector<QString> links_;
    std::vector<KeptList> owners_;
    // The owning items being read, with the paragraph ends since the last
    // character each was shown with, for their shown text.
    struct Owned {
        KeptItem *item;
        int breaks = 0;
    };
    std::unordered_map<const KeptItem *, Owned> owned_;

    // Decoded text not yet inserted
    QString run_;
    CharProps runProps_;
    bool runStarted_ = false;
    bool runFromGlyphs_ = false;
    std::unordered_map<CharProps, RunFormats, CharPropsHash> formatCache_;
    int formatVersion_ = -1;
    ParaProps lastPara_;
    QTextBlockFormat lastBlockFormat_;
    bool haveBlockFormat_ = false;

    // Document structure
    bool pendingBreak_ = false;
    bool pageBreakBefore_ = false;  // the next paragraph starts a page
    bool blockBreaksPage_ = false;  // the current one does
    std::vector<TableLevel> tables_;
    std::vector<int> cellx_;

    // Kept content waiting for the next shown character, and what the
    // next paragraph's mark carries of the end of this one
    std::vector<KeptItem::Run> hiddenRuns_;  // the hidden text item being read
    std::vector<KeptItemPtr> pendingKept_;
    std::vector<KeptItemPtr> paragraphEndKept_;
    KeptList markKept_;
};

}  // namespace pennaro::rtf
