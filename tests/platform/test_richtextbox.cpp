// The rich text control as the handlers see it: Null for mixed selections,
// caret formats, replacement rules, notifications, files, geometry, and the
// keys it must leave to the window's menus.
#include "platform/editorwidget.h"
#include "platform/errors.h"
#include "platform/richtextbox.h"

#include <QAction>
#include <QFile>
#include <QMainWindow>
#include <QPrinter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QWidget>
#include <limits>
#include <memory>
#include <unistd.h>

using namespace pennaro;

namespace {

void select(RichTextBox &box, int start, int length) {
    box.setSelStart(start);
    box.setSelLength(length);
}

QByteArray readAll(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

}  // namespace

class TestRichTextBox : public QObject {
    Q_OBJECT

    std::unique_ptr<QWidget> window_;
    RichTextBox *box_ = nullptr;

private slots:
    void init() {
        window_ = std::make_unique<QWidget>();
        window_->resize(600, 400);
        box_ = new RichTextBox(window_.get());
        box_->widget()->setGeometry(0, 0, 600, 400);
    }
    void cleanup() {
        box_ = nullptr;
        window_.reset();
    }

    void defaultsOfAnUntouchedDocument() {
        box_->setText(QStringLiteral("plain"));
        select(*box_, 0, 5);
        QCOMPARE(box_->SelFontName(), std::optional<QString>(QStringLiteral("宋体")));
        QCOMPARE(box_->SelFontSize(), std::optional<float>(12.0f));
        QCOMPARE(box_->SelColor(), std::optional<quint32>(0));
        QCOMPARE(box_->SelBold(), std::optional<bool>(false));
        QCOMPARE(box_->SelStrikeThru(), std::optional<bool>(false));
    }

    void mixedSelectionsReadNull() {
        box_->setText(QStringLiteral("aaaa bbbb cccc\ndddd"));
        select(*box_, 0, 4);
        box_->setSelBold(true);
        box_->setSelItalic(true);
        select(*box_, 5, 4);
        box_->setSelFontName(QStringLiteral("Arial"));
        box_->setSelUnderline(true);
        select(*box_, 10, 4);
        box_->setSelFontSize(10.5f);
        box_->setSelColor(0xFF0000);
        // Explicit black and no colour at all are the same colour.
        select(*box_, 15, 4);
        box_->setSelColor(0);

        select(*box_, 0, 4);
        QCOMPARE(box_->SelBold(), std::optional<bool>(true));
        QCOMPARE(box_->SelItalic(), std::optional<bool>(true));
        select(*box_, 2, 3);  // bold "aa", plain " "
        QCOMPARE(box_->SelBold(), std::nullopt);
        QCOMPARE(box_->SelItalic(), std::nullopt);
        QCOMPARE(box_->SelFontName(), std::optional<QString>(QStringLiteral("宋体")));

        select(*box_, 3, 4);  // into "bbbb"
        QCOMPARE(box_->SelFontName(), std::nullopt);
        QCOMPARE(box_->SelUnderline(), std::nullopt);
        QCOMPARE(box_->SelFontSize(), std::optional<float>(12.0f));

        select(*box_, 5, 4);
        QCOMPARE(box_->SelFontName(), std::optional<QString>(QStringLiteral("Arial")));
        QCOMPARE(box_->SelUnderline(), std::optional<bool>(true));

        select(*box_, 10, 4);
        QCOMPARE(box_->SelFontSize(), std::optional<float>(10.5f));
        QCOMPARE(box_->SelColor(), std::optional<quint32>(0xFF0000));
        select(*box_, 8, 4);
        QCOMPARE(box_->SelFontSize(), std::nullopt);
        QCOMPARE(box_->SelColor(), std::nullopt);

        // Across the paragraph break: default black and explicit black agree.
        select(*box_, 4, 1);
        QCOMPARE(box_->SelColor(), std::optional<quint32>(0));
        select(*box_, 14, 5);
        QCOMPARE(box_->SelColor(), std::optional<quint32>(0));

        // Null writes change nothing.
        select(*box_, 0, 19);
        box_->setSelBold(std::nullopt);
        box_->setSelFontSize(std::nullopt);
        QCOMPARE(box_->SelBold(), std::nullopt);
        select(*box_, 10, 4);
        QCOMPARE(box_->SelFontSize(), std::optional<float>(10.5f));
    }

