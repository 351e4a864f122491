// Keeps the editing widget's line breaking linear in the length of the text.
//
// Qt wraps words and breaks a word only when it is wider than the line
// (QTextOption::WrapAtWordBoundaryOrAnywhere). For every line it first
// measures the word up to its end, and only then breaks it; in a run with
// no break opportunity (a log line, an encoded blob, a damaged file) every
// line measures the rest of the run, so the cost grows with the square of
// its length: 200,000 letters take 5 s to lay out, 2.5 million for ever.
// Breaking anywhere is linear but cuts ordinary words at the window's edge,
// so the document wraps that way only while it holds a run longer than
// kLongestRun without a break opportunity; then the whole document does, as
// Qt knows one wrap mode per document. The text itself is never touched.
#pragma once

#include <QObject>
#include <QTimer>

class QTextEdit;

namespace pennaro {

class WrapGuard : public QObject {
public:
    // Runs of up to this many characters cost a line break a fraction of a
    // millisecond each, and are left to word wrapping.
    static constexpr int kLongestRun = 4096;

    explicit WrapGuard(QTextEdit *edit);

    // True while the document wraps anywhere.
    bool wrapsAnywhere() const { return anywhere_; }

private:
    void contentsChanged(int from, int removed, int added);
    // Whether the text around from..to holds a run longer than kLongestRun.
    bool hasLongRun(int from, int to) const;
    void setAnywhere(bool anywhere);

    QTextEdit *edit_;
    bool anywhere_ = false;
    // After text was taken away, whether a long run is left is settled once
    // the editing pauses: it means reading every long paragraph.
    QTimer recheck_;
};

}  // namespace pennaro
