#pragma once
// Which top-level windows belong to a presentation program, and what each is.
// PowerPoint is known by the words of its titles alone; LibreOffice Impress by
// the form of its titles, and by its window class where a title could be any
// program's. Every caller that looks for "the presentation" goes through here,
// so a window that neither program owns is never driven.
#include <QString>

#include "platform/Platform.h"

namespace platform {

enum class PresentationProgram { None, PowerPoint, Impress };

struct PresentationWindow {
    PresentationProgram program = PresentationProgram::None;
    // A running slide show. PowerPoint: the title holds "幻灯片放映" (its
    // presenter view may too).
    bool slideShow = false;
    // The presenter's own view during a show (Impress: its presenter console).
    bool presenterView = false;
    QString title;     // at most 254 characters, as the finders read it
    QString document;  // Impress: the file name (a show: without its extension)

    bool isProgramWindow() const { return program != PresentationProgram::None; }
    bool isImpress() const { return program == PresentationProgram::Impress; }
    // The window shows fileName, a bare name with its extension. PowerPoint's
    // titles are searched for powerPointWord instead (each caller has its own
    // rule for which part of the name PowerPoint shows); an empty word matches
    // no PowerPoint window.
    bool showsFile(const QString &fileName, const QString &powerPointWord) const;
};

// Title words of PowerPoint.
inline const QString kPowerPointWord = QStringLiteral("PowerPoint");
inline const QString kPowerPointShowWord = QStringLiteral("幻灯片放映");
inline const QString kPowerPointPresenterWord = QStringLiteral("演示者视图");

// windowClass is the class part of WM_CLASS ("" when unknown).
PresentationWindow classifyPresentationWindow(const QString &title, const QString &windowClass);

// Reads what the rules need (the class only when the title leaves a doubt).
PresentationWindow describePresentationWindow(WindowSystem &ws, WindowId w);

// Any window of a presentation program: its documents and shows, and its
// dialogs (Impress's "Save Document?", known by the office suite's class).
bool isPresentationProgramWindow(WindowSystem &ws, WindowId w);

// Closes Impress's "Tip of the Day" (in each language whose show title is
// known): a first start on each day puts it over
// the document, and so onto the projector once a show ends.
void closeImpressTips(WindowSystem &ws);

// After F5 in Impress: its show window takes the front a moment later and
// drops keys for some tens of milliseconds more. Waits until both have passed,
// or about 3 s. With pumpEvents other events run meanwhile; the caller keeps
// the commands that follow queued (the host handles one line of a connection
// at a time), so no key reaches the show too early.
void waitForImpressShow(WindowSystem &ws, Clock &clock, bool pumpEvents = false);

}  // namespace platform
