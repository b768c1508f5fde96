#pragma once
class QCoreApplication;

namespace platform {

// Qt's own texts (standard buttons, the file dialog) in Chinese like the
// programs' own. False when Qt's Chinese translations are not installed.
bool installChineseQtTranslations(QCoreApplication &app);

// Chinese text in a plain Hei font where one is installed: fontconfig's own
// fallback for Chinese may be a Kai font, meant for the lot cards only.
void preferPlainChineseFont();

}  // namespace platform
