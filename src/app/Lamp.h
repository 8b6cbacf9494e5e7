// A status lamp: a small red circle, filled when lit, only its outline when not.
#pragma once

#include <QWidget>

namespace ravo::app {

class Lamp : public QWidget {
    Q_OBJECT
public:
    explicit Lamp(QWidget* parent = nullptr) : QWidget(parent) {}

    bool lit() const { return lit_; }
    void setLit(bool lit);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool lit_ = false;
};

}  // namespace ravo::app
