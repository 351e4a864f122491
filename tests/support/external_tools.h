// The programs tests use to read what the editor wrote as other programs
// read it: poppler's PDF tools, LibreOffice, AbiWord.
#pragma once

#include <QString>
#include <QStringList>

namespace pennaro::testing {

// Runs the program with its home folder at `home` (a private profile per
// run); true when it ended normally with exit code 0. Its output, standard
// and error, or why it did not run, goes to *log.
bool runTool(const QString &program, const QStringList &arguments, const QString &home, QString *log);

// The standard output of the tool; empty when it failed. A missing tool is
// a fault of the test set-up, which installs it: the test ends.
QString toolOutput(const QString &tool, const QStringList &arguments);

// Converts the files with LibreOffice (soffice --convert-to format, e.g.
// "fodt") into outDir, with a profile of its own under workDir, in one run.
bool convertWithLibreOffice(const QStringList &files, const QString &format, const QString &outDir,
                            const QString &workDir, QString *log);

}  // namespace pennaro::testing
