#include "shell/numbertext.h"

#include <cmath>

namespace pennaro {

QString singleToText(double value) {
    const float single = float(value);
    // Seven significant digits is what a single holds; 'g' drops trailing
    // zeros and the decimal point of integral values.
    if (std::fabs(single) < 1e7f)
        return QString::number(double(single), 'g', 7);
    return QString::number(double(single), 'f', 0);
}

std::optional<float> textToSingle(const QString &text) {
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    bool ok = false;
    const float value = t.toFloat(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

}  // namespace pennaro
