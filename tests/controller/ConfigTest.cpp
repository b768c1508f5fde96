#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "common/IniFile.h"
#include "controller/PadConfig.h"
#include "tests/support/Files.h"

using pad::PadConfig;

namespace {

using kvtest::readFile;
using kvtest::writeFile;

TEST(PadConfigFiles, DefaultsAndExactTrueFlags) {
    QTemporaryDir dir;
    PadConfig config(dir.path());
    pad::PadSettings s = config.loadSettings();
    EXPECT_EQ(s.user, "tuvop");
    EXPECT_EQ(s.pass, "tuvop");
    EXPECT_EQ(s.port, "8220");
    EXPECT_FALSE(s.autoScan);
    EXPECT_EQ(config.serverFile(), QDir(dir.path()).filePath("slidehost"));
    EXPECT_TRUE(config.loadScanList().isEmpty());

    ASSERT_TRUE(writeFile(config.iniPath(), "[CLIENT]\r\nAutoScan=true\r\nAutoConnect=True\r\nFullScreen=TRUE\r\n"
                                "ClientUser=\xd5\xc5\r\nport=9000\r\n"));
    s = config.loadSettings();
    EXPECT_FALSE(s.autoScan);
    EXPECT_TRUE(s.autoConnect);
    EXPECT_FALSE(s.fullScreen);
    EXPECT_EQ(s.user, QStringLiteral("张"));
    EXPECT_EQ(config.port(), "9000");
}

TEST(PadConfigFiles, SaveWritesKeysInOrderAndScanListWhole) {
    QTemporaryDir dir;
    PadConfig config(dir.path());
    pad::PadSettings s;
    s.user = "a";
    s.pass = "b";
    s.port = "x1";  // written as it stands
    s.autoScan = true;
    config.saveSettings(s);
    const QByteArray ini = readFile(config.iniPath());
    EXPECT_LT(ini.indexOf("ClientUser=a"), ini.indexOf("ClientPass=b"));
    EXPECT_LT(ini.indexOf("ClientPass=b"), ini.indexOf("port=x1"));
    EXPECT_LT(ini.indexOf("port=x1"), ini.indexOf("AutoScan=True"));
    EXPECT_LT(ini.indexOf("AutoScan=True"), ini.indexOf("AutoConnect=False"));
    EXPECT_LT(ini.indexOf("AutoConnect=False"), ini.indexOf("FullScreen=False"));

    config.saveScanList({"192.168.1.", "10.0.0."});
    EXPECT_EQ(readFile(config.scanPath()), QByteArray("192.168.1.\r\n10.0.0.\r\n"));
    EXPECT_EQ(config.loadScanList(), (QStringList{"192.168.1.", "10.0.0."}));
    config.saveScanList({});
    EXPECT_EQ(readFile(config.scanPath()), QByteArray());
    EXPECT_TRUE(config.loadScanList().isEmpty());
}

TEST(PadConfigFiles, UnwritableFolderThrows) {
    PadConfig config(QStringLiteral("/nonexistent-dir-for-test"));
    EXPECT_THROW(config.saveScanList({"1.2.3."}), kv::IniWriteError);
    EXPECT_THROW(config.saveSettings({}), kv::IniWriteError);
}

TEST(Prefixes, NormalisedTrimmedAndChecked) {
    auto r = PadConfig::normalisePrefixes({"10.0.0", " 192.168.1.25 ", "  172.16.5. "});
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.lines, (QStringList{"10.0.0.", "192.168.1.", "172.16.5."}));
    for (const char *bad : {"192.168", "", "300.1.1.", "192.168.1.0.", "a.b.c.", "1.2.3.4.5"}) {
        r = PadConfig::normalisePrefixes({"10.0.0", bad, "1.1.1."});
        EXPECT_FALSE(r.ok) << bad;
        EXPECT_EQ(r.badLine, 1);
        EXPECT_EQ(r.lines, QStringList{"10.0.0."});
    }
    EXPECT_EQ(PadConfig::localPrefix("192.168.1.23"), "192.168.1.");
    EXPECT_EQ(PadConfig::localPrefix(""), "");
    EXPECT_EQ(PadConfig::CountOccurrences(".", " 1.2.3 "), 2);
    EXPECT_EQ(PadConfig::PosFromEnd(".", "1.2."), 1);
    EXPECT_EQ(PadConfig::PosFromEnd(".", "12"), 0);
}

}  // namespace
