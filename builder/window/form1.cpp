#include "builder/window/form1.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <utility>

#include "builder/window/build_settings.h"
#include "builder/window/field_reading.h"
#include "builder/window/load_network.h"
#include "builder/window/progress_caption.h"
#include "builder/window/window_texts.h"
#include "network/example_networks.h"

namespace builder::window {

namespace {

constexpr const char* kTitle = "Zelbrin";

}  // namespace

QString LocalCaption(const std::string& caption, const QString& decimalPoint) {
    QString text = QString::fromStdString(caption);
    return text.replace(QLatin1Char('.'), decimalPoint);
}

Form1::Form1(std::string programFolder, network::SharedToolkit toolkit, QWidget* parent)
    : QWidget(parent), programFolder_(std::move(programFolder)), toolkit_(std::move(toolkit)) {
    ShowMessage = [this](const std::string& message) {
        QMessageBox box(QMessageBox::NoIcon, kTitle, QString::fromStdString(message), QMessageBox::Ok, this);
        box.exec();
    };
    // Matrix records are written whole, so ending at once keeps every file
    // consistent. Projects still simulating are not closed: their scratch
    // files have no name and go with the process.
    EndProgram = [](int exitCode) {
        std::fflush(nullptr);
        std::_Exit(exitCode);
    };
    CreateControls();
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
    connect(Command4, &QPushButton::clicked, this, [this] { Command4_Click(); });
    connect(Command1, &QPushButton::clicked, this, [this] { LoadNetwork(); });
    Form_Load();
}

void Form1::Form_Load() {
    const FieldTexts t = DefaultFieldTexts();
    for (auto [field, text] : {std::pair{Text1, &t.Text1}, {Text2, &t.Text2}, {Text3, &t.Text3},
                               {Text4, &t.Text4}, {Text5, &t.Text5}, {Text6, &t.Text6}, {Text7, &t.Text7},
                               {Text8, &t.Text8}, {Text9, &t.Text9}, {Text10, &t.Text10},
                               {Text11, &t.Text11}, {Text12, &t.Text12}})
        field->setText(QString::fromStdString(*text));
    Option2->setChecked(true);
}

FieldTexts Form1::CurrentFieldTexts() const {
    auto s = [](const QLineEdit* field) { return field->text().toStdString(); };
    return {s(Text1), s(Text2), s(Text3), s(Text4), s(Text5),  s(Text6),
            s(Text7), s(Text8), s(Text9), s(Text10), s(Text11), s(Text12)};
}

int Form1::SelectedEventMode() const {
    if (Option1->isChecked()) return 0;
    if (Option2->isChecked()) return 1;
    if (Option3->isChecked()) return 2;
    return -1;
}

bool Form1::LoadNetwork() {
    const int number = optNet1->isChecked() ? 1 : 2;
    NetworkPath = network::ExampleNetworkPath(programFolder_, network::Example(number));
    NetworkLoad load = OpenExampleNetwork(programFolder_, number, toolkit_);
    if (!load.Loaded) {
        EndWithMessage(load.Message, 1);
        return false;
    }
    Net = std::move(load.Net);
    FlowTimeFactor = load.Flow.FlowTimeFactor;
    FlowVolumeFactor = load.Flow.FlowVolumeFactor;
    return true;
}

void Form1::Command2_Click() {
    if (building_) return;
    // A field the builder cannot take is reported before anything is loaded,
    // so the user can correct it and press "Build data" again.
    FieldValues values;
    try {
        values = ReadFields(CurrentFieldTexts());
    } catch (const FieldError& e) {
        ShowMessage(e.what());
        return;
    }
    building_ = true;
    DisableBuildControls();
    if (chkNoZ2->isChecked()) Parameters.NoZ2 = true;
    if (!LoadNetwork()) return;
    ApplyFields(values, Parameters);
    const int mode = SelectedEventMode();
    try {
        nEvents = ExpectedEventCount(static_cast<EventMode>(mode), Net.nNodes, Net.QualStep, Parameters);
    } catch (const FieldError& e) {
        EndWithMessage(e.what() + std::string(" - program will terminate"), 1);
        return;
    }
    Parameters.Mode = static_cast<EventMode>(mode);
    RunBuild();
}

BuildHost Form1::Host() {
    BuildHost host;
    host.started = [this](const BuildStart& start) { nEvents = start.events; };
    host.progress = [this](const BuildProgress& progress) { SetProgressCaption(ProgressCaption(progress)); };
    host.processEvents = [] { QCoreApplication::processEvents(); };
    host.stopRequested = [this] { return StopRequested; };
    return host;
}

void Form1::RunBuild() {
    StopRequested = false;
    BuildDescription description;
    description.parameters = Parameters;
    description.seed = ClockSeed();
    description.program = std::string(kTitle) + " " + TESMAR_VERSION;
    const BuildOutcome outcome = builder::RunBuild(Net, description, Host());
    switch (outcome.status) {
        case BuildStatus::Completed: EndWithMessage(texts::kRunEnded, 0); return;
        case BuildStatus::Stopped: EndWithMessage(texts::kRunStopped, 0); return;
        case BuildStatus::Failed:
        case BuildStatus::Refused: EndWithMessage(outcome.reason + " - program will terminate", 1); return;
    }
}

void Form1::SetProgressCaption(const std::string& caption) {
    setWindowTitle(LocalCaption(caption, QLocale().decimalPoint()));
}

void Form1::Command3_Click() { EndProgram(0); }

void Form1::Command4_Click() { StopRequested = true; }

void Form1::DisableBuildControls() {
    for (QWidget* control : {static_cast<QWidget*>(Command2), static_cast<QWidget*>(optNet1),
                             static_cast<QWidget*>(optNet2), static_cast<QWidget*>(Option1),
                             static_cast<QWidget*>(Option2), static_cast<QWidget*>(Option3)})
        control->setEnabled(false);
}

void Form1::EndWithMessage(const std::string& message, int exitCode) {
    ShowMessage(message);
    EndProgram(exitCode);
}

void Form1::closeEvent(QCloseEvent* event) {
    // Closing the window during a build ends the program like "Quit".
    if (building_) EndProgram(0);
    event->accept();
}

}  // namespace builder::window
