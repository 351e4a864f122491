#include "platform/richtextbox.h"

#include "platform/editorwidget.h"
#include "platform/errors.h"
#include "platform/filesave.h"
#include "platform/pageprinter.h"
#include "platform/picturesize.h"
#include "platform/rtf/docformat.h"
#include "platform/rtf/rtf.h"
#include "platform/units.h"

#include <QBrush>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QScreen>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextFrame>
#include <QTextImageFormat>
#include <functional>
#include <vector>

#include <memory>

namespace pennaro {

namespace {

// A character's properties as the control reports them: a property the
// character does not set explicitly reads as the document's default.
QString familyOf(const QTextCharFormat &f, const QFont &defaultFont) {
    const QStringList families = f.fontFamilies().toStringList();
    if (!families.isEmpty() && !families.first().isEmpty())
        return families.first();
    const QString legacy = f.property(QTextFormat::FontFamily).toString();
    return legacy.isEmpty() ? defaultFont.family() : legacy;
}

float sizeOf(const QTextCharFormat &f, const QFont &defaultFont) {
    if (f.hasProperty(QTextFormat::FontPointSize) && f.fontPointSize() > 0)
        return float(f.fontPointSize());
    if (f.hasProperty(QTextFormat::FontPixelSize) && f.intProperty(QTextFormat::FontPixelSize) > 0)
        return float(f.intProperty(QTextFormat::FontPixelSize) * 72.0 / 96.0);
    return float(defaultFont.pointSizeF());
}

quint32 colorOf(const QTextCharFormat &f) {
    if (!f.hasProperty(QTextFormat::ForegroundBrush))
        return 0;
    const QBrush brush = f.foreground();
    if (brush.style() == Qt::NoBrush)
        return 0;
    return bgrFromColor(brush.color());
}

bool isBold(const QTextCharFormat &f) { return f.fontWeight() >= QFont::DemiBold; }

// Calls visit(format) once for every distinct character format among the
// selected characters, until it returns false. Walks the fragments (runs of
// one format) of the blocks in the range, so a large selection costs one
// step per run, not per character; a format met before is recognised by its
// index in the document's format table and not looked at again, so a
// selection of many runs in a few formats costs little more than the walk.
// Embedded pictures have no font of their own and are passed over, so that
// they do not make the text around them read as mixed.
template <typename Visit>
void forEachSelectedFormat(const QTextCursor &cursor, Visit visit) {
    if (!cursor.hasSelection())
        return;
    const int start = cursor.selectionStart();
    const int end = cursor.selectionEnd();
    std::vector<bool> seen;
    // Blocks and the fragments of a block follow each other from where the
    // first starts; adding up their lengths is much cheaper than asking each
    // for its position, which climbs the document's tree. An empty
    // paragraph holds no fragment and is passed over without asking.
    QTextBlock block = cursor.document()->findBlock(start);
    for (int blockStart = block.position(); block.isValid() && blockStart < end;
         blockStart += block.length(), block = block.next()) {
        if (block.length() == 1)
            continue;
        int fragmentEnd = blockStart;
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const int fragmentStart = fragmentEnd;
            fragmentEnd += fragment.length();
            if (fragmentEnd <= start)
                continue;
            if (fragmentStart >= end)
                break;
            const std::size_t index = std::size_t(fragment.charFormatIndex());
            if (index < seen.size() && seen[index])
                continue;
            if (index >= seen.size())
                seen.resize(index + 1);
            seen[index] = true;
            const QTextCharFormat format = fragment.charFormat();
            if (!format.isImageFormat() && !visit(format))
                return;
        }
    }
}

// One property as the selected characters share it: the common value, or
// mixed once two of them differ.
template <typename Value>
class Shared {
public:
    void add(const Value &value) {
        if (mixed_)
            return;
        if (!value_)
            value_ = value;
        else if (!(*value_ == value))
            mixed_ = true;
    }
    bool mixed() const { return mixed_; }
    // Null when mixed; without any character seen (a caret, or only
    // paragraph breaks and pictures selected), the insertion point's value.
    std::optional<Value> result(const Value &atCursor) const {
        if (mixed_)
            return std::nullopt;
        return value_ ? *value_ : atCursor;
    }

private:
    std::optional<Value> value_;
    bool mixed_ = false;
};

template <typename ValueOf>
auto sharedValue(const QTextEdit *edit, ValueOf valueOf) {
    using Value = std::invoke_result_t<ValueOf, const QTextCharFormat &>;
    const QTextCursor cursor = edit->textCursor();
    Shared<Value> shared;
    forEachSelectedFormat(cursor, [&](const QTextCharFormat &format) {
        shared.add(std::invoke(valueOf, format));
        return !shared.mixed();
    });
    return shared.result(std::invoke(valueOf, cursor.charFormat()));
}

// Every Sel* write: nothing for Null; otherwise one property set on an empty
// format that is merged into each selected character (one undo step), or
// with a caret into the format of the text typed next.
template <typename Value, typename Set>
void mergeIntoSelection(QTextEdit *edit, const std::optional<Value> &value, Set set) {
    if (!value)
        return;
    QTextCharFormat format;
    std::invoke(set, format, *value);
    edit->mergeCurrentCharFormat(format);
}

// The format text gets that replaces the cursor's selection: that of the
// first selected character, as the rich edit control does it; with a caret,
// the insertion point's format (which includes a pending caret format).
QTextCharFormat replacementFormat(const QTextCursor &cursor) {
    if (!cursor.hasSelection())
        return cursor.charFormat();
    QTextCursor probe(cursor.document());
    probe.setPosition(cursor.selectionStart());
    probe.movePosition(QTextCursor::NextCharacter);
    QTextCharFormat format = probe.charFormat();
    if (format.isImageFormat())
        format = cursor.charFormat();
    if (format.isImageFormat())
        format = QTextCharFormat();
    format.clearProperty(QTextFormat::ObjectType);
    return format;
}

QString normalizedLineBreaks(QString text) {
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

// RTF markup that arrives as text (a clipboard) is 7-bit by nature; the odd
// character beyond Latin-1 is passed on as a Unicode escape so that the
// reader sees it instead of a code page guess.
QByteArray markupBytes(const QString &text) {
    QByteArray bytes;
    bytes.reserve(text.size());
    for (QChar ch : text) {
        if (ch.unicode() < 256)
            bytes.append(char(ch.unicode()));
        else
            bytes.append("\\u" + QByteArray::number(qint16(ch.unicode())) + "?");
    }
    return bytes;
}

// The selection as a document of its own, with what the layout needs from
// the whole: default font, text options, margins and the pictures, which
// live as resources of the source document.
std::unique_ptr<QTextDocument> selectionCopy(const QTextCursor &cursor) {
    const QTextDocument *source = cursor.document();
    auto copy = std::make_unique<QTextDocument>();
    copy->setDefaultFont(source->defaultFont());
    copy->setDefaultStyleSheet(source->defaultStyleSheet());
    copy->setDefaultTextOption(source->defaultTextOption());
    copy->rootFrame()->setFrameFormat(source->rootFrame()->frameFormat());
    QTextCursor(copy.get()).insertFragment(cursor.selection());
    for (QTextBlock block = copy->begin(); block.isValid(); block = block.next()) {
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (!format.isImageFormat())
                continue;
            const QUrl name(format.toImageFormat().name());
            const QVariant image = source->resource(QTextDocument::ImageResource, name);
            if (image.isValid())
                copy->addResource(QTextDocument::ImageResource, name, image);
        }
    }
    return copy;
}

}  // namespace

