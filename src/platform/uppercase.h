// Upper-casing that never changes a text's length. QString::toUpper follows
// the full Unicode mapping, which turns "ß" into "SS" and would shift every
// position after it; searching compares positions in the control's text and
// All Caps replaces the selection in place, so both need one character in,
// one character out. A letter without a single-character capital ("ß", "ŉ")
// stays as it is, and a character outside the Basic Multilingual Plane keeps
// its two UTF-16 units.
#pragma once

#include <QString>

namespace pennaro {

QString upperCasedInPlace(QString text);

}  // namespace pennaro
