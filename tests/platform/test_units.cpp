// The editor's units: 0xBBGGRR colours, twips to pixels, and the 1 to 1638
// point range as the RTF engine keeps it when reading and writing.
#include "platform/errors.h"
#include "platform/rtf/rtf.h"
#include "platform/units.h"

#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <limits>

using namespace pennaro;

class Units : public QObject {
    Q_OBJECT
private slots:
    void coloursAreBlueGreenRed();
    void twipsRoundToTheNearestPixel();
    void rtfKeepsSizesInRange_data();
    void rtfKeepsSizesInRange();
};

void Units::coloursAreBlueGreenRed() {
    QCOMPARE(colorFromBgr(0xFF0000), QColor(0, 0, 255));
    QCOMPARE(colorFromBgr(0x0000FF), QColor(255, 0, 0));
    QCOMPARE(colorFromBgr(0xFF123456), QColor(0x56, 0x34, 0x12));  // the top byte is not a colour
    QCOMPARE(bgrFromColor(QColor(0x56, 0x34, 0x12)), 0x123456u);
    QCOMPARE(bgrFromColor(QColor::fromHsv(120, 255, 255)), 0x00FF00u);  // whatever model the colour is held in
    QCOMPARE(bgrFromColor(colorFromBgr(0xABCDEF)), 0xABCDEFu);
}

void Units::twipsRoundToTheNearestPixel() {
    const double tx = twipsPerPixelX(), ty = twipsPerPixelY();
    QVERIFY(tx > 0 && ty > 0);
    QCOMPARE(twipsToPixelsX(10 * tx), 10);
    QCOMPARE(twipsToPixelsX(10.4 * tx), 10);
    QCOMPARE(twipsToPixelsX(10.5 * tx), 11);
    QCOMPARE(twipsToPixelsY(-10.5 * ty), -11);
    QCOMPARE(twipsToPixelsY(0), 0);
    for (double refused : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(), -1e12,
                           double(QWIDGETSIZE_MAX + 1) * tx}) {
        QVERIFY_THROWS_EXCEPTION(PlatformError, twipsToPixelsX(refused));
    }
}

void Units::rtfKeepsSizesInRange_data() {
    QTest::addColumn<QByteArray>("fs");
    QTest::addColumn<float>("points");
    QTest::newRow("ceiling") << QByteArray("3276") << 1638.0f;
    QTest::newRow("above the ceiling") << QByteArray("40000") << 1638.0f;
    QTest::newRow("floor") << QByteArray("2") << 1.0f;
    QTest::newRow("half a point") << QByteArray("1") << 1.0f;
    QTest::newRow("zero") << QByteArray("0") << 1.0f;
    QTest::newRow("fraction") << QByteArray("21") << 10.5f;
}

// Reading clamps \fs into the range; writing a size outside it (which only
// a document built by other means can hold) writes the nearest end.
void Units::rtfKeepsSizesInRange() {
    QFETCH(QByteArray, fs);
    QFETCH(float, points);
    QTextDocument doc;
    QVERIFY(rtf::readDocument("{\\rtf1\\ansi\\fs" + fs + " size\\par}", &doc).ok);
    QCOMPARE(doc.firstBlock().begin().fragment().charFormat().fontPointSize(), double(points));

    QTextDocument built;
    QTextCharFormat format;
    format.setFontPointSize(fs.toInt() / 2.0);
    if (fs.toInt() > 0) {
        QTextCursor(&built).insertText(QStringLiteral("size"), format);
        QTextDocument back;
        QVERIFY(rtf::readDocument(rtf::writeDocument(&built), &back).ok);
        QCOMPARE(back.firstBlock().begin().fragment().charFormat().fontPointSize(), double(points));
    }
}

QTEST_MAIN(Units)
#include "test_units.moc"
