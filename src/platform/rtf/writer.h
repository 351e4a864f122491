// The RTF writer: QTextDocument -> 7-bit RTF. Public entry point is
// pennaro::rtf::writeDocument() in rtf.h; this header exposes the knobs that
// tests and tools want to see.
//
// Dialect, chosen so that old and new readers agree on the text:
//   {\rtf1\ansi\ansicpg936\deff0\uc1 {\fonttbl...}{\colortbl;...}
//   \pard\plain<paragraph> {\fN<character> text}{...}\par ...}
// - Every run is a group that states its font and size explicitly, so a
//   reader's idea of the default font never matters.
// - Every non-ASCII character is \uN followed by its bytes in the run's
//   font code page (\'hh), or '?' when the code page lacks it; \ucN tracks
//   the byte count. Font names are in their own code page.
// - Links are \field groups with a HYPERLINK instruction; tables use
//   \trowd/\cell/\row, nested tables \itap with \nestcell/\nestrow; images
//   are PNG (or JPEG as stored) in \pict.
#pragma once

#include <QByteArray>

class QTextDocument;

namespace pennaro::rtf::writer {

// Lines are broken between tokens once they reach this length.
constexpr int kLineLimit = 200;

QByteArray write(const QTextDocument *doc);

}  // namespace pennaro::rtf::writer
