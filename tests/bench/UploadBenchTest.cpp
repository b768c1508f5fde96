// upload_bench while another slidehost of the same user and display runs:
// its own host must still run every round, and the report must say so.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <sys/wait.h>

#include "tests/support/HostProgram.h"
#include "tests/support/Ports.h"

TEST(UploadBench, RunsBesideAnotherHostOfTheSameDesktop) {
    QTemporaryDir dir;
    const int port = kvtest::freePortBlock();
    ASSERT_NE(port, 0);
    // Both share this runtime folder and display name, as on one desktop.
    const std::string shared = "XDG_RUNTIME_DIR=" + dir.path().toStdString();
    const std::string display = "DISPLAY=:kv-bench-" + std::to_string(port);
    kvtest::ChildProcess other;
    ASSERT_TRUE(kvtest::startHostCopy(other, dir.path(), port, {}, {"QT_QPA_PLATFORM=offscreen", display, shared}));

    kvtest::ChildProcess bench;
    ASSERT_TRUE(bench.start({UPLOAD_BENCH_PATH, "1", "1"}, {display, shared}, {}, true));
    std::string all, line;
    while (bench.readLine(line, 60000)) all += line + "\n";
    const int status = bench.stop();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << all;
    EXPECT_NE(all.find("per round"), std::string::npos) << all;
}
