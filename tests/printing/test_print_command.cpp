// The Print command through its handler: the registry write, the print
// dialog and its options, and what lands in the PDF the chosen printer
// writes (read back with pdftotext and pdffonts from poppler-utils).
#include "platform/richtextbox.h"
#include "printing/hex_text.h"
#include "printing/printer_defaults.h"
#include "shell/form1.h"
#include "support/external_tools.h"
#include "support/form_fixture.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPrinter>
#include <QTest>

#include <algorithm>

using namespace pennaro;
using namespace pennaro::testing;

namespace {

const QString kPrinterKey = QStringLiteral("HKEY_LOCAL_MACHINE\\") + QLatin1String(kPrinterKeyPath);
const QString kDevModeValue = kPrinterKey + QStringLiteral("\\Default DevMode");

// The text of each page of a PDF, without the line breaks the layout made.
QStringList pdfPages(const QString &pdf) {
    QStringList pages = toolOutput(QStringLiteral("pdftotext"),
                                   {QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdf, QStringLiteral("-")})
                            .split(QLatin1Char('\f'));
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    for (QString &page : pages)
        page.remove(QLatin1Char('\n'));
    return pages;
}

// The "emb" column of pdffonts for every font the PDF uses.
QStringList embedded(const QString &pdf) {
    QStringList flags;
    const QStringList lines =
        toolOutput(QStringLiteral("pdffonts"), {pdf}).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &line : lines.mid(2)) {
        // name, type (may hold a blank), encoding, emb, sub, uni, object ID
        const QStringList fields = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (fields.size() >= 7)
            flags << fields.at(fields.size() - 5);
    }
    return flags;
}

QByteArray devModeBytes() {
    std::vector<std::uint8_t> bytes;
    RegFunction::HexTextToBytes(DefaultDevModeText(), bytes, QStringLiteral("NO"));
    return QByteArray(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size()));
}

// A window with the printer's key in its registry and a document.
struct PrintFixture : FormFixture {
    explicit PrintFixture(const QString &text) {
        platform.registry.keys.insert(kPrinterKey);
        form->RichTextBox1->setText(text);
    }
    void select(int start, int length) {
        form->RichTextBox1->setSelStart(start);
        form->RichTextBox1->setSelLength(length);
    }
    void print() {
        run([this] { form->mnuPrintItem_Click(); });
    }
    // The one dialog the command showed: the print dialog, with its flags.
    int printDialogFlags() {
        const QList<ShownDialog> shown = platform.dialogs.takeShown();
        if (shown.size() != 1 || shown[0].kind != DialogKind::Printer)
            return -1;
        return shown[0].flags;
    }
    void expectDevModeWritten() {
        QCOMPARE(platform.registry.values.keys(), QStringList{kDevModeValue});
        QCOMPARE(platform.registry.values.value(kDevModeValue).type, REG_BINARY);
        QCOMPARE(platform.registry.values.value(kDevModeValue).data, devModeBytes());
        QCOMPARE(platform.registry.openHandles, 0);
    }
};

// Paragraphs enough for several pages, each numbered so that a lost one
// shows.
QString longDocument(int paragraphs) {
    QStringList lines;
    for (int i = 1; i <= paragraphs; ++i)
        lines << QStringLiteral("第%1段 paragraph %1 打印测试文本").arg(i);
    return lines.join(QLatin1Char('\n'));
}

// Notes the pointer's shape whenever a page is finished.
class WatchedPrinter : public QPrinter {
public:
    explicit WatchedPrinter(const QString &pdf) : QPrinter(QPrinter::HighResolution) {
        setOutputFormat(QPrinter::PdfFormat);
        setOutputFileName(pdf);
    }
    bool newPage() override {
        const QCursor *cursor = QGuiApplication::overrideCursor();
        shapes << (cursor ? int(cursor->shape()) : -1);
        return QPrinter::newPage();
    }
    QList<int> shapes;
};

}  // namespace

