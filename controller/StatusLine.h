#pragma once
// A status bar whose panel 0 holds the window's one-line status text.
#include <QLabel>
#include <QStatusBar>

namespace pad {

class StatusLine : public QStatusBar {
    Q_OBJECT
public:
    explicit StatusLine(QWidget *parent = nullptr) : QStatusBar(parent), panel0_(new QLabel(this)) {
        setSizeGripEnabled(false);
        addWidget(panel0_, 1);
    }
    void setText(const QString &text) { panel0_->setText(text); }
    QString text() const { return panel0_->text(); }
    void clear() { panel0_->clear(); }

private:
    QLabel *panel0_;
};

}  // namespace pad
