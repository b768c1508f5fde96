#pragma once
// The window of the display panel (see DisplayPanel.h for its keys).
#include <QDialog>

#include <memory>

#include "platform/DisplayPanel.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace platform {

class DisplayPanelWindow : public QDialog {
    Q_OBJECT
public:
    explicit DisplayPanelWindow(std::shared_ptr<OutputLayout> layout, QWidget *parent = nullptr);

    // 1 the primary monitor, 2 the second one (only where there is one).
    void selectMonitor(int n);
    // The extension of the desktop onto the second monitor, as chosen (not yet applied).
    void toggleExtend();
    // Applies the choice; false (and the reason shown) when the layout could not follow.
    bool apply();
    // Reads the monitors afresh; a choice not yet applied is dropped.
    void refresh();

    QPushButton *monitor1, *monitor2, *okButton, *cancelButton, *applyButton;
    QComboBox *monitorList;
    QCheckBox *extendBox;
    QLabel *message;

public slots:
    // OK and Enter: apply, and close only when the layout followed.
    void accept() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showChoice();

    std::shared_ptr<OutputLayout> layout_;
    OutputLayout::State state_;
    int selected_ = 1;
    bool wantOn_ = false;
};

}  // namespace platform
