#include "platform/qtservices.h"

#include "platform/errors.h"
#include "platform/keystrokes.h"

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QDir>
#include <QFontDatabase>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>
#include <QWidget>

namespace pennaro {

// ---- Clipboard -------------------------------------------------------------

void QtClipboard::Clear() { QGuiApplication::clipboard()->clear(); }

void QtClipboard::SetText(const QString &text) { QGuiApplication::clipboard()->setText(text); }

QString QtClipboard::GetText() { return QGuiApplication::clipboard()->text(); }

// ---- Settings --------------------------------------------------------------

namespace {

constexpr auto kOrganisation = "Pennaro";

}  // namespace

QString QtSettingsStore::GetSetting(const QString &app, const QString &section, const QString &key,
                                    const QString &defaultValue) {
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, QLatin1String(kOrganisation), app);
    settings.beginGroup(section);
    const QVariant value = settings.value(key);
    if (!value.isValid())
        return defaultValue;
    // An INI line edited by hand with a comma in it reads back as a list.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QStringLiteral(", "));
    return value.toString();
}

void QtSettingsStore::SaveSetting(const QString &app, const QString &section, const QString &key,
                                  const QString &value) {
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, QLatin1String(kOrganisation), app);
    settings.beginGroup(section);
    settings.setValue(key, value);
    settings.endGroup();
    settings.sync();
    if (settings.status() != QSettings::NoError)
        throw PlatformError(QStringLiteral("The setting %1/%2 cannot be stored in %3")
                                .arg(section, key, QDir::toNativeSeparators(settings.fileName())));
}

// ---- Input -----------------------------------------------------------------

void QtInputSystem::SendKeys(const QString &keys, bool wait) {
    const QList<KeyStroke> strokes = parseSendKeys(keys);
    if (QWidget *target = QApplication::focusWidget()) {
        deliverKeys(target, strokes, wait);
        return;
    }
    if (wait)
        return;
    // Keys sent without waiting join the input still to come, as typed keys
    // do, and go to the control that has the keyboard when they are handled.
    // Right after a dialog closes no window has it: the window manager gives
    // it back to the main window a moment later. Keys that no control takes
    // within a second are dropped.
    auto *waiting = new QObject(qApp);
    QObject::connect(qApp, &QApplication::focusChanged, waiting, [waiting, strokes](QWidget *, QWidget *now) {
        if (!now)
            return;
        deliverKeys(now, strokes, false);
        waiting->deleteLater();
    });
    QTimer::singleShot(1000, waiting, &QObject::deleteLater);
}

QWidget *QtInputSystem::ActiveControl() { return QApplication::focusWidget(); }

QWidget *QtInputSystem::GetFocus() { return QApplication::focusWidget(); }

long QtInputSystem::SendMessageA(QWidget *hwnd, quint32 msg, quintptr wParam, qintptr lParam) {
    return deliverWindowMessage(hwnd, msg, wParam, lParam);
}

// ---- Screen fonts, command line, process -----------------------------------

const QStringList &QtScreenFonts::families() {
    if (!families_)
        families_ = QFontDatabase::families();
    return *families_;
}

int QtScreenFonts::FontCount() { return int(families().size()); }

QString QtScreenFonts::Fonts(int index) {
    const QStringList &list = families();
    if (index < 0 || index >= list.size())
        throw PlatformError(QStringLiteral("Font index %1 out of range").arg(index));
    return list.at(index);
}

QtCommandLine::QtCommandLine(int argc, char **argv) {
    for (int i = 1; i < argc; ++i)
        words_ << QString::fromLocal8Bit(argv[i]);
}

QString QtCommandLine::Command() { return words_.join(QLatin1Char(' ')); }

QString QtRecoveryLocation::Folder() {
    // XDG base directories must be absolute; a relative one is ignored.
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty() || QDir::isRelativePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/Pennaro/recovery");
}

void QtProcessControl::End() {
    QCoreApplication::exit(0);
    throw EndProgram();
}

}  // namespace pennaro
