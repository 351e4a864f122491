#include "shell/statusbar.h"

#include "platform/errors.h"
#include "platform/units.h"
#include "resources/texts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QRegularExpression>
#include <QSizeGrip>
#include <QTime>
#include <QTimer>

namespace pennaro {

StatusBar::StatusBar(QWidget *parent) : QFrame(parent) {
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(1, 1, 1, 1);
    row->setSpacing(2);
    const int minWidth = twipsToPixelsX(MinPanelWidthTwips);
    const QString startTexts[PanelCount] = {texts::PanelStatus, texts::PanelFont, texts::PanelSize, QString()};
    for (int i = 0; i < PanelCount; ++i) {
        auto *label = new QLabel(startTexts[i], this);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setTextFormat(Qt::PlainText);
        label->setMinimumWidth(minWidth);
        label->setContentsMargins(3, 0, 3, 0);
        // The first panel gives way to the others: a long font name in panel
        // 2 narrows it, never the other way round.
        if (i == 0) {
            label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
            row->addWidget(label, 1);
        } else {
            label->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
            row->addWidget(label, 0);
        }
        panels_[i] = label;
    }
    panels_[3]->setAlignment(Qt::AlignCenter);
    // A sizing grip in the corner, as a resizable window's status bar has;
    // with it the first panel comes to 6030 twips at the design size.
    auto *grip = new QSizeGrip(this);
    grip->setFixedWidth(12);
    row->addWidget(grip, 0, Qt::AlignBottom);

    clock_ = new QTimer(this);
    clock_->setInterval(1000);
    connect(clock_, &QTimer::timeout, this, &StatusBar::updateClock);
    clock_->start();
    updateClock();
}

QLabel *StatusBar::label(int panel) const {
    if (panel < 1 || panel > PanelCount)
        throw PlatformError(QStringLiteral("Index out of bounds"));
    return panels_[panel - 1];
}

QLabel *StatusBar::panel(int panel) const { return label(panel); }

QString StatusBar::panelText(int panel) const { return label(panel)->text(); }

void StatusBar::setPanelText(int panel, const QString &text) { label(panel)->setText(text); }

QString StatusBar::clockFormat() {
    QString format = QLocale::system().timeFormat(QLocale::ShortFormat);
    static const QRegularExpression seconds(QStringLiteral("[^hHmaAp]?s+(\\.z+)?"));
    format.remove(seconds);
    return format.trimmed();
}

void StatusBar::updateClock() {
    const QString now = QLocale::system().toString(QTime::currentTime(), clockFormat());
    if (panels_[3]->text() != now)
        panels_[3]->setText(now);
}

}  // namespace pennaro
