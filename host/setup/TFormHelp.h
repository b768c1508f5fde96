#pragma once
#include <QWidget>

namespace host {

// Help window with the feedback and recommendation page.
class TFormHelp : public QWidget {
    Q_OBJECT
public:
    explicit TFormHelp(QWidget *parent = nullptr);
};

}  // namespace host
