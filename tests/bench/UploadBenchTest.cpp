// upload_bench while another slidehost of the same user and display runs:
// its own host must still run every round, and the report must say so.
#include <gtest/gtest.h>

#include <QFile>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <chrono>
#include <string>
#include <sys/wait.h>
#include <thread>

#include "tests/support/Ports.h"
#include "tests/support/XvfbSession.h"

TEST(UploadBench, RunsBesideAnotherHostOfTheSameDesktop) {
    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("slidehost"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(SLIDEHOST_PATH), program));
    const int port = kvtest::freePortBlock();
    ASSERT_NE(port, 0);
    {
        QFile ini(dir.filePath(QStringLiteral("show.ini")));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[server]\r\nRunTimes=2\r\nAutoStart=true\r\nAutoCheckNew=0\r\nServerPort=" +
                  QByteArray::number(port) + "\r\n");
    }
    // Both share this runtime folder and display name, as on one desktop.
    const std::string shared = "XDG_RUNTIME_DIR=" + dir.path().toStdString();
    const std::string display = "DISPLAY=:kv-bench-" + std::to_string(port);
    kvtest::ChildProcess other;
    ASSERT_TRUE(other.start({program.toStdString()},
                            {"QT_QPA_PLATFORM=offscreen", display, shared, "HOME=" + dir.path().toStdString()},
                            dir.path().toStdString()));
    bool up = false;
    for (int i = 0; i < 100 && !up && other.running(); ++i) {
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port));
        up = probe.waitForConnected(100);
        if (!up) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ASSERT_TRUE(up) << "the other host did not start";

    kvtest::ChildProcess bench;
    ASSERT_TRUE(bench.start({UPLOAD_BENCH_PATH, "1", "1"}, {display, shared}, {}, true));
    std::string all, line;
    while (bench.readLine(line, 60000)) all += line + "\n";
    const int status = bench.stop();
    other.stop();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << all;
    EXPECT_NE(all.find("slidepad code -> slidehost process"), std::string::npos) << all;
    EXPECT_NE(all.find("per round"), std::string::npos) << all;
}
