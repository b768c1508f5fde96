#pragma once
#include <QWidget>

#include "platform/Platform.h"

namespace host {

// The host's main window.
class TForm1 : public QWidget {
    Q_OBJECT
public:
    explicit TForm1(platform::Services services, QWidget *parent = nullptr);

private:
    platform::Services services_;
};

}  // namespace host
