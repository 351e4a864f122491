#include "platform/richtextbox.h"

#include "platform/editorwidget.h"
#include "platform/errors.h"
#include "platform/rtf/docformat.h"
#include "platform/rtf/rtf.h"

#include <QBrush>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QPrinter>
#include <QSaveFile>
#include <QScreen>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextImageFormat>

namespace pennaro {

namespace {

// The largest size RTF and the classic rich edit control accept.
constexpr double kMaxPointSize = 1638.0;

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
    const QColor c = brush.color().toRgb();
    return quint32(c.red()) | (quint32(c.green()) << 8) | (quint32(c.blue()) << 16);
}

QColor fromBgr(quint32 value) {
    return QColor(int(value & 0xff), int((value >> 8) & 0xff), int((value >> 16) & 0xff));
}

// The value every selected character shares, or nullopt when they differ.
// Walks the fragments (runs of one format) of the blocks in the range, so a
// large selection costs one comparison per run, not per character. With a
// caret the insertion point's format answers.
template <typename Value>
std::optional<Value> sharedValue(const QTextEdit *edit,
                                 const std::function<Value(const QTextCharFormat &)> &valueOf) {
    const QTextCursor cursor = edit->textCursor();
    if (!cursor.hasSelection())
        return valueOf(cursor.charFormat());
    const int start = cursor.selectionStart();
    const int end = cursor.selectionEnd();
    std::optional<Value> shared;
    for (QTextBlock block = edit->document()->findBlock(start); block.isValid() && block.position() < end;
         block = block.next()) {
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid())
                continue;
            const int fragmentStart = fragment.position();
            if (fragmentStart + fragment.length() <= start)
                continue;
            if (fragmentStart >= end)
                break;
            const QTextCharFormat format = fragment.charFormat();
            // An embedded picture has no font of its own; it must not make
            // the text around it read as mixed.
            if (format.isImageFormat())
                continue;
            const Value value = valueOf(format);
            if (!shared)
                shared = value;
            else if (!(*shared == value))
                return std::nullopt;
        }
    }
    // Only paragraph breaks or pictures selected: the format at the cursor.
    if (!shared)
        return valueOf(cursor.charFormat());
    return shared;
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

double screenDpiX() {
    const QScreen *screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInchX() : 96.0;
    return dpi > 0 ? dpi : 96.0;
}

double screenDpiY() {
    const QScreen *screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInchY() : 96.0;
    return dpi > 0 ? dpi : 96.0;
}

}  // namespace

double twipsPerPixelX() { return 1440.0 / screenDpiX(); }
double twipsPerPixelY() { return 1440.0 / screenDpiY(); }

