// Start-up of the main window: placement from the settings store, the font
// list, the file named on the command line and the retry rule.
#include "platform/richtextbox.h"
#include "resources/texts.h"
#include "shell/form1.h"
#include "shell/statusbar.h"
#include "support/scripted_platform.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <memory>

using namespace pennaro;
using pennaro::testing::ScriptedPlatform;
using pennaro::testing::ScriptedSettings;

namespace {

const QString kChineseFixture = QStringLiteral(PENNARO_SOURCE_DIR "/tests/shell/fixtures/chinese.rtf");
const QString kPlainFixture = QStringLiteral(PENNARO_SOURCE_DIR "/tests/shell/fixtures/plain.txt");

QString key(const char *name) {
    return ScriptedSettings::path(texts::SettingsApp, texts::SettingsSection, QString::fromLatin1(name));
}

QStringList comboItems(QComboBox *box) {
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

// Geometry goes through whole pixels; a value is as good as the pixel it lands on.
void compareTwips(double actual, double expected, double twipsPerPixel) {
    QVERIFY2(std::fabs(actual - expected) <= twipsPerPixel / 2 + 1e-6,
             qPrintable(QStringLiteral("%1 twips, expected %2").arg(actual).arg(expected)));
}

}  // namespace

class StartupTest : public QObject {
    Q_OBJECT

    std::unique_ptr<ScriptedPlatform> platform;
    std::unique_ptr<Form1> form;

    Form1 &start() {
        form = std::make_unique<Form1>(platform->services());
        form->Form_Load();
        return *form;
    }

    void verifyFailedStart(Form1 &f) {
        QCOMPARE(f.RichTextBox1->Text(), texts::StartupFailed);
        QCOMPARE(f.StatusBar1->panelText(1), texts::PanelStatus);
        // Showing the message is a change like any other: closing would ask.
        QCOMPARE(f.Modified, true);
        // Start-up stopped before its layout step.
        QCOMPARE(f.RichTextBox1->Width(), 0.0);
    }

private slots:
    void init() { platform = std::make_unique<ScriptedPlatform>(); }
    void cleanup() {
        form.reset();
        platform.reset();
    }

    void firstRunUsesTheDefaults() {
        Form1 &f = start();
        compareTwips(f.Left(), 0, twipsPerPixelX());
        compareTwips(f.Top(), 0, twipsPerPixelY());
        compareTwips(f.Width(), 11865, twipsPerPixelX());
        compareTwips(f.Height(), 8760, twipsPerPixelY());
        QCOMPARE(f.RichTextBox1->Text(), QString());
        QCOMPARE(f.StatusBar1->panelText(1), texts::PanelStatus);
        QCOMPARE(f.StatusBar1->panelText(2), texts::PanelFont);
        QCOMPARE(f.StatusBar1->panelText(3), texts::PanelSize);
        QCOMPARE(f.Combo1->currentText(), texts::ComboStart);
        QCOMPARE(f.Modified, false);
        QCOMPARE(f.RestartSearch, true);
        QVERIFY(platform->dialogs.shown().isEmpty());
        // The layout ran as the last step.
        QCOMPARE(f.RichTextBox1->Left(), 10.0);
        QCOMPARE(f.RichTextBox1->Top(), 400.0);
        QCOMPARE(f.RichTextBox1->Width(), f.ScaleWidth() - 20);
        QCOMPARE(f.RichTextBox1->Height(), f.ScaleHeight() - 650);
    }

    void fontListKeepsThePlatformsOrderAndDuplicates() {
        platform->fonts.names = {QStringLiteral("黑体"), QStringLiteral("Arial"), QStringLiteral("宋体"),
                                 QStringLiteral("Arial"), QStringLiteral("Courier New")};
        Form1 &f = start();
        QCOMPARE(comboItems(f.Combo1), platform->fonts.names);
        QCOMPARE(f.Combo1->currentText(), texts::ComboStart);
    }

    void storedPlacementIsUsedAsStored() {
        const double tx = twipsPerPixelX(), ty = twipsPerPixelY();
        platform->settings.values[key("MainLeft")] = QStringLiteral("-60");
        platform->settings.values[key("MainTop")] = QString::number(20 * ty);
        platform->settings.values[key("MainWidth")] = QString::number(600 * tx) + QStringLiteral(".5");
        platform->settings.values[key("MainHeight")] = QStringLiteral(" %1 ").arg(400 * ty);
        Form1 &f = start();
        compareTwips(f.Left(), -60, tx);
        QVERIFY(f.Left() < 0);
        compareTwips(f.Top(), 20 * ty, ty);
        compareTwips(f.Width(), 600 * tx, tx);
        compareTwips(f.Height(), 400 * ty, ty);
        QCOMPARE(f.RichTextBox1->Text(), QString());
    }

