// The evaluator window, driven offscreen through its controls. Each test
// makes a window of its own.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QTest>

#include "evaluator/window/frm_main.h"
#include "matrix/file_names.h"
#include "matrix_text.h"
#include "network/program_folder.h"
#include "support/test_support.h"

using matrix_testing::MatrixText;
using fentaro::frmMain;
using fentaro::MessageIcon;

namespace {

struct Shown {
    QString text;
    MessageIcon icon;
};

class Window : public ::testing::Test {
protected:
    Window() {
        testing_support::WriteText(networkPath, testing_support::ChainNetwork(3));
        edition.acceptedSizes = {network::FileSize(networkPath)};
    }

    // Four events over J1, J2, J3, R1: J2 detects events 1 and 3 at 10 and
    // 20 minutes.
    void WriteMatrices() {
        std::vector<std::vector<std::string>> flags(4, {"0", "0", "0", "0"});
        std::vector<std::vector<std::string>> times(4, {"11520", "11520", "11520", "11520"});
        flags[0][1] = flags[2][1] = "1";
        times[0][1] = "10";
        times[2][1] = "20";
        matrix_testing::WriteMatrixSet(networkPath, MatrixText(matrix_testing::kChainIds, times), MatrixText(matrix_testing::kChainIds, times), MatrixText(matrix_testing::kChainIds, times),
                                          MatrixText(matrix_testing::kChainIds, flags));
    }

    std::unique_ptr<frmMain> Start(bool expectReady = true) {
        auto window = std::make_unique<frmMain>(edition, folder.path(), network::LoadToolkit());
        window->SetMessageSink([this](const QString& text, MessageIcon icon) { messages.push_back({text, icon}); });
        EXPECT_EQ(window->Form_Load(), expectReady);
        return window;
    }

    template <typename T>
    static T& Control(frmMain& window, const char* name) {
        T* control = window.findChild<T*>(QString::fromLatin1(name));
        if (control == nullptr) throw std::runtime_error(std::string("no control ") + name);
        return *control;
    }

    static void Type(frmMain& window, const QString& text) {
        auto& box = Control<QLineEdit>(window, "Text1");
        box.clear();
        QTest::keyClicks(&box, text);
        QTest::keyClick(&box, Qt::Key_Return);
    }

    static QStringList Listed(frmMain& window) {
        auto& list = Control<QListWidget>(window, "lstSelectedNodes");
        QStringList items;
        for (int i = 0; i < list.count(); ++i) items << list.item(i)->text();
        return items;
    }

    int argc = 1;
    char name[14] = "frm_main_test";
    char* argv[2] = {name, nullptr};
    QApplication app{argc, argv};
    testing_support::ScratchFolder folder;
    std::string networkPath = folder.File("Networks/Example1/Network_1.inp");
    fentaro::EvaluatorEdition edition{"Networks/Example1/Network_1.inp", {}, "Network 1"};
    std::vector<Shown> messages;
};

}  // namespace

TEST_F(Window, StartsReadyWithTheResultsHidden) {
    WriteMatrices();
    auto window = Start();
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(window->windowTitle(), "Temsar - Calculate fitness");
    EXPECT_EQ(window->nEvents(), 4);
    EXPECT_EQ(window->NetworkPath(), networkPath);
    EXPECT_TRUE(Control<QPushButton>(*window, "cmdAdd").isEnabled());
    EXPECT_TRUE(Control<QPushButton>(*window, "cmdRemove").isEnabled());
    const QLabel& caption = Control<QLabel>(*window, "Label2");
    EXPECT_EQ(caption.text(), "Network 1");
    // The whole caption fits the label at the window's font.
    EXPECT_GE(caption.contentsRect().width(), caption.fontMetrics().horizontalAdvance(caption.text()));
    EXPECT_EQ(Control<QPushButton>(*window, "Command2").text(), "Calculate fitness");
    for (const char* name : {"lblZ1", "lblZ2", "lblZ3", "lblZ4"}) EXPECT_FALSE(Control<QLabel>(*window, name).isVisible());
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    const double scale = window->logicalDpiX() / 96.0 / 15.0;
    EXPECT_NEAR(window->width(), 6915 * scale, 1.0);
    EXPECT_NEAR(Control<QListWidget>(*window, "lstSelectedNodes").x(), 4560 * scale, 1.0);
}