class TestPrintCommand : public QObject {
    Q_OBJECT
private slots:
    void selectionPrintsOnlyTheSelection_data();
    void selectionPrintsOnlyTheSelection();
    void withoutSelectionTheWholeDocumentPrints_data();
    void withoutSelectionTheWholeDocumentPrints();
    void cancelPrintsNothingButTheDefaultsAreWritten();
    void missingPrinterKeyCreatesNothing();
    void failingPrinterEndsSilently();
    void busyWhilePagesAreProduced();
};

void TestPrintCommand::selectionPrintsOnlyTheSelection_data() {
    QTest::addColumn<int>("rangeChosen");
    QTest::newRow("selection range, as preset") << -1;
    QTest::newRow("user switched to all pages") << int(QPrinter::AllPages);
}

void TestPrintCommand::selectionPrintsOnlyTheSelection() {
    QFETCH(int, rangeChosen);
    PrintFixture f(QStringLiteral("开头 before 选中的中文 selected 结尾 after"));
    f.select(10, 15);
    QCOMPARE(f.form->RichTextBox1->SelText(), QStringLiteral("选中的中文 selected "));
    const DocumentView before = f.document();
    const QString pdf = f.path(QStringLiteral("part.pdf"));
    f.platform.dialogs.answerPrinterPdf(pdf, rangeChosen);
    f.print();

    QCOMPARE(f.printDialogFlags(), 0x109);
    QCOMPARE(pdfPages(pdf), QStringList{QStringLiteral("选中的中文 selected")});
    const QStringList fonts = embedded(pdf);
    QVERIFY(!fonts.isEmpty());
    QCOMPARE(fonts.count(QStringLiteral("yes")), fonts.size());
    f.expectDevModeWritten();
    // The document, its selection and the shared dialog as the command
    // leaves them.
    QCOMPARE(f.document(), before);
    QCOMPARE(f.form->RichTextBox1->SelStart(), 10);
    QCOMPARE(f.form->RichTextBox1->SelLength(), 15);
    QCOMPARE(f.form->CommonDialog1.Flags, 0x109);
    QVERIFY(f.form->CommonDialog1.CancelError);
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
}

void TestPrintCommand::withoutSelectionTheWholeDocumentPrints_data() {
    QTest::addColumn<int>("rangeChosen");
    QTest::newRow("all pages, as preset") << -1;
    QTest::newRow("user switched to the selection") << int(QPrinter::Selection);
}

void TestPrintCommand::withoutSelectionTheWholeDocumentPrints() {
    QFETCH(int, rangeChosen);
    PrintFixture f(longDocument(150));
    const QString pdf = f.path(QStringLiteral("whole.pdf"));
    f.platform.dialogs.answerPrinterPdf(pdf, rangeChosen);
    f.print();

    QCOMPARE(f.printDialogFlags(), 0x108);
    const QStringList pages = pdfPages(pdf);
    QVERIFY2(pages.size() >= 3, qPrintable(QString::number(pages.size())));
    QString printed = pages.join(QString());
    printed.remove(QLatin1Char(' '));
    QString expected = longDocument(150);
    expected.remove(QLatin1Char('\n')).remove(QLatin1Char(' '));
    QCOMPARE(printed, expected);  // every paragraph, once, in order
    QVERIFY(pages.first().startsWith(QStringLiteral("第1段")));
    f.expectDevModeWritten();
    QCOMPARE(f.form->CommonDialog1.Flags, 0x108);
}

