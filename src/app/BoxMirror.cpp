#include "app/BoxMirror.h"

#include <QLineEdit>
#include <QPointer>

#include "app/Look.h"
#include "core/Receiver.h"

namespace ravo::app {

BoxMirror::BoxMirror(Receiver& rx, QObject* parent) : QObject(parent), rx_(rx) {
    // The model cannot forget a listener, so it must not outlive this object.
    QPointer<BoxMirror> self(this);
    rx_.screen.addListener([self](const ModelChange& c) {
        if (self) self->changed(c);
    });
}

std::string BoxMirror::toModel(const QString& text) {
    const QByteArray bytes = text.toLatin1();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

void BoxMirror::bind(BoxRef ref, QLineEdit* edit) {
    edits_.insert(key(ref), edit);
    showText(ref, edit);
    showFore(ref, edit);
    connect(edit, &QLineEdit::textEdited, this, [this, ref](const QString& text) { rx_.type(ref, toModel(text)); });
}

void BoxMirror::changed(const ModelChange& c) {
    if (c.kind != ModelChange::Kind::Text && c.kind != ModelChange::Kind::Fore) return;
    QLineEdit* e = edit(c.ref);
    if (!e) return;
    if (c.kind == ModelChange::Kind::Text) showText(c.ref, e);
    else showFore(c.ref, e);
}

void BoxMirror::showText(BoxRef ref, QLineEdit* edit) {
    const QString text = toWidget(rx_.screen.text(ref));
    // The operator's own typing arrives here unchanged: leave the widget (and its
    // caret) alone then.
    if (edit->text() == text) return;
    const int caret = edit->cursorPosition();
    edit->setText(text);
    if (edit->hasFocus()) edit->setCursorPosition(std::min(caret, int(text.size())));
}

void BoxMirror::showFore(BoxRef ref, QLineEdit* edit) { setFore(edit, qcolour(rx_.screen.cell(ref).fore)); }

}  // namespace ravo::app
