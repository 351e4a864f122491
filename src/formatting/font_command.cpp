// The Format menu's Font command: the shared dialog's font page, preset from
// the selection, and everything it returns written back to the selection.
#include "platform/errors.h"
#include "platform/richtextbox.h"
#include "shell/form1.h"
#include "shell/numbertext.h"
#include "shell/statusbar.h"

#include <QComboBox>

namespace pennaro {

namespace {

// The dialog's preset for a selection that mixes fonts, sizes or colours:
// the editing area's own font, in black.
const QString kMixedFontName = QStringLiteral("宋体");
constexpr float kMixedFontSize = 12.0f;
constexpr quint32 kMixedColor = 0;

// Screen and printer fonts, with the effects (strikethrough, underline,
// colour).
constexpr int kFontDialogFlags = cdlCFScreenFonts | cdlCFPrinterFonts | cdlCFEffects;

}  // namespace

void Form1::mnuFontItem_Click() {
    CommonDialog1.CancelError = true;
    try {
        // One Null is enough to count as mixed; the later ones are not read.
        const std::optional<float> size = RichTextBox1->SelFontSize();
        const std::optional<quint32> color = size ? RichTextBox1->SelColor() : std::nullopt;
        const std::optional<QString> name = color ? RichTextBox1->SelFontName() : std::nullopt;
        // Bold, italic, underline and strikethrough are not preset: they
        // start as the dialog's previous use left them.
        CommonDialog1.FontName = name ? *name : kMixedFontName;
        CommonDialog1.FontSize = name ? *size : kMixedFontSize;
        CommonDialog1.Color = name ? *color : kMixedColor;
        CommonDialog1.Flags = kFontDialogFlags;
        CommonDialog1.ShowFont();

        {
            // All seven are written, also those the user left alone, and
            // Undo takes them back together.
            const RichTextBox::UndoGroup oneStep(*RichTextBox1);
            RichTextBox1->setSelFontName(CommonDialog1.FontName);
            RichTextBox1->setSelFontSize(CommonDialog1.FontSize);
            RichTextBox1->setSelColor(CommonDialog1.Color);
            RichTextBox1->setSelBold(CommonDialog1.FontBold);
            RichTextBox1->setSelItalic(CommonDialog1.FontItalic);
            RichTextBox1->setSelUnderline(CommonDialog1.FontUnderline);
            RichTextBox1->setSelStrikeThru(CommonDialog1.FontStrikethru);
        }
        StatusBar1->setPanelText(2, CommonDialog1.FontName);
        StatusBar1->setPanelText(3, singleToText(CommonDialog1.FontSize));
        Combo1->setEditText(CommonDialog1.FontName);
        RichTextBox1_SelChange();
    } catch (const PlatformError &) {
        // Cancel, or a failure on the way: silently, keeping what was written.
    }
}

}  // namespace pennaro
