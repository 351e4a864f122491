#include "printing/split_text.h"

namespace pennaro::MySubAndFunction {

void SplitByDelimiters(const QString &text, const QString &delimiters, int &count, QStringList &pieces) {
    count = 0;
    bool insidePiece = false;
    for (const QChar c : text) {
        if (delimiters.contains(c)) {
            insidePiece = false;
            continue;
        }
        if (!insidePiece) {
            insidePiece = true;
            ++count;
            pieces.resize(count + 1);
            pieces[count].clear();
        }
        pieces[count].append(c);
    }
}

}  // namespace pennaro::MySubAndFunction
