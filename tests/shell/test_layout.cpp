// The layout: the editing area between the docked bars, 10 twips in from
// the sides, from 400 twips below the top to 250 above the bottom; a client
// area too small for it leaves it where it was.
#include "platform/richtextbox.h"
#include "shell/form1.h"
#include "support/scripted_platform.h"

#include <QTest>
#include <QTextEdit>
#include <cmath>
#include <memory>

using namespace pennaro;
using pennaro::testing::ScriptedPlatform;

namespace {

struct Bounds {
    double left, top, width, height;
    bool operator==(const Bounds &) const = default;
};

Bounds boundsOf(const RichTextBox *box) { return {box->Left(), box->Top(), box->Width(), box->Height()}; }

char *describe(const Bounds &b) {
    return qstrdup(QStringLiteral("%1,%2,%3,%4").arg(b.left).arg(b.top).arg(b.width).arg(b.height).toLatin1());
}

}  // namespace

namespace QTest {
template <>
char *toString(const Bounds &b) {
    return describe(b);
}
}  // namespace QTest

class LayoutTest : public QObject {
    Q_OBJECT

    std::unique_ptr<ScriptedPlatform> platform;
    std::unique_ptr<Form1> form;

    // Sizes the window so that its client area is w x h pixels.
    void setClientPixels(int w, int h) {
        form->ScaleHeight();  // lays a hidden window out
        const int menuBarHeight = form->height() - form->centralWidget()->height();
        form->resize(w, h + menuBarHeight);
        form->ScaleHeight();
        QCOMPARE(form->centralWidget()->size(), QSize(w, h));
    }

    Bounds expectedFor(double scaleWidth, double scaleHeight) { return {10, 400, scaleWidth - 20, scaleHeight - 650}; }

private slots:
    void init() {
        platform = std::make_unique<ScriptedPlatform>();
        form = std::make_unique<Form1>(platform->services());
    }
    void cleanup() {
        form.reset();
        platform.reset();
    }

    void designClientArea() {
        if (twipsPerPixelX() != 15 || twipsPerPixelY() != 15)
            QSKIP("the design size is whole pixels at 96 DPI only");
        setClientPixels(712, 419);
        QCOMPARE(form->ScaleWidth(), 10680.0);
        QCOMPARE(form->ScaleHeight(), 6285.0);
        form->Form_Resize();
        QCOMPARE(boundsOf(form->RichTextBox1), (Bounds{10, 400, 10660, 5635}));
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        QCOMPARE(boundsOf(form->RichTextBox1), (Bounds{10, 400, 10660, 5635}));
        // The widget itself, in pixels; it overlaps each bar by one pixel-ish strip.
        const QRect r = form->RichTextBox1->widget()->geometry();
        QCOMPARE(r.topLeft(), QPoint(std::lround(10 / 15.0), std::lround(400 / 15.0)));
        QVERIFY(std::abs(r.width() - 10660 / 15.0) <= 1);
        QVERIFY(std::abs(r.height() - 5635 / 15.0) <= 1);
    }

    // Resizing the shown window runs the layout by itself.
    void followsTheWindow() {
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        for (QSize size : {QSize(500, 300), QSize(1000, 700), QSize(640, 480)}) {
            form->resize(size);
            QTRY_COMPARE(boundsOf(form->RichTextBox1), expectedFor(form->ScaleWidth(), form->ScaleHeight()));
        }
    }

    void tooSmallLeavesItWhereItWas() {
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        setClientPixels(600, 400);
        form->Form_Resize();
        const Bounds before = boundsOf(form->RichTextBox1);
        QCOMPARE(before, expectedFor(form->ScaleWidth(), form->ScaleHeight()));

        const int lowest = int(std::floor(649 / twipsPerPixelY()));
        setClientPixels(600, lowest);
        QVERIFY(form->ScaleHeight() < 650);
        form->Form_Resize();  // refused by the control; no failure escapes
        QCOMPARE(boundsOf(form->RichTextBox1), before);

        setClientPixels(800, 500);
        form->Form_Resize();
        QCOMPARE(boundsOf(form->RichTextBox1), expectedFor(form->ScaleWidth(), form->ScaleHeight()));
    }

    void minimizeRestoreAndMaximize() {
        form->resize(640, 480);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        form->Form_Resize();
        const Bounds normal = boundsOf(form->RichTextBox1);

        form->showMinimized();
        QTRY_COMPARE(form->WindowState(), int(vbMinimized));
        form->showNormal();
        QTRY_COMPARE(form->WindowState(), int(vbNormal));
        QTRY_COMPARE(boundsOf(form->RichTextBox1), normal);

        form->showMaximized();
        QTRY_COMPARE(form->WindowState(), int(vbMaximized));
        QTRY_COMPARE(boundsOf(form->RichTextBox1), expectedFor(form->ScaleWidth(), form->ScaleHeight()));
    }
};

QTEST_MAIN(LayoutTest)
#include "test_layout.moc"
