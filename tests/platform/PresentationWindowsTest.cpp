// The window rules of both presentation programs, in English and Chinese.
#include <gtest/gtest.h>

#include "tests/support/Fakes.h"
#include "platform/PresentationWindows.h"

using namespace platform;
using P = PresentationProgram;

TEST(PresentationWindows, TitleAndClassRulesOfBothPrograms) {
    const struct { const char *title, *cls; P program; bool show, presenter; } rows[] = {
        {"季度 报告.pptx - LibreOffice Impress", "libreoffice-impress", P::Impress, false, false},
        {"季度 报告.pptx - LibreOffice Impress", "Soffice", P::Impress, false, true},  // its presenter console
        {"正在演示: 季度 报告", "LibreOffice 7.4", P::Impress, true, false},
        {"Presenting: 季度 报告", "Firefox", P::None, false, false},
        {"talk.pptx - LibreOffice Impress - Mousepad", "Mousepad", P::None, false, false},
        {"每日贴士：1/225", "libreoffice-impress", P::None, false, false},
        {"powerpoint - talk", "", P::None, false, false},
        {"PowerPoint 演示者视图 - talk 幻灯片放映", "", P::PowerPoint, true, true},
    };
    for (const auto &r : rows) {
        const PresentationWindow w = classifyPresentationWindow(QString::fromUtf8(r.title), r.cls);
        EXPECT_TRUE(w.program == r.program && w.slideShow == r.show && w.presenterView == r.presenter) << r.title;
    }
    auto shows = [](const char *title, const char *file, const char *word = "") {
        return classifyPresentationWindow(QString::fromUtf8(title), "Soffice").showsFile(file, word);
    };
    EXPECT_TRUE(shows("季度 报告.pptx - LibreOffice Impress", "季度 报告.pptx"));
    EXPECT_FALSE(shows("季度 报告.pptx - LibreOffice Impress", "报告.pptx", "报告"));
    EXPECT_TRUE(shows("plain.pptx  (只读) - LibreOffice Impress", "plain.pptx"));
    EXPECT_TRUE(shows("Presenting: a.b c", "a.b c.pptm") && !shows("Presenting: a.b c", "a.pptx"));
    EXPECT_TRUE(shows("PowerPoint - [my talk.ppt]", "x.ppt", "my talk"));
    EXPECT_FALSE(shows("PowerPoint - [my talk.ppt]", "my talk.ppt"));

    FakeServices fakes;  // only Impress's own tips are closed, in each language a show is known in
    fakes.windows->add("Tip of the Day: 1/225", true, "libreoffice-impress");
    fakes.windows->add("今日秘訣：1/225", true, "libreoffice-impress");
    const WindowId other = fakes.windows->add("Tip of the Day: 1/225", true, "Firefox");
    closeImpressTips(*fakes.windows);
    EXPECT_EQ(fakes.windows->topLevelWindows(), std::vector<WindowId>{other});
}
