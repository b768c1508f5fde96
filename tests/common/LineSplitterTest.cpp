#include <gtest/gtest.h>

#include "common/LineSplitter.h"

using namespace kv;

TEST(LineSplitter, SplitsCompleteLinesAndReturnsRemainder) {
    auto s = splitLines("c_over\r\nc_list\r\nc_ne");
    ASSERT_EQ(s.lines.size(), 2);
    EXPECT_EQ(s.lines[0], "c_over");
    EXPECT_EQ(s.lines[1], "c_list");
    EXPECT_EQ(s.remainder, "c_ne");

    auto lone = splitLines("s_busylist");
    EXPECT_TRUE(lone.lines.isEmpty());
    EXPECT_EQ(lone.remainder, "s_busylist");

    auto bareLf = splitLines("a\nb\r\n");
    ASSERT_EQ(bareLf.lines.size(), 1);
    EXPECT_EQ(bareLf.lines[0], "a\nb");
    EXPECT_EQ(splitLines("\r\n\r\n").lines.size(), 2);
}

TEST(LineSplitter, BufferCompletesLinesAcrossReads) {
    LineBuffer buf;
    EXPECT_TRUE(buf.feed("c_us").isEmpty());
    EXPECT_TRUE(buf.feed("er tuvop|tuvop\r").isEmpty());
    auto lines = buf.feed("\nVD34\r\n");
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], "c_user tuvop|tuvop");
    EXPECT_EQ(lines[1], "VD34");
    EXPECT_TRUE(buf.pending().isEmpty());
}

TEST(LineSplitter, BufferCapsTheRemainder) {
    LineBuffer buf(16);
    EXPECT_TRUE(buf.feed(QByteArray(40, 'x')).isEmpty());
    EXPECT_TRUE(buf.overflowed());
    EXPECT_TRUE(buf.pending().isEmpty());
    // The dropped line's tail goes too, up to its CR LF, even split across reads.
    EXPECT_TRUE(buf.feed("yy\r").isEmpty());
    EXPECT_EQ(buf.feed("\nc_idle\r\n"), QList<QByteArray>({"c_idle"}));
    EXPECT_FALSE(buf.overflowed());
}
