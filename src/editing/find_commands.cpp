// Find, Find Next and Find All, and the search state they share:
// SearchString, FoundPosition (1-based, 0 for no current match) and
// RestartSearch. Each search runs over the control's whole plain text; the
// search itself is in text_search.cpp.
#include "editing/text_search.h"
#include "platform/busycursor.h"
#include "platform/richtextbox.h"
#include "resources/texts.h"
#include "shell/form1.h"

#include <optional>

namespace pennaro {

namespace {

constexpr quint32 kFoundColor = 0xFF0000;  // pure blue, laid out 0xBBGGRR

QString askSearchString(const Form1 &form, const QString &defaultText) {
    return form.services().dialogs->inputBox({texts::FindPrompt, texts::FindTitle, defaultText});
}

void selectMatch(RichTextBox &box, int position, qsizetype length) {
    box.setSelStart(position - 1);
    box.setSelLength(int(length));
}

}  // namespace

void Form1::mnuFindItem_Click() {
    SearchString = askSearchString(*this, RichTextBox1->SelText());
    if (SearchString.isEmpty())
        return;
    // Always from the top, wherever the caret stands; RestartSearch is Find
    // Next's business.
    FoundPosition = searchText(*RichTextBox1, SearchString, 1);
    if (FoundPosition != 0)
        selectMatch(*RichTextBox1, FoundPosition, SearchString.size());
    else
        services_.dialogs->messageBox({texts::StringNotFound, vbOKOnly, QString()});
}

void Form1::mnuFindNextItem_Click() {
    if (SearchString.isEmpty())
        SearchString = askSearchString(*this, QString());
    if (SearchString.isEmpty())
        return;
    // Just after the last match, so that matches never overlap; from the top
    // after a search that found nothing, and on the first search since
    // start-up.
    qint64 start = qint64(FoundPosition) + SearchString.size();
    if (FoundPosition == 0)
        RestartSearch = true;
    if (RestartSearch)
        start = 1;
    FoundPosition = searchText(*RichTextBox1, SearchString, start);
    RestartSearch = false;
    if (FoundPosition != 0)
        selectMatch(*RichTextBox1, FoundPosition, SearchString.size());
}

void Form1::mnufindall_Click() {
    mnuFindNextItem_Click();
    // With the prompt cancelled there is nothing to look for; a kept
    // FoundPosition (Find's prompt cancelled after a match) would otherwise
    // have every pass prompt again until the user typed something.
    const bool searching = !SearchString.isEmpty();
    // The prompt, if any, is answered; what follows can be thousands of
    // matches.
    std::optional<BusyCursor> busy;
    if (searching)
        busy.emplace();
    // One Undo takes the whole colouring back, however many matches.
    RichTextBox1->asOneUndoStep([&] {
        // Each selection the search leaves is coloured: every match, and the
        // selection that is still there after the final search finds nothing.
        // The characters are coloured together once the search is done, as a
        // change of colour makes the control lay its paragraph out again for
        // the next selection; a caret's colour (the text typed next) is set
        // at once.
        QList<RichTextBox::Range> found;
        const auto colourSelection = [&] {
            if (RichTextBox1->SelLength() == 0)
                RichTextBox1->setSelColor(kFoundColor);
            else
                found.push_back({RichTextBox1->SelStart(), RichTextBox1->SelLength()});
        };
        colourSelection();
        while (searching && FoundPosition != 0) {
            mnuFindNextItem_Click();
            colourSelection();
        }
        RichTextBox1->setColorOfRanges(found, kFoundColor);
    });
    busy.reset();
    services_.input->SendKeys(QStringLiteral("^{HOME}"), false);
    SearchString.clear();
}

}  // namespace pennaro