    void unusablePlacementValueFallsBackToItsDefault_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("value");
        QTest::addColumn<double>("expected");
        for (const char *value : {"abc", "", "12px", "1,5"}) {
            QTest::addRow("MainLeft=\"%s\"", value) << "MainLeft" << value << 0.0;
            QTest::addRow("MainTop=\"%s\"", value) << "MainTop" << value << 0.0;
            QTest::addRow("MainWidth=\"%s\"", value) << "MainWidth" << value << 11865.0;
            QTest::addRow("MainHeight=\"%s\"", value) << "MainHeight" << value << 8760.0;
        }
    }
    void unusablePlacementValueFallsBackToItsDefault() {
        QFETCH(QString, name);
        QFETCH(QString, value);
        QFETCH(double, expected);
        const double tx = twipsPerPixelX(), ty = twipsPerPixelY();
        // The other keys hold good values, which must still be applied.
        platform->settings.values[key("MainLeft")] = QString::number(30 * tx);
        platform->settings.values[key("MainTop")] = QString::number(40 * ty);
        platform->settings.values[key("MainWidth")] = QString::number(700 * tx);
        platform->settings.values[key("MainHeight")] = QString::number(500 * ty);
        platform->settings.values[key(name.toLatin1().constData())] = value;
        platform->commandLine.text = kChineseFixture;

        Form1 &f = start();
        const double actual = name == u"MainLeft"    ? f.Left()
                              : name == u"MainTop"   ? f.Top()
                              : name == u"MainWidth" ? f.Width()
                                                     : f.Height();
        compareTwips(actual, expected, name.endsWith(u"Left") || name.endsWith(u"Width") ? tx : ty);
        if (name != u"MainWidth")
            compareTwips(f.Width(), 700 * tx, tx);
        // Start-up went on: fonts listed, command-line file open.
        QCOMPARE(comboItems(f.Combo1), platform->fonts.names);
        QVERIFY(f.RichTextBox1->Text().contains(QStringLiteral("你好，世界")));
        QCOMPARE(f.StatusBar1->panelText(1), kChineseFixture);
        QCOMPARE(f.Modified, false);
    }