// Cancel ends the command without a word, after the defaults were written;
// the flags stay on the shared dialog, so Save As opens with them. The
// toolbar's Print is the same command.
void TestPrintCommand::cancelPrintsNothingButTheDefaultsAreWritten() {
    PrintFixture f(QStringLiteral("不打印"));
    const DocumentView before = f.document();
    f.platform.dialogs.cancel(DialogKind::Printer);
    f.run([&] { f.form->Toolbar1_ButtonClick(ToolbarButton{QStringLiteral("Print")}); });
    QCOMPARE(f.printDialogFlags(), 0x108);
    f.expectDevModeWritten();
    QCOMPARE(QDir(f.dir.path()).entryList(QDir::Files), QStringList());
    QCOMPARE(f.document(), before);
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);

    // Written again, with the same bytes, on every use.
    f.platform.registry.values.clear();
    f.select(0, 1);
    f.platform.dialogs.cancel(DialogKind::Printer);
    f.print();
    QCOMPARE(f.printDialogFlags(), 0x109);
    f.expectDevModeWritten();

    f.platform.dialogs.answerSave(f.path(QStringLiteral("saved")));
    f.run([&] { f.form->mnuSaveAsItem_Click(); });
    const QList<ShownDialog> shown = f.platform.dialogs.takeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].kind, DialogKind::FileSave);
    QCOMPARE(shown[0].flags, 0x109);
}

void TestPrintCommand::missingPrinterKeyCreatesNothing() {
    FormFixture f;
    f.platform.registry.keys.insert(QStringLiteral("HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Print"));
    const QSet<QString> keys = f.platform.registry.keys;
    f.type(QStringLiteral("照常打印"));
    const QString pdf = f.path(QStringLiteral("out.pdf"));
    f.platform.dialogs.answerPrinterPdf(pdf);
    f.run([&] { f.form->mnuPrintItem_Click(); });
    QCOMPARE(f.platform.dialogs.shown().size(), 1);
    QCOMPARE(f.platform.registry.keys, keys);
    QVERIFY(f.platform.registry.values.isEmpty());
    QCOMPARE(f.platform.registry.openHandles, 0);
    QCOMPARE(pdfPages(pdf), QStringList{QStringLiteral("照常打印")});
}

// A printer that cannot start the job: nothing shown, nothing written, and
// the window as it was.
void TestPrintCommand::failingPrinterEndsSilently() {
    PrintFixture f(QStringLiteral("text"));
    const DocumentView before = f.document();
    const QString pdf = f.path(QStringLiteral("no such folder/out.pdf"));
    f.platform.dialogs.answerPrinterPdf(pdf);
    f.print();
    QCOMPARE(f.printDialogFlags(), 0x108);
    QVERIFY(!QFile::exists(pdf));
    QCOMPARE(f.document(), before);
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    f.expectDevModeWritten();
}

// The pointer is busy while pages are produced and normal again afterwards.
// The copies and the page order chosen in the dialog are followed; a PDF
// printer makes no copies itself, so the pages are produced again: the whole
// document after itself when collated, each page twice when not.
void TestPrintCommand::busyWhilePagesAreProduced() {
    PrintFixture f(longDocument(100));
    bool busyThroughout = true;
    const auto print = [&](int copies, bool collate, QPrinter::PageOrder order) {
        const QString pdf = f.path(QStringLiteral("copies-%1-%2-%3.pdf").arg(copies).arg(collate).arg(order));
        auto printer = std::make_shared<WatchedPrinter>(pdf);
        printer->setCopyCount(copies);
        printer->setCollateCopies(collate);
        printer->setPageOrder(order);
        f.platform.dialogs.answerPrinter(printer);
        f.print();
        const QStringList pages = pdfPages(pdf);
        busyThroughout = busyThroughout && printer->shapes.size() == pages.size() - 1 &&
                         printer->shapes.count(int(Qt::WaitCursor)) == printer->shapes.size();
        return pages;
    };
    const QStringList once = print(1, true, QPrinter::FirstPageFirst);
    QVERIFY(once.size() >= 2);
    QCOMPARE(print(2, true, QPrinter::FirstPageFirst), once + once);
    QStringList twice;
    for (const QString &page : once)
        twice << page << page;
    QCOMPARE(print(2, false, QPrinter::FirstPageFirst), twice);
    QStringList reversed = once;
    std::reverse(reversed.begin(), reversed.end());
    QCOMPARE(print(1, true, QPrinter::LastPageFirst), reversed);
    QVERIFY(busyThroughout);
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
}

QTEST_MAIN(TestPrintCommand)
#include "test_print_command.moc"
