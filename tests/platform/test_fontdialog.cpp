// The Font command's dialog as the user meets it: the installed fonts to
// choose from, the sizes OK accepts, the live sample, and OK or Cancel
// through the Qt dialog host.
#include "platform/fontdialog.h"
#include "platform/qtdialoghost.h"
#include "resources/texts.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace pennaro;

namespace {

QComboBox *familyBox(FontDialog &dialog) { return dialog.findChild<QComboBox *>(QStringLiteral("family")); }
QComboBox *sizeBox(FontDialog &dialog) { return dialog.findChild<QComboBox *>(QStringLiteral("size")); }

QPushButton *okButton(FontDialog &dialog) {
    return dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok);
}

QLabel *sample(FontDialog &dialog) {
    for (QLabel *label : dialog.findChildren<QLabel *>()) {
        if (label->text() == texts::FontDialogSampleText)
            return label;
    }
    return nullptr;
}

QCheckBox *checkBox(FontDialog &dialog, const QString &text) {
    for (QCheckBox *box : dialog.findChildren<QCheckBox *>()) {
        if (box->text() == text)
            return box;
    }
    return nullptr;
}

}  // namespace

class TestFontDialog : public QObject {
    Q_OBJECT
private slots:
    void listsTheInstalledFonts();
    void okNeedsAUsableNameAndSize();
    void sampleFollowsTheChoice();
    void hostReportsOkAndCancel();
};

// Every family the font database reports is offered, in its order and under
// the name it reports (Chinese families under theirs on a Chinese desktop).
void TestFontDialog::listsTheInstalledFonts() {
    FontDialog dialog;
    QComboBox *families = familyBox(dialog);
    QVERIFY(families);
    QStringList offered;
    for (int i = 0; i < families->count(); ++i)
        offered << families->itemText(i);
    const QStringList installed = QFontDatabase::families();
    QVERIFY(!installed.isEmpty());
    QCOMPARE(offered, installed);
    const QStringList chinese = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
    QVERIFY2(!chinese.isEmpty(), "no Chinese font installed (scripts/setup.sh installs two)");
}

void TestFontDialog::okNeedsAUsableNameAndSize() {
    FontDialog dialog;
    dialog.setChoice({QStringLiteral("Arial"), 12.0f, 0, false, false, false, false});
    QComboBox *size = sizeBox(dialog);
    QVERIFY(okButton(dialog)->isEnabled());
    for (const char *refused : {"", "0", "0.5", "1638.5", "-3", "10,5"}) {
        size->setEditText(QString::fromLatin1(refused));
        QVERIFY2(!okButton(dialog)->isEnabled(), refused);
        QCOMPARE(dialog.typedSize(), 0.0f);
    }
    for (const auto &[text, points] : {std::pair{"1", 1.0f}, {"10.5", 10.5f}, {" 9.25 ", 9.25f}, {"1638", 1638.0f}}) {
        size->setEditText(QString::fromLatin1(text));
        QVERIFY2(okButton(dialog)->isEnabled(), text);
        QCOMPARE(dialog.choice().size, points);
    }
    familyBox(dialog)->setEditText(QStringLiteral("  "));
    QVERIFY(!okButton(dialog)->isEnabled());
}

// The sample line, Chinese and Latin, shows the name, the effects and the
// colour chosen; very large sizes are shown smaller so that it fits.
void TestFontDialog::sampleFollowsTheChoice() {
    FontDialog dialog;
    dialog.setChoice({QStringLiteral("Noto Sans CJK SC"), 10.5f, 0x0000FF, false, false, false, false});
    QLabel *line = sample(dialog);
    QVERIFY(line);
    QVERIFY(line->text().contains(QStringLiteral("中文")) && line->text().contains(QStringLiteral("Aa")));
    QCOMPARE(line->font().family(), QStringLiteral("Noto Sans CJK SC"));
    QCOMPARE(line->font().pointSizeF(), 10.5);
    QCOMPARE(line->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    checkBox(dialog, texts::FontDialogBold)->setChecked(true);
    checkBox(dialog, texts::FontDialogStrikethru)->setChecked(true);
    QVERIFY(line->font().bold());
    QVERIFY(line->font().strikeOut());
    QVERIFY(!line->font().italic());
    sizeBox(dialog)->setEditText(QStringLiteral("400"));
    QVERIFY(line->font().pointSizeF() < 100);
    QCOMPARE(dialog.choice().size, 400.0f);
}

void TestFontDialog::hostReportsOkAndCancel() {
    QtDialogHost host;
    FontDialogRequest request;
    request.initial = {QStringLiteral("宋体"), 12.0f, 0x00FF00, true, false, false, false};
    request.flags = 259;

    const auto whenShown = [](const std::function<void(FontDialog *)> &action) {
        QTimer::singleShot(0, [action] {
            auto *dialog = qobject_cast<FontDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            action(dialog);
            if (dialog->isVisible())
                dialog->reject();
        });
    };
    whenShown([](FontDialog *dialog) {
        checkBox(*dialog, texts::FontDialogUnderline)->setChecked(true);
        sizeBox(*dialog)->setEditText(QStringLiteral("10.5"));
        okButton(*dialog)->click();
    });
    const std::optional<FontChoice> chosen = host.fontDialog(request);
    QVERIFY(chosen);
    QCOMPARE(*chosen, (FontChoice{QStringLiteral("宋体"), 10.5f, 0x00FF00, true, false, true, false}));

    whenShown([](FontDialog *dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });
    QCOMPARE(host.fontDialog(request), std::nullopt);
}

QTEST_MAIN(TestFontDialog)
#include "test_fontdialog.moc"
