// Both evaluator programs, started for real (offscreen) from a copy in a
// folder of their own, with the test driver loaded into them.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>

#include <filesystem>

#include "matrix/file_names.h"
#include "matrix_text.h"
#include "network/netload.h"
#include "support/test_support.h"

namespace fs = std::filesystem;
using matrix_testing::MatrixText;

namespace {

struct Program {
    const char* executable;
    const char* networkFile;
    std::size_t acceptedSize;
    const char* caption;
};

const Program kPrograms[] = {
    {FENTARO1_PATH, "Networks/Example1/Network_1.inp", 45011, "Network 1"},
    {FENTARO2_PATH, "Networks/Example2/Network_2.inp", 2307252, "Network 2"},
};

void PrintTo(const Program& program, std::ostream* out) { *out << program.caption; }

struct ProgramRun {
    int exitCode = -1;
    QStringList lines;
};

class Programs : public ::testing::TestWithParam<Program> {
protected:
    // Copies the program and the toolkit into the scratch folder.
    void SetUp() override {
        fs::path exe = GetParam().executable;
        fs::copy_file(exe, dir.File(exe.filename().string()));
        fs::copy_file(exe.parent_path() / "libepanet2.so", dir.File("libepanet2.so"));
    }

    ProgramRun Start() {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("LD_PRELOAD", DRIVER_SHIM_PATH);
        env.insert("FENTARO_TEST_NODE", " j2 ");
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(QString::fromStdString(dir.path()));
        process.start(QString::fromStdString(dir.File(fs::path(GetParam().executable).filename().string())), {});
        ProgramRun run;
        if (!process.waitForFinished(120000)) {
            process.kill();
            process.waitForFinished();
            ADD_FAILURE() << "the program did not end";
        }
        run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        run.lines = QString::fromUtf8(process.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        return run;
    }

    std::string NetworkPath() const { return dir.File(GetParam().networkFile); }

    testing_support::ScratchFolder dir;
};

}  // namespace

TEST_P(Programs, EndWithAMessageWhenTheNetworkIsMissing) {
    ProgramRun run = Start();
    EXPECT_NE(run.exitCode, 0);
    EXPECT_EQ(run.lines, QStringList{"MESSAGE Problem with input file - program will terminate"});
}

TEST_P(Programs, CalculateTheFitnessOfATypedNode) {
    testing_support::WriteText(NetworkPath(), matrix_testing::PaddedChainNetwork(3, GetParam().acceptedSize));
    std::vector<std::vector<std::string>> flags{{"0", "1", "0", "0"}, {"0", "0", "0", "0"}};
    std::vector<std::vector<std::string>> times{{"11520", "30", "11520", "11520"}, {"11520", "11520", "11520", "11520"}};
    matrix_testing::WriteMatrixSet(NetworkPath(), MatrixText(matrix_testing::kChainIds, times), "", MatrixText(matrix_testing::kChainIds, times),
                                      MatrixText(matrix_testing::kChainIds, flags));
    ProgramRun run = Start();
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.lines, (QStringList{QString("WINDOW ") + GetParam().caption, "RESULT Z4 = 0.5  (1/2)",
                                      "RESULT Z1 = 30.0  (SD = 0)", "RESULT Z2 = Not available",
                                      "RESULT Z3 = 30.0  (SD = 0)"}));
}

INSTANTIATE_TEST_SUITE_P(Fentaro, Programs, ::testing::ValuesIn(kPrograms),
                         [](const ::testing::TestParamInfo<Program>& info) {
                             return fs::path(info.param.executable).filename().string();
                         });
