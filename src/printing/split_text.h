// General text routines (module MySubAndFunction).
#pragma once

#include <QString>
#include <QStringList>

namespace pennaro::MySubAndFunction {

// Cuts text into pieces at every character that occurs in delimiters. The
// pieces go to pieces[1] .. pieces[count] in the order they occur; index 0
// is left as it was, so afterwards pieces holds count + 1 entries. Leading,
// trailing and repeated delimiters make no empty pieces: ",ab,,c," split at
// "," gives count 2, "ab" and "c". A text with no character outside the
// delimiters gives count 0 and leaves pieces untouched.
//
// Each piece starts empty, even in a list that held pieces from an earlier
// call, so a list can be used again.
void SplitByDelimiters(const QString &text, const QString &delimiters, int &count, QStringList &pieces);

}  // namespace pennaro::MySubAndFunction
