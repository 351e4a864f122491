// The font dialog: name, size, colour and the four effects in one box.
// QFontDialog has no colour and no way to keep a fractional size such as
// 10.5, both of which the Font command needs.
#pragma once

#include "platform/dialoghost.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QLabel;
class QPushButton;

namespace pennaro {

class FontDialog : public QDialog {
    Q_OBJECT
public:
    explicit FontDialog(QWidget *parent = nullptr);

    void setChoice(const FontChoice &choice);
    FontChoice choice() const;

    // The size typed in the size box, or 0 when it is not a usable size.
    float typedSize() const;

private:
    void chooseColor();
    void refresh();

    QComboBox *family_;
    QComboBox *size_;
    QPushButton *color_;
    QCheckBox *bold_;
    QCheckBox *italic_;
    QCheckBox *underline_;
    QCheckBox *strikethru_;
    QLabel *sample_;
    QDialogButtonBox *buttons_;
    quint32 colorValue_ = 0;
};

}  // namespace pennaro
