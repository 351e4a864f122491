// How RTF properties are held in a QTextDocument. The reader and the writer
// both follow this table, so that whatever the reader builds, the writer
// gives back, and the editing control's Sel* properties read the same values.
//
//   font name      QTextCharFormat::fontFamilies() (first entry)
//   size           fontPointSize() in points (RTF \fs is half points)
//   colour         foreground() brush; no foreground property = automatic
//   background     background() brush (\cb, \highlight)
//   bold           fontWeight() >= QFont::DemiBold  (written QFont::Bold)
//   italic         fontItalic()
//   underline      fontUnderline() / underlineStyle()
//   strikethrough  fontStrikeOut()  (\strike and \striked1)
//   super/sub      verticalAlignment() AlignSuperScript / AlignSubScript
//   all capitals   fontCapitalization() == QFont::AllUppercase (\caps)
//   hidden text    not in the text: kept content (kept.h) on the shown
//                  characters next to it, its runs' formats marked with
//                  property HiddenText below, written back as \v where it
//                  stood. An empty paragraph whose mark is hidden has
//                  HiddenText in its block char format.
//   kept content   properties KeptBefore, KeptAfter, KeptOwner below on the
//                  characters around or inside it (kept.h); document-level
//                  content in KeptDocumentProperty of the root frame format
//   style numbers  property StyleNumber below: \sN on the QTextBlockFormat,
//                  \csN on the QTextCharFormat; they add no properties
//   lists          \lsN and \ilvlN in ListOverride and ListLevel of the
//                  QTextBlockFormat; the label shows as text (\listtext)
//   hyperlink      anchorHref() with isAnchor()
//   paragraph      QTextBlockFormat alignment, leftMargin, rightMargin,
//                  textIndent, topMargin, bottomMargin, lineHeight, in
//                  document units (pixels at 96 DPI: twips / 15)
//   images         QTextImageFormat whose name() is a resource of the
//                  document (QTextDocument::ImageResource, a QImage)
#pragma once

#include <QFont>
#include <QString>
#include <QTextFormat>
#include <QUrl>

namespace pennaro::rtf {

enum DocProperty {
    HiddenText = QTextFormat::UserProperty + 1,
    KeptBefore = QTextFormat::UserProperty + 2,  // a KeptList (kept.h)
    KeptAfter = QTextFormat::UserProperty + 3,   // a KeptList
    StyleNumber = QTextFormat::UserProperty + 4,
    KeptOwner = QTextFormat::UserProperty + 5,  // a KeptList
    ListOverride = QTextFormat::UserProperty + 6,
    ListLevel = QTextFormat::UserProperty + 7,
    KeptDocumentProperty = QTextFormat::UserProperty + 8,  // a KeptDocumentPtr
    KeptHash = QTextFormat::UserProperty + 9,              // a number for the format's kept content (KeptList::set)
};

constexpr double kTwipsPerDocUnit = 15.0;  // 1440 twips per inch, 96 units per inch

// The editing control's own font. A character the file gives no font or size
// shows in it, and Save writes it out for such characters; the tools that
// must behave like the editor use it too.
inline QFont editorFont() {
    QFont font(QStringLiteral("宋体"));
    font.setPointSizeF(12.0);
    return font;
}

// A picture read from a file is shown from a decoded QImage resource; the
// PNG or JPEG bytes it came from are kept beside it, under this name, so
// that saving writes them back unchanged instead of a PNG of the decoded
// pixels (many times larger for a photo). QTextDocument keys resources by
// name alone, whatever their type, hence a name of its own.
inline QUrl originalImageUrl(const QString &imageName) { return QUrl(imageName + QStringLiteral("#original")); }

inline double twipsToUnits(double twips) { return twips / kTwipsPerDocUnit; }
inline int unitsToTwips(double units) { return int(units * kTwipsPerDocUnit + (units >= 0 ? 0.5 : -0.5)); }

}  // namespace pennaro::rtf
