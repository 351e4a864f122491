// The real dialogs of the Qt host, driven by a timer while they are open:
// the message box's title, buttons, default and Escape; the input prompt's
// Cancel; the file filters; the font dialog's fractional sizes; the print
// dialog's range.
#include "platform/fontdialog.h"
#include "platform/qtdialoghost.h"
#include "resources/texts.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <functional>

using namespace pennaro;

namespace {

// Runs action on the modal dialog once it is showing.
void whenModal(const std::function<void(QWidget *)> &action) {
    QTimer::singleShot(0, [action] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal) {
            whenModal(action);  // not up yet
            return;
        }
        action(modal);
        // A failed check inside action must not leave the test hanging.
        if (auto *dialog = qobject_cast<QDialog *>(modal); dialog && dialog->isVisible())
            dialog->reject();
    });
}

}  // namespace

class TestQtDialogHost : public QObject {
    Q_OBJECT

private slots:
    void messageBoxLooksAndAnswers() {
        QtDialogHost host;
        QString title, text;
        QMessageBox::Icon icon = QMessageBox::Critical;
        QStringList buttons;
        QString defaultButton;
        whenModal([&](QWidget *w) {
            auto *box = qobject_cast<QMessageBox *>(w);
            QVERIFY(box);
            title = box->windowTitle();
            text = box->text();
            icon = box->icon();
            for (QAbstractButton *b : box->buttons())
                buttons << QString::number(box->standardButton(b));
            if (box->defaultButton())
                defaultButton = QString::number(box->standardButton(box->defaultButton()));
            QTest::keyClick(box, Qt::Key_Escape);
        });
        const int answer = host.messageBox(MessageBoxRequest{texts::SaveChangesPrompt, vbYesNoCancel, QString()});
        QCOMPARE(answer, int(vbCancel));
        QCOMPARE(title, texts::AppTitle);
        QCOMPARE(text, texts::SaveChangesPrompt);
        QCOMPARE(icon, QMessageBox::NoIcon);
        QCOMPARE(buttons.size(), 3);
        QCOMPARE(defaultButton, QString::number(QMessageBox::Yes));

        // Enter takes the default button.
        whenModal([](QWidget *w) { QTest::keyClick(w, Qt::Key_Return); });
        QCOMPARE(host.messageBox(MessageBoxRequest{QStringLiteral("q"), vbYesNoCancel, QString()}), int(vbYes));

        whenModal([](QWidget *w) {
            auto *box = qobject_cast<QMessageBox *>(w);
            box->button(QMessageBox::No)->click();
        });
        QCOMPARE(host.messageBox(MessageBoxRequest{QStringLiteral("q"), vbYesNo, QStringLiteral("Own")}), int(vbNo));

        whenModal([](QWidget *w) { QTest::keyClick(w, Qt::Key_Escape); });
        QCOMPARE(host.messageBox(MessageBoxRequest{QStringLiteral("done"), vbOKOnly, QString()}), int(vbOK));
    }

    void inputBoxCancelGivesEmptyText() {
        QtDialogHost host;
        QString label, value, title;
        whenModal([&](QWidget *w) {
            auto *dialog = qobject_cast<QInputDialog *>(w);
            QVERIFY(dialog);
            label = dialog->labelText();
            value = dialog->textValue();
            title = dialog->windowTitle();
            dialog->reject();
        });
        QCOMPARE(host.inputBox(InputBoxRequest{texts::FindPrompt, texts::FindTitle, QStringLiteral("abc")}), QString());
        QCOMPARE(label, texts::FindPrompt);
        QCOMPARE(value, QStringLiteral("abc"));
        QCOMPARE(title, texts::FindTitle);

        whenModal([](QWidget *w) {
            auto *dialog = qobject_cast<QInputDialog *>(w);
            dialog->setTextValue(QStringLiteral("typed"));
            dialog->accept();
        });
        QCOMPARE(host.inputBox(InputBoxRequest{texts::FindPrompt, texts::FindTitle, QString()}),
                 QStringLiteral("typed"));
    }

