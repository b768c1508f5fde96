#pragma once
#include <QWidget>

namespace host {

// Hidden mail form that sends one message to each address of a list.
class TFrmSendMail : public QWidget {
    Q_OBJECT
public:
    explicit TFrmSendMail(QWidget *parent = nullptr);
};

}  // namespace host