    void largeSelectionIsReadByRuns() {
        // Many runs over many paragraphs; the read must see the one odd run
        // at the very end.
        QString text;
        for (int i = 0; i < 2000; ++i)
            text += QStringLiteral("line %1 of text\n").arg(i);
        box_->setText(text);
        const int length = int(box_->Text().size());
        select(*box_, 0, length);
        box_->setSelBold(true);
        QCOMPARE(box_->SelBold(), std::optional<bool>(true));
        select(*box_, length - 3, 1);
        box_->setSelBold(false);
        select(*box_, 0, length);
        QCOMPARE(box_->SelBold(), std::nullopt);
        QCOMPARE(box_->SelFontName(), std::optional<QString>(QStringLiteral("宋体")));
    }

    void caretWritesApplyToTypedText() {
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        box_->widget()->setFocus();
        box_->setText(QStringLiteral("abc"));
        box_->setSelStart(3);
        box_->setSelBold(true);
        box_->setSelFontSize(10.5f);
        box_->setSelColor(0x0000FF);
        box_->setSelFontName(QStringLiteral("Arial"));
        // The caret reports what will be typed next.
        QCOMPARE(box_->SelBold(), std::optional<bool>(true));
        QCOMPARE(box_->SelFontSize(), std::optional<float>(10.5f));
        QTest::keyClicks(box_->widget(), QStringLiteral("xy"));
        QCOMPARE(box_->Text(), QStringLiteral("abcxy"));
        select(*box_, 3, 2);
        QCOMPARE(box_->SelBold(), std::optional<bool>(true));
        QCOMPARE(box_->SelFontSize(), std::optional<float>(10.5f));
        QCOMPARE(box_->SelColor(), std::optional<quint32>(0x0000FF));
        QCOMPARE(box_->SelFontName(), std::optional<QString>(QStringLiteral("Arial")));
        select(*box_, 0, 3);
        QCOMPARE(box_->SelBold(), std::optional<bool>(false));
        QCOMPARE(box_->SelFontSize(), std::optional<float>(12.0f));

        // Replacing the whole text starts over in the default format, whatever
        // the caret stood in.
        box_->setSelStart(4);
        box_->setText(QString());
        QTest::keyClicks(box_->widget(), QStringLiteral("n"));
        select(*box_, 0, 1);
        QCOMPARE(box_->SelBold(), std::optional<bool>(false));
        QCOMPARE(box_->SelFontName(), std::optional<QString>(QStringLiteral("宋体")));
    }

    void refusedSizesLeaveTheSize() {
        box_->setText(QStringLiteral("abc"));
        select(*box_, 0, 3);
        for (float refused : {0.0f, -4.0f, 0.5f, 1638.5f, 100000.0f, std::numeric_limits<float>::quiet_NaN()})
            box_->setSelFontSize(refused);
        QCOMPARE(box_->SelFontSize(), std::optional<float>(12.0f));
        box_->setSelFontName(QString());
        box_->setSelFontName(QStringLiteral("  "));
        QCOMPARE(box_->SelFontName(), std::optional<QString>(QStringLiteral("宋体")));
        // The ends of the range are sizes like any other.
        for (float size : {1.0f, 1638.0f}) {
            box_->setSelFontSize(size);
            QCOMPARE(box_->SelFontSize(), std::optional<float>(size));
        }
    }

