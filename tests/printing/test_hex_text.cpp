// The text routines behind the printer defaults: splitting at delimiters,
// numbers to bytes, and the device-mode record the Print command writes.
#include "printing/hex_text.h"
#include "printing/printer_defaults.h"
#include "printing/split_text.h"

#include <QRegularExpression>
#include <QTest>

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

QByteArray slice(const std::vector<std::uint8_t> &b, int offset, int size) {
    return QByteArray(reinterpret_cast<const char *>(b.data()) + offset, size);
}

// A text field of the record: the text, then zero bytes up to its size.
QByteArray textField(const char *text, int size) {
    QByteArray field(text);
    return field + QByteArray(size - field.size(), '\0');
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
    void deviceModeNumbers_data();
    void deviceModeNumbers();
};

// clang-format off
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
// clang-format on

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

// clang-format off
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
// clang-format on

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
    for (const auto &[text, mode] :
         {std::pair{"1,100", "NO"}, std::pair{"fff", "NO"}, std::pair{"256", "YES"}, std::pair{"-1", "YES"},
          std::pair{"255.5", "YES"}, std::pair{"1e999", "YES"}, std::pair{"&H100", "YES"}}) {
        std::vector<std::uint8_t> bytes{42};
        QVERIFY_THROWS_EXCEPTION(std::out_of_range,
                                 HexTextToBytes(QString::fromLatin1(text), bytes, QString::fromLatin1(mode)));
        QCOMPARE(asInts(bytes), QList<int>{42});
    }
    QCOMPARE(asInts(decode(QStringLiteral("-0.4,255.4"), QStringLiteral("YES"))), (QList<int>{0, 255}));
}

// The record as text and its text fields, as the printer driver reads them.
void TestHexText::deviceModeRecord() {
    const QString text = DefaultDevModeText();
    QCOMPARE(text.size(), 1325);
    QVERIFY(QRegularExpression(QStringLiteral("^[0-9a-f]{2}(,[0-9a-f]{2}){441}$")).match(text).hasMatch());
    const std::vector<std::uint8_t> b = decode(text, QStringLiteral("NO"));
    QCOMPARE(int(b.size()), 442);
    QCOMPARE(little(b, 36, 2) + little(b, 38, 2), 442u);                 // dmSize + dmDriverExtra
    QCOMPARE(slice(b, 0, 32), textField("EPSON Stylus COLOR 440", 32));  // dmDeviceName
    QCOMPARE(slice(b, 70, 32), textField("", 32));                       // dmFormName
    QCOMPARE(slice(b, 102, 22), textField("", 22));                      // dmLogPixels .. dmDisplayFrequency
    // The driver's private part starts with three text fields.
    QCOMPARE(slice(b, 148, 32), textField("DLLName16=EPIGUE3P.DLL", 32));
    QCOMPARE(slice(b, 180, 32), textField("DLLName32=EPIDA230.DLL", 32));
    QCOMPARE(slice(b, 212, 32), textField("EPSON Stylus COLOR 440", 32));
    QCOMPARE(slice(b, 438, 4), QByteArray("\x9c\x68\xc7\x1a"));
}

// The record's numbers, little-endian as Windows lays them out.
void TestHexText::deviceModeNumbers_data() {
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("size");
    QTest::addColumn<uint>("value");
    const struct {
        const char *field;
        int offset, size;
        uint value;
    } fields[] = {
        {"dmSpecVersion", 32, 2, 0x0400}, {"dmDriverVersion", 34, 2, 0x0217},
        {"dmSize", 36, 2, 148},           {"dmDriverExtra", 38, 2, 294},
        {"dmFields", 40, 4, 0x07808B0F},  {"dmOrientation", 44, 2, 1},
        {"dmPaperSize", 46, 2, 768},      {"dmPaperLength", 48, 2, 2690},
        {"dmPaperWidth", 50, 2, 1940},    {"dmScale", 52, 2, 0},
        {"dmCopies", 54, 2, 1},           {"dmDefaultSource", 56, 2, 7},
        {"dmPrintQuality", 58, 2, 180},   {"dmColor", 60, 2, 2},
        {"dmDuplex", 62, 2, 0},           {"dmYResolution", 64, 2, 180},
        {"dmTTOption", 66, 2, 0},         {"dmCollate", 68, 2, 0},
        {"dmICMMethod", 124, 4, 1},       {"dmICMIntent", 128, 4, 2},
        {"dmMediaType", 132, 4, 1},       {"dmDitherType", 136, 4, 288},
        {"dmReserved1", 140, 4, 0},       {"dmReserved2", 144, 4, 0},
    };
    for (const auto &f : fields)
        QTest::newRow(f.field) << f.offset << f.size << f.value;
}

void TestHexText::deviceModeNumbers() {
    QFETCH(int, offset);
    QFETCH(int, size);
    QFETCH(uint, value);
    static const std::vector<std::uint8_t> record = decode(DefaultDevModeText(), QStringLiteral("NO"));
    QCOMPARE(little(record, offset, size), value);
}

QTEST_GUILESS_MAIN(TestHexText)
#include "test_hex_text.moc"
