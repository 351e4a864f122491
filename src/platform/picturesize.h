// How large a picture in a document is drawn. A file may give a tiny
// picture a goal size and a scale that make it millions of pixels wide,
// which would push everything beside it out of view; the editor and the
// printer draw a picture no larger than 22 inches a side (the longest
// length the engine reads anywhere), shrunk in proportion, while the
// document keeps the sizes the file gave, so that saving writes them back.
#pragma once

class QTextDocument;

namespace pennaro {

// The longest side a picture is drawn with, in document units (pixels at
// 96 DPI): 22 inches.
constexpr double kMaxPictureUnits = 22 * 96;

// Has the document's layout draw its pictures under that limit. Call it
// again after giving the document a new layout.
void limitPictureSize(QTextDocument *doc);

}  // namespace pennaro
