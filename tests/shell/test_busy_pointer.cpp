// Work that can take a while shows a busy pointer: Open while the file
// loads, every save while the file is written, Find All while it looks for
// and colours the matches, Print while the pages are made. The pointer is
// busy while the work runs (seen from the change notification the work
// raises), never under a dialog, and back to normal once the command is
// done, whether it worked, failed or was cancelled.
#include "platform/richtextbox.h"
#include "shell/form1.h"
#include "support/form_fixture.h"

#include <QCursor>
#include <QFile>
#include <QGuiApplication>
#include <QTest>

using namespace pennaro;
using namespace pennaro::testing;

namespace {

bool busy() {
    const QCursor *pointer = QGuiApplication::overrideCursor();
    return pointer && pointer->shape() == Qt::WaitCursor;
}

}  // namespace

class BusyPointer : public QObject {
    Q_OBJECT

    QList<bool> changes;  // whether the pointer was busy at each change notification

    void watch(FormFixture &f) {
        changes.clear();
        connect(f.form->RichTextBox1, &RichTextBox::Change, this, [this] { changes << busy(); });
    }
    // No dialog came up under a busy pointer, and no busy pointer is left.
    static void expectCalm(FormFixture &f) {
        for (const ShownDialog &shown : f.platform.dialogs.shown())
            QVERIFY2(!shown.busyPointer, dialogKindName(shown.kind));
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    }

private slots:
    void open();
    void save();
    void findAll();
    void print();
};

void BusyPointer::open() {
    FormFixture f;
    const QString document = f.writeRtf(QStringLiteral("notes.rtf"), QStringLiteral("你好"));
    watch(f);
    f.platform.dialogs.answerOpen(document);
    f.run([&] { f.form->mnuOpenItem_Click(); });
    QCOMPARE(f.form->RichTextBox1->Text(), QStringLiteral("你好"));
    QVERIFY(!changes.isEmpty());
    QVERIFY(!changes.contains(false));
    expectCalm(f);

    // A file the control does not accept ends the command silently.
    QFile plain(f.path(QStringLiteral("plain.txt")));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.write("just text, not RTF\n");
    plain.close();
    f.platform.dialogs.answerOpen(plain.fileName());
    f.run([&] { f.form->mnuOpenItem_Click(); });
    QCOMPARE(f.form->RichTextBox1->Text(), QStringLiteral("你好"));
    expectCalm(f);
}

void BusyPointer::save() {
    FormFixture f;
    f.type(QStringLiteral("你好"));
    f.platform.dialogs.answerSave(f.path(QStringLiteral("saved.rtf")));
    f.run([&] { f.form->mnuSaveAsItem_Click(); });
    QCOMPARE(FormFixture::readRtfText(f.path(QStringLiteral("saved.rtf"))), QStringLiteral("你好"));
    expectCalm(f);

    // The failure's message comes up with the normal pointer.
    f.platform.dialogs.takeShown();
    f.type(QStringLiteral("!"));
    f.form->setDocumentFile(QStringLiteral("lost.rtf"), f.path(QStringLiteral("missing/lost.rtf")));
    f.platform.dialogs.answerMessage(vbOK);
    f.run([&] { f.form->mnuSave_Click(); });
    QCOMPARE(f.platform.dialogs.shown().size(), 1);
    expectCannotSave(f.platform.dialogs.shown().at(0), f.path(QStringLiteral("missing/lost.rtf")));
    QVERIFY(f.form->Modified);
    expectCalm(f);
}

void BusyPointer::findAll() {
    FormFixture f;
    f.startWith(QStringLiteral("词 ").repeated(3000));
    watch(f);
    f.platform.dialogs.answerInput(QStringLiteral("词"));
    f.run([&] { f.form->mnufindall_Click(); });
    QVERIFY(!changes.isEmpty());
    QVERIFY(!changes.contains(false));
    f.form->RichTextBox1->setSelStart(2 * 2999);
    f.form->RichTextBox1->setSelLength(1);
    QCOMPARE(f.form->RichTextBox1->SelColor(), std::optional<quint32>(0xFF0000));
    expectCalm(f);

    // Cancelled at the prompt: nothing to do, nothing busy.
    changes.clear();
    f.platform.dialogs.answerInput(QString());
    f.run([&] { f.form->mnufindall_Click(); });
    QVERIFY(!changes.contains(true));
    expectCalm(f);
}

void BusyPointer::print() {
    FormFixture f;
    f.startWith(QStringLiteral("第一页\n").repeated(200));
    const QString pdf = f.path(QStringLiteral("out.pdf"));
    f.platform.dialogs.answerPrinterPdf(pdf);
    f.run([&] { f.form->mnuPrintItem_Click(); });
    QVERIFY(QFile(pdf).size() > 0);
    expectCalm(f);
}

QTEST_MAIN(BusyPointer)
#include "test_busy_pointer.moc"
