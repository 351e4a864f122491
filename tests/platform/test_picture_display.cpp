// Pictures as the user meets them: one whose file makes it enormous is shown
// within 22 inches and saved with the sizes it came with; pictures whose data
// cannot be decoded are left out without a word on the console.
#include "platform/picturesize.h"
#include "platform/richtextbox.h"
#include "shell/form1.h"
#include "support/form_fixture.h"
#include "support/rtf_samples.h"

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QTemporaryFile>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <cstdio>
#include <unistd.h>

using namespace pennaro;
using namespace pennaro::testing;

namespace {

// Everything the program says while it lives: Qt's messages and whatever
// reaches file descriptor 2 directly (libpng writes there itself).
class ConsoleCapture {
public:
    ConsoleCapture() {
        file_.open();
        std::fflush(stderr);
        saved_ = dup(2);
        dup2(file_.handle(), 2);
        messages().clear();
        previous_ = qInstallMessageHandler(
            [](QtMsgType, const QMessageLogContext &, const QString &text) { messages() << text; });
    }
    ~ConsoleCapture() { restore(); }

    // What was said, once the capture has ended.
    QString said() {
        restore();
        file_.seek(0);
        return QString::fromLocal8Bit(file_.readAll()) + messages().join(QLatin1Char('\n'));
    }

private:
    static QStringList &messages() {
        static QStringList list;
        return list;
    }
    void restore() {
        if (saved_ < 0)
            return;
        qInstallMessageHandler(previous_);
        std::fflush(stderr);
        dup2(saved_, 2);
        close(saved_);
        saved_ = -1;
    }

    QTemporaryFile file_;
    int saved_ = -1;
    QtMessageHandler previous_ = nullptr;
};

void open(FormFixture &f, const QString &path) {
    f.platform.dialogs.answerOpen(path);
    f.run([&] { f.form->mnuOpenItem_Click(); });
}

QByteArray withPng(const QByteArray &png) { return "{\\pict\\pngblip " + png.toHex() + "}"; }

// A small PNG as a file holds it, from a picture group of rtf_samples.
QByteArray pngBytes() {
    const QByteArray group = pngPicture(2, 2);
    return QByteArray::fromHex(group.mid(group.lastIndexOf(' ') + 1).chopped(1));
}

}  // namespace

class TestPictureDisplay : public QObject {
    Q_OBJECT
private slots:
    void enormousPictureIsShownWithinTheLimitAndSavedAsGiven();
    void undecodablePicturesAreLeftOutQuietly_data();
    void undecodablePicturesAreLeftOutQuietly();
};

// A 2 x 2 picture that the file stretches to about 70 km by 35 km: on screen
// the line that holds it is 22 inches wide and half that high; the saved
// file gives the picture the goal size it had (the scale folded in) and the
// same bytes.
void TestPictureDisplay::enormousPictureIsShownWithinTheLimitAndSavedAsGiven() {
    FormFixture f;
    const QByteArray png = pngBytes();
    const QString path = f.path(QStringLiteral("huge.rtf"));
    QFile out(path);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write("{\\rtf1\\ansi a{\\pict\\pngblip\\picw2\\pich2\\picwgoal1000000\\pichgoal500000"
              "\\picscalex10000\\picscaley10000 " +
              png.toHex() + "}b\\par}");
    out.close();
    f.form->resize(800, 600);
    f.form->show();
    open(f, path);

    QTextDocument *doc = f.form->RichTextBox1->document();
    QCOMPARE(doc->toPlainText(), QStringLiteral("a\uFFFCb"));
    const QTextBlock block = doc->firstBlock();
    doc->documentLayout()->blockBoundingRect(block);  // laid out
    QTextLayout *layout = block.layout();
    QVERIFY(layout->lineCount() >= 1);
    const QTextLine line = layout->lineForTextPosition(1);
    QVERIFY2(line.height() >= kMaxPictureUnits / 2 && line.height() < kMaxPictureUnits / 2 + 40,
             qPrintable(QString::number(line.height())));
    QVERIFY2(line.naturalTextWidth() < kMaxPictureUnits + 40, qPrintable(QString::number(line.naturalTextWidth())));

    f.form->Modified = true;
    f.run([&] { f.form->mnuSave_Click(); });
    QFile saved(path);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const QByteArray rtf = saved.readAll();
    QVERIFY2(rtf.contains("\\picwgoal100000000\\pichgoal50000000"), rtf.constData());
    QVERIFY(QByteArray(rtf).replace("\r", "").replace("\n", "").contains(png.toHex()));
}

void TestPictureDisplay::undecodablePicturesAreLeftOutQuietly_data() {
    const QByteArray png = pngBytes();
    QByteArray badCrc = png;
    badCrc[badCrc.indexOf("IDAT") + 6] = char(badCrc[badCrc.indexOf("IDAT") + 6] ^ 0x55);
    QTest::addColumn<QByteArray>("picture");
    QTest::newRow("PNG cut short") << withPng(png.left(png.size() / 2));
    QTest::newRow("PNG with damaged data") << withPng(badCrc);
    QTest::newRow("PNG signature, then nonsense") << withPng(png.left(8) + QByteArray(40, 'x'));
    QTest::newRow("PNG claiming 30000 x 30000")
        << withPng(QByteArray::fromHex("89504e470d0a1a0a0000000d49484452000075300000753008060000006627f8ba"));
    QTest::newRow("JPEG header only") << QByteArray("{\\pict\\jpegblip ffd8ffe000104a46494600010101}");
    QTest::newRow("JPEG of nonsense") << "{\\pict\\jpegblip ffd8" + QByteArray(64, '7') + "ffd9}";
}

// The text around a picture that does not decode loads, a good picture
// beside it still shows, and neither Qt nor the image libraries print
// anything.
void TestPictureDisplay::undecodablePicturesAreLeftOutQuietly() {
    QFETCH(QByteArray, picture);
    FormFixture f;
    const QString path = f.path(QStringLiteral("pictures.rtf"));
    QFile out(path);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write("{\\rtf1\\ansi before " + picture + " middle " + pngPicture(3, 3) + " after}");
    out.close();

    ConsoleCapture console;
    open(f, path);
    const QString said = console.said();
    QVERIFY2(said.isEmpty(), qPrintable(said));
    QCOMPARE(f.form->RichTextBox1->Text(), QStringLiteral("before  middle \uFFFC after"));
}

QTEST_MAIN(TestPictureDisplay)
#include "test_picture_display.moc"
