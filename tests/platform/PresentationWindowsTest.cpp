// The title rules of both presentation programs, in English and Chinese.
#include <gtest/gtest.h>

#include "platform/PresentationWindows.h"

using namespace platform;
using P = PresentationProgram;

TEST(PresentationWindows, ClassifiesProgramShowAndPresenterWindows) {
    const QString impressDoc = QStringLiteral("libreoffice-impress");
    const QString officeGen = QStringLiteral("LibreOffice 7.4"), officeGtk = QStringLiteral("Soffice");
    struct Row {
        QString title, cls;
        P program;
        bool show, presenter;
    } rows[] = {
        {"季度 报告.pptx - LibreOffice Impress", impressDoc, P::Impress, false, false},
        {"季度 报告.pptx - LibreOffice Impress", officeGen, P::Impress, false, true},  // console
        {"季度 报告.pptx - LibreOffice Impress", officeGtk, P::Impress, false, true},
        {"季度 报告.pptx - LibreOffice Impress", "KeyRecorder", P::Impress, false, false},
        {"Presenting: 季度 报告", officeGen, P::Impress, true, false},
        {"正在演示: 季度 报告", officeGtk, P::Impress, true, false},
        {"PowerPoint tips.pptx - LibreOffice Impress", impressDoc, P::Impress, false, false},
        // Look-alikes: another program, the office's other windows, no name.
        {"Presenting: 季度 报告", "Firefox", P::None, false, false},
        {"Presenting: 季度 报告", "", P::None, false, false},
        {" - LibreOffice Impress", impressDoc, P::None, false, false},
        {"talk.pptx - LibreOffice Writer", "libreoffice-writer", P::None, false, false},
        {"talk.pptx - LibreOffice Impress - Mousepad", "Mousepad", P::None, false, false},
        {"LibreOffice", "libreoffice-startcenter", P::None, false, false},
        {"每日贴士：1/225", impressDoc, P::None, false, false},
        {"LibreOffice 7.4 Document Recovery", officeGen, P::None, false, false},
        {"powerpoint - talk", "", P::None, false, false},
        {"talk.ppt - PowerPoint", "", P::PowerPoint, false, false},
        {"PowerPoint 幻灯片放映 - [talk.ppt]", "", P::PowerPoint, true, false},
        {"PowerPoint 演示者视图 - talk 幻灯片放映", "", P::PowerPoint, true, true},
    };
    for (const Row &r : rows) {
        const PresentationWindow w = classifyPresentationWindow(r.title, r.cls);
        EXPECT_EQ(w.program, r.program) << r.title.toStdString() << " / " << r.cls.toStdString();
        EXPECT_EQ(w.slideShow, r.show) << r.title.toStdString();
        EXPECT_EQ(w.presenterView, r.presenter) << r.title.toStdString() << " / " << r.cls.toStdString();
    }
}

TEST(PresentationWindows, FileMatchIsExactForImpressAndByWordForPowerPoint) {
    auto shows = [](const char *title, const char *cls, const QString &file, const QString &word = {}) {
        return classifyPresentationWindow(QString::fromUtf8(title), QString::fromUtf8(cls)).showsFile(file, word);
    };
    const char *doc = "libreoffice-impress", *office = "LibreOffice 7.4";
    EXPECT_TRUE(shows("季度 报告.pptx - LibreOffice Impress", doc, "季度 报告.pptx"));
    EXPECT_FALSE(shows("季度 报告.pptx - LibreOffice Impress", doc, "报告.pptx", "报告"));
    EXPECT_FALSE(shows("季度 报告.pptx - LibreOffice Impress", doc, "季度 报告.ppt"));
    EXPECT_TRUE(shows("plain.pptx (read-only) - LibreOffice Impress", doc, "plain.pptx"));
    EXPECT_TRUE(shows("plain.pptx  (只读) - LibreOffice Impress", doc, "plain.pptx"));
    EXPECT_FALSE(shows("plain.pptx copy - LibreOffice Impress", doc, "plain.pptx"));
    EXPECT_TRUE(shows("Presenting: a.b c", office, "a.b c.pptx"));
    EXPECT_TRUE(shows("正在演示: 季度 报告", office, "季度 报告.pptm"));
    EXPECT_FALSE(shows("Presenting: a.b c", office, "a.pptx"));
    EXPECT_FALSE(shows("Presenting: a", office, ""));
    EXPECT_TRUE(shows("PowerPoint - [my talk.ppt]", "", "other.ppt", "my talk"));
    EXPECT_FALSE(shows("PowerPoint - [my talk.ppt]", "", "my talk.ppt", ""));
}
