#include "platform/rtf/notemarks.h"

#include <algorithm>

namespace pennaro::rtf {

namespace {

QString repeated(QChar c, int times) { return QString(times, c); }

QString roman(int n, bool upper) {
    static const struct {
        int value;
        const char *digits;
    } kSteps[] = {{1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"}, {100, "c"}, {90, "xc"}, {50, "l"},
                  {40, "xl"},  {10, "x"},   {9, "ix"},  {5, "v"},    {4, "iv"},  {1, "i"}};
    QString s;
    for (const auto &step : kSteps) {
        for (; n >= step.value; n -= step.value)
            s += QLatin1String(step.digits);
    }
    return upper ? s.toUpper() : s;
}

QString chineseCount(int n) {
    static const char16_t kDigits[] = u"〇一二三四五六七八九";
    if (n < 10)
        return QString(QChar(kDigits[n]));
    QString s;
    if (n >= 20)
        s += QChar(kDigits[n / 10]);
    s += QChar(u'十');
    if (n % 10)
        s += QChar(kDigits[n % 10]);
    return s;
}

}  // namespace

QString noteMark(NoteStyle style, int number) {
    if (number < 1)
        return QString::number(number);
    switch (style) {
    case NoteStyle::LowerAlpha:
    case NoteStyle::UpperAlpha:
        // Word repeats the letter after z rather than counting on (aa, bb).
        return repeated(QChar((style == NoteStyle::LowerAlpha ? 'a' : 'A') + (number - 1) % 26),
                        std::min((number - 1) / 26 + 1, 100));
    case NoteStyle::LowerRoman:
    case NoteStyle::UpperRoman:
        if (number < 4000)
            return roman(number, style == NoteStyle::UpperRoman);
        break;
    case NoteStyle::Chicago: {
        static const char16_t kMarks[] = u"*†‡§";
        return repeated(QChar(kMarks[(number - 1) % 4]), std::min((number - 1) / 4 + 1, 100));
    }
    case NoteStyle::Circled:
        if (number <= 20)
            return QString(QChar(char16_t(0x2460 + number - 1)));
        break;
    case NoteStyle::FullWidth: {
        QString s = QString::number(number);
        for (QChar &c : s)
            c = QChar(char16_t(0xff10 + (c.unicode() - '0')));
        return s;
    }
    case NoteStyle::ChineseCount:
        if (number < 100)
            return chineseCount(number);
        break;
    case NoteStyle::Arabic: break;
    }
    return QString::number(number);
}

}  // namespace pennaro::rtf
