// What the formatting tests share: selecting text, clicking a toolbar
// button, and the character format of a range as the control reports it,
// also after the document has been saved and loaded again.
#pragma once

#include "platform/dialoghost.h"
#include "platform/richtextbox.h"
#include "shell/form1.h"
#include "support/form_fixture.h"

#include <QTest>
#include <optional>

namespace pennaro::testing {

inline void select(FormFixture &f, int start, int length) {
    f.form->RichTextBox1->setSelStart(start);
    f.form->RichTextBox1->setSelLength(length);
}

inline void selectAll(FormFixture &f) { select(f, 0, int(f.form->RichTextBox1->Text().size())); }

inline void click(FormFixture &f, const QString &key) {
    f.run([&] { f.form->Toolbar1_ButtonClick(ToolbarButton{key}); });
}

// Every character property the Format commands touch; each Null when the
// range mixes values.
struct RangeFormat {
    std::optional<QString> name;
    std::optional<float> size;
    std::optional<quint32> color;
    std::optional<bool> bold, italic, underline, strikethru;
    bool operator==(const RangeFormat &) const = default;
};

// Selects the range and reads its format; the selection stays.
inline RangeFormat formatOf(FormFixture &f, int start, int length) {
    select(f, start, length);
    const RichTextBox &box = *f.form->RichTextBox1;
    return {box.SelFontName(), box.SelFontSize(),  box.SelColor(),     box.SelBold(),
            box.SelItalic(),   box.SelUnderline(), box.SelStrikeThru()};
}

// Saves the document as RTF and loads the file back into the control.
inline void saveAndReload(FormFixture &f) {
    const QString file = f.path(QStringLiteral("reloaded.rtf"));
    f.form->RichTextBox1->SaveFile(file, 0);
    f.form->RichTextBox1->LoadFile(file, 0);
}

template <typename T>
QString optionalText(const std::optional<T> &value) {
    if (!value)
        return QStringLiteral("Null");
    if constexpr (std::is_same_v<T, QString>)
        return QLatin1Char('"') + *value + QLatin1Char('"');
    else if constexpr (std::is_same_v<T, quint32>)
        return QStringLiteral("&H%1").arg(*value, 6, 16, QLatin1Char('0'));
    else
        return QVariant::fromValue(*value).toString();
}

inline char *toString(const RangeFormat &r) {
    const QString text =
        QStringLiteral("{%1 %2 pt, colour %3, bold %4, italic %5, underline %6, strike %7}")
            .arg(optionalText(r.name), optionalText(r.size), optionalText(r.color), optionalText(r.bold),
                 optionalText(r.italic), optionalText(r.underline), optionalText(r.strikethru));
    return qstrdup(text.toUtf8().constData());
}

}  // namespace pennaro::testing

namespace pennaro {

inline char *toString(const FontChoice &c) {
    const QString text = QStringLiteral("{\"%1\" %2 pt, colour &H%3, b%4 i%5 u%6 s%7}")
                             .arg(c.name)
                             .arg(double(c.size))
                             .arg(c.color, 6, 16, QLatin1Char('0'))
                             .arg(int(c.bold))
                             .arg(int(c.italic))
                             .arg(int(c.underline))
                             .arg(int(c.strikethru));
    return qstrdup(text.toUtf8().constData());
}

}  // namespace pennaro