RichTextBox::RichTextBox(QWidget *parent) : QObject(parent), edit_(new EditorWidget(parent)) {
    const QFont font = rtf::editorFont();
    // The widget's own font is what QTextEdit hands to the document on every
    // font change of the window, so both are set.
    edit_->setFont(font);
    edit_->document()->setDefaultFont(font);
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

std::optional<bool> RichTextBox::SelBold() const {
    return sharedValue<bool>(edit_, [](const QTextCharFormat &f) { return f.fontWeight() >= QFont::DemiBold; });
}

void RichTextBox::setSelBold(std::optional<bool> value) {
    if (!value)
        return;
    QTextCharFormat format;
    format.setFontWeight(*value ? QFont::Bold : QFont::Normal);
    edit_->mergeCurrentCharFormat(format);
}

std::optional<bool> RichTextBox::SelItalic() const {
    return sharedValue<bool>(edit_, [](const QTextCharFormat &f) { return f.fontItalic(); });
}

void RichTextBox::setSelItalic(std::optional<bool> value) {
    if (!value)
        return;
    QTextCharFormat format;
    format.setFontItalic(*value);
    edit_->mergeCurrentCharFormat(format);
}

std::optional<bool> RichTextBox::SelUnderline() const {
    return sharedValue<bool>(edit_, [](const QTextCharFormat &f) { return f.fontUnderline(); });
}

void RichTextBox::setSelUnderline(std::optional<bool> value) {
    if (!value)
        return;
    QTextCharFormat format;
    format.setFontUnderline(*value);
    edit_->mergeCurrentCharFormat(format);
}

std::optional<bool> RichTextBox::SelStrikeThru() const {
    return sharedValue<bool>(edit_, [](const QTextCharFormat &f) { return f.fontStrikeOut(); });
}

void RichTextBox::setSelStrikeThru(std::optional<bool> value) {
    if (!value)
        return;
    QTextCharFormat format;
    format.setFontStrikeOut(*value);
    edit_->mergeCurrentCharFormat(format);
}

std::optional<QString> RichTextBox::SelFontName() const {
    const QFont defaultFont = edit_->document()->defaultFont();
    return sharedValue<QString>(edit_, [&](const QTextCharFormat &f) { return familyOf(f, defaultFont); });
}

void RichTextBox::setSelFontName(std::optional<QString> value) {
    // An empty name (an emptied font-name box) names no font; the text keeps
    // the one it has.
    if (!value || value->trimmed().isEmpty())
        return;
    QTextCharFormat format;
    format.setFontFamilies(QStringList{*value});
    edit_->mergeCurrentCharFormat(format);
}

std::optional<float> RichTextBox::SelFontSize() const {
    const QFont defaultFont = edit_->document()->defaultFont();
    return sharedValue<float>(edit_, [&](const QTextCharFormat &f) { return sizeOf(f, defaultFont); });
}

void RichTextBox::setSelFontSize(std::optional<float> value) {
    // A size no font can have is refused silently: the text keeps its size,
    // and a caller that reads the size back sees what the control holds.
    if (!value || !(*value > 0.0f) || *value > kMaxPointSize)
        return;
    QTextCharFormat format;
    format.setFontPointSize(double(*value));
    edit_->mergeCurrentCharFormat(format);
}

std::optional<quint32> RichTextBox::SelColor() const {
    return sharedValue<quint32>(edit_, [](const QTextCharFormat &f) { return colorOf(f); });
}

void RichTextBox::setSelColor(std::optional<quint32> value) {
    if (!value)
        return;
    QTextCharFormat format;
    format.setForeground(fromBgr(*value));
    edit_->mergeCurrentCharFormat(format);
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
    // With a null page size the layout ignores the changes; restoring it
    // afterwards counts as a fresh document, which Qt lays out a part at a
    // time from the top, so even a very large file shows at once. The caret
    // goes to the start before that: left where the insertion pushed it, at
    // the end, it would have every line shaped just to repaint it.
    const QSizeF pageSize = doc->pageSize();
    doc->setPageSize(QSizeF(0, 0));
    const rtf::ReadResult result = rtf::readDocument(bytes, doc);
    edit_->setTextCursor(QTextCursor(doc));
    doc->setPageSize(pageSize);
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
    const QByteArray bytes = rtf::writeDocument(edit_->document());
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        throw PlatformError(file.errorString());
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        throw PlatformError(reason);
    }
    if (!file.commit())
        throw PlatformError(file.errorString());
}

void RichTextBox::SelPrint(QPrinter *printer) {
    if (!printer)
        throw PlatformError(QStringLiteral("No printer"));
    const QTextCursor cursor = edit_->textCursor();
    QTextDocument *source = edit_->document();
    if (!cursor.hasSelection()) {
        source->print(printer);
    } else {
        QTextDocument selection;
        selection.setDefaultFont(source->defaultFont());
        selection.setDefaultStyleSheet(source->defaultStyleSheet());
        const QTextDocumentFragment fragment = cursor.selection();
        QTextCursor(&selection).insertFragment(fragment);
        // Pictures live as resources of the source document; the copy needs
        // them too.
        for (QTextBlock block = selection.begin(); block.isValid(); block = block.next()) {
            for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
                const QTextCharFormat format = it.fragment().charFormat();
                if (!format.isImageFormat())
                    continue;
                const QString name = format.toImageFormat().name();
                const QVariant image = source->resource(QTextDocument::ImageResource, QUrl(name));
                if (image.isValid())
                    selection.addResource(QTextDocument::ImageResource, QUrl(name), image);
            }
        }
        selection.print(printer);
    }
    if (printer->printerState() == QPrinter::Error)
        throw PlatformError(QStringLiteral("Printing failed"));
}

void RichTextBox::Move(double left, double top, double width, double height) {
    if (width < 0 || height < 0)
        throw PlatformError(QStringLiteral("Invalid property value"));
    const double tx = twipsPerPixelX();
    const double ty = twipsPerPixelY();
    edit_->setGeometry(qRound(left / tx), qRound(top / ty), qRound(width / tx), qRound(height / ty));
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
