#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <random>

#include "common/Gbk.h"
#include "common/IniFile.h"

using namespace kv;

namespace {

QByteArray readBytes(const QString &path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

void writeBytes(const QString &path, const QByteArray &b) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(b);
}

class IniFileTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path() const { return dir.filePath("show.ini"); }
};

}  // namespace

TEST_F(IniFileTest, MissingFileReadsDefaultsAndFirstWriteCreatesIt) {
    IniFile ini(path());
    EXPECT_EQ(ini.readString("server", "ServerPort", "8220"), "8220");
    ini.writeString("server", "ServerPort", "18220");
    ini.writeString("timer", "count", "up");
    ini.writeString("server", "AutoStart", "true");
    EXPECT_EQ(readBytes(path()),
              QByteArray("[server]\r\nServerPort=18220\r\nAutoStart=true\r\n[timer]\r\ncount=up\r\n"));
}

TEST_F(IniFileTest, ByteExactRoundTripAndInPlaceEdit) {
    const QByteArray original =
        "; comment\r\n[Server]\r\nServerUser = tuvop \r\nPPTdir=\"/home/a b\"\r\n\r\n"
        "[timer]\r\nname=MS Sans Serif\r\ncount=down\r\n";
    writeBytes(path(), original);
    IniFile ini(path());
    // Names match whatever their case; values trimmed, one pair of quotes removed.
    EXPECT_EQ(ini.readString("SERVER", "serveruser", ""), "tuvop");
    EXPECT_EQ(ini.readString("server", "PPTDIR", ""), "/home/a b");
    EXPECT_EQ(ini.readString("Timer", "Name", ""), "MS Sans Serif");
    EXPECT_EQ(ini.readString("timer", "absent", "dflt"), "dflt");

    // Rewriting a value that is stored in the writer's own form changes nothing.
    ini.writeString("timer", "count", "down");
    EXPECT_EQ(readBytes(path()), original);

    ini.writeString("server", "serveruser", "admin");
    ini.writeString("server", "ServerPort", "8220");
    EXPECT_EQ(readBytes(path()),
              QByteArray("; comment\r\n[Server]\r\nserveruser=admin\r\nPPTdir=\"/home/a b\"\r\n"
                         "ServerPort=8220\r\n\r\n[timer]\r\nname=MS Sans Serif\r\ncount=down\r\n"));
}

TEST_F(IniFileTest, GbkValuesAndLongValues) {
    IniFile ini(path());
    const QString value = QStringLiteral("逐渐黑屏");
    ini.writeString("timer", "TimeScreen", value);
    EXPECT_TRUE(readBytes(path()).contains(*toGbk(value)));
    EXPECT_EQ(ini.readString("timer", "TimeScreen", ""), value);

    // Only 2047 bytes of a value are seen, and never half a character.
    QString longValue = QString(2046, 'a') + QStringLiteral("黑屏");
    ini.writeString("timer", "long", longValue);
    EXPECT_EQ(ini.readString("timer", "long", ""), QString(2046, 'a'));
}

TEST_F(IniFileTest, RefusedWriteRaisesUnableToWrite) {
    // A folder in place of the file cannot be written, even by root.
    QString blocked = dir.filePath("blocked.ini");
    ASSERT_TRUE(QDir().mkdir(blocked));
    IniFile ini(blocked);
    try {
        ini.writeString("server", "AutoStart", "true");
        FAIL() << "no error raised";
    } catch (const IniWriteError &e) {
        EXPECT_EQ(e.message(), "Unable to write to " + blocked);
    }
    // A line break would turn one value into other keys: refused, file unchanged.
    IniFile good(path());
    good.writeString("server", "PPTdir", "/home/a");
    const QByteArray before = readBytes(path());
    EXPECT_THROW(good.writeString("server", "PPTdir", "/home/a\r\nServerPort=1"), IniWriteError);
    EXPECT_EQ(readBytes(path()), before);

    IniFile missingDir(dir.filePath("no/such/dir/show.ini"));
    EXPECT_THROW(missingDir.writeString("a", "b", "c"), IniWriteError);
    EXPECT_EQ(missingDir.readString("a", "b", "d"), "d");
}

TEST_F(IniFileTest, BrokenAndBinaryFilesNeverCrash) {
    QByteArray broken("[server\r\n=novalue\r\nServerPort=1\xff\xfe\r\n[server]\nServerPort=9\n");
    broken.append('\0');
    broken.append("\x01[timer]junk\r\nX=5");
    writeBytes(path(), broken);
    IniFile ini(path());
    EXPECT_EQ(ini.readString("server", "ServerPort", ""), "9");
    EXPECT_EQ(ini.readString("timer", "X", ""), "5");
    ini.writeString("timer", "Y", "6");
    EXPECT_EQ(ini.readString("timer", "Y", ""), "6");
    EXPECT_EQ(ini.readString("timer", "X", ""), "5");

    std::mt19937 rng(7);
    for (int round = 0; round < 50; ++round) {
        QByteArray noise(512, '\0');
        for (auto &c : noise) c = static_cast<char>(rng() % 256);
        writeBytes(path(), noise);
        IniFile noisy(path());
        noisy.readString("server", "ServerPort", "8220");
        noisy.writeString("server", "ServerPort", "8220");
        EXPECT_EQ(noisy.readString("server", "ServerPort", ""), "8220");
    }
}
