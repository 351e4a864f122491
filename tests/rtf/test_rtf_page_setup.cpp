// The Print command prints a document on the paper its file was made for:
// the size, orientation and margins the file gives (read back from the PDF
// the chosen printer writes, with pdfinfo and pdftotext from poppler-utils).
#include "platform/richtextbox.h"
#include "shell/form1.h"
#include "support/external_tools.h"
#include "support/form_fixture.h"

#include <QFile>
#include <QRegularExpression>
#include <QTest>

using namespace pennaro;
using namespace pennaro::testing;

namespace {

// "841.89 x 595.276" as a size in whole points.
QSize pageSize(const QString &pdf) {
    const QRegularExpression re(QStringLiteral("Page size:\\s+([0-9.]+) x ([0-9.]+) pts"));
    const QRegularExpressionMatch m = re.match(toolOutput(QStringLiteral("pdfinfo"), {pdf}));
    return m.hasMatch() ? QSize(qRound(m.captured(1).toDouble()), qRound(m.captured(2).toDouble())) : QSize();
}

// Where the first word of the first page starts, in points from the top
// left corner.
QPointF firstWord(const QString &pdf) {
    const QString html =
        toolOutput(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), QStringLiteral("-f"), QStringLiteral("1"),
                                                 QStringLiteral("-l"), QStringLiteral("1"), pdf, QStringLiteral("-")});
    const QRegularExpression re(QStringLiteral("<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\""));
    const QRegularExpressionMatch m = re.match(html);
    return m.hasMatch() ? QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()) : QPointF(-1, -1);
}

}  // namespace

class TestRtfPageSetup : public QObject {
    Q_OBJECT
private slots:
    // A4 landscape with margins of one inch left and right, an inch and a
    // quarter at the top: that is the page the PDF gets, and the text
    // starts inside the margins. The first section's own page settings
    // override the document's.
    void printsOnTheDocumentsPaper() {
        FormFixture f;
        const QString file = f.path(QStringLiteral("landscape.rtf"));
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\paperw11906\\paperh16838\\margl1440\\margr1440"
                  "\\margt1800\\margb1440\\sectd\\lndscpsxn\\pgwsxn16838\\pghsxn11906"
                  "\\pard\\plain\\f0\\fs24 Landscape\\par}");
        out.close();
        f.form->RichTextBox1->LoadFile(file, 0);
        const QString pdf = f.path(QStringLiteral("landscape.pdf"));
        f.platform.dialogs.answerPrinterPdf(pdf);
        f.run([&] { f.form->mnuPrintItem_Click(); });
        QCOMPARE(pageSize(pdf), QSize(842, 595));
        const QPointF word = firstWord(pdf);
        QVERIFY2(word.x() >= 72 && word.x() < 80, qPrintable(QString::number(word.x())));
        QVERIFY2(word.y() >= 90 && word.y() < 110, qPrintable(QString::number(word.y())));
        QCOMPARE(f.platform.dialogs.takeShown().size(), 1);

        // A selection prints on the same paper.
        f.form->RichTextBox1->setSelStart(0);
        f.form->RichTextBox1->setSelLength(4);
        const QString part = f.path(QStringLiteral("part.pdf"));
        f.platform.dialogs.answerPrinterPdf(part);
        f.run([&] { f.form->mnuPrintItem_Click(); });
        QCOMPARE(pageSize(part), QSize(842, 595));
    }
};

QTEST_MAIN(TestRtfPageSetup)
#include "test_rtf_page_setup.moc"
