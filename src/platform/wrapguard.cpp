#include "platform/wrapguard.h"

#include <QTextBlock>
#include <QTextBoundaryFinder>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include <algorithm>

namespace pennaro {

namespace {

// The longest stretch of the text between two places where a line may
// break (Unicode line breaking, as Qt's layout applies it).
int longestUnbreakable(const QString &text) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Line, text);
    int longest = 0;
    int last = 0;
    while (finder.toNextBoundary() != -1) {
        longest = std::max(longest, int(finder.position()) - last);
        last = int(finder.position());
    }
    return std::max(longest, int(text.size()) - last);
}

}  // namespace

WrapGuard::WrapGuard(QTextEdit *edit) : QObject(edit), edit_(edit) {
    recheck_.setSingleShot(true);
    recheck_.setInterval(1000);
    connect(&recheck_, &QTimer::timeout, this,
            [this] { setAnywhere(hasLongRun(0, edit_->document()->characterCount())); });
    // The document reports a change before its layout hears of it, so a
    // long run pasted or loaded is never laid out with word wrapping.
    connect(edit->document(), &QTextDocument::contentsChange, this, &WrapGuard::contentsChanged);
}

void WrapGuard::contentsChanged(int from, int removed, int added) {
    if (!anywhere_ && added > 0) {
        setAnywhere(hasLongRun(from, from + added));
    } else if (anywhere_ && removed > 0) {
        recheck_.start();
    }
}

bool WrapGuard::hasLongRun(int from, int to) const {
    // A run longer than kLongestRun that the change is part of reaches at
    // least that far into the text on one side of it; only paragraphs that
    // long can hold one.
    QTextDocument *doc = edit_->document();
    const int start = std::max(0, from - kLongestRun);
    const int end = std::min(doc->characterCount() - 1, to + kLongestRun);
    for (QTextBlock block = doc->findBlock(start); block.isValid() && block.position() <= end; block = block.next()) {
        if (block.length() - 1 <= kLongestRun)
            continue;
        QTextCursor part(doc);
        part.setPosition(std::max(start, block.position()));
        part.setPosition(std::min(end, block.position() + block.length() - 1), QTextCursor::KeepAnchor);
        if (longestUnbreakable(part.selectedText()) > kLongestRun)
            return true;
    }
    return false;
}

void WrapGuard::setAnywhere(bool anywhere) {
    if (anywhere == anywhere_)
        return;
    anywhere_ = anywhere;
    edit_->setWordWrapMode(anywhere ? QTextOption::WrapAnywhere : QTextOption::WrapAtWordBoundaryOrAnywhere);
}

}  // namespace pennaro
