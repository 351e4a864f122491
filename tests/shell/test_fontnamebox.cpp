// The font-name box: which user actions count as a pick from the list, and
// which keys it leaves to the window's menus.
#include "shell/fontnamebox.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <memory>

using namespace pennaro;

class FontNameBoxTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QMainWindow> window;
    QComboBox *box = nullptr;
    QLineEdit *other = nullptr;
    QAction *copy = nullptr;
    QAction *redo = nullptr;
    int picks = 0;

private slots:
    void init() {
        window = std::make_unique<QMainWindow>();
        auto *central = new QWidget;
        auto *layout = new QVBoxLayout(central);
        box = new QComboBox;
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
        box->addItems({QStringLiteral("Arial"), QStringLiteral("Courier"), QStringLiteral("宋体")});
        box->setEditText(QStringLiteral("字体"));
        other = new QLineEdit;
        layout->addWidget(box);
        layout->addWidget(other);
        window->setCentralWidget(central);
        QMenu *edit = window->menuBar()->addMenu(QStringLiteral("&Edit"));
        copy = edit->addAction(QStringLiteral("&Copy"));
        copy->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
        redo = edit->addAction(QStringLiteral("&Redo"));
        redo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Y));
        redo->setEnabled(false);
        picks = 0;
        new FontNameBox(box, window.get(), [this] { ++picks; });
        window->show();
        QApplication::setActiveWindow(window.get());
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        box->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), box);
    }
    void cleanup() { window.reset(); }

    // A name typed into the box is not a pick, whether Enter confirms it or
    // the focus leaves the box, even when it matches an entry.
    void typingIsNotAPick() {
        box->lineEdit()->selectAll();
        QTest::keyClicks(box, QStringLiteral("Courier"));
        QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(picks, 0);
        box->lineEdit()->selectAll();
        QTest::keyClicks(box, QStringLiteral("Arial"));
        other->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), other);
        QCOMPARE(picks, 0);
        QCOMPARE(box->currentText(), QStringLiteral("Arial"));  // the text stays as typed
    }

    // The arrow keys on the closed box and a choice in the open list are.
    void choosingFromTheListIsAPick() {
        QTest::keyClick(box, Qt::Key_Down);
        QCOMPARE(picks, 1);
        box->showPopup();
        QAbstractItemView *list = box->view();
        QTRY_VERIFY(list->isVisible());
        const QRect item = list->visualRect(box->model()->index(2, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, item.center());
        QCOMPARE(picks, 2);
        QCOMPARE(box->currentText(), QStringLiteral("宋体"));
    }

    // The window's menu keys win over the box's editing keys; a greyed
    // item's key does nothing at all.
    void menuKeysReachTheWindow() {
        QSignalSpy copied(copy, &QAction::triggered);
        QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(copied.size(), 1);

        box->lineEdit()->selectAll();
        QTest::keyClicks(box, QStringLiteral("xyz"));  // matches no entry: no completion
        box->lineEdit()->undo();
        const QString undone = box->lineEdit()->text();
        QVERIFY(box->lineEdit()->isRedoAvailable());
        QTest::keyClick(box, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(box->lineEdit()->text(), undone);

        // Keys the window has no use for still edit the name.
        QTest::keyClick(box, Qt::Key_End);
        QTest::keyClicks(box, QStringLiteral("x"));
        QVERIFY(box->lineEdit()->text().endsWith(QLatin1Char('x')));
        QCOMPARE(picks, 0);
    }
};

QTEST_MAIN(FontNameBoxTest)
#include "test_fontnamebox.moc"
