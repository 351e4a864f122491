// RTF pieces that several behaviour tests put into documents or onto the
// clipboard.
#pragma once

#include <QByteArray>
#include <QColor>

namespace pennaro::testing {

// A picture group: a w x h PNG filled with one colour, as \pict\pngblip.
QByteArray pngPicture(int w, int h, QColor fill = Qt::red);

}  // namespace pennaro::testing
