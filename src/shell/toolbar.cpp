// The toolbar: thirteen image-only push buttons and five separators, left to
// right. Each button carries its key (QAction::data) for the click handler,
// which compares keys exactly.
#include "shell/form1.h"

#include "platform/units.h"
#include "resources/texts.h"
#include "shell/clientarea.h"
#include "shell/fontnamebox.h"

#include <QAction>
#include <QComboBox>
#include <QIcon>
#include <QToolBar>

namespace pennaro {

namespace {

struct ButtonDef {
    const char *key;  // nullptr: a separator
    const QString *tooltip;
    const char *image;
};

const ButtonDef kButtons[] = {
    {"New", &texts::TipNew, "new"},
    {"Open", &texts::TipOpen, "open"},
    {"Save", &texts::TipSave, "save"},
    {nullptr, nullptr, nullptr},
    {"Print", &texts::TipPrint, "print"},
    {nullptr, nullptr, nullptr},
    {"Cut", &texts::TipCut, "cut"},
    {"Copy", &texts::TipCopy, "copy"},
    {"Paste", &texts::TipPaste, "paste"},
    {nullptr, nullptr, nullptr},
    {"Bold", &texts::TipBold, "bold"},
    {"Italic", &texts::TipItalic, "italic"},
    {"Underline", &texts::TipUnderline, "underline"},
    {nullptr, nullptr, nullptr},
    {"Color", &texts::TipColor, "color"},
    {nullptr, nullptr, nullptr},
    {"Up", &texts::TipUp, "up"},
    {"Down", &texts::TipDown, "down"},
};

// Design position of the font-name box on the toolbar strip, in twips.
constexpr double kComboLeft = 5730, kComboTop = 45, kComboWidth = 3795, kComboHeight = 300;

}  // namespace

void Form1::buildToolbar() {
    Toolbar1 = new QToolBar(client_);
    Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    Toolbar1->setMovable(false);
    Toolbar1->setFloatable(false);
    Toolbar1->setIconSize(QSize(16, 16));
    Toolbar1->setToolButtonStyle(Qt::ToolButtonIconOnly);
    Toolbar1->setContextMenuPolicy(Qt::PreventContextMenu);

    for (const ButtonDef &def : kButtons) {
        if (!def.key) {
            Toolbar1->addSeparator();
            continue;
        }
        const QIcon icon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(def.image)));
        QAction *action = Toolbar1->addAction(icon, *def.tooltip);
        action->setToolTip(*def.tooltip);
        const QString key = QString::fromLatin1(def.key);
        action->setData(key);
        connect(action, &QAction::triggered, this,
                [this, key] { runHandler([this, key] { Toolbar1_ButtonClick(ToolbarButton{key}); }); });
    }

    // The font-name box is not a toolbar item: it keeps its own place on the
    // strip, to the right of the last button.
    Combo1 = new QComboBox(Toolbar1);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setEditable(true);
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    Combo1->setGeometry(twipsToPixelsX(kComboLeft), twipsToPixelsY(kComboTop), twipsToPixelsX(kComboWidth),
                        twipsToPixelsY(kComboHeight));
    Combo1->setEditText(texts::ComboStart);
    new FontNameBox(Combo1, this, [this] { runHandler([this] { Combo1_Click(); }); });
}

}  // namespace pennaro
