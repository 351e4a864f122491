// Single-precision numbers as text, the way the settings store and the
// status panels show them: an integral value without a decimal point
// ("11865", "-60"), a fraction in its shortest form ("10.5").
#pragma once

#include <QString>
#include <optional>

namespace pennaro {

QString singleToText(double value);

// A decimal number, optionally signed, with optional fraction; surrounding
// blanks allowed. std::nullopt for anything else, the empty text included.
std::optional<float> textToSingle(const QString &text);

}  // namespace pennaro
