#pragma once
class QCoreApplication;

namespace platform {

// Qt's own texts (standard buttons, the file dialog) in Chinese like the
// programs' own. False when Qt's Chinese translations are not installed.
bool installChineseQtTranslations(QCoreApplication &app);

}  // namespace platform
