// The builder window driven headless: start-up state, "Build data" from the
// fields to the matrix files, and every way a build or the program ends.
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <filesystem>
#include <regex>

#include "builder/builder_fixture.h"
#include "builder/run_parameters.h"
#include "window_fixture.h"

namespace {

using builder_testing::Fields;
using builder_testing::Lines;
using window_testing::WindowTest;

const std::string kRunEnded = "Run ended - program will terminate";
const std::string kBadInput = "Problem with input file - program will terminate";

// Every line of a matrix file is a whole record of 9 + nNodes fields.
void ExpectWholeRecords(const std::vector<std::string>& lines, std::size_t count, std::int32_t nNodes = 4) {
    ASSERT_EQ(lines.size(), count);
    for (const auto& line : lines) EXPECT_EQ(Fields(line).size(), 9u + static_cast<std::size_t>(nNodes)) << line;
}

TEST_F(WindowTest, StartsWithDefaultTextsAndSelections) {
    const std::vector<std::pair<QLineEdit*, const char*>> fields = {
        {form_->Text2, "2"},  {form_->Text3, "3000"},   {form_->Text4, "2"},
        {form_->Text6, "479166.666666667"}, {form_->Text5, "96"}, {form_->Text7, "0"},
        {form_->Text12, "1"}, {form_->Text10, "2"},      {form_->Text8, "70"},
        {form_->Text9, "41"}, {form_->Text1, "0.34"},    {form_->Text11, "300"}};
    for (const auto& [field, text] : fields) EXPECT_EQ(field->text().toStdString(), text);
    EXPECT_TRUE(form_->Option2->isChecked());
    EXPECT_TRUE(form_->optNet1->isChecked());
    EXPECT_FALSE(form_->chkNoZ2->isChecked());
    EXPECT_EQ(form_->windowTitle().toStdString(), "Tesmar - Bulid injection data");
    EXPECT_EQ(form_->minimumSize(), form_->maximumSize());
    // The parameter panels and "Load network" lie below the client area, out of reach.
    for (QWidget* hidden : {static_cast<QWidget*>(form_->Frame2), static_cast<QWidget*>(form_->Frame3),
                            static_cast<QWidget*>(form_->Command1)}) {
        EXPECT_GE(hidden->y(), form_->height());
        EXPECT_FALSE(hidden->isEnabled());
    }
}

TEST_F(WindowTest, BuildDataSetsModeAndCountThenStopsBetweenEvents) {
    WriteNetwork1(testing_support::ChainNetwork(91, 0.1));  // 92 nodes with the reservoir
    ClickLater(form_->Command4);                       // seen while event 1 runs
    form_->Command2->click();

    EXPECT_EQ(form_->Net.nNodes, 92);
    EXPECT_EQ(form_->Parameters.Mode, builder::EventMode::AllNodesRepeated);
    EXPECT_EQ(form_->Parameters.RepeatCount, 2);
    EXPECT_EQ(form_->nEvents, 184);
    EXPECT_EQ(form_->Parameters.InjectionMassFlow, 479167);
    EXPECT_EQ(form_->NetworkPath, networkPath_);
    EXPECT_EQ(form_->FlowTimeFactor, 60.0f);  // GPM
    EXPECT_EQ(messages_, std::vector<std::string>{"Run is stoped"});
    EXPECT_EQ(exitCodes_, std::vector<int>{0});
    // Events already running when the stop was seen are finished and written
    // in order; every file holds the header and the same whole records.
    const std::size_t written = Lines(MatrixFile(4)).size() - 1;
    EXPECT_LT(written, 184u);
    for (int k = 1; k <= 4; ++k) ExpectWholeRecords(Lines(MatrixFile(k)), written + 1, 92);
    EXPECT_TRUE(std::regex_match(form_->windowTitle().toStdString(),
                                 std::regex(R"(\d+/184 - \d+([.,]\d+)? minutes remaining)")))
        << form_->windowTitle().toStdString();
}

TEST_F(WindowTest, StopBeforeBuildDataHasNoEffectAndTheBuildRunsToItsEnd) {
    WriteTinyNetwork1();
    form_->Text2->setText("1");
    form_->Command4->click();
    bool controlsLockedAtEnd = false;
    form_->ShowMessage = [&](const std::string& message) {
        messages_.push_back(message);
        controlsLockedAtEnd = !form_->Command2->isEnabled() && !form_->Option1->isEnabled() &&
                              !form_->optNet2->isEnabled();
    };
    form_->Command2->click();

    EXPECT_EQ(messages_, std::vector<std::string>{kRunEnded});
    EXPECT_EQ(exitCodes_, std::vector<int>{0});
    EXPECT_TRUE(controlsLockedAtEnd);
    EXPECT_EQ(form_->Parameters.MaxSimDuration, 2);
    for (int k = 1; k <= 4; ++k) ExpectWholeRecords(Lines(MatrixFile(k)), 5);  // header and 4 events
}

TEST_F(WindowTest, RandomEventsWithoutNumberAndNoZ2BuildsHeadersOnly) {
    WriteTinyNetwork1();
    form_->Option3->setChecked(true);
    form_->Text3->setText("abc");
    form_->chkNoZ2->setChecked(true);
    form_->Command2->click();

    EXPECT_EQ(form_->Parameters.Mode, builder::EventMode::RandomEvents);
    EXPECT_EQ(form_->nEvents, 0);
    EXPECT_TRUE(form_->Parameters.NoZ2);
    EXPECT_EQ(messages_, std::vector<std::string>{kRunEnded});
    EXPECT_FALSE(std::filesystem::exists(MatrixFile(2)));
    for (int k : {1, 3, 4}) ExpectWholeRecords(Lines(MatrixFile(k)), 1);
}

TEST_F(WindowTest, RandomEventsFieldIsReadByItsLeadingNumber) {
    WriteTinyNetwork1();
    form_->Option3->setChecked(true);
    form_->Text3->setText(" 12.5 events");
    ClickLater(form_->Command4);
    form_->Command2->click();

    EXPECT_EQ(form_->Parameters.Mode, builder::EventMode::RandomEvents);
    EXPECT_EQ(form_->nEvents, 12);
    EXPECT_EQ(messages_, std::vector<std::string>{"Run is stoped"});
}

struct BadNetworkFile {
    bool network1;
    std::int64_t size;  // -1: no file
};

class WrongNetworkFile : public WindowTest, public ::testing::WithParamInterface<BadNetworkFile> {};

TEST_P(WrongNetworkFile, ShowsTheMessageAndTouchesNoMatrixFile) {
    const BadNetworkFile bad = GetParam();
    const std::string folder = folder_.path() + "/Networks/Example" + (bad.network1 ? "1" : "2");
    const std::string path = folder + (bad.network1 ? "/Network_1.inp" : "/Network_2.inp");
    if (bad.size >= 0)
        testing_support::WriteText(path, window_testing::Padded(testing_support::ChainNetwork(3), bad.size));
    testing_support::WriteText(path + ".z1", "an old matrix\r\n");
    form_->optNet2->setChecked(!bad.network1);
    form_->Command2->click();

    EXPECT_EQ(messages_, std::vector<std::string>{kBadInput});
    ASSERT_EQ(exitCodes_.size(), 1u);
    EXPECT_EQ(form_->Net.nNodes, 0);  // never opened
    EXPECT_EQ(testing_support::ReadText(path + ".z1"), "an old matrix\r\n");
    for (int k = 2; k <= 4; ++k) EXPECT_FALSE(std::filesystem::exists(path + ".z" + std::to_string(k)));
}

std::string FileName(const ::testing::TestParamInfo<BadNetworkFile>& info) {
    const std::string network = info.param.network1 ? "Network1" : "Network2";
    return network + (info.param.size < 0 ? "Missing" : "Of" + std::to_string(info.param.size) + "Bytes");
}

INSTANTIATE_TEST_SUITE_P(Sizes, WrongNetworkFile,
                         ::testing::Values(BadNetworkFile{true, 45062}, BadNetworkFile{true, 45064},
                                           BadNetworkFile{true, -1}, BadNetworkFile{false, 45063},
                                           BadNetworkFile{false, -1}),
                         FileName);

TEST_F(WindowTest, ToolkitOpenFailureIsReportedBeforeTheEnd) {
    WriteNetwork1("[JUNCTIONS]\nJ1 0 1\n\n[PIPES]\nP1 J1 NOWHERE 100 12 100 0 Open\n\n[END]\n");
    form_->Command2->click();

    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_NE(messages_[0].find("EN_open (code "), std::string::npos) << messages_[0];
    EXPECT_NE(messages_[0].find("program will terminate"), std::string::npos) << messages_[0];
    EXPECT_EQ(exitCodes_.size(), 1u);
    EXPECT_NE(exitCodes_.at(0), 0);
    EXPECT_FALSE(AnyMatrixFileExists());
}

TEST_F(WindowTest, FieldBeyondRangeIsRefusedAndCanBeCorrected) {
    WriteTinyNetwork1();
    form_->Text2->setText("3000000000");
    form_->Command2->click();

    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_NE(messages_[0].find("All nodes X times"), std::string::npos) << messages_[0];
    EXPECT_TRUE(exitCodes_.empty());
    EXPECT_TRUE(form_->Command2->isEnabled());
    EXPECT_EQ(form_->Net.nNodes, 0);
    EXPECT_FALSE(AnyMatrixFileExists());

    form_->Text2->setText("1");
    form_->Command2->click();
    EXPECT_EQ(messages_.back(), kRunEnded);
    EXPECT_EQ(form_->nEvents, 4);
    ExpectWholeRecords(Lines(MatrixFile(4)), 5);
}

TEST_F(WindowTest, EventCountBeyondThirtyTwoBitsEndsBeforeAnyMatrixFile) {
    WriteTinyNetwork1();
    form_->Text2->setText("1000000000");  // 4 nodes x 10^9 events
    form_->Command2->click();

    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_NE(messages_[0].find("expected number of events"), std::string::npos) << messages_[0];
    EXPECT_EQ(exitCodes_.size(), 1u);
    EXPECT_FALSE(AnyMatrixFileExists());
}

TEST_F(WindowTest, QuitDuringABuildEndsWithWholeRecords) {
    WriteTinyNetwork1();
    std::vector<std::string> z4AtQuit;
    form_->EndProgram = [&](int code) {
        exitCodes_.push_back(code);
        if (z4AtQuit.empty()) z4AtQuit = Lines(MatrixFile(4));
        form_->StopRequested = true;  // this process goes on: let the build end soon
    };
    ClickLater(form_->Command3);
    form_->Command2->click();

    ASSERT_FALSE(exitCodes_.empty());
    EXPECT_EQ(exitCodes_[0], 0);
    ASSERT_FALSE(z4AtQuit.empty());
    ExpectWholeRecords(z4AtQuit, z4AtQuit.size());
}

}  // namespace
