#include "platform/PresentationWindows.h"

#include <array>

namespace platform {

namespace {

// Impress names its editing windows "<file> - LibreOffice Impress" in every
// language ("<file> (read-only) - ..." when it cannot write the file); its
// presenter console carries the same title.
const QString kImpressSuffix = QStringLiteral(" - LibreOffice Impress");
// The class of Impress's document windows; its show and console windows carry
// the office suite's general class instead.
const QString kImpressDocumentClass = QStringLiteral("libreoffice-impress");
// A slide show is "<prefix><file without its extension>" in the language of
// the user interface: English, simplified and traditional Chinese.
const std::array<QString, 3> kShowPrefixes = {QStringLiteral("Presenting: "),
                                              QStringLiteral("正在演示: "),
                                              QStringLiteral("正在簡報：")};

const std::array<QString, 2> kTipPrefixes = {QStringLiteral("Tip of the Day: "), QStringLiteral("每日贴士：")};

const QString *showPrefixOf(const QString &title) {
    for (const QString &p : kShowPrefixes)
        if (title.size() > p.size() && title.startsWith(p)) return &p;
    return nullptr;
}

bool isImpressDocumentTitle(const QString &title) {
    return title.size() > kImpressSuffix.size() && title.endsWith(kImpressSuffix);
}

// Any window of the office suite: "libreoffice-impress", "LibreOffice 7.4"
// (X11 back end), "Soffice" (GTK back end).
bool isOfficeClass(const QString &cls) {
    const QString c = cls.toLower();
    return c.startsWith(QStringLiteral("libreoffice")) || c == QStringLiteral("soffice");
}

// The name without its last extension, as a show's title gives it.
QString withoutExtension(const QString &name) {
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? name.left(dot) : name;
}

}  // namespace

bool PresentationWindow::showsFile(const QString &fileName, const QString &powerPointWord) const {
    switch (program) {
    case PresentationProgram::None:
        return false;
    case PresentationProgram::PowerPoint:
        return !powerPointWord.isEmpty() && title.contains(powerPointWord);
    case PresentationProgram::Impress:
        break;
    }
    if (fileName.isEmpty()) return false;
    if (slideShow) return document == withoutExtension(fileName);
    if (document == fileName) return true;
    // "<file> (read-only)" and its translations: one parenthesised remark.
    if (!document.startsWith(fileName + QLatin1Char(' '))) return false;
    const QString remark = document.mid(fileName.size()).trimmed();
    return remark.size() > 2 && remark.startsWith(QLatin1Char('(')) &&
           remark.endsWith(QLatin1Char(')'));
}

PresentationWindow classifyPresentationWindow(const QString &title, const QString &windowClass) {
    PresentationWindow w;
    w.title = title.left(254);
    if (w.title.isEmpty()) return w;
    if (isImpressDocumentTitle(w.title)) {
        w.program = PresentationProgram::Impress;
        w.document = w.title.chopped(kImpressSuffix.size());
        w.presenterView = isOfficeClass(windowClass) && windowClass != kImpressDocumentClass;
        return w;
    }
    // "Presenting: ..." could be any program's title: the class must say office.
    if (const QString *prefix = showPrefixOf(w.title); prefix && isOfficeClass(windowClass)) {
        w.program = PresentationProgram::Impress;
        w.slideShow = true;
        w.document = w.title.mid(prefix->size());
        return w;
    }
    if (w.title.contains(kPowerPointWord)) {
        w.program = PresentationProgram::PowerPoint;
        w.slideShow = w.title.contains(kPowerPointShowWord);
        w.presenterView = w.title.contains(kPowerPointPresenterWord);
    }
    return w;
}

PresentationWindow describePresentationWindow(WindowSystem &ws, WindowId w) {
    const QString title = ws.title(w).left(254);
    if (title.isEmpty()) return {};
    const bool needsClass = isImpressDocumentTitle(title) || showPrefixOf(title);
    return classifyPresentationWindow(title, needsClass ? ws.windowClass(w) : QString());
}

void closeImpressTips(WindowSystem &ws) {
    for (WindowId w : ws.topLevelWindows()) {
        const QString title = ws.title(w);
        for (const QString &p : kTipPrefixes)
            if (title.startsWith(p) && isOfficeClass(ws.windowClass(w))) ws.close(w);
    }
}

void waitForImpressShow(WindowSystem &ws, Clock &clock, bool pumpEvents) {
    constexpr int kPolls = 300, kPollMs = 10, kSettleMs = 300;
    auto wait = [&](int ms) { pumpEvents ? clock.pumpFor(ms) : clock.sleep(ms); };
    for (int i = 0; i < kPolls; ++i) {
        const PresentationWindow pw = describePresentationWindow(ws, ws.foreground());
        if (pw.slideShow || pw.presenterView) {
            wait(kSettleMs);
            return;
        }
        wait(kPollMs);
    }
}

}  // namespace platform
