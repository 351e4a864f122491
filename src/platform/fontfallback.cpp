#include "platform/fontfallback.h"

#include "platform/rtf/docformat.h"

#include <QFont>

namespace pennaro {

namespace {

// The families tried for 宋体 when it is missing, best first.
QStringList designFontSubstitutes() {
    return {
        // 宋体 itself under its other names, and its sibling 新宋体.
        QStringLiteral("SimSun"),
        QStringLiteral("宋体"),
        QStringLiteral("NSimSun"),
        QStringLiteral("新宋体"),
        // CJK serif faces as Debian and its relatives package them.
        QStringLiteral("Noto Serif CJK SC"),
        QStringLiteral("Source Han Serif SC"),
        QStringLiteral("Source Han Serif CN"),
        QStringLiteral("AR PL UMing CN"),
        QStringLiteral("AR PL SungtiL GB"),
        // No serif: a CJK face with Latin letters of its own, so that a line
        // is still drawn in one face.
        QStringLiteral("WenQuanYi Zen Hei"),
        QStringLiteral("WenQuanYi Micro Hei"),
        QStringLiteral("Noto Sans CJK SC"),
    };
}

}  // namespace

void installDesignFontFallback() {
    const QStringList names{rtf::editorFont().family(), QStringLiteral("SimSun"), QStringLiteral("新宋体"),
                            QStringLiteral("NSimSun")};
    for (const QString &name : names) {
        QStringList substitutes = designFontSubstitutes();
        substitutes.removeAll(name);
        QFont::insertSubstitutions(name, substitutes);
    }
}

}  // namespace pennaro
