#include "app/BoxMirror.h"

#include <QLineEdit>
#include <QPointer>
#include <utility>

#include "app/Look.h"
#include "app/Throttle.h"
#include "core/Receiver.h"

namespace ravo::app {

BoxMirror::BoxMirror(Receiver& rx, QObject* parent)
    : QObject(parent), rx_(rx), throttle_(new Throttle([this] { showPending(); }, this)) {
    // The model cannot forget a listener, so it must not outlive this object.
    QPointer<BoxMirror> self(this);
    rx_.observeScreen([self](const ModelChange& c) {
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
    const int k = key(c.ref);
    if (!edits_.contains(k)) return;
    pending_.insert(k);
    throttle_->request();
}

void BoxMirror::flush() { throttle_->flush(); }

void BoxMirror::showPending() {
    const QSet<int> due = std::exchange(pending_, {});
    for (const int k : due) {
        QLineEdit* e = edits_.value(k);
        showText(refOf(k), e);
        showFore(refOf(k), e);
    }
}

void BoxMirror::showText(BoxRef ref, QLineEdit* edit) {
    const QString text = toWidget(rx_.screen().text(ref));
    // The operator's own typing arrives here unchanged: leave the widget (and its
    // caret) alone then.
    if (edit->text() == text) return;
    const int caret = edit->cursorPosition();
    edit->setText(text);
    // A box the operator is in keeps the caret where it was; any other shows the
    // start of its text (a text that does not fit would otherwise show its end).
    edit->setCursorPosition(edit->hasFocus() ? std::min(caret, int(text.size())) : 0);
}

void BoxMirror::showFore(BoxRef ref, QLineEdit* edit) { setFore(edit, qcolour(rx_.screen().cell(ref).fore)); }

}  // namespace ravo::app
