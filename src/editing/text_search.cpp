#include "editing/text_search.h"

#include "platform/richtextbox.h"
#include "platform/uppercase.h"

#include <QTextDocument>

namespace pennaro {

namespace {

// Re-reading a range costs a fragment look-up per character; past this many
// characters rebuilding the whole copy is as quick.
constexpr int kLargestReread = 16 * 1024;

}  // namespace

int findUpperCased(QStringView upperText, QStringView upperNeedle, qint64 from) {
    if (upperNeedle.isEmpty() || from < 1 || from > upperText.size())
        return 0;
    const qsizetype at = upperText.indexOf(upperNeedle, qsizetype(from - 1));
    return at < 0 ? 0 : int(at + 1);
}

QString asPlainText(QString text) {
    text = RichTextBox::withPlainTextBreaks(std::move(text));
    text.replace(QChar::Nbsp, QLatin1Char(' '));
    return text;
}

int searchText(RichTextBox &box, const QString &what, qint64 from) {
    const QString needle = upperCasedInPlace(asPlainText(what));
    return findUpperCased(UpperCasedText::of(box).text(), needle, from);
}

UpperCasedText &UpperCasedText::of(RichTextBox &box) {
    if (auto *existing = box.findChild<UpperCasedText *>(QString(), Qt::FindDirectChildrenOnly))
        return *existing;
    return *new UpperCasedText(box);
}

UpperCasedText::UpperCasedText(RichTextBox &box) : QObject(&box), box_(box) {
    connect(box.document(), &QTextDocument::contentsChange, this, &UpperCasedText::noteChange);
}

void UpperCasedText::noteChange(int position, int charsRemoved, int charsAdded) {
    if (!valid_)
        return;
    if (charsRemoved != charsAdded) {
        valid_ = false;
        return;
    }
    if (dirtyFrom_ >= dirtyTo_) {
        dirtyFrom_ = position;
        dirtyTo_ = position + charsAdded;
    } else {
        dirtyFrom_ = qMin(dirtyFrom_, position);
        dirtyTo_ = qMax(dirtyTo_, position + charsAdded);
    }
}

const QString &UpperCasedText::text() {
    // The length check also catches a change the document reported oddly.
    if (valid_ && text_.size() != box_.document()->characterCount() - 1)
        valid_ = false;
    if (valid_ && dirtyFrom_ < dirtyTo_) {
        if (dirtyTo_ - dirtyFrom_ > kLargestReread)
            valid_ = false;
        else
            reread(dirtyFrom_, dirtyTo_);
    }
    if (!valid_) {
        text_ = upperCasedInPlace(box_.Text());
        valid_ = true;
    }
    dirtyFrom_ = dirtyTo_ = 0;
    return text_;
}

void UpperCasedText::reread(int from, int to) {
    // One unit more on each side, so that a surrogate pair cut by the range
    // is upper-cased whole.
    from = qMax(0, from - 1);
    to = qMin(int(text_.size()), to + 1);
    if (from >= to)
        return;
    const QTextDocument *doc = box_.document();
    QString piece(to - from, Qt::Uninitialized);
    for (int i = from; i < to; ++i)
        piece[i - from] = doc->characterAt(i);
    piece = upperCasedInPlace(asPlainText(std::move(piece)));
    text_.replace(from, to - from, piece);
}

}  // namespace pennaro
