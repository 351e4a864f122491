// Peak memory of opening a 10 MB document. Run without arguments: writes the
// generated RTF to a temporary file and measures the load in a fresh child
// process, which reads the file and loads it as Open does, then reports
// VmHWM (peak resident memory) before and after.
//   bench_rtf_memory [megabytes]
#include "benchdoc.h"

#include "platform/rtf/rtf.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryFile>
#include <QTextDocument>

#include <cstdio>

namespace {

long vmHwmKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

int measure(const QString &path) {
    const long baseline = vmHwmKb();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "bench_rtf_memory: cannot read %s\n", qPrintable(path));
        return 1;
    }
    const QByteArray bytes = file.readAll();
    QTextDocument doc;
    pennaro::bench::setEditorFont(&doc);
    const pennaro::rtf::ReadResult r = pennaro::rtf::readDocument(bytes, &doc);
    const long peak = vmHwmKb();
    std::printf("file %.1f MB, %d characters, ok=%d damaged=%d\n", bytes.size() / 1048576.0, doc.characterCount(), r.ok,
                r.damaged);
    std::printf("VmHWM before %.1f MB, after load %.1f MB, growth %.1f MB\n", baseline / 1024.0, peak / 1024.0,
                (peak - baseline) / 1024.0);
    return r.ok ? 0 : 1;
}

}  // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 3 && args.at(1) == QLatin1String("--load"))
        return measure(args.at(2));

    const int megabytes = args.size() > 1 ? args.at(1).toInt() : 10;
    QTemporaryFile file;
    if (!file.open())
        return 1;
    file.write(pennaro::bench::makeBusinessDocument(qsizetype(megabytes) << 20).rtf);
    file.close();
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(app.applicationFilePath(), {QStringLiteral("--load"), file.fileName()});
    child.waitForFinished(-1);
    return child.exitCode();
}