    void fileFiltersFromPairs() {
        const QStringList filters = QtDialogHost::nameFilters(texts::FileFilter);
        QCOMPARE(filters.size(), 2);
        QCOMPARE(filters[0], QStringLiteral("Rtf文件 (*.Rtf) (*.[rR][tT][fF])"));
        QCOMPARE(filters[1], QStringLiteral("所有文件(*.*) (*)"));
        QCOMPARE(QtDialogHost::nameFilters(QStringLiteral("Pictures|*.bmp;*.gif")),
                 QStringList{QStringLiteral("Pictures (*.[bB][mM][pP] *.[gG][iI][fF])")});
        QVERIFY(QtDialogHost::nameFilters(QString()).isEmpty());
    }

    void fontDialogKeepsNameAndFractionalSize() {
        FontDialog dialog;
        const FontChoice initial{QStringLiteral("宋体"), 10.5f, 0x0000FF, true, false, true, false};
        dialog.setChoice(initial);
        QCOMPARE(dialog.choice(), initial);
        auto *size = dialog.findChildren<QComboBox *>().at(1);
        size->setEditText(QStringLiteral("abc"));
        QCOMPARE(dialog.typedSize(), 0.0f);
        size->setEditText(QStringLiteral("22.5"));
        QCOMPARE(dialog.choice().size, 22.5f);
    }

    // Qt's print dialog as the Print command shows it: the range preset
    // from the flags, no page numbers to type, and the printer (with its
    // settings) the same from one use to the next.
    void printDialogPresetsTheRangeAndHidesPageNumbers() {
        QtDialogHost host;
        const auto shownChoices = [](QWidget *w) {
            QStringList choices;
            for (auto *button : w->findChildren<QRadioButton *>()) {
                if (!button->isHidden() && button->parentWidget()->objectName() == QLatin1String("gbPrintRange"))
                    choices << button->text() + (button->isChecked() ? QStringLiteral(" *") : QString());
            }
            return choices;
        };
        QStringList choices;
        bool pagesOffered = true;
        whenModal([&](QWidget *w) {
            choices = shownChoices(w);
            pagesOffered = !w->findChild<QSpinBox *>(QStringLiteral("from"))->isHidden();
            qobject_cast<QDialog *>(w)->accept();
        });
        const std::shared_ptr<QPrinter> first = host.printerDialog(PrinterDialogRequest{0x109});
        QVERIFY(first);
        QCOMPARE(choices, (QStringList{QStringLiteral("Print all"), QStringLiteral("Selection *")}));
        QVERIFY(!pagesOffered);
        QCOMPARE(first->printRange(), QPrinter::Selection);
        QCOMPARE(first->pageLayout().margins(QPageLayout::Millimeter), QMarginsF(20, 20, 20, 20));

        whenModal([&](QWidget *w) {
            choices = shownChoices(w);
            qobject_cast<QDialog *>(w)->accept();
        });
        const std::shared_ptr<QPrinter> second = host.printerDialog(PrinterDialogRequest{0x108});
        QCOMPARE(second, first);
        QCOMPARE(choices, (QStringList{QStringLiteral("Print all *"), QStringLiteral("Selection")}));
        QCOMPARE(second->printRange(), QPrinter::AllPages);

        // Without &H8 the page numbers are offered; Cancel gives no printer.
        whenModal([&](QWidget *w) {
            pagesOffered = !w->findChild<QSpinBox *>(QStringLiteral("from"))->isHidden();
            qobject_cast<QDialog *>(w)->reject();
        });
        QCOMPARE(host.printerDialog(PrinterDialogRequest{0x100}), nullptr);
        QVERIFY(pagesOffered);
    }
};

QTEST_MAIN(TestQtDialogHost)
#include "test_qtdialoghost.moc"
