#pragma once

#include <QString>

namespace pennaro {

// The name Save As writes: unchanged when the file's own name (not its
// folders) contains ".RTF" in any letter case, otherwise with ".rtf"
// appended. Both '/' and '\' separate folders.
QString withRtfExtension(const QString &path);

}  // namespace pennaro
