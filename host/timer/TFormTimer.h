#pragma once
#include <QWidget>

namespace host {

// Clock window of the presentation timer; frameless, kept above other windows.
class TFormTimer : public QWidget {
    Q_OBJECT
public:
    explicit TFormTimer(QWidget *parent = nullptr);
};

}  // namespace host