RichTextBox::RichTextBox(QWidget *parent) : QObject(parent), edit_(new EditorWidget(parent)) {
    const QFont font = rtf::editorFont();
    // The widget's own font is what QTextEdit hands to the document on every
    // font change of the window, so both are set.
    edit_->setFont(font);
    edit_->document()->setDefaultFont(font);
    limitPictureSize(edit_->document());
    // Paragraphs run left to right unless they say otherwise (a file's
    // \rtlpar), as in RTF itself; Qt would otherwise look through the text
    // of every paragraph after the one edited, on every keystroke, for it.
    QTextOption option = edit_->document()->defaultTextOption();
    option.setTextDirection(Qt::LeftToRight);
    edit_->document()->setDefaultTextOption(option);
    edit_->setLineWrapMode(QTextEdit::WidgetWidth);
    edit_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    edit_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    // textChanged also fires for formatting changes, which count as changes
    // of the document.
    connect(edit_, &QTextEdit::textChanged, this, &RichTextBox::Change);
    connect(edit_, &EditorWidget::selectionMoved, this, &RichTextBox::SelChange);
    connect(edit_, &EditorWidget::mouseReleased, this, &RichTextBox::MouseUp);
}

RichTextBox::~RichTextBox() = default;

QTextEdit *RichTextBox::widget() const { return edit_; }
QTextDocument *RichTextBox::document() const { return edit_->document(); }

