#include "support/form_fixture.h"

#include "platform/richtextbox.h"
#include "platform/rtf/rtf.h"
#include "shell/form1.h"
#include "shell/guard.h"
#include "shell/statusbar.h"

#include <QDir>
#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QTest>
#include <QTextEdit>
#include <QTextDocument>

namespace pennaro::testing {

FormFixture::FormFixture(bool runFormLoad) {
    QDir::setCurrent(dir.path());
    form = std::make_unique<Form1>(platform.services());
    if (runFormLoad)
        run([this] { form->Form_Load(); });
}

FormFixture::~FormFixture() = default;

bool FormFixture::run(const std::function<void()> &handler) {
    const bool before = platform.process.ended;
    guarded(handler);
    return platform.process.ended && !before;
}

QString FormFixture::path(const QString &name) const { return dir.filePath(name); }

void typeInto(QWidget *target, const QString &text) {
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(target, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(target, &release);
    }
}

void FormFixture::type(const QString &text) { typeInto(form->RichTextBox1->widget(), text); }

QString FormFixture::writeRtf(const QString &name, const QString &text) const {
    QTextDocument doc;
    doc.setPlainText(text);
    QFile file(path(name));
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    file.write(rtf::writeDocument(&doc));
    return file.fileName();
}

QString FormFixture::readRtfText(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    QTextDocument doc;
    if (!rtf::readDocument(file.readAll(), &doc).ok)
        return QString();
    return doc.toPlainText();
}

QString FormFixture::panel(int number) const { return form->StatusBar1->panelText(number); }

DocumentView FormFixture::document() const { return {form->RichTextBox1->Text(), panel(1), form->Modified}; }

void FormFixture::startWith(const QString &text) {
    form->RichTextBox1->setText(text);
    form->Modified = false;
    platform.input.setFocus(form->RichTextBox1->widget());
}

QString FormFixture::selection() const {
    return QStringLiteral("%1+%2").arg(form->RichTextBox1->SelStart()).arg(form->RichTextBox1->SelLength());
}

QWidget *FormFixture::showWithEditorFocused() {
    form->show();
    QApplication::setActiveWindow(form.get());
    if (!QTest::qWaitForWindowActive(form.get()))
        return nullptr;
    QWidget *editor = form->RichTextBox1->widget();
    editor->setFocus();
    return QTest::qWaitFor([editor] { return QApplication::focusWidget() == editor; }) ? editor : nullptr;
}

char *toString(const DocumentView &view) {
    const QString text =
        QStringLiteral("{text \"%1\", panel 1 \"%2\", %3}")
            .arg(view.text, view.name, view.modified ? QStringLiteral("modified") : QStringLiteral("clean"));
    return qstrdup(text.toUtf8().constData());
}

void expectCannotSave(const ShownDialog &shown, const QString &fileName) {
    QCOMPARE(shown.kind, DialogKind::MessageBox);
    QCOMPARE(shown.buttons, int(vbOKOnly));
    QCOMPARE(shown.title, QString());  // the application title
    const QString head = QStringLiteral("Could not save %1.\n").arg(fileName);
    QVERIFY2(shown.prompt.startsWith(head), qPrintable(shown.prompt));
    QCOMPARE(shown.prompt.count(fileName), 1);
    QVERIFY2(!shown.prompt.mid(head.size()).trimmed().isEmpty(), "no reason given");
}

}  // namespace pennaro::testing
