// The text routines behind the printer defaults: splitting at delimiters,
// numbers to bytes, and the device-mode record the Print command writes.
#include "printing/hex_text.h"
#include "printing/printer_defaults.h"
#include "printing/split_text.h"

#include <QRegularExpression>
#include <QTest>

#include <cstring>
#include <stdexcept>

using namespace pennaro;
using MySubAndFunction::SplitByDelimiters;
using RegFunction::HexTextToBytes;

namespace {

std::vector<std::uint8_t> decode(const QString &text, const QString &mode) {
    std::vector<std::uint8_t> bytes;
    HexTextToBytes(text, bytes, mode);
    return bytes;
}

QList<int> asInts(const std::vector<std::uint8_t> &bytes) { return QList<int>(bytes.begin(), bytes.end()); }

quint32 little(const std::vector<std::uint8_t> &b, int offset, int size) {
    quint32 value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = (value << 8) | b[std::size_t(offset + i)];
    return value;
}

// A text field of the record: its characters up to the first zero byte,
// and whether the rest of its size is all zero bytes.
QByteArray textField(const std::vector<std::uint8_t> &b, int offset, int size, bool *padded) {
    const QByteArray field(reinterpret_cast<const char *>(b.data()) + offset, size);
    const QByteArray text = field.left(field.indexOf('\0'));
    *padded = field.mid(text.size()).count('\0') == size - text.size();
    return text;
}

}  // namespace

class TestHexText : public QObject {
    Q_OBJECT
private slots:
    void splitting_data();
    void splitting();
    void splittingReusesAList();
    void numbers_data();
    void numbers();
    void numbersOutsideAByteAreRefused();
    void deviceModeRecord();
};

void TestHexText::splitting_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("delimiters");
    QTest::addColumn<QStringList>("pieces");
    QTest::newRow("every delimiter on its own") << "a b,c" << ", " << QStringList{"a", "b", "c"};
    QTest::newRow("no empty pieces") << ",ab,,c," << "," << QStringList{"ab", "c"};
    QTest::newRow("no delimiter") << "abc" << "," << QStringList{"abc"};
    QTest::newRow("no delimiters given") << "a,b" << "" << QStringList{"a,b"};
    QTest::newRow("exact characters") << "aAbaB" << "a" << QStringList{"Ab", "B"};
    QTest::newRow("chinese") << "你好，世界，" << "，" << QStringList{"你好", "世界"};
}

void TestHexText::splitting() {
    QFETCH(QString, text);
    QFETCH(QString, delimiters);
    QFETCH(QStringList, pieces);
    int count = -1;
    QStringList list{QStringLiteral("index 0")};
    SplitByDelimiters(text, delimiters, count, list);
    QCOMPARE(count, pieces.size());
    QCOMPARE(list.size(), count + 1);
    QCOMPARE(list.at(0), QStringLiteral("index 0"));  // index 0 receives nothing
    QCOMPARE(list.mid(1), pieces);
}

// Nothing but delimiters leaves the list as it was; a list used before gets
// fresh pieces, not the old ones with the new appended.
void TestHexText::splittingReusesAList() {
    QStringList list;
    int count = -1;
    SplitByDelimiters(QStringLiteral("one,two,three"), QStringLiteral(","), count, list);
    QCOMPARE(count, 3);
    for (const QString &text : {QString(), QStringLiteral(",,, ,"), QStringLiteral(" ")}) {
        SplitByDelimiters(text, QStringLiteral(", "), count, list);
        QCOMPARE(count, 0);
        QCOMPARE(list, (QStringList{QString(), "one", "two", "three"}));
    }
    SplitByDelimiters(QStringLiteral("x,y"), QStringLiteral(","), count, list);
    QCOMPARE(count, 2);
    QCOMPARE(list, (QStringList{QString(), "x", "y"}));
}

void TestHexText::numbers_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QList<int>>("bytes");
    QTest::newRow("hex") << "ff,00,4F,4f,7" << "NO" << QList<int>{255, 0, 79, 79, 7};
    QTest::newRow("any other mode is hex") << "10,20" << "no idea" << QList<int>{16, 32};
    QTest::newRow("empty mode is hex") << "10" << "" << QList<int>{16};
    QTest::newRow("YES is decimal") << "10,255,0" << "YES" << QList<int>{10, 255, 0};
    QTest::newRow("yes is decimal") << "10,20" << "yes" << QList<int>{10, 20};
    QTest::newRow("Yes is decimal") << "99" << "Yes" << QList<int>{99};
    QTest::newRow("yes with a blank is hex") << "10" << "yes " << QList<int>{16};
    QTest::newRow("rest of a piece ignored") << "4fz,1g,a b" << "NO" << QList<int>{79, 1, 171};
    QTest::newRow("no number reads 0") << "zz,-1,&Hff, ,x" << "NO" << QList<int>{0, 0, 0, 0, 0};
    QTest::newRow("blanks skipped") << " 1 2 ,\t3\n" << "YES" << QList<int>{12, 3};
    QTest::newRow("decimal leniency") << "12abc,+7,x9,.5,2.5,3.5,254.5,1e2,1D2,2e" << "YES"
                                      << QList<int>{12, 7, 0, 0, 2, 4, 254, 100, 100, 2};
    QTest::newRow("radix in decimal mode") << "&H4F,&hff,&O17,&X1" << "YES" << QList<int>{79, 255, 15, 0};
    QTest::newRow("commas only") << ",,," << "NO" << QList<int>{};
    QTest::newRow("empty") << "" << "YES" << QList<int>{};
}

