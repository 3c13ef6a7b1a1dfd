// The Zelbrin program started for real (offscreen): SIGTERM during a build
// ends it as "Quit" does, its scratch files removed and whole records kept.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>

#include <csignal>
#include <filesystem>

#include "support/test_support.h"

namespace fs = std::filesystem;

TEST(ZelbrinProgram, TerminateDuringABuildEndsLikeQuit) {
    testing_support::ScratchFolder dir;
    const fs::path exe = ZELBRIN_PATH;
    fs::copy_file(exe, dir.File("Zelbrin"));
    fs::copy_file(exe.parent_path() / "libepanet2.so", dir.File("libepanet2.so"));
    fs::create_directories(dir.File("Networks/Example1"));
    const std::string network = dir.File("Networks/Example1/Network_1.inp");
    fs::copy_file(testing_support::ExampleNetwork(1), network);

    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("LD_PRELOAD", ZELBRIN_SHIM_PATH);
    process.setProcessEnvironment(env);
    process.start(QString::fromStdString(dir.File("Zelbrin")), {});
    ASSERT_TRUE(process.waitForStarted(10000));
    QString workspace;
    bool building = false;
    while (!building && process.waitForReadyRead(60000)) {
        while (process.canReadLine()) {
            const QString line = QString::fromUtf8(process.readLine()).trimmed();
            if (line.startsWith("WORKSPACE ")) workspace = line.mid(10);
            building = building || line == "BUILDING";
        }
    }
    ASSERT_TRUE(building) << "the build never showed progress";
    ASSERT_FALSE(workspace.isEmpty());
    EXPECT_TRUE(fs::exists(workspace.toStdString()));
    ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0);
    EXPECT_FALSE(fs::exists(workspace.toStdString())) << "scratch files left in " << workspace.toStdString();
    const std::string z4 = testing_support::ReadText(network + ".z4");
    ASSERT_FALSE(z4.empty());
    EXPECT_EQ(z4.substr(z4.size() - 2), "\r\n");
}
