// The search underneath Find and Find Next: one-to-one upper-casing, the
// 1-based search, and the upper-cased copy of the text that must always read
// exactly as a fresh copy of Text would, whatever happened to the document.
#include "editing/text_search.h"
#include "platform/richtextbox.h"
#include "platform/uppercase.h"

#include <QRandomGenerator>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextImageFormat>
#include <QTextTable>
#include <QWidget>

using namespace pennaro;

class TextSearch : public QObject {
    Q_OBJECT
private slots:
    void upperCasingKeepsEveryLength_data();
    void upperCasingKeepsEveryLength();
    void searchBoundaries();
    void copyFollowsEveryKindOfEdit();
};

// clang-format off
void TextSearch::upperCasingKeepsEveryLength_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("upper");
    QTest::newRow("ascii") << "Hello, World 42" << "HELLO, WORLD 42";
    QTest::newRow("sharp s stays") << QString::fromUtf16(u"straße") << QString::fromUtf16(u"STRAßE");
    QTest::newRow("ligature stays") << QString::fromUtf16(u"ﬁne") << QString::fromUtf16(u"ﬁNE");
    QTest::newRow("greek") << QString::fromUtf16(u"σοφός") << QString::fromUtf16(u"ΣΟΦΌΣ");
    QTest::newRow("titlecase") << QString::fromUtf16(u"ǆǅ") << QString::fromUtf16(u"ǄǄ");
    QTest::newRow("chinese, fullwidth") << QString::fromUtf16(u"中文ａｂ") << QString::fromUtf16(u"中文ＡＢ");
    QTest::newRow("outside the BMP") << QString::fromUtf16(u"😀𐐨x") << QString::fromUtf16(u"😀𐐀X");
    QTest::newRow("lone surrogates") << QString::fromUtf16(u"a\xd800" u"b\xdc00" u"c")
                                     << QString::fromUtf16(u"A\xd800" u"B\xdc00" u"C");
}
// clang-format on

void TextSearch::upperCasingKeepsEveryLength() {
    QFETCH(QString, text);
    QFETCH(QString, upper);
    QCOMPARE(upperCasedInPlace(text), upper);
}

void TextSearch::searchBoundaries() {
    const QString text = QStringLiteral("ABCABC");
    QCOMPARE(findUpperCased(text, u"ABC", 1), 1);
    QCOMPARE(findUpperCased(text, u"ABC", 2), 4);
    QCOMPARE(findUpperCased(text, u"ABC", 5), 0);
    QCOMPARE(findUpperCased(text, u"C", 6), 6);  // the last character
    QCOMPARE(findUpperCased(text, u"C", 7), 0);  // just past the end
    QCOMPARE(findUpperCased(text, u"C", qint64(1) << 40), 0);
    QCOMPARE(findUpperCased(text, u"", 1), 0);
    QCOMPARE(findUpperCased(QString(), u"A", 1), 0);
    QCOMPARE(asPlainText(QString::fromUtf16(u"a\u00a0b\u2029c\xfdd0")), QStringLiteral("a b\nc\n"));
}

// Random edits of every kind the document knows, in and out of undo steps,
// with the copy read after some of them and not others: it must always be
// Text, upper-cased.
void TextSearch::copyFollowsEveryKindOfEdit() {
    QWidget window;
    RichTextBox box(&window);
    QTextDocument *doc = box.document();
    QRandomGenerator rng(7);
    const QString pieces[] = {QStringLiteral("abc"),         QString::fromUtf16(u"中文字"),
                              QString::fromUtf16(u"ß😀x𐐨"),   QString::fromUtf16(u"a\u00a0b"),
                              QStringLiteral("line\nbreak"), QStringLiteral("Q")};
    box.setText(QStringLiteral("The start of it all.\nSecond paragraph."));

    auto randomRange = [&](QTextCursor &cursor) {
        const int length = doc->characterCount() - 1;
        const int a = int(rng.bounded(length + 1));
        const int b = int(rng.bounded(length + 1));
        cursor.setPosition(qMin(a, b));
        cursor.setPosition(qMax(a, b), QTextCursor::KeepAnchor);
    };
    for (int step = 0; step < 600; ++step) {
        QTextCursor cursor(doc);
        const QString piece = pieces[rng.bounded(int(std::size(pieces)))];
        switch (rng.bounded(9)) {
        case 0:  // insert
            cursor.setPosition(int(rng.bounded(doc->characterCount())));
            cursor.insertText(piece);
            break;
        case 1:  // remove
            randomRange(cursor);
            cursor.removeSelectedText();
            break;
        case 2: {  // replace with text of the same length: reported as a format change would be
            randomRange(cursor);
            const QString same = QString(cursor.selectedText().size(), QLatin1Char('z'));
            cursor.insertText(same);
            break;
        }
        case 3: {  // colour a range
            randomRange(cursor);
            QTextCharFormat blue;
            blue.setForeground(Qt::blue);
            cursor.mergeCharFormat(blue);
            break;
        }
        case 4:
            if (rng.bounded(2))
                doc->undo();
            else
                doc->redo();
            break;
        case 5:  // a table or a picture
            cursor.setPosition(int(rng.bounded(doc->characterCount())));
            if (rng.bounded(2)) {
                cursor.insertTable(2, 2)->cellAt(1, 1).firstCursorPosition().insertText(piece);
            } else {
                QTextImageFormat image;
                image.setName(QStringLiteral("pic"));
                cursor.insertImage(image);
            }
            break;
        case 6:  // several changes as one undo step, some of them keeping the length
            box.asOneUndoStep([&] {
                QTextCursor c(doc);
                randomRange(c);
                QTextCharFormat bold;
                bold.setFontWeight(QFont::Bold);
                c.mergeCharFormat(bold);
                c.setPosition(int(rng.bounded(doc->characterCount())));
                c.insertText(QStringLiteral("xy"));
                randomRange(c);
                if (c.selectedText().size() >= 2) {
                    c.setPosition(c.selectionStart());
                    c.setPosition(c.position() + 2, QTextCursor::KeepAnchor);
                    c.removeSelectedText();
                }
            });
            break;
        case 7:
            if (rng.bounded(20) == 0)
                box.setText(piece);
            break;
        default:  // read the copy now; the other steps leave changes piling up
            break;
        }
        if (rng.bounded(3) == 0) {
            const QString expected = upperCasedInPlace(box.Text());
            QCOMPARE(UpperCasedText::of(box).text(), expected);
        }
    }
    QCOMPARE(UpperCasedText::of(box).text(), upperCasedInPlace(box.Text()));
    QCOMPARE(box.findChildren<UpperCasedText *>().size(), 1);
}

QTEST_MAIN(TextSearch)
#include "test_text_search.moc"
