#include "support/external_tools.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace pennaro::testing {

bool runTool(const QString &program, const QStringList &arguments, const QString &home, QString *log) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, arguments);
    if (!p.waitForFinished(240000)) {
        p.kill();
        p.waitForFinished();
        *log = QStringLiteral("%1 timed out").arg(program);
        return false;
    }
    *log = QString::fromLocal8Bit(p.readAll());
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

QString toolOutput(const QString &tool, const QStringList &arguments) {
    if (QStandardPaths::findExecutable(tool).isEmpty())
        qFatal("%s is missing: the test set-up installs it", qPrintable(tool));
    QProcess process;
    process.start(tool, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return QString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

bool convertWithLibreOffice(const QStringList &files, const QString &format, const QString &outDir,
                            const QString &workDir, QString *log) {
    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (soffice.isEmpty()) {
        *log = QStringLiteral("LibreOffice (soffice) is not installed; the test set-up installs it");
        return false;
    }
    const QString profile = QUrl::fromLocalFile(QDir(workDir).filePath(QStringLiteral("lo-profile"))).toString();
    return runTool(soffice,
                   QStringList{QStringLiteral("-env:UserInstallation=") + profile, QStringLiteral("--headless"),
                               QStringLiteral("--convert-to"), format, QStringLiteral("--outdir"), outDir} +
                       files,
                   workDir, log);
}

}  // namespace pennaro::testing
