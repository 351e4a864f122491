#include "platform/uppercase.h"

namespace pennaro {

QString upperCasedInPlace(QString text) {
    QChar *units = text.data();
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = units[i].unicode();
        if (u < 0x80) {
            if (u >= 'a' && u <= 'z')
                units[i] = QChar(char16_t(u - ('a' - 'A')));
            continue;
        }
        if (QChar::isHighSurrogate(u) && i + 1 < n && units[i + 1].isLowSurrogate()) {
            const char32_t code = QChar::surrogateToUcs4(u, units[i + 1].unicode());
            const char32_t upper = QChar::toUpper(code);
            // The simple mapping is one code point to one; a capital in the
            // other plane would change the length, so it is left alone.
            if (upper != code && QChar::requiresSurrogates(upper)) {
                units[i] = QChar(QChar::highSurrogate(upper));
                units[i + 1] = QChar(QChar::lowSurrogate(upper));
            }
            ++i;
            continue;
        }
        const char32_t upper = QChar::toUpper(char32_t(u));
        if (!QChar::requiresSurrogates(upper))
            units[i] = QChar(char16_t(upper));
    }
    return text;
}

}  // namespace pennaro