QString RichTextBox::Text() const { return edit_->document()->toPlainText(); }

void RichTextBox::setText(const QString &text) {
    bool changed = false;
    const auto probe = connect(edit_, &QTextEdit::textChanged, this, [&changed] { changed = true; });
    // Through the document, not QTextEdit::setPlainText, which would give the
    // new text the format at the old caret: new text starts in the default
    // font, as a fresh document does.
    edit_->document()->setPlainText(normalizedLineBreaks(text));
    edit_->setTextCursor(QTextCursor(edit_->document()));
    disconnect(probe);
    if (!changed)
        emit Change();
    edit_->reportSelection(true);
}

int RichTextBox::SelStart() const { return edit_->textCursor().selectionStart(); }

void RichTextBox::setSelStart(int start) {
    const int last = edit_->document()->characterCount() - 1;
    QTextCursor cursor = edit_->textCursor();
    cursor.setPosition(qBound(0, start, last));
    edit_->setTextCursor(cursor);  // which also scrolls it into view
}

int RichTextBox::SelLength() const {
    const QTextCursor cursor = edit_->textCursor();
    return cursor.selectionEnd() - cursor.selectionStart();
}

void RichTextBox::setSelLength(int length) {
    if (length < 0)
        throw PlatformError(QStringLiteral("Invalid property value"));
    const int last = edit_->document()->characterCount() - 1;
    QTextCursor cursor = edit_->textCursor();
    const int start = cursor.selectionStart();
    cursor.setPosition(start);
    cursor.setPosition(int(qMin<qint64>(qint64(start) + length, last)), QTextCursor::KeepAnchor);
    edit_->setTextCursor(cursor);
}

QString RichTextBox::SelText() const { return withPlainTextBreaks(edit_->textCursor().selectedText()); }

void RichTextBox::setSelText(const QString &text) {
    QTextCursor cursor = edit_->textCursor();
    const QTextCharFormat format = replacementFormat(cursor);
    cursor.beginEditBlock();
    cursor.insertText(normalizedLineBreaks(text), format);
    cursor.endEditBlock();
    edit_->setTextCursor(cursor);
    edit_->ensureCursorVisible();
}

void RichTextBox::setSelRTF(const QString &text) {
    QTextCursor cursor = edit_->textCursor();
    if (text.isEmpty()) {
        if (cursor.hasSelection()) {
            cursor.removeSelectedText();
            edit_->setTextCursor(cursor);
        }
        return;
    }
    const QByteArray bytes = markupBytes(text);
    if (rtf::looksLikeRtf(bytes)) {
        cursor.beginEditBlock();
        const rtf::ReadResult result = rtf::insertRtf(bytes, cursor);
        cursor.endEditBlock();
        if (result.ok) {
            edit_->setTextCursor(cursor);
            edit_->ensureCursorVisible();
            return;
        }
    }
    setSelText(text);
}

