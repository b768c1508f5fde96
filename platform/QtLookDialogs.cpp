#include <QApplication>
#include <QColorDialog>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/LookDialogs.h"

namespace platform {

namespace {

void paintSwatch(QPushButton *b, const QColor &c) {
    b->setStyleSheet(QStringLiteral("background-color: %1; min-width: 48px;").arg(c.name()));
}

class QtLookDialogs : public LookDialogs {
public:
    // Qt's font dialog has no colour: it is shown inside a dialog that adds one.
    std::optional<FontChoice> chooseFont(const FontChoice &initial) override {
        QDialog dlg(QApplication::activeWindow());
        dlg.setWindowTitle(QStringLiteral("字体"));
        auto *lay = new QVBoxLayout(&dlg);
        auto *fonts = new QFontDialog(initial.font, &dlg);
        fonts->setOptions(QFontDialog::NoButtons);
        fonts->setWindowFlags(Qt::Widget);
        lay->addWidget(fonts);
        auto *row = new QHBoxLayout;
        QColor color = initial.color.isValid() ? initial.color : QColor(Qt::black);
        auto *swatch = new QPushButton(&dlg);
        paintSwatch(swatch, color);
        row->addWidget(new QLabel(QStringLiteral("颜色"), &dlg));
        row->addWidget(swatch);
        row->addStretch();
        lay->addLayout(row);
        QObject::connect(swatch, &QPushButton::clicked, &dlg, [&] {
            const QColor c = QColorDialog::getColor(color, &dlg, QStringLiteral("颜色"));
            if (!c.isValid()) return;
            color = c;
            paintSwatch(swatch, color);
        });
        auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dlg);
        QObject::connect(buttons, &QDialogButtonBox::accepted, &dlg, &QDialog::accept);
        QObject::connect(buttons, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);
        lay->addWidget(buttons);
        if (dlg.exec() != QDialog::Accepted) return std::nullopt;
        return FontChoice{fonts->currentFont(), color};
    }

    std::optional<QColor> chooseColor(const QColor &initial) override {
        const QColor c = QColorDialog::getColor(initial.isValid() ? initial : QColor(Qt::black),
                                                QApplication::activeWindow(), QStringLiteral("颜色"));
        if (!c.isValid()) return std::nullopt;
        return c;
    }
};

}  // namespace

std::shared_ptr<LookDialogs> makeQtLookDialogs() { return std::make_shared<QtLookDialogs>(); }

}  // namespace platform
