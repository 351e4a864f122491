// 宋体 where it is not installed (this machine has Noto Serif CJK SC and
// WenQuanYi, as scripts/setup.sh installs them): the editing area and the
// printout draw it in the CJK serif face, Latin letters and Chinese alike,
// and what the document records is still 宋体.
#include "platform/fontfallback.h"
#include "platform/richtextbox.h"
#include "platform/rtf/rtf.h"
#include "shell/form1.h"
#include "support/form_fixture.h"

#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGlyphRun>
#include <QRawFont>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextLayout>

using namespace pennaro;
using namespace pennaro::testing;

namespace {

const QString kSerif = QStringLiteral("Noto Serif CJK SC");

// The faces the glyphs of the document's first paragraph are drawn in: the
// paragraph laid out afresh with its own formats (the editing area's layout
// keeps no glyphs once it has drawn them).
QStringList facesOfFirstParagraph(const QTextDocument *document) {
    const QTextBlock block = document->firstBlock();
    QTextLayout layout(block.text(), document->defaultFont());
    layout.setFormats(block.textFormats());
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    QStringList faces;
    for (const QGlyphRun &run : layout.glyphRuns())
        faces << run.rawFont().familyName();
    return faces;
}

}  // namespace

class FontFallback : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void designFontNamesResolveToTheSerif();
    void editingAreaDrawsOneFace();
    void documentRecordsTheDesignFont();
    void printoutUsesTheSerif();
};

void FontFallback::initTestCase() {
    const QStringList families = QFontDatabase::families();
    if (families.contains(QStringLiteral("宋体")) || families.contains(QStringLiteral("SimSun")))
        QSKIP("宋体 is installed here: nothing falls back");
    QVERIFY2(families.contains(kSerif), "fonts-noto-cjk is missing (scripts/setup.sh installs it)");
    installDesignFontFallback();
}

void FontFallback::designFontNamesResolveToTheSerif() {
    for (const char *name : {"宋体", "SimSun", "新宋体", "NSimSun"})
        QCOMPARE(QFontInfo(QFont(QString::fromUtf8(name), 12)).family(), kSerif);
    // Other fonts are left to fontconfig.
    QVERIFY(QFontInfo(QFont(QStringLiteral("DejaVu Sans"), 12)).family() != kSerif);
}

void FontFallback::editingAreaDrawsOneFace() {
    FormFixture f;
    f.type(QStringLiteral("你好 Pennaro 世界"));
    const QStringList faces = facesOfFirstParagraph(f.form->RichTextBox1->document());
    QVERIFY(!faces.isEmpty());
    for (const QString &face : faces)
        QVERIFY2(face.compare(kSerif, Qt::CaseInsensitive) == 0, qPrintable(faces.join(QStringLiteral(", "))));
}

void FontFallback::documentRecordsTheDesignFont() {
    FormFixture f;
    f.type(QStringLiteral("你好 Pennaro"));
    QCOMPARE(f.form->RichTextBox1->SelFontName(), std::optional<QString>(QStringLiteral("宋体")));
    f.platform.dialogs.answerSave(f.path(QStringLiteral("saved.rtf")));
    f.run([&] { f.form->mnuSaveAsItem_Click(); });

    QFile file(f.path(QStringLiteral("saved.rtf")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray rtf = file.readAll();
    QVERIFY2(!rtf.contains("Noto") && !rtf.contains("WenQuanYi"), rtf.constData());
    QTextDocument reread;
    QVERIFY(rtf::readDocument(rtf, &reread).ok);
    QCOMPARE(reread.toPlainText(), QStringLiteral("你好 Pennaro"));
    for (const int position : {1, 4}) {  // a Chinese character and a Latin letter
        QTextCursor cursor(&reread);
        cursor.setPosition(position);
        QCOMPARE(cursor.charFormat().fontFamilies().toStringList().value(0), QStringLiteral("宋体"));
    }
}

void FontFallback::printoutUsesTheSerif() {
    FormFixture f;
    f.type(QStringLiteral("你好 Pennaro"));
    const QString pdf = f.path(QStringLiteral("out.pdf"));
    f.platform.dialogs.answerPrinterPdf(pdf);
    f.run([&] { f.form->mnuPrintItem_Click(); });

    QFile file(pdf);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    // Font names stand in the PDF's font dictionaries as plain text.
    QVERIFY2(bytes.contains("NotoSerifCJK"), "the printout does not use Noto Serif CJK");
    QVERIFY(!bytes.contains("DejaVu"));
}

QTEST_MAIN(FontFallback)
#include "test_font_fallback.moc"
