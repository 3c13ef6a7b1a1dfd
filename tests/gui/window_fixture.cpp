#include "window_fixture.h"

#include <QApplication>
#include <QLineEdit>
#include <QMetaObject>
#include <QPushButton>

#include <filesystem>

namespace window_testing {

namespace {

void EnsureApplication() {
    static int argc = 1;
    static char name[] = "gui_tests";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
}

}  // namespace

std::string Padded(const std::string& inpText, std::int64_t size) {
    auto missing = size - static_cast<std::int64_t>(inpText.size());
    std::string padding;
    if (missing == 1) padding = "\n";
    while (missing >= 2) {
        // A comment line of at least ";\n", never leaving a single byte over.
        std::int64_t line = std::min<std::int64_t>(missing, 100);
        if (missing - line == 1) --line;
        padding.push_back(';');
        padding.append(static_cast<std::size_t>(line - 2), '-');
        padding.push_back('\n');
        missing -= line;
    }
    return padding + inpText;
}

void WindowTest::SetUp() {
    EnsureApplication();
    form_ = std::make_unique<builder::window::Form1>(folder_.path(), network::LoadToolkit());
    form_->ShowMessage = [this](const std::string& message) { messages_.push_back(message); };
    form_->EndProgram = [this](int code) { exitCodes_.push_back(code); };
    networkPath_ = folder_.path() + "/Networks/Example1/Network_1.inp";
}

std::string WindowTest::WriteNetwork1(const std::string& inpText, std::int64_t size) {
    testing_support::WriteText(networkPath_, Padded(inpText, size));
    return networkPath_;
}

std::string WindowTest::WriteTinyNetwork1() {
    form_->Text5->setText("2");  // hours simulated per event
    return WriteNetwork1(testing_support::ChainNetwork(3));
}

std::string WindowTest::MatrixFile(int k) const { return networkPath_ + ".z" + std::to_string(k); }

bool WindowTest::AnyMatrixFileExists() const {
    for (int k = 1; k <= 4; ++k)
        if (std::filesystem::exists(MatrixFile(k))) return true;
    return false;
}

void WindowTest::ClickLater(QWidget* button) {
    QMetaObject::invokeMethod(button, "click", Qt::QueuedConnection);
}

}  // namespace window_testing
