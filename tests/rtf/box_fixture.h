// An editing control in a window of its own, for the tests that drive kept
// content through the control: a file loaded as Open loads it, selections
// made as the handlers make them.
#pragma once

#include "platform/richtextbox.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <memory>

namespace pennaro::rtf::test {

class BoxFixture {
public:
    BoxFixture() : window_(std::make_unique<QWidget>()), box_(new RichTextBox(window_.get())) {}

    QWidget *window() const { return window_.get(); }
    RichTextBox *box() const { return box_; }

    // Returns false (and the test fails) when the file cannot be written.
    bool load(const QByteArray &rtf) {
        QFile f(dir_.filePath(QStringLiteral("in.rtf")));
        if (!dir_.isValid() || !f.open(QIODevice::WriteOnly) || f.write(rtf) != rtf.size())
            return false;
        f.close();
        box_->LoadFile(f.fileName(), 0);
        return true;
    }

    void select(int start, int length) {
        box_->setSelStart(start);
        box_->setSelLength(length);
    }

    QString path(const QString &name) const { return dir_.filePath(name); }

private:
    QTemporaryDir dir_;
    std::unique_ptr<QWidget> window_;
    RichTextBox *box_;
};

}  // namespace pennaro::rtf::test
