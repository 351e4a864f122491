#include "platform/fontdialog.h"

#include "platform/units.h"
#include "resources/texts.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleValidator>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace pennaro {

namespace {

// Shortest decimal form: 12, 10.5.
QString sizeText(float size) { return QString::number(double(size), 'g', 7); }

}  // namespace

FontDialog::FontDialog(QWidget *parent) : QDialog(parent) {
    setWindowTitle(texts::FontDialogTitle);

    // The installed families under the names the font database reports,
    // which on a Chinese desktop are the fonts' Chinese names; drawn in the
    // dialog's own font, so that a symbol font's name stays readable. The
    // sample below shows the font itself.
    family_ = new QComboBox(this);
    family_->setObjectName(QStringLiteral("family"));
    family_->setEditable(true);
    family_->setInsertPolicy(QComboBox::NoInsert);
    family_->addItems(QFontDatabase::families());

    size_ = new QComboBox(this);
    size_->setObjectName(QStringLiteral("size"));
    size_->setEditable(true);
    for (const char *s :
         {"8", "9", "10", "10.5", "11", "12", "14", "16", "18", "20", "22", "24", "26", "28", "36", "48", "72"})
        size_->addItem(QLatin1String(s));
    auto *validator = new QDoubleValidator(kMinPointSize, kMaxPointSize, 2, size_);
    validator->setNotation(QDoubleValidator::StandardNotation);
    validator->setLocale(QLocale::c());
    size_->lineEdit()->setValidator(validator);
    size_->setInsertPolicy(QComboBox::NoInsert);

    color_ = new QPushButton(texts::FontDialogColorButton, this);
    bold_ = new QCheckBox(texts::FontDialogBold, this);
    italic_ = new QCheckBox(texts::FontDialogItalic, this);
    underline_ = new QCheckBox(texts::FontDialogUnderline, this);
    strikethru_ = new QCheckBox(texts::FontDialogStrikethru, this);

    sample_ = new QLabel(texts::FontDialogSampleText, this);
    sample_->setAlignment(Qt::AlignCenter);
    sample_->setMinimumSize(240, 60);
    sample_->setFrameShape(QFrame::StyledPanel);

    auto *form = new QFormLayout;
    form->addRow(texts::FontDialogFamily, family_);
    form->addRow(texts::FontDialogSize, size_);
    form->addRow(texts::FontDialogColor, color_);

    auto *effects = new QGroupBox(texts::FontDialogEffects, this);
    auto *grid = new QGridLayout(effects);
    grid->addWidget(bold_, 0, 0);
    grid->addWidget(italic_, 0, 1);
    grid->addWidget(underline_, 1, 0);
    grid->addWidget(strikethru_, 1, 1);

    auto *sampleBox = new QGroupBox(texts::FontDialogSample, this);
    auto *sampleLayout = new QVBoxLayout(sampleBox);
    sampleLayout->addWidget(sample_);

    buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(effects);
    layout->addWidget(sampleBox);
    layout->addWidget(buttons_);

    connect(color_, &QPushButton::clicked, this, &FontDialog::chooseColor);
    connect(family_, &QComboBox::currentTextChanged, this, &FontDialog::refresh);
    connect(size_, &QComboBox::currentTextChanged, this, &FontDialog::refresh);
    for (QCheckBox *box : {bold_, italic_, underline_, strikethru_})
        connect(box, &QCheckBox::toggled, this, &FontDialog::refresh);
    refresh();
}

void FontDialog::setChoice(const FontChoice &choice) {
    // The name is kept exactly as given, also for a font that is not
    // installed: the user sees what the text asks for.
    family_->setEditText(choice.name);
    size_->setEditText(choice.size > 0 ? sizeText(choice.size) : QString());
    colorValue_ = choice.color & 0xffffff;
    bold_->setChecked(choice.bold);
    italic_->setChecked(choice.italic);
    underline_->setChecked(choice.underline);
    strikethru_->setChecked(choice.strikethru);
    refresh();
}

FontChoice FontDialog::choice() const {
    FontChoice c;
    c.name = family_->currentText().trimmed();
    c.size = typedSize();
    c.color = colorValue_;
    c.bold = bold_->isChecked();
    c.italic = italic_->isChecked();
    c.underline = underline_->isChecked();
    c.strikethru = strikethru_->isChecked();
    return c;
}

float FontDialog::typedSize() const {
    bool ok = false;
    const double value = QLocale::c().toDouble(size_->currentText().trimmed(), &ok);
    return ok && isPointSizeInRange(value) ? float(value) : 0.0f;
}

void FontDialog::chooseColor() {
    const QColor chosen = QColorDialog::getColor(colorFromBgr(colorValue_), this);
    if (chosen.isValid()) {
        colorValue_ = bgrFromColor(chosen);
        refresh();
    }
}

void FontDialog::refresh() {
    QPixmap swatch(24, 12);
    swatch.fill(colorFromBgr(colorValue_));
    color_->setIcon(QIcon(swatch));

    QFont font(family_->currentText());
    if (typedSize() > 0)
        font.setPointSizeF(qMin(double(typedSize()), 48.0));  // keep the sample inside the box
    font.setBold(bold_->isChecked());
    font.setItalic(italic_->isChecked());
    font.setUnderline(underline_->isChecked());
    font.setStrikeOut(strikethru_->isChecked());
    sample_->setFont(font);
    QPalette palette = sample_->palette();
    palette.setColor(QPalette::WindowText, colorFromBgr(colorValue_));
    sample_->setPalette(palette);

    buttons_->button(QDialogButtonBox::Ok)->setEnabled(typedSize() > 0 && !family_->currentText().trimmed().isEmpty());
}

}  // namespace pennaro