    // Strikethrough is written like the other three styles, and read back.
    void strikeThruAndTheFontReadTogether() {
        box_->setText(QStringLiteral("strike 宋体 Arial"));
        select(*box_, 0, 6);
        box_->setSelStrikeThru(true);
        QCOMPARE(box_->SelStrikeThru(), std::optional<bool>(true));
        select(*box_, 4, 4);
        QCOMPARE(box_->SelStrikeThru(), std::nullopt);
        box_->setSelStrikeThru(false);
        select(*box_, 0, 6);
        QCOMPARE(box_->SelStrikeThru(), std::nullopt);
        select(*box_, 4, 2);
        QCOMPARE(box_->SelStrikeThru(), std::optional<bool>(false));

        // The combined read agrees with the two single ones, mixed or not,
        // with a caret and across a run of another font and size.
        select(*box_, 10, 5);
        box_->setSelFontName(QStringLiteral("Arial"));
        box_->setSelFontSize(9.5f);
        const QList<std::pair<int, int>> ranges = {{0, 0}, {12, 0}, {0, 9}, {10, 5}, {11, 2}, {8, 4}, {0, 15}};
        for (const auto &[start, length] : ranges) {
            select(*box_, start, length);
            const RichTextBox::FontNameAndSize both = box_->SelFontNameAndSize();
            QCOMPARE(both.name, box_->SelFontName());
            QCOMPARE(both.size, box_->SelFontSize());
        }
        select(*box_, 8, 4);
        QCOMPARE(box_->SelFontNameAndSize().name, std::nullopt);
        QCOMPARE(box_->SelFontNameAndSize().size, std::nullopt);
    }

    void selectionOffsetsAndText() {
        box_->setText(QStringLiteral("one\ntwo"));
        QCOMPARE(box_->Text(), QStringLiteral("one\ntwo"));
        select(*box_, 2, 3);
        QCOMPARE(box_->SelText(), QStringLiteral("e\nt"));
        // Clamping at both ends.
        box_->setSelStart(100);
        QCOMPARE(box_->SelStart(), 7);
        QCOMPARE(box_->SelLength(), 0);
        QCOMPARE(box_->SelText(), QString());
        box_->setSelStart(5);
        box_->setSelLength(50);
        QCOMPARE(box_->SelLength(), 2);
        box_->setSelStart(-3);
        QCOMPARE(box_->SelStart(), 0);
        QVERIFY_THROWS_EXCEPTION(PlatformError, box_->setSelLength(-1));
    }

    void selTextReplacesWithTheFirstCharactersFormat() {
        box_->setText(QStringLiteral("abc def"));
        select(*box_, 0, 3);
        box_->setSelBold(true);
        select(*box_, 0, 5);  // bold "abc", plain " d"
        box_->setSelText(QStringLiteral("XYZ\r\nQ"));
        QCOMPARE(box_->Text(), QStringLiteral("XYZ\nQef"));
        QCOMPARE(box_->SelLength(), 0);
        QCOMPARE(box_->SelStart(), 5);
        select(*box_, 0, 5);
        QCOMPARE(box_->SelBold(), std::optional<bool>(true));
        select(*box_, 5, 2);
        QCOMPARE(box_->SelBold(), std::optional<bool>(false));
    }

    void selRtfTakesMarkupOrPlainText() {
        box_->setText(QStringLiteral("0123456789"));
        // Empty text deletes the selection.
        select(*box_, 2, 3);
        box_->setSelRTF(QString());
        QCOMPARE(box_->Text(), QStringLiteral("0156789"));
        QCOMPARE(box_->SelStart(), 2);
        // Empty text with a caret changes nothing.
        box_->setSelRTF(QString());
        QCOMPARE(box_->Text(), QStringLiteral("0156789"));
        // Plain text, inserted at the caret; the caret ends after it.
        box_->setSelRTF(QStringLiteral("ab"));
        QCOMPARE(box_->Text(), QStringLiteral("01ab56789"));
        QCOMPARE(box_->SelStart(), 4);
        // Text that only mentions RTF later on is still plain text.
        box_->setSelRTF(QStringLiteral("x{\\rtf1 y}"));
        QCOMPARE(box_->Text(), QStringLiteral("01abx{\\rtf1 y}56789"));
        // Markup is read as formatted content replacing the selection.
        select(*box_, 0, 2);
        box_->setSelRTF(QStringLiteral("{\\rtf1\\ansi {\\b Bold}}"));
        QCOMPARE(box_->Text(), QStringLiteral("Boldabx{\\rtf1 y}56789"));
        QCOMPARE(box_->SelStart(), 4);
        select(*box_, 0, 4);
        QCOMPARE(box_->SelBold(), std::optional<bool>(true));
    }

