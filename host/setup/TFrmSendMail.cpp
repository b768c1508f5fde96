#include "host/setup/TFrmSendMail.h"

namespace host {

TFrmSendMail::TFrmSendMail(QWidget *parent) : QWidget(parent) {
    setObjectName(QStringLiteral("FrmSendMail"));
    setWindowTitle(QStringLiteral("邮件群发器"));
}

}  // namespace host
