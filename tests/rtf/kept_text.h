// The document's text with its kept hidden text put back where the writer
// would write it, each item in brackets: "See[ note] the text". What
// another word processor's text export (which shows hidden text) makes of
// the file is this without the brackets. Other kept content (bookmarks,
// notes, ...) is left out.
#pragma once

#include "platform/rtf/kept.h"

#include <QString>
#include <QTextDocument>

#include <algorithm>

namespace pennaro::rtf::test {

inline QString textWithKept(const QTextDocument &doc, const QString &open = QStringLiteral("["),
                            const QString &close = QStringLiteral("]")) {
    QString text = doc.toPlainText();
    std::vector<PlacedItem> placed = placeKeptContent(&doc);
    std::erase_if(placed, [](const PlacedItem &p) { return p.item->kind != KeptItem::Kind::HiddenText; });
    std::stable_sort(placed.begin(), placed.end(),
                     [](const PlacedItem &a, const PlacedItem &b) { return a.position > b.position; });
    // Items at one position keep their order: insert the last one first.
    for (size_t i = 0; i < placed.size();) {
        size_t j = i;
        QString atPosition;
        while (j < placed.size() && placed[j].position == placed[i].position)
            ++j;
        for (size_t k = j; k > i; --k)
            atPosition.prepend(open + placed[k - 1].item->text() + close);
        text.insert(std::clamp(placed[i].position, 0, int(text.size())), atPosition);
        i = j;
    }
    return text;
}

}  // namespace pennaro::rtf::test