    void changeAndSelChangeNotifications() {
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        box_->widget()->setFocus();
        QSignalSpy change(box_, &RichTextBox::Change);
        QSignalSpy selChange(box_, &RichTextBox::SelChange);

        // Clearing an empty document still reports a change.
        box_->setText(QString());
        QCOMPARE(change.size(), 1);

        change.clear();
        selChange.clear();
        QTest::keyClicks(box_->widget(), QStringLiteral("abc"));
        QVERIFY(change.size() >= 3);
        QVERIFY(selChange.size() >= 3);

        // Each programmatic move is one notification; putting the caret where
        // it already is, is no change.
        selChange.clear();
        change.clear();
        box_->setSelStart(1);
        QCOMPARE(selChange.size(), 1);
        box_->setSelStart(1);
        QCOMPARE(selChange.size(), 1);
        select(*box_, 0, 2);
        QCOMPARE(selChange.size(), 3);  // start, then length
        QCOMPARE(change.size(), 0);

        // A formatting change of the selection is a change of the document;
        // a format for the text typed next is not.
        box_->setSelBold(true);
        QVERIFY(change.size() >= 1);
        change.clear();
        box_->setSelStart(3);
        box_->setSelItalic(true);
        QCOMPARE(change.size(), 0);

        // Keyboard selection.
        selChange.clear();
        QTest::keyClick(box_->widget(), Qt::Key_Left, Qt::ShiftModifier);
        QCOMPARE(selChange.size(), 1);
        QCOMPARE(box_->SelLength(), 1);
    }