TEST_F(Window, RefusesANetworkFileOfAnotherSize) {
    edition.acceptedSizes = {45011};
    Start(false);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Problem with input file - program will terminate");
    EXPECT_EQ(messages[0].icon, MessageIcon::None);
}

TEST_F(Window, AddsTypedNodesByTheSelectionRules) {
    auto window = Start();
    Type(*window, "  J2  ");
    Type(*window, "J2");
    Type(*window, "j2");
    Type(*window, "X9");
    Type(*window, "   ");
    Control<QLineEdit>(*window, "Text1").setText("R1");
    QTest::mouseClick(&Control<QPushButton>(*window, "cmdAdd"), Qt::LeftButton);
    EXPECT_EQ(Listed(*window), (QStringList{"J2", "j2", "R1"}));
    EXPECT_EQ(Control<QLineEdit>(*window, "Text1").text(), "R1");
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].text, "The node is already selected");
    EXPECT_EQ(messages[0].icon, MessageIcon::None);
    EXPECT_EQ(messages[1].text, "No such node");
    EXPECT_EQ(messages[1].icon, MessageIcon::Exclamation);
}

TEST_F(Window, RemovesTheSelectedEntry) {
    auto window = Start();
    Type(*window, "J1");
    Type(*window, "J2");
    auto& list = Control<QListWidget>(*window, "lstSelectedNodes");
    auto& remove = Control<QPushButton>(*window, "cmdRemove");
    QTest::mouseClick(&remove, Qt::LeftButton);  // nothing selected: nothing happens
    EXPECT_EQ(Listed(*window), (QStringList{"J1", "J2"}));

    list.item(0)->setSelected(true);
    QTest::mouseClick(&remove, Qt::LeftButton);
    EXPECT_EQ(Listed(*window), QStringList{"J2"});
    EXPECT_TRUE(remove.isEnabled());

    QRect entry = list.visualItemRect(list.item(0));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, entry.center());
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, entry.center());
    EXPECT_TRUE(Listed(*window).isEmpty());
    EXPECT_FALSE(remove.isEnabled());
}

TEST_F(Window, ShowsTheResultLinesInTheLocaleOfTheUser) {
    WriteMatrices();
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    auto window = Start();
    QTest::mouseClick(&Control<QPushButton>(*window, "Command2"), Qt::LeftButton);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "No nodes selected");
    EXPECT_FALSE(Control<QLabel>(*window, "lblZ4").isVisible());

    Type(*window, "J2");
    QTest::mouseClick(&Control<QPushButton>(*window, "Command2"), Qt::LeftButton);
    EXPECT_EQ(Control<QLabel>(*window, "lblZ4").text(), "Z4 = 0,5  (2/4)");
    EXPECT_EQ(Control<QLabel>(*window, "lblZ1").text(), "Z1 = 15,0  (SD = 5)");
    EXPECT_EQ(Control<QLabel>(*window, "lblZ2").text(), "Z2 = 15,0  (SD = 5)");
    for (const char* name : {"lblZ1", "lblZ2", "lblZ3", "lblZ4"}) EXPECT_TRUE(Control<QLabel>(*window, name).isVisible());
}

TEST_F(Window, ShowsNotAvailableWithoutMatrices) {
    auto window = Start();
    Type(*window, "J1");
    QTest::mouseClick(&Control<QPushButton>(*window, "Command2"), Qt::LeftButton);
    EXPECT_EQ(Control<QLabel>(*window, "lblZ4").text(), "Z4 = Not available");
    EXPECT_EQ(Control<QLabel>(*window, "lblZ3").text(), "Z3 = Not available");
}

TEST_F(Window, TellsOfAMalformedMatrixFileAndKeepsTheWholeEvents) {
    WriteMatrices();
    std::string z2 = MatrixText(matrix_testing::kChainIds, {{"1", "2", "3", "4"}, {"1", "2", "oops", "4"}});
    testing_support::WriteText(matrix::MatrixFileName(networkPath, 2), z2);
    auto window = Start();
    EXPECT_EQ(window->nEvents(), 1);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.contains(QString::fromStdString(networkPath + ".z2, line 3")));
    EXPECT_EQ(messages[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(window->windowTitle(), "Temsar - Calculate fitness");
}
