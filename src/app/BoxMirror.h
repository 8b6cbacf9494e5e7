// Ties one-line text boxes to their boxes of the screen model: what the operator
// types goes to the model (with its change handling), and every change of a box's
// text or fore colour in the model is shown in its widget. Changes are shown a few
// times a second at most (a busy line changes grid cells a thousand times a
// second); each widget then shows its box's latest text and colour.
#pragma once

#include <QHash>
#include <QObject>
#include <QSet>

#include "screen/ScreenModel.h"

class QLineEdit;

namespace ravo::app {
class Throttle;
}

namespace ravo {
class Receiver;
}

namespace ravo::app {

class BoxMirror : public QObject {
    Q_OBJECT
public:
    BoxMirror(Receiver& rx, QObject* parent = nullptr);

    // Shows the box's model text and colour in the widget and keeps them in step.
    void bind(BoxRef ref, QLineEdit* edit);
    QLineEdit* edit(BoxRef ref) const { return edits_.value(key(ref), nullptr); }
    // Shows every change not shown yet.
    void flush();

    // The widget text of a model text (8-bit, one character a byte) and back.
    static QString toWidget(const std::string& text) {
        return QString::fromLatin1(text.data(), qsizetype(text.size()));
    }
    static std::string toModel(const QString& text);

private:
    static int key(BoxRef ref) { return static_cast<int>(ref.field) * 32 + ref.row; }
    static BoxRef refOf(int key) { return {static_cast<Field>(key / 32), key % 32}; }
    void changed(const ModelChange& change);
    void showPending();
    void showText(BoxRef ref, QLineEdit* edit);
    void showFore(BoxRef ref, QLineEdit* edit);

    Receiver& rx_;
    QHash<int, QLineEdit*> edits_;
    QSet<int> pending_;
    Throttle* throttle_;
};

}  // namespace ravo::app
