// Save and Save As. Save As is also the fallback of every other save path,
// and it tells its callers whether the document was written, so that no
// closing path goes on after a save that did not happen.
#include "document/rtf_extension.h"
#include "platform/errors.h"
#include "platform/uppercase.h"
#include "resources/texts.h"
#include "shell/form1.h"
#include "shell/statusbar.h"

#include <algorithm>

namespace pennaro {

QString withRtfExtension(const QString &path) {
    const qsizetype cut = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    const QString ownName = path.mid(cut + 1);
    if (upperCasedInPlace(ownName).contains(QLatin1String(".RTF")))
        return path;
    return path + QLatin1String(".rtf");
}

void Form1::mnuSave_Click() { SaveDocument(); }

bool Form1::mnuSaveAsItem_Click() {
    CommonDialog1.CancelError = true;
    QString fileName;
    try {
        CommonDialog1.ShowSave(withRtfExtension);
        fileName = withRtfExtension(CommonDialog1.FileName);
    } catch (const PlatformError &) {
        return false;  // Cancel, or the dialog could not be shown: silently
    }
    if (!WriteDocument(fileName))
        return false;
    setDocumentFile(fileName, fileName);
    ClearModified();
    return true;
}

}  // namespace pennaro
