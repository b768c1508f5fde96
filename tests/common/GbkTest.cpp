#include <gtest/gtest.h>

#include "common/Gbk.h"

using namespace kv;

TEST(Gbk, RoundTripsChineseAndAscii) {
    const QString text = QStringLiteral("Korvelo 投影助理 启动");
    auto bytes = toGbk(text);
    ASSERT_TRUE(bytes);
    // "投" is 0xCD 0xB6 in GBK.
    EXPECT_EQ(bytes->mid(8, 2), QByteArray("\xCD\xB6"));
    EXPECT_EQ(bytes->size(), 8 + 4 * 2 + 1 + 2 * 2);
    auto back = fromGbk(*bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, text);
}

TEST(Gbk, StrictConversionReportsWhatCannotBeConverted) {
    qsizetype bad = -1;
    // A lone surrogate has no encoding at all.
    QString broken = QStringLiteral("ab") + QChar(0xD800) + QStringLiteral("c");
    EXPECT_FALSE(toGbk(broken, &bad));
    EXPECT_EQ(bad, 2);
    // A lead byte with no trail byte is an incomplete sequence.
    bad = -1;
    EXPECT_FALSE(fromGbk(QByteArray("ok\xCD"), &bad));
    EXPECT_EQ(bad, 2);
    EXPECT_EQ(fromGbkLossy(QByteArray("ok\xCD")), QStringLiteral("ok") + QChar(0xFFFD));
}

TEST(Gbk, FitsGbkRejectsFourByteGb18030) {
    EXPECT_TRUE(fitsGbk(QStringLiteral("幻灯片放映.ppt")));
    // U+1F600 exists in GB18030 only as a four-byte sequence.
    EXPECT_FALSE(fitsGbk(QString::fromUcs4(U"a\U0001F600")));
    auto four = toGbk(QString::fromUcs4(U"\U0001F600"));
    ASSERT_TRUE(four);  // lossless through GB18030
    EXPECT_EQ(four->size(), 4);
    EXPECT_EQ(toGbkLossy(QStringLiteral("x") + QChar(0xDC00)), QByteArray("x?"));
}
