// The units the editor speaks in, converted in one place:
// - geometry in twips (1440 per inch) against the screen's logical DPI,
//   15 twips per pixel at 96 DPI;
// - colours as 32-bit values laid out 0xBBGGRR (0xFF0000 is pure blue);
// - font sizes in points, from 1 to 1638 (the largest size RTF's \fs, in
//   half points, and the classic rich edit control accept).
// The RTF engine uses the size limits only; everything else here needs a
// QGuiApplication.
#pragma once

#include <QColor>
#include <QtGlobal>
#include <algorithm>
#include <cmath>

namespace pennaro {

// ---- font sizes ---------------------------------------------------------
constexpr float kMinPointSize = 1.0f;
constexpr float kMaxPointSize = 1638.0f;
constexpr int kMinHalfPoints = int(kMinPointSize * 2);
constexpr int kMaxHalfPoints = int(kMaxPointSize * 2);

// False also for NaN.
inline bool isPointSizeInRange(double points) { return points >= kMinPointSize && points <= kMaxPointSize; }

// The nearest size the editor can hold; NaN stays NaN (and is then refused).
inline float boundedPointSize(float points) {
    return std::isnan(points) ? points : std::clamp(points, kMinPointSize, kMaxPointSize);
}

// ---- colours --------------------------------------------------------------
// The top byte of a 0xBBGGRR value is ignored.
inline QColor colorFromBgr(quint32 value) {
    return QColor(int(value & 0xff), int((value >> 8) & 0xff), int((value >> 16) & 0xff));
}

inline quint32 bgrFromColor(const QColor &color) {
    const QColor c = color.toRgb();
    return quint32(c.red()) | (quint32(c.green()) << 8) | (quint32(c.blue()) << 16);
}

// ---- twips ----------------------------------------------------------------
// Twips per device-independent pixel of the primary screen (15 at 96 DPI).
double twipsPerPixelX();
double twipsPerPixelY();

// Twips to whole pixels, to the nearest pixel (halves away from zero).
// Throws PlatformError ("Invalid property value") for a value no widget
// coordinate can hold: not a number, or beyond QWIDGETSIZE_MAX pixels.
int twipsToPixelsX(double twips);
int twipsToPixelsY(double twips);

}  // namespace pennaro