void TestHexText::numbers() {
    QFETCH(QString, text);
    QFETCH(QString, mode);
    QFETCH(QList<int>, bytes);
    std::vector<std::uint8_t> out{1, 2, 3};  // replaced, not appended to
    HexTextToBytes(text, out, mode);
    QCOMPARE(asInts(out), bytes);
}

// The bytes a caller had stay as they were; nothing is wrapped or clipped.
void TestHexText::numbersOutsideAByteAreRefused() {
    for (const auto &[text, mode] : {std::pair{"1,100", "NO"}, std::pair{"fff", "NO"}, std::pair{"256", "YES"},
                                     std::pair{"-1", "YES"}, std::pair{"255.5", "YES"}, std::pair{"1e999", "YES"},
                                     std::pair{"&H100", "YES"}}) {
        std::vector<std::uint8_t> bytes{42};
        QVERIFY_THROWS_EXCEPTION(std::out_of_range,
                                 HexTextToBytes(QString::fromLatin1(text), bytes, QString::fromLatin1(mode)));
        QCOMPARE(asInts(bytes), QList<int>{42});
    }
    QCOMPARE(asInts(decode(QStringLiteral("-0.4,255.4"), QStringLiteral("YES"))), (QList<int>{0, 255}));
}

// The record, field by field, as the printer driver reads it.
void TestHexText::deviceModeRecord() {
    const QString text = DefaultDevModeText();
    QCOMPARE(text.size(), 1325);
    QVERIFY(QRegularExpression(QStringLiteral("^[0-9a-f]{2}(,[0-9a-f]{2}){441}$")).match(text).hasMatch());
    const std::vector<std::uint8_t> b = decode(text, QStringLiteral("NO"));
    QCOMPARE(int(b.size()), 442);

    bool padded = false;
    QCOMPARE(textField(b, 0, 32, &padded), QByteArray("EPSON Stylus COLOR 440"));  // dmDeviceName
    QVERIFY(padded);
    QCOMPARE(little(b, 32, 2), 0x0400u);      // dmSpecVersion
    QCOMPARE(little(b, 34, 2), 0x0217u);      // dmDriverVersion
    QCOMPARE(little(b, 36, 2), 148u);         // dmSize
    QCOMPARE(little(b, 38, 2), 294u);         // dmDriverExtra
    QCOMPARE(little(b, 36, 2) + little(b, 38, 2), 442u);
    QCOMPARE(little(b, 40, 4), 0x07808B0Fu);  // dmFields
    QCOMPARE(little(b, 44, 2), 1u);           // dmOrientation: portrait
    QCOMPARE(little(b, 46, 2), 768u);         // dmPaperSize
    QCOMPARE(little(b, 48, 2), 2690u);        // dmPaperLength, 0.1 mm
    QCOMPARE(little(b, 50, 2), 1940u);        // dmPaperWidth
    QCOMPARE(little(b, 52, 2), 0u);           // dmScale
    QCOMPARE(little(b, 54, 2), 1u);           // dmCopies
    QCOMPARE(little(b, 56, 2), 7u);           // dmDefaultSource: automatic
    QCOMPARE(little(b, 58, 2), 180u);         // dmPrintQuality
    QCOMPARE(little(b, 60, 2), 2u);           // dmColor
    QCOMPARE(little(b, 62, 2), 0u);           // dmDuplex
    QCOMPARE(little(b, 64, 2), 180u);         // dmYResolution
    QCOMPARE(little(b, 66, 2), 0u);           // dmTTOption
    QCOMPARE(little(b, 68, 2), 0u);           // dmCollate
    QCOMPARE(textField(b, 70, 32, &padded), QByteArray());  // dmFormName
    QVERIFY(padded);
    for (int offset = 102; offset < 124; ++offset)  // dmLogPixels .. dmDisplayFrequency
        QCOMPARE(b[std::size_t(offset)], std::uint8_t(0));
    QCOMPARE(little(b, 124, 4), 1u);          // dmICMMethod
    QCOMPARE(little(b, 128, 4), 2u);          // dmICMIntent
    QCOMPARE(little(b, 132, 4), 1u);          // dmMediaType
    QCOMPARE(little(b, 136, 4), 288u);        // dmDitherType
    QCOMPARE(little(b, 140, 4), 0u);          // dmReserved1
    QCOMPARE(little(b, 144, 4), 0u);          // dmReserved2

    // The driver's private part starts with three text fields.
    QCOMPARE(textField(b, 148, 32, &padded), QByteArray("DLLName16=EPIGUE3P.DLL"));
    QVERIFY(padded);
    QCOMPARE(textField(b, 180, 32, &padded), QByteArray("DLLName32=EPIDA230.DLL"));
    QVERIFY(padded);
    QCOMPARE(textField(b, 212, 32, &padded), QByteArray("EPSON Stylus COLOR 440"));
    QVERIFY(padded);
    QCOMPARE(asInts({b.end() - 4, b.end()}), (QList<int>{0x9c, 0x68, 0xc7, 0x1a}));
}

QTEST_GUILESS_MAIN(TestHexText)
#include "test_hex_text.moc"