    void loadFileReplacesTheDocument() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("doc.rtf"));
        writeFile(path, "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 {\\b Hello} world\\par}");
        box_->setText(QStringLiteral("old text"));
        QSignalSpy change(box_, &RichTextBox::Change);
        QSignalSpy selChange(box_, &RichTextBox::SelChange);
        box_->LoadFile(path, 0);
        QVERIFY(box_->Text().startsWith(QStringLiteral("Hello world")));
        QVERIFY(change.size() >= 1);
        QVERIFY(selChange.size() >= 1);
        QVERIFY(!box_->document()->isUndoAvailable());
        // The caret stands at the start and reads the first character's format.
        QCOMPARE(box_->SelStart(), 0);
        QCOMPARE(box_->SelBold(), std::optional<bool>(true));
        QCOMPARE(box_->SelFontName(), std::optional<QString>(QStringLiteral("Arial")));
        QCOMPARE(box_->SelFontSize(), std::optional<float>(10.0f));
        // Undo after a load has nothing to take back.
        box_->Undo();
        QVERIFY(box_->Text().startsWith(QStringLiteral("Hello world")));
    }

    void loadFileRefusals() {
        QTemporaryDir dir;
        box_->setText(QStringLiteral("keep me"));
        const QString text = dir.filePath(QStringLiteral("notes.txt"));
        writeFile(text, "just some text, no markup\n");
        try {
            box_->LoadFile(text, 0);
            QFAIL("a text file was accepted as RTF");
        } catch (const PlatformError &e) {
            QVERIFY(e.message().contains(QStringLiteral("notes.txt")));
        }
        QCOMPARE(box_->Text(), QStringLiteral("keep me"));

        const QString missing = dir.filePath(QStringLiteral("missing.rtf"));
        try {
            box_->LoadFile(missing, 0);
            QFAIL("a missing file loaded");
        } catch (const PlatformError &e) {
            QVERIFY(e.message().contains(QStringLiteral("missing.rtf")));
            QVERIFY(e.message().size() > missing.size() + 2);  // carries a reason
        }
        QCOMPARE(box_->Text(), QStringLiteral("keep me"));
        QVERIFY_THROWS_EXCEPTION(PlatformError, box_->LoadFile(text, 1));
    }

    void saveFileRoundTripAndRelativeNames() {
        QTemporaryDir dir;
        box_->setText(QStringLiteral("first second"));
        select(*box_, 6, 6);
        box_->setSelItalic(true);
        const QString old = QDir::currentPath();
        QDir::setCurrent(dir.path());
        box_->SaveFile(QStringLiteral("relative.rtf"), 0);
        QDir::setCurrent(old);
        const QString path = dir.filePath(QStringLiteral("relative.rtf"));
        QVERIFY(readAll(path).startsWith("{\\rtf"));

        RichTextBox other(window_.get());
        other.LoadFile(path, 0);
        QCOMPARE(other.Text(), QStringLiteral("first second"));
        select(other, 6, 6);
        QCOMPARE(other.SelItalic(), std::optional<bool>(true));
        select(other, 0, 5);
        QCOMPARE(other.SelItalic(), std::optional<bool>(false));
    }

    void failedSaveLeavesTheOldFile() {
        QTemporaryDir dir;
        box_->setText(QStringLiteral("new content"));
        // A folder where the file should be: nobody can write it, not even root.
        const QString folder = dir.filePath(QStringLiteral("taken.rtf"));
        QVERIFY(QDir().mkdir(folder));
        QVERIFY_THROWS_EXCEPTION(PlatformError, box_->SaveFile(folder, 0));
        QVERIFY(QFileInfo(folder).isDir());
        QVERIFY_THROWS_EXCEPTION(PlatformError, box_->SaveFile(dir.filePath(QStringLiteral("no/such/folder.rtf")), 0));

        if (::geteuid() == 0)
            QSKIP("running as root: a read-only file is writable");
        const QString readOnly = dir.filePath(QStringLiteral("old.rtf"));
        writeFile(readOnly, "{\\rtf1 old}");
        QVERIFY(QFile::setPermissions(readOnly, QFileDevice::ReadOwner | QFileDevice::ReadUser));
        try {
            box_->SaveFile(readOnly, 0);
            QFAIL("a read-only file was overwritten");
        } catch (const PlatformError &e) {
            QVERIFY(e.message().contains(QStringLiteral("old.rtf")));
        }
        QCOMPARE(readAll(readOnly), QByteArray("{\\rtf1 old}"));
    }

    void moveInTwips() {
        const double tx = twipsPerPixelX();
        const double ty = twipsPerPixelY();
        QVERIFY(tx > 0 && ty > 0);
        box_->Move(10 * tx, 20 * ty, 300 * tx, 150.4 * ty);
        QCOMPARE(box_->widget()->geometry(), QRect(10, 20, 300, 150));
        QCOMPARE(box_->Height(), 150.4 * ty);
        QCOMPARE(box_->Left(), 10 * tx);

        QVERIFY_THROWS_EXCEPTION(PlatformError, box_->Move(0, 0, -1, 100));
        QVERIFY_THROWS_EXCEPTION(PlatformError, box_->Move(0, 0, 100, -15));
        QCOMPARE(box_->widget()->geometry(), QRect(10, 20, 300, 150));
        QCOMPARE(box_->Width(), 300 * tx);
        // A zero size is allowed, and so is a negative position.
        box_->Move(-15 * tx, 0, 0, 0);
        QCOMPARE(box_->widget()->geometry(), QRect(-15, 0, 0, 0));
    }

    void menuShortcutsReachTheWindow() {
        QMainWindow window;
        auto *box = new RichTextBox(&window);
        window.setCentralWidget(box->widget());
        auto *copy = new QAction(QStringLiteral("Copy"), &window);
        copy->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
        window.addAction(copy);
        auto *undo = new QAction(QStringLiteral("Undo"), &window);
        undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
        window.addAction(undo);
        auto *redo = new QAction(QStringLiteral("Redo"), &window);
        redo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Y));
        redo->setEnabled(false);
        window.addAction(redo);
        QSignalSpy copied(copy, &QAction::triggered);
        QSignalSpy undone(undo, &QAction::triggered);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        box->widget()->setFocus();
        QTRY_VERIFY(box->widget()->hasFocus());

        QTest::keyClicks(box->widget(), QStringLiteral("hello"));
        box->setSelStart(0);
        box->setSelLength(5);
        QTest::keyClick(box->widget(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(copied.size(), 1);
        QTest::keyClick(box->widget(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(undone.size(), 1);
        QCOMPARE(box->Text(), QStringLiteral("hello"));  // the editor did not undo by itself
        // Keys without a live action do nothing at all in the editor.
        QTest::keyClick(box->widget(), Qt::Key_Y, Qt::ControlModifier);
        QTest::keyClick(box->widget(), Qt::Key_X, Qt::ControlModifier);
        QTest::keyClick(box->widget(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(box->Text(), QStringLiteral("hello"));
        box->setSelStart(2);
        QTest::keyClick(box->widget(), Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(box->SelLength(), 0);
        // Ordinary editing keys still work.
        QTest::keyClick(box->widget(), Qt::Key_Delete);
        QCOMPARE(box->Text(), QStringLiteral("helo"));
    }

    void mouseUpReportsTheButton() {
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        QSignalSpy up(box_, &RichTextBox::MouseUp);
        QWidget *viewport = box_->widget()->viewport();
        QTest::mouseClick(viewport, Qt::RightButton, Qt::NoModifier, QPoint(20, 10));
        QTest::mouseClick(viewport, Qt::LeftButton, Qt::ShiftModifier, QPoint(20, 10));
        QTest::mouseClick(viewport, Qt::MiddleButton, Qt::NoModifier, QPoint(20, 10));
        QCOMPARE(up.size(), 3);
        QCOMPARE(up.at(0).at(0).toInt(), 2);
        QCOMPARE(up.at(1).at(0).toInt(), 1);
        QCOMPARE(up.at(1).at(1).toInt(), 1);  // Shift
        QCOMPARE(up.at(2).at(0).toInt(), 4);
        QVERIFY(up.at(0).at(2).toFloat() > 0);
    }

    void undoTakesBackTheLastEdit() {
        box_->setText(QStringLiteral("abc"));
        box_->setSelStart(3);
        box_->setSelText(QStringLiteral("def"));
        QCOMPARE(box_->Text(), QStringLiteral("abcdef"));
        QSignalSpy change(box_, &RichTextBox::Change);
        box_->Undo();
        QCOMPARE(box_->Text(), QStringLiteral("abc"));
        QVERIFY(change.size() >= 1);
    }

    void selPrintWritesOneJob() {
        QTemporaryDir dir;
        box_->setText(QStringLiteral("printed text\nsecond line"));
        const QString whole = dir.filePath(QStringLiteral("whole.pdf"));
        const QString part = dir.filePath(QStringLiteral("part.pdf"));
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(whole);
        box_->SelPrint(&printer);
        QVERIFY(readAll(whole).startsWith("%PDF"));

        select(*box_, 0, 7);
        QPrinter selection(QPrinter::HighResolution);
        selection.setOutputFormat(QPrinter::PdfFormat);
        selection.setOutputFileName(part);
        box_->SelPrint(&selection);
        QVERIFY(readAll(part).startsWith("%PDF"));
        // Printing leaves the document and its selection alone.
        QCOMPARE(box_->SelLength(), 7);
        QVERIFY_THROWS_EXCEPTION(PlatformError, box_->SelPrint(nullptr));
    }
};

QTEST_MAIN(TestRichTextBox)
#include "test_richtextbox.moc"
