// Socket-free code: the dispatch table, the login table, the name checks.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "host/protocol/ControlLine.h"
#include "host/protocol/FileTransfer.h"
#include "host/protocol/LoginTable.h"
#include "host/protocol/PresentationNames.h"

using namespace host;

TEST(ControlLineGrammar, PrefixWordsIgnoreTheRestWholeWordsMustMatchExactly) {
    struct Case {
        QByteArray line;
        Command command;
        QByteArray field;
    } cases[] = {
        {"c_usertuvop|tuvop", Command::User, "tuvop|tuvop"},
        {"VD34", Command::Key, "34"},
        {"Vx33", Command::Key, "33"},  // only the first character is tested
        {"c_idle", Command::Idle, ""},
        {"c_idle and more", Command::Idle, " and more"},
        {"c_opentalk.pptx", Command::Open, "talk.pptx"},
        {"c_close now", Command::Close, " now"},
        {"c_show", Command::Show, ""},
        {"c_show ", Command::None, ""},
        {"c_list", Command::List, ""},
        {"c_list ", Command::None, ""},
        {"c_nextlist", Command::NextList, ""},
        {"c_up", Command::Up, ""},
        {"c_upx", Command::None, ""},
        {"c_filenamea.ppt", Command::FileName, "a.ppt"},
        {"c_len123", Command::Len, "123"},
        {"c_over", Command::Over, ""},
        {"c_ask", Command::Ask, ""},
        {"c_agree", Command::Agree, ""},
        {"c_reject", Command::Reject, ""},
        {"c_timer", Command::Timer, ""},
        {"C_IDLE", Command::None, ""},
        {"s_ok", Command::None, ""},
        {"", Command::None, ""},
    };
    for (const Case &c : cases) {
        ControlLine cl = parseControlLine(c.line);
        EXPECT_EQ(cl.command, c.command) << c.line.constData();
        EXPECT_EQ(cl.field, c.field) << c.line.constData();
    }
}

TEST(ControlLineGrammar, ReplyBytesAndTheThreeWithoutLineEnd) {
    EXPECT_EQ(reply::busyList, QByteArray("s_busylist"));
    EXPECT_EQ(reply::busyList.size(), 10);
    EXPECT_EQ(reply::qitaUp, QByteArray("s_qitaup"));
    EXPECT_EQ(reply::agreeBare, QByteArray("s_agree"));
    EXPECT_EQ(reply::agree, QByteArray("s_agree\r\n"));
    EXPECT_EQ(reply::succOpen, QByteArray("s_succ_open\r\n"));
}

TEST(LoginTableTest, HoldsNinetyNineAndReusesBlankSlots) {
    LoginTable t;
    for (int i = 0; i < 99; ++i)
        ASSERT_EQ(t.add(QString("10.0.0.%1").arg(i)), LoginTable::AddResult::Added);
    EXPECT_TRUE(t.isFull());
    EXPECT_EQ(t.add("10.0.1.1"), LoginTable::AddResult::Full);
    EXPECT_EQ(t.add("10.0.0.5"), LoginTable::AddResult::Already);
    EXPECT_EQ(t.slot(99), QString());
    // A slot inside the list becomes "blank" and is the next one reused.
    t.remove("10.0.0.5");
    EXPECT_EQ(t.slot(5), LoginTable::kBlank);
    EXPECT_FALSE(t.contains("10.0.0.5"));
    EXPECT_TRUE(t.contains("10.0.0.6"));
    EXPECT_FALSE(t.isFull());
    EXPECT_EQ(t.add("10.0.1.1"), LoginTable::AddResult::Added);
    EXPECT_EQ(t.slot(5), "10.0.1.1");
    // The last entry becomes empty and shortens the list.
    t.remove("10.0.0.98");
    EXPECT_EQ(t.slot(98), QString());
    EXPECT_EQ(t.listLength(), 98);
    EXPECT_FALSE(t.contains(LoginTable::kBlank));
}

TEST(LoginTableTest, WalkStopsAtTheFirstEmptySlot) {
    LoginTable t;
    t.add("a");
    t.add("b");
    t.add("c");
    t.remove("b");  // inside: blank
    t.remove("c");  // at the end: empty
    EXPECT_EQ(t.slot(1), LoginTable::kBlank);
    EXPECT_EQ(t.slot(2), QString());
    EXPECT_TRUE(t.contains("a"));
    EXPECT_EQ(t.add("d"), LoginTable::AddResult::Added);
    EXPECT_EQ(t.slot(1), "d");
}

TEST(PresentationNamesTest, OnlyBareNamesOfThePresentationFamily) {
    for (const char *ok : {"talk.ppt", "Talk.PPTX", "a.b.pptm", "中文 讲稿.pptx", "x .ppt"})
        EXPECT_TRUE(isOpenablePresentationName(QString::fromUtf8(ok))) << ok;
    for (const char *bad : {"", ".", "..", ".pptx", "../x.ppt", "a/b.ppt", "a\\b.ppt", "c:x.ppt",
                            "x.txt", "x.ppt.exe", "x.pps", "tab\t.ppt", "x.ppt ", "x"})
        EXPECT_FALSE(isOpenablePresentationName(QString::fromUtf8(bad))) << bad;
    EXPECT_EQ(stemOf("a.b.pptx"), "a.b");
    EXPECT_EQ(stemOf("noext"), "noext");
    EXPECT_TRUE(isUploadName(QString(251, 'a') + ".ppt"));
    EXPECT_FALSE(isUploadName(QString(252, 'a') + ".ppt"));  // 256 bytes
    EXPECT_FALSE(isUploadName(QString::fromUtf8("\xF0\x9F\x98\x80.ppt")));  // not GBK
}

TEST(PresentationNamesTest, ListingTakesRegularPptFilesSortedByName) {
    QTemporaryDir d;
    auto touch = [&](const QString &n) {
        QFile f(d.filePath(n));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    };
    touch("b.pptx");
    touch("a.PPT");
    touch("notes.txt");
    touch(".hidden.ppt");
    // Only what an open opens: no other extension, no bare extension, nothing trimmed away.
    for (const char *n : {"c.ppts", "old.pptbak", ".ppt", " lead.ppt", "x.ppt "}) touch(n);
    QDir(d.path()).mkdir("folder.ppt");
    QFile::link(d.filePath("b.pptx"), d.filePath("link.ppt"));
    EXPECT_EQ(FileTransfer::presentationFiles(d.path()),
              QStringList({".hidden.ppt", "a.PPT", "b.pptx"}));
    EXPECT_TRUE(isRegularFileIn(d.path(), "b.pptx"));
    EXPECT_FALSE(isRegularFileIn(d.path(), "folder.ppt"));
    EXPECT_FALSE(isRegularFileIn(d.path(), "link.ppt"));
    EXPECT_FALSE(isRegularFileIn(d.path(), "../b.pptx"));
}
