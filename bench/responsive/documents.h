// The documents that once froze the window: each kind of file a user may
// meet that Qt's layout handles badly, generated at a given size.
#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

namespace pennaro::bench {

struct HardDocument {
    QString name;  // short, for the benchmark's name and the probe's file
    QByteArray rtf;
};

// One run of `chars` letters and digits with no break opportunity (a log
// line or an encoded blob pasted as it is).
HardDocument longRun(int chars);
// The business report of benchdoc.h, about `bytes` bytes, all in one
// paragraph.
HardDocument oneParagraph(qsizetype bytes);
// `count` empty paragraphs.
HardDocument emptyParagraphs(int count);
// `count` table cells of three columns that no \row ever ends (a spreadsheet
// export cut short).
HardDocument cellsWithoutRow(int count);
// About `bytes` bytes of \'ff: 0xff read in code page 1252, one "ÿ" after
// another without a break (a corrupted file).
HardDocument hexFF(qsizetype bytes);
// The business report of benchdoc.h, about `bytes` bytes, in paragraphs of a
// few hundred characters.
HardDocument business(qsizetype bytes);

// The documents of the benchmark, in the order it runs them.
std::vector<HardDocument> hardDocuments();

}  // namespace pennaro::bench
