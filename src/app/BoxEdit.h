// A one-line text box that also reports clicks and double-clicks, as the grid
// address cells, the clock and the error count need.
#pragma once

#include <QLineEdit>

namespace ravo::app {

class BoxEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit BoxEdit(QWidget* parent = nullptr) : QLineEdit(parent) {}

signals:
    void clicked();
    void doubleClicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

}  // namespace ravo::app