std::optional<bool> RichTextBox::SelBold() const { return sharedValue(edit_, isBold); }

void RichTextBox::setSelBold(std::optional<bool> value) {
    mergeIntoSelection(edit_, value,
                       [](QTextCharFormat &f, bool on) { f.setFontWeight(on ? QFont::Bold : QFont::Normal); });
}

std::optional<bool> RichTextBox::SelItalic() const { return sharedValue(edit_, &QTextCharFormat::fontItalic); }

void RichTextBox::setSelItalic(std::optional<bool> value) {
    mergeIntoSelection(edit_, value, &QTextCharFormat::setFontItalic);
}

std::optional<bool> RichTextBox::SelUnderline() const { return sharedValue(edit_, &QTextCharFormat::fontUnderline); }

void RichTextBox::setSelUnderline(std::optional<bool> value) {
    mergeIntoSelection(edit_, value, &QTextCharFormat::setFontUnderline);
}

std::optional<bool> RichTextBox::SelStrikeThru() const { return sharedValue(edit_, &QTextCharFormat::fontStrikeOut); }

void RichTextBox::setSelStrikeThru(std::optional<bool> value) {
    mergeIntoSelection(edit_, value, &QTextCharFormat::setFontStrikeOut);
}

std::optional<QString> RichTextBox::SelFontName() const {
    const QFont defaultFont = edit_->document()->defaultFont();
    return sharedValue(edit_, [&](const QTextCharFormat &f) { return familyOf(f, defaultFont); });
}

void RichTextBox::setSelFontName(std::optional<QString> value) {
    // An empty name (an emptied font-name box) names no font; the text keeps
    // the one it has. Any other name is kept as given, installed or not: it
    // is what the user chose and what the file will name. Characters the
    // named font lacks, or all of them for a font that is not installed,
    // are drawn in a font that has them.
    if (value && value->trimmed().isEmpty())
        return;
    mergeIntoSelection(edit_, value,
                       [](QTextCharFormat &f, const QString &name) { f.setFontFamilies(QStringList{name}); });
}

std::optional<float> RichTextBox::SelFontSize() const {
    const QFont defaultFont = edit_->document()->defaultFont();
    return sharedValue(edit_, [&](const QTextCharFormat &f) { return sizeOf(f, defaultFont); });
}

void RichTextBox::setSelFontSize(std::optional<float> value) {
    // A size outside 1 to 1638 points is refused silently: the text keeps
    // its size, and a caller that reads the size back sees what it holds.
    if (value && !isPointSizeInRange(*value))
        return;
    mergeIntoSelection(edit_, value, [](QTextCharFormat &f, float points) { f.setFontPointSize(points); });
}

std::optional<quint32> RichTextBox::SelColor() const { return sharedValue(edit_, colorOf); }

void RichTextBox::setSelColor(std::optional<quint32> value) {
    mergeIntoSelection(edit_, value, [](QTextCharFormat &f, quint32 bgr) { f.setForeground(colorFromBgr(bgr)); });
}

RichTextBox::FontNameAndSize RichTextBox::SelFontNameAndSize() const {
    const QFont defaultFont = edit_->document()->defaultFont();
    const QTextCursor cursor = edit_->textCursor();
    Shared<QString> name;
    Shared<float> size;
    forEachSelectedFormat(cursor, [&](const QTextCharFormat &format) {
        name.add(familyOf(format, defaultFont));
        size.add(sizeOf(format, defaultFont));
        return !(name.mixed() && size.mixed());
    });
    const QTextCharFormat atCursor = cursor.charFormat();
    return {name.result(familyOf(atCursor, defaultFont)), size.result(sizeOf(atCursor, defaultFont))};
}

