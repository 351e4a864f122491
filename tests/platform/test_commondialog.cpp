// The shared common dialog over the scripted host: properties that carry
// over, the current directory, the replace question and CancelError.
#include "platform/commondialog.h"
#include "platform/errors.h"
#include "resources/texts.h"
#include "support/scripted_platform.h"

#include <QDir>
#include <QFile>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTest>

using namespace pennaro;
using namespace pennaro::testing;

class TestCommonDialog : public QObject {
    Q_OBJECT

    QString startDir_;
    QTemporaryDir dir_;

    QString touch(const QString &name) {
        const QString path = dir_.filePath(name);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly))
            qFatal("cannot create %s", qPrintable(path));
        return path;
    }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        startDir_ = QDir::currentPath();
    }
    void cleanup() { QDir::setCurrent(startDir_); }

    void openFillsNamesAndMovesTheCurrentDirectory() {
        ScriptedDialogHost host;
        CommonDialog dialog(host);
        dialog.Filter = texts::FileFilter;
        dialog.Flags = cdlOFNFileMustExist;
        QVERIFY(QDir().mkpath(dir_.filePath(QStringLiteral("docs"))));
        const QString path = touch(QStringLiteral("docs/a.rtf"));
        host.answerOpen(path);
        dialog.ShowOpen();
        QCOMPARE(dialog.FileName, QDir::toNativeSeparators(path));
        QCOMPARE(dialog.FileTitle, QStringLiteral("a.rtf"));
        QCOMPARE(QDir::current(), QDir(dir_.filePath(QStringLiteral("docs"))));
        const QList<ShownDialog> shown = host.takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].kind, DialogKind::FileOpen);
        QCOMPARE(shown[0].filter, texts::FileFilter);
        QCOMPARE(shown[0].flags, 0x1000);

        // &H8 keeps the current directory where it is.
        QDir::setCurrent(startDir_);
        dialog.Flags = cdlOFNNoChangeDir;
        host.answerOpen(touch(QStringLiteral("b.rtf")));
        dialog.ShowOpen();
        QCOMPARE(dialog.FileTitle, QStringLiteral("b.rtf"));
        QCOMPARE(QDir::currentPath(), startDir_);
    }

    void saveKeepsFlagsButNeverRequiresTheFile() {
        ScriptedDialogHost host;
        CommonDialog dialog(host);
        dialog.Flags = cdlOFNFileMustExist;  // left behind by Open
        const QString fresh = dir_.filePath(QStringLiteral("fresh-name"));
        host.answerSave(fresh);
        dialog.ShowSave();
        QCOMPARE(dialog.FileName, QDir::toNativeSeparators(fresh));
        QCOMPARE(dialog.FileTitle, QStringLiteral("fresh-name"));
        QCOMPARE(host.shown().size(), 1);
        QCOMPARE(host.shown()[0].kind, DialogKind::FileSave);
        QCOMPARE(host.shown()[0].flags, 0x1000);
        QCOMPARE(dialog.Flags, 0x1000);
    }

    void saveAsksBeforeReplacing() {
        ScriptedDialogHost host;
        CommonDialog dialog(host);
        const QString existing = touch(QStringLiteral("exists.rtf"));
        const QString other = dir_.filePath(QStringLiteral("other.rtf"));

        // No: the dialog comes back, starting from the refused name.
        host.answerSave(existing);
        host.answerMessage(vbNo);
        host.answerSave(other);
        dialog.ShowSave();
        QCOMPARE(dialog.FileName, QDir::toNativeSeparators(other));
        QList<ShownDialog> shown = host.takeShown();
        QCOMPARE(shown.size(), 3);
        QCOMPARE(shown[0].kind, DialogKind::FileSave);
        QCOMPARE(shown[1].kind, DialogKind::MessageBox);
        QCOMPARE(shown[1].prompt, texts::confirmReplace(QDir::toNativeSeparators(existing)));
        QCOMPARE(shown[1].buttons, int(vbYesNo));
        QCOMPARE(shown[2].kind, DialogKind::FileSave);
        QCOMPARE(shown[2].fileName, existing);

        // Yes takes the existing file.
        host.answerSave(existing);
        host.answerMessage(vbYes);
        dialog.ShowSave();
        QCOMPARE(dialog.FileName, QDir::toNativeSeparators(existing));
        QCOMPARE(host.takeShown().size(), 2);

        // No, then Cancel: nothing changes.
        dialog.CancelError = true;
        host.answerSave(existing);
        host.answerMessage(vbNo);
        host.cancel(DialogKind::FileSave);
        dialog.FileName = QStringLiteral("before");
        QVERIFY_THROWS_EXCEPTION(DialogCancelled, dialog.ShowSave());
        QCOMPARE(dialog.FileName, QStringLiteral("before"));
        QCOMPARE(host.pending(), 0);
    }

    void cancelFollowsCancelError() {
        ScriptedDialogHost host;
        CommonDialog dialog(host);
        dialog.FileName = QStringLiteral("kept.rtf");
        dialog.FileTitle = QStringLiteral("kept.rtf");
        dialog.Color = 0x123456;
        dialog.FontName = QStringLiteral("Arial");

        dialog.CancelError = false;
        host.cancel(DialogKind::FileOpen);
        host.cancel(DialogKind::Color);
        host.cancel(DialogKind::Font);
        host.cancel(DialogKind::Printer);
        dialog.ShowOpen();
        dialog.ShowColor();
        dialog.ShowFont();
        dialog.ShowPrinter();

        dialog.CancelError = true;
        host.cancel(DialogKind::FileOpen);
        host.cancel(DialogKind::FileSave);
        host.cancel(DialogKind::Color);
        host.cancel(DialogKind::Font);
        host.cancel(DialogKind::Printer);
        QVERIFY_THROWS_EXCEPTION(DialogCancelled, dialog.ShowOpen());
        QVERIFY_THROWS_EXCEPTION(DialogCancelled, dialog.ShowSave());
        QVERIFY_THROWS_EXCEPTION(DialogCancelled, dialog.ShowColor());
        QVERIFY_THROWS_EXCEPTION(DialogCancelled, dialog.ShowFont());
        QVERIFY_THROWS_EXCEPTION(DialogCancelled, dialog.ShowPrinter());

        QCOMPARE(dialog.FileName, QStringLiteral("kept.rtf"));
        QCOMPARE(dialog.FileTitle, QStringLiteral("kept.rtf"));
        QCOMPARE(dialog.Color, 0x123456u);
        QCOMPARE(dialog.FontName, QStringLiteral("Arial"));
        QVERIFY(!dialog.hDC);
        QCOMPARE(host.pending(), 0);
    }

    void fontColorAndPrinterRoundTrips() {
        ScriptedDialogHost host;
        CommonDialog dialog(host);
        dialog.FontName = QStringLiteral("宋体");
        dialog.FontSize = 10.5f;
        dialog.Color = 0xFF0000;
        dialog.FontBold = true;
        dialog.Flags = 259;
        FontChoice chosen{QStringLiteral("Arial"), 14.0f, 0x00FF00, false, true, true, true};
        host.answerFont(chosen);
        dialog.ShowFont();
        const ShownDialog font = host.takeShown().at(0);
        QCOMPARE(font.kind, DialogKind::Font);
        QCOMPARE(font.flags, 259);
        QCOMPARE(font.font, (FontChoice{QStringLiteral("宋体"), 10.5f, 0xFF0000, true, false, false, false}));
        QCOMPARE(dialog.FontName, QStringLiteral("Arial"));
        QCOMPARE(dialog.FontSize, 14.0f);
        QCOMPARE(dialog.Color, 0x00FF00u);
        QVERIFY(!dialog.FontBold && dialog.FontItalic && dialog.FontUnderline && dialog.FontStrikethru);

        dialog.Flags = 0;
        host.answerColor(0x0000FF);
        dialog.ShowColor();
        const ShownDialog color = host.takeShown().at(0);
        QCOMPARE(color.color, 0x00FF00u);  // what the font dialog left
        QCOMPARE(color.flags, 0);
        QCOMPARE(dialog.Color, 0x0000FFu);

        dialog.Flags = cdlPDReturnDC | cdlPDNoPageNums | cdlPDSelection;
        const QString pdf = QDir(dir_.path()).filePath(QStringLiteral("out.pdf"));
        host.answerPrinterPdf(pdf);
        dialog.ShowPrinter();
        QCOMPARE(host.takeShown().at(0).flags, 0x109);
        QVERIFY(dialog.hDC);
        QCOMPARE(dialog.hDC->outputFormat(), QPrinter::PdfFormat);
        QCOMPARE(dialog.hDC->outputFileName(), pdf);
    }
};

QTEST_MAIN(TestCommonDialog)
#include "test_commondialog.moc"
