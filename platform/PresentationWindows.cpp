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
// Titles that depend on the language of the user interface: a slide show is
// "<show><file without its extension>", the Tip of the Day "<tip>1/225". Each
// language brings both, so a show that is recognised never stays under a tip.
struct InterfaceTitles {
    QString show, tip;
};
const std::array<InterfaceTitles, 3> kInterfaces = {{
    {QStringLiteral("Presenting: "), QStringLiteral("Tip of the Day: ")},
    {QStringLiteral("正在演示: "), QStringLiteral("每日贴士：")},
    {QStringLiteral("正在簡報："), QStringLiteral("今日秘訣：")},
}};

const QString *showPrefixOf(const QString &title) {
    for (const InterfaceTitles &t : kInterfaces)
        if (title.size() > t.show.size() && title.startsWith(t.show)) return &t.show;
    return nullptr;
}

bool isTipTitle(const QString &title) {
    for (const InterfaceTitles &t : kInterfaces)
        if (title.startsWith(t.tip)) return true;
    return false;
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

bool isPresentationProgramWindow(WindowSystem &ws, WindowId w) {
    return w && (describePresentationWindow(ws, w).isProgramWindow() || isOfficeClass(ws.windowClass(w)));
}

void closeImpressTips(WindowSystem &ws) {
    for (WindowId w : ws.topLevelWindows()) {
        if (isTipTitle(ws.title(w)) && isOfficeClass(ws.windowClass(w))) ws.close(w);
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