// An edit block reports a change when it ends, even an empty one; with a
// caret the writes only set the format of the text typed next, so there is
// nothing to group and no block is opened.
RichTextBox::UndoGroup::UndoGroup(RichTextBox &box) {
    if (!box.edit_->textCursor().hasSelection())
        return;
    cursor_ = QTextCursor(box.document());
    cursor_.beginEditBlock();
}

RichTextBox::UndoGroup::~UndoGroup() {
    if (!cursor_.isNull())
        cursor_.endEditBlock();
}

void RichTextBox::LoadFile(const QString &fileName, int fileType) {
    if (fileType != 0)
        throw PlatformError(QStringLiteral("Unsupported file type %1").arg(fileType));
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw PlatformError(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(fileName), file.errorString()));
    // Refuse a file that is not RTF from its first bytes: start-up retries a
    // failed load thousands of times, and a large picture or archive named
    // by mistake must not be read whole each time.
    const QByteArray head = file.peek(1024).trimmed();
    if (head.size() >= 5 && !rtf::looksLikeRtf(head))
        throw PlatformError(QStringLiteral("%1: not an RTF file").arg(QDir::toNativeSeparators(fileName)));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw PlatformError(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(fileName), file.errorString()));
    file.close();
    if (!rtf::looksLikeRtf(bytes))
        throw PlatformError(QStringLiteral("%1: not an RTF file").arg(QDir::toNativeSeparators(fileName)));

    QTextDocument *doc = edit_->document();
    bool changed = false;
    const auto probe = connect(edit_, &QTextEdit::textChanged, this, [&changed] { changed = true; });
    // Hidden from the layout while it is read, the document is laid out
    // afterwards from the top a part at a time, so even a very large file
    // shows at once. The caret
    // goes to the start before that: left where the insertion pushed it, at
    // the end, it would have every line shaped just to repaint it.
    const QSizeF pageSize = edit_->hideFromLayout();
    const rtf::ReadResult result = rtf::readDocument(bytes, doc);
    edit_->setTextCursor(QTextCursor(doc));
    edit_->showToLayout(pageSize);
    disconnect(probe);
    if (!result.ok)
        throw PlatformError(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(fileName), result.error));
    // A cut-off file keeps what could be read, as the user would want to
    // see it; only a file that is not RTF at all is refused.
    doc->clearUndoRedoStacks();
    doc->setModified(false);
    // The caret at the start takes the insertion format (and with it the
    // font shown for the caret) from the document's first character.
    edit_->ensureCursorVisible();
    if (!changed)
        emit Change();
    edit_->reportSelection(true);
}

void RichTextBox::SaveFile(const QString &fileName, int fileType) {
    if (fileType != 0)
        throw PlatformError(QStringLiteral("Unsupported file type %1").arg(fileType));
    saveFileContents(fileName, rtf::writeDocument(edit_->document()));
}

void RichTextBox::SelPrint(QPrinter *printer, const PageProgress &progress) {
    if (!printer)
        throw PlatformError(QStringLiteral("No printer"));
    const QTextCursor cursor = edit_->textCursor();
    const std::unique_ptr<QTextDocument> copy =
        cursor.hasSelection() ? selectionCopy(cursor) : std::unique_ptr<QTextDocument>(edit_->document()->clone());
    printDocument(copy.get(), printer, progress);
}

void RichTextBox::Move(double left, double top, double width, double height) {
    if (width < 0 || height < 0)
        throw PlatformError(QStringLiteral("Invalid property value"));
    edit_->setGeometry(twipsToPixelsX(left), twipsToPixelsY(top), twipsToPixelsX(width), twipsToPixelsY(height));
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
}

double RichTextBox::Left() const { return left_; }
double RichTextBox::Top() const { return top_; }
double RichTextBox::Width() const { return width_; }
double RichTextBox::Height() const { return height_; }

void RichTextBox::Undo() { edit_->undoLastEdit(); }

}  // namespace pennaro
