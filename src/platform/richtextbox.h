// The rich text editing control the handlers drive. It wraps a QTextEdit and
// speaks in the control's own terms: character offsets for the selection,
// std::nullopt for a selection whose characters do not share one value
// ("Null"), colours laid out 0xBBGGRR, geometry in twips.
#pragma once

#include "platform/units.h"
#include "platform/pageprinter.h"

#include <QObject>
#include <QString>
#include <QTextCursor>
#include <optional>

class QPrinter;
class QTextDocument;
class QTextEdit;
class QWidget;

namespace pennaro {

class EditorWidget;

class RichTextBox : public QObject {
    Q_OBJECT
public:
    // Creates the editing widget as a child of parent. Default font "宋体"
    // 12 pt, wraps lines at the widget's edge, vertical scroll bar as needed.
    explicit RichTextBox(QWidget *parent);
    ~RichTextBox() override;

    QTextEdit *widget() const;
    QTextDocument *document() const;

    // The whole document as plain text; one character per document position,
    // a paragraph break is one "\n".
    QString Text() const;
    void setText(const QString &text);  // plain text; raises Change

    int SelStart() const;
    void setSelStart(int start);  // clamps; collapses the selection to a caret there
    int SelLength() const;
    void setSelLength(int length);  // from SelStart; clamps to the end of the text
    QString SelText() const;
    void setSelText(const QString &text);  // caret ends after the inserted text
    // Replaces the selection with the text: formatted content when it is RTF
    // markup ("{\rtf..."), plain text otherwise; empty text deletes.
    void setSelRTF(const QString &text);

    std::optional<bool> SelBold() const;
    void setSelBold(std::optional<bool> value);
    std::optional<bool> SelItalic() const;
    void setSelItalic(std::optional<bool> value);
    std::optional<bool> SelUnderline() const;
    void setSelUnderline(std::optional<bool> value);
    std::optional<bool> SelStrikeThru() const;
    void setSelStrikeThru(std::optional<bool> value);
    std::optional<QString> SelFontName() const;
    void setSelFontName(std::optional<QString> value);
    std::optional<float> SelFontSize() const;
    void setSelFontSize(std::optional<float> value);
    std::optional<quint32> SelColor() const;  // 0xBBGGRR
    void setSelColor(std::optional<quint32> value);
    // Writing std::nullopt changes nothing. A write with a caret applies to
    // the text typed next; a write over a selection is one undo step.

    // SelFontName and SelFontSize read together, in one pass over the
    // selection: selection tracking needs both on every caret move.
    struct FontNameAndSize {
        std::optional<QString> name;
        std::optional<float> size;
    };
    FontNameAndSize SelFontNameAndSize() const;

    // The Sel* writes made over a selection while an UndoGroup lives are
    // taken back by one undo request, and raise one Change when it ends.
    // With a caret it groups nothing and so reports no change. For many
    // changes that also move the selection, asOneUndoStep below holds the
    // layout and the widget's reports back as well.
    class UndoGroup {
    public:
        explicit UndoGroup(RichTextBox &box);
        ~UndoGroup();
        UndoGroup(const UndoGroup &) = delete;
        UndoGroup &operator=(const UndoGroup &) = delete;

    private:
        QTextCursor cursor_;
    };

    // File type 0 is RTF, the only type there is. Both throw PlatformError
    // with a one-line reason (LoadFile's names the file; SaveFile's does not,
    // as its callers name the file themselves). SaveFile never leaves a
    // damaged or emptied file behind (platform/filesave.h). A relative name
    // is taken against the process's current directory. LoadFile raises
    // Change and leaves no undo step.
    void LoadFile(const QString &fileName, int fileType = 0);
    void SaveFile(const QString &fileName, int fileType = 0);

    // Prints the selection with its formatting, or the whole document when
    // the selection is empty, as one job (see printDocument: the printer's
    // own range settings are not consulted). progress hears of every page.
    // Throws PlatformError.
    void SelPrint(QPrinter *printer, const PageProgress &progress = {});

    // Places the control in its parent, in twips. Throws PlatformError for a
    // negative width or height (the control then stays where it was).
    void Move(double left, double top, double width, double height);
    double Left() const;  // the twips of the last successful Move
    double Top() const;
    double Width() const;
    double Height() const;

    // The undo request: takes back the last edit of the control's own
    // history; nothing when there is nothing to undo.
    void Undo();

    // ---- editing support (richtextbox_editing.cpp) ----------------------
    // Runs changes as one step of the undo history: a single Undo takes back
    // everything they changed. The document reports the change (Change) once,
    // when they are done, and so does the selection (SelChange): the window
    // catches up with the selection the changes leave, not with each one on
    // the way. The changes must not wait for the user.
    void asOneUndoStep(const std::function<void()> &changes);

    // A piece of the text, in selection offsets.
    struct Range {
        int start = 0;
        int length = 0;
    };
    // What a SelColor write gives a selection, given to each of the ranges
    // at once (one undo step), the selection staying as it is: colouring
    // thousands of places one selection at a time costs the control a
    // paragraph's layout each.
    void setColorOfRanges(const QList<Range> &ranges, quint32 color);

    // The document's paragraph, line and frame breaks as "\n", the way Text
    // spells them, so that a piece of the document's raw text reads as the
    // same piece of Text. (QTextCursor hands out U+2029 and, around tables,
    // the non-characters U+FDD0 and U+FDD1.)
    static QString withPlainTextBreaks(QString text);

signals:
    void Change();
    void SelChange();
    void MouseUp(int button, int shift, float x, float y);  // button 1 left, 2 right, 4 middle

private:
    EditorWidget *edit_;
    double left_ = 0, top_ = 0, width_ = 0, height_ = 0;
};

}  // namespace pennaro
