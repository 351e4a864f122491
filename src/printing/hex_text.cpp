#include "printing/hex_text.h"

#include "printing/split_text.h"

#include <cmath>
#include <stdexcept>

namespace pennaro::RegFunction {

namespace {

bool isSkipped(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r');
}

// The value of an ASCII digit in the base, or -1.
int digitValue(QChar c, int base) {
    const char16_t u = c.unicode();
    int value = -1;
    if (u >= u'0' && u <= u'9')
        value = u - u'0';
    else if (u >= u'a' && u <= u'z')
        value = u - u'a' + 10;
    else if (u >= u'A' && u <= u'Z')
        value = u - u'A' + 10;
    return value < base ? value : -1;
}

// The digits at the start of text in the base, as many as there are. A
// double holds every value that matters exactly; anything longer is out of
// a byte's range whatever its exact value.
double radixNumber(QStringView text, int base) {
    double value = 0;
    for (const QChar c : text) {
        const int digit = digitValue(c, base);
        if (digit < 0)
            break;
        value = value * base + digit;
    }
    return value;
}

qsizetype decimalDigits(QStringView text, qsizetype from) {
    qsizetype end = from;
    while (end < text.size() && digitValue(text[end], 10) >= 0)
        ++end;
    return end - from;
}

// The number the piece begins with: "&H" hexadecimal, "&O" octal, or a
// decimal number with an optional sign, fraction and exponent ("E" or "D");
// 0 when it begins with none.
double leadingNumber(const QString &piece) {
    QString s;
    s.reserve(piece.size());
    for (const QChar c : piece) {
        if (!isSkipped(c))
            s.append(c);
    }
    if (s.startsWith(QLatin1Char('&'))) {
        const QChar radix = s.size() > 1 ? s[1].toUpper() : QChar();
        if (radix == QLatin1Char('H'))
            return radixNumber(QStringView(s).mid(2), 16);
        if (radix == QLatin1Char('O'))
            return radixNumber(QStringView(s).mid(2), 8);
        return 0;
    }
    qsizetype end = 0;
    if (end < s.size() && (s[end] == QLatin1Char('+') || s[end] == QLatin1Char('-')))
        ++end;
    qsizetype mantissa = decimalDigits(s, end);
    end += mantissa;
    if (end < s.size() && s[end] == QLatin1Char('.')) {
        const qsizetype fraction = decimalDigits(s, end + 1);
        mantissa += fraction;
        end += 1 + fraction;
    }
    if (mantissa == 0)
        return 0;
    if (end < s.size() && QStringLiteral("EeDd").contains(s[end])) {
        qsizetype exponent = end + 1;
        if (exponent < s.size() && (s[exponent] == QLatin1Char('+') || s[exponent] == QLatin1Char('-')))
            ++exponent;
        const qsizetype digits = decimalDigits(s, exponent);
        if (digits > 0)
            end = exponent + digits;
    }
    QString number = s.left(end);
    number.replace(QLatin1Char('D'), QLatin1Char('E')).replace(QLatin1Char('d'), QLatin1Char('e'));
    return number.toDouble();
}

std::uint8_t toByte(double number, const QString &piece) {
    const double rounded = std::nearbyint(number);  // halves to even in the default rounding mode
    if (!(rounded >= 0 && rounded <= 255))
        throw std::out_of_range("HexTextToBytes: \"" + piece.toStdString() + "\" is not a byte (0 to 255)");
    return std::uint8_t(rounded);
}

}  // namespace

void HexTextToBytes(const QString &text, std::vector<std::uint8_t> &bytes, const QString &mode) {
    int count = 0;
    QStringList pieces;
    MySubAndFunction::SplitByDelimiters(text, QStringLiteral(","), count, pieces);
    const bool decimal = mode.toUpper() == QLatin1String("YES");
    std::vector<std::uint8_t> result(std::size_t(count), 0);
    for (int i = 0; i < count; ++i) {
        const QString &piece = pieces.at(i + 1);
        result[std::size_t(i)] = toByte(leadingNumber(decimal ? piece : QStringLiteral("&H") + piece), piece);
    }
    bytes = std::move(result);
}

}  // namespace pennaro::RegFunction