    void commandLineFileIsOpened_data() {
        QTest::addColumn<bool>("quoted");
        QTest::newRow("quoted") << true;
        QTest::newRow("unquoted") << false;
    }
    void commandLineFileIsOpened() {
        QFETCH(bool, quoted);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("my documents")));
        const QString path = dir.filePath(QStringLiteral("my documents/中文 文档.rtf"));
        QVERIFY(QFile::copy(kChineseFixture, path));
        platform->commandLine.text = quoted ? QLatin1Char('"') + path + QLatin1Char('"') : path;

        Form1 &f = start();
        const QString text = f.RichTextBox1->Text();
        QVERIFY2(text.contains(QStringLiteral("你好，世界")), qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("中文文档 Pennaro 测试")));
        QCOMPARE(f.StatusBar1->panelText(1), path);
        QCOMPARE(f.Modified, false);
        QCOMPARE(comboItems(f.Combo1), platform->fonts.names);
        QCOMPARE(f.RichTextBox1->Width(), f.ScaleWidth() - 20);
    }

    // A quote on one side only is part of the name.
    void oneSidedQuoteIsPartOfTheName_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("leading") << QStringLiteral("\"lead.rtf");
        QTest::newRow("trailing") << QStringLiteral("trail.rtf\"");
    }
    void oneSidedQuoteIsPartOfTheName() {
        QFETCH(QString, name);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString saved = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        QVERIFY(QFile::copy(kChineseFixture, name));
        platform->commandLine.text = name;
        Form1 &f = start();
        QDir::setCurrent(saved);
        QVERIFY(f.RichTextBox1->Text().contains(QStringLiteral("你好，世界")));
        QCOMPARE(f.StatusBar1->panelText(1), name);
        QCOMPARE(f.Modified, false);
    }

    void unloadableArgumentGivesUp_data() {
        QTest::addColumn<QString>("arguments");
        QTest::newRow("two quotes") << QStringLiteral("\"\"");
        QTest::newRow("one quote") << QStringLiteral("\"");
        QTest::newRow("missing file") << QStringLiteral("/nonexistent/pennaro/none.rtf");
        QTest::newRow("not RTF") << kPlainFixture;
        QTest::newRow("two names as one") << kChineseFixture + QLatin1Char(' ') + kChineseFixture;
    }
    void unloadableArgumentGivesUp() {
        QFETCH(QString, arguments);
        platform->commandLine.text = arguments;
        Form1 &f = start();
        verifyFailedStart(f);
        // Everything before the failing step did run.
        QCOMPARE(comboItems(f.Combo1), platform->fonts.names);
        QCOMPARE(f.RestartSearch, true);
        QVERIFY(platform->dialogs.shown().isEmpty());
    }

    // The failures of the whole start-up count together: 10000 of them, in
    // whichever steps, are retried; the 10001st gives up.
    void retriesCountAcrossSteps_data() {
        QTest::addColumn<int>("fontFailures");
        QTest::addColumn<int>("commandFailures");
        QTest::addColumn<bool>("givesUp");
        QTest::newRow("10000 in one step") << 10000 << 0 << false;
        QTest::newRow("10000 in two steps") << 4000 << 6000 << false;
        QTest::newRow("10001 in two steps") << 4000 << 6001 << true;
    }
    void retriesCountAcrossSteps() {
        QFETCH(int, fontFailures);
        QFETCH(int, commandFailures);
        QFETCH(bool, givesUp);
        platform->fonts.failuresLeft = fontFailures;
        platform->commandLine.failuresLeft = commandFailures;
        platform->commandLine.text = kChineseFixture;
        Form1 &f = start();
        QCOMPARE(comboItems(f.Combo1), platform->fonts.names);
        if (givesUp) {
            verifyFailedStart(f);
        } else {
            QCOMPARE(f.StatusBar1->panelText(1), kChineseFixture);
            QCOMPARE(f.Modified, false);
        }
    }

    // Placement values that are numbers but no window can take still make
    // every attempt fail; start-up gives up at the same point. The window
    // keeps what the keys before the failing one gave it, and the design
    // size for the rest, never the size Qt picks for a window never sized.
    void impossiblePlacementGivesUpBeforeTheFontList_data() {
        QTest::addColumn<QString>("failing");
        QTest::newRow("width") << QStringLiteral("MainWidth");
        QTest::newRow("height") << QStringLiteral("MainHeight");
    }
    void impossiblePlacementGivesUpBeforeTheFontList() {
        QFETCH(QString, failing);
        const double tx = twipsPerPixelX(), ty = twipsPerPixelY();
        platform->settings.values[key("MainLeft")] = QString::number(30 * tx);
        platform->settings.values[key("MainTop")] = QString::number(40 * ty);
        platform->settings.values[key("MainWidth")] = QString::number(700 * tx);
        platform->settings.values[key(failing.toLatin1().constData())] = QStringLiteral("-300");
        platform->commandLine.text = kChineseFixture;
        Form1 &f = start();
        verifyFailedStart(f);
        QCOMPARE(f.Combo1->count(), 0);
        // Replacing the text with the message is a selection change too: the
        // box shows the font at the caret.
        QCOMPARE(f.Combo1->currentText(), QStringLiteral("宋体"));
        compareTwips(f.Left(), 30 * tx, tx);
        compareTwips(f.Top(), 40 * ty, ty);
        compareTwips(f.Width(), failing == u"MainWidth" ? 11865 : 700 * tx, tx);
        compareTwips(f.Height(), 8760, ty);
    }

    // Stored sizes too small for a single pixel inside the frame would leave
    // the program running with no window on the screen.
    void tinyStoredSizeStillShowsAWindow_data() {
        QTest::addColumn<QString>("width");
        QTest::addColumn<QString>("height");
        QTest::newRow("30 x 8760") << QStringLiteral("30") << QStringLiteral("8760");
        QTest::newRow("11865 x 30") << QStringLiteral("11865") << QStringLiteral("30");
        QTest::newRow("0 x 0") << QStringLiteral("0") << QStringLiteral("0");
        QTest::newRow("-5 x 7") << QStringLiteral("-5") << QStringLiteral("7");
    }
    void tinyStoredSizeStillShowsAWindow() {
        QFETCH(QString, width);
        QFETCH(QString, height);
        platform->settings.values[key("MainWidth")] = width;
        platform->settings.values[key("MainHeight")] = height;
        Form1 &f = start();
        QCOMPARE(f.RichTextBox1->Text(), QString());  // nothing failed
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        QVERIFY2(f.width() >= 1 && f.height() >= 1,
                 qPrintable(QStringLiteral("%1 x %2").arg(f.width()).arg(f.height())));
    }
};

QTEST_MAIN(StartupTest)
#include "test_startup.moc"
