#pragma once
#include <QWidget>

namespace host {

// Draw-lots window.
class TFormChouqian : public QWidget {
    Q_OBJECT
public:
    explicit TFormChouqian(QWidget *parent = nullptr);
};

}  // namespace host
