#include "app/BoxEdit.h"

#include <QMouseEvent>

namespace ravo::app {

void BoxEdit::mousePressEvent(QMouseEvent* event) {
    QLineEdit::mousePressEvent(event);
    if (event->button() == Qt::LeftButton) emit clicked();
}

void BoxEdit::mouseDoubleClickEvent(QMouseEvent* event) {
    QLineEdit::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton) emit doubleClicked();
}

}  // namespace ravo::app
