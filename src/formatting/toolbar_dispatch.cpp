// The toolbar's one click handler. Most buttons run the menu command of the
// same meaning; Save, Color, Up and Down have behaviour of their own.
#include "platform/errors.h"
#include "platform/richtextbox.h"
#include "resources/texts.h"
#include "shell/form1.h"
#include "shell/numbertext.h"
#include "shell/statusbar.h"

namespace pennaro {

namespace {

// Sizes stepped by the Up and Down buttons: 1 point up to 20, 5 above.
constexpr float kStepThreshold = 20.0f;
constexpr float kSmallStep = 1.0f;
constexpr float kLargeStep = 5.0f;

}  // namespace

void Form1::Toolbar1_ButtonClick(const ToolbarButton &Button) {
    const QString &key = Button.Key;
    if (key == QLatin1String("New")) {
        mnuCloseItem_Click();
    } else if (key == QLatin1String("Open")) {
        mnuOpenItem_Click();
    } else if (key == QLatin1String("Save")) {
        // Unlike the menu's Save, a document that is not modified is never
        // written by this button.
        if (Modified)
            SaveDocument();
    } else if (key == QLatin1String("Print")) {
        mnuPrintItem_Click();
    } else if (key == QLatin1String("Cut")) {
        mnuCutItem_Click();
    } else if (key == QLatin1String("Copy")) {
        mnuCopyItem_Click();
    } else if (key == QLatin1String("Paste")) {
        mnuPasteItem_Click();
    } else if (key == QLatin1String("Bold")) {
        mnuBoldItem_Click();
    } else if (key == QLatin1String("Italic")) {
        mnuItalicItem_Click();
    } else if (key == QLatin1String("Underline")) {
        mnuUnderlineItem_Click();
    } else if (key == QLatin1String("Color")) {
        CommonDialog1.CancelError = true;
        try {
            CommonDialog1.Flags = 0;
            CommonDialog1.ShowColor();
            RichTextBox1->setSelColor(CommonDialog1.Color);
        } catch (const PlatformError &) {
            // Cancel: the selection keeps its colour, silently.
        }
    } else if (key == QLatin1String("Up") || key == QLatin1String("Down")) {
        const std::optional<float> size = RichTextBox1->SelFontSize();
        if (!size) {
            services_.dialogs->messageBox({texts::SelectOneSize, vbOKOnly, QString()});
            return;
        }
        const float step = *size <= kStepThreshold ? kSmallStep : kLargeStep;
        const float wanted = key == QLatin1String("Up") ? *size + step : *size - step;
        // The control refuses a size RTF cannot hold (0 and below, above
        // 1638) and keeps the old one; the panel shows what it holds.
        RichTextBox1->setSelFontSize(wanted);
        const std::optional<float> now = RichTextBox1->SelFontSize();
        StatusBar1->setPanelText(3, now ? singleToText(*now) : QString());
    }
}

}  // namespace pennaro
