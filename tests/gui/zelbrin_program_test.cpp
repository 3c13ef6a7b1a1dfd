// The Zelbrin program started for real (offscreen): SIGTERM during a build
// ends it as "Quit" does, with whole records kept and no scratch file left.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>

#include <csignal>
#include <filesystem>

#include "support/test_support.h"

namespace fs = std::filesystem;

TEST(ZelbrinProgram, TerminateDuringABuildEndsLikeQuit) {
    testing_support::ScratchFolder dir, temporary;
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
    env.insert("TMPDIR", QString::fromStdString(temporary.path()));
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(QString::fromStdString(dir.path()));
    process.start(QString::fromStdString(dir.File("Zelbrin")), {});
    ASSERT_TRUE(process.waitForStarted(10000));
    bool building = false;
    while (!building && process.waitForReadyRead(60000)) {
        while (process.canReadLine()) {
            const QString line = QString::fromUtf8(process.readLine()).trimmed();
            building = building || line == "BUILDING";
        }
    }
    ASSERT_TRUE(building) << "the build never showed progress";
    ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0);
    for (const auto& entry : fs::recursive_directory_iterator(temporary.path()))
        EXPECT_FALSE(entry.is_regular_file()) << "a scratch file left: " << entry.path();
    for (const auto& entry : fs::directory_iterator(dir.path()))
        EXPECT_NE(entry.path().filename().string().rfind("en", 0), 0u) << "a scratch file left: " << entry.path();
    const std::string z4 = testing_support::ReadText(network + ".z4");
    ASSERT_FALSE(z4.empty());
    EXPECT_EQ(z4.substr(z4.size() - 2), "\r\n");
}
