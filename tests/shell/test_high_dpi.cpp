// The window on a high-density screen (QT_SCALE_FACTOR=2): a twip is still a
// 1440th of a logical inch, so the bars, status panels and font-name box keep
// their places and proportions at twice the pixels; the icons are drawn from
// their SVG drawings at the finer resolution, not enlarged from small
// pictures. (e2e_high_dpi.sh checks the stored placement under a window
// manager.)
#include "platform/units.h"
#include "shell/form1.h"
#include "shell/statusbar.h"
#include "support/form_fixture.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QPainter>
#include <QSvgRenderer>
#include <QTest>
#include <QToolBar>

using namespace pennaro;
using namespace pennaro::testing;

namespace {

// The drawing rendered directly at size x size device pixels.
QImage drawn(const QString &svg, int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    QSvgRenderer(svg).render(&painter, QRectF(0, 0, size, size));
    return image;
}

bool sharp(const QIcon &icon, const QString &svg, int logicalSize) {
    const QPixmap pixmap = icon.pixmap(QSize(logicalSize, logicalSize));
    if (pixmap.devicePixelRatio() != 2 || pixmap.width() != 2 * logicalSize)
        return false;
    return pixmap.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied) == drawn(svg, 2 * logicalSize);
}

}  // namespace

class HighDpi : public QObject {
    Q_OBJECT
public:
    static void initMain() { qputenv("QT_SCALE_FACTOR", "2"); }

private slots:
    void initTestCase() {
        QCOMPARE(qApp->devicePixelRatio(), 2.0);
        QCOMPARE(twipsPerPixelX(), 15.0);
        QCOMPARE(twipsPerPixelY(), 15.0);
    }

    void barsPanelsAndBoxInProportion() {
        FormFixture f;
        f.form->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.form.get()));
        QCOMPARE(f.form->grab().size(), 2 * f.form->size());
        // In logical pixels, everything is where the normal density has it.
        QCOMPARE(f.form->Combo1->geometry(), QRect(382, 3, 253, 20));
        QCOMPARE(f.form->Toolbar1->height(), 28);
        QCOMPARE(f.form->StatusBar1->height(), 18);
        for (int panel = 2; panel <= 4; ++panel)
            QVERIFY(f.form->StatusBar1->panel(panel)->width() >= 96);
        // The font box's text fits its height at either density.
        QVERIFY(f.form->Combo1->fontMetrics().height() <= f.form->Combo1->height());
    }

    void iconsAreSharp() {
        FormFixture f;
        const QStringList images{"new",  "open",   "save",      "print", "cut", "copy", "paste",
                                 "bold", "italic", "underline", "color", "up",  "down"};
        QStringList seen;
        for (QAction *action : f.form->Toolbar1->actions()) {
            if (action->isSeparator() || action->icon().isNull())
                continue;
            const QString svg = QStringLiteral(":/icons/%1.svg").arg(images.value(int(seen.size())));
            QVERIFY2(sharp(action->icon(), svg, 16), qPrintable(svg));
            seen << svg;
        }
        QCOMPARE(seen.size(), images.size());
        QVERIFY(sharp(f.form->windowIcon(), QStringLiteral(":/icons/pennaro32.svg"), 32));
        QVERIFY(sharp(f.form->windowIcon(), QStringLiteral(":/icons/pennaro16.svg"), 16));
    }
};

QTEST_MAIN(HighDpi)
#include "test_high_dpi.moc"
