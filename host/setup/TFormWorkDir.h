#pragma once
#include <QWidget>

namespace host {

// Placement window: copies both programs into a chosen folder on the first run.
class TFormWorkDir : public QWidget {
    Q_OBJECT
public:
    explicit TFormWorkDir(QWidget *parent = nullptr);
};

}  // namespace host
