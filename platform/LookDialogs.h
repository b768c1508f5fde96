#pragma once
// The font dialog (face, size, styles and colour of a text) and the colour dialog.
#include <QColor>
#include <QFont>

#include <memory>
#include <optional>

namespace platform {

class LookDialogs {
public:
    struct FontChoice {
        QFont font;
        QColor color;
    };
    virtual ~LookDialogs() = default;
    // nullopt when cancelled.
    virtual std::optional<FontChoice> chooseFont(const FontChoice &initial) = 0;
    virtual std::optional<QColor> chooseColor(const QColor &initial) = 0;
};

std::shared_ptr<LookDialogs> makeQtLookDialogs();

}  // namespace platform
