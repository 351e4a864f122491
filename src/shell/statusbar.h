// The status bar of the main window: four panels addressed 1..4. Panel 1
// takes the width the others leave; panels 2..4 are as wide as their text
// needs but never narrower than an inch. Panel 4 is a clock that keeps itself
// current in the system's short time format.
#pragma once

#include <QFrame>
#include <QString>

class QLabel;
class QTimer;

namespace pennaro {

class StatusBar : public QFrame {
    Q_OBJECT
public:
    explicit StatusBar(QWidget *parent = nullptr);

    static constexpr int PanelCount = 4;
    static constexpr double MinPanelWidthTwips = 1440;

    // Panels are numbered 1..4; any other number throws PlatformError.
    QString panelText(int panel) const;
    void setPanelText(int panel, const QString &text);

    // The system's short time format without seconds, which some locales
    // (the C locale among them) include.
    static QString clockFormat();

    // The panel's label, for layout checks.
    QLabel *panel(int panel) const;

private:
    void updateClock();
    QLabel *label(int panel) const;

    QLabel *panels_[PanelCount] = {};
    QTimer *clock_ = nullptr;
};

}  // namespace pennaro
