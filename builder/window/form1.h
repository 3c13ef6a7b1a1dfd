// Form1: the builder's main window. The user picks an example network and a
// way of generating events, and "Build data" runs the whole build; every
// build ends the program.
#pragma once

#include <QWidget>

#include <cstdint>
#include <functional>
#include <string>

#include "builder/build.h"
#include "builder/flow_units.h"
#include "network/netload.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace builder::window {

struct FieldTexts;

class Form1 : public QWidget {
public:
    // programFolder: the folder holding Networks/Example1 and Networks/Example2.
    Form1(std::string programFolder, network::SharedToolkit toolkit, QWidget* parent = nullptr);

    // Every message box goes through ShowMessage and every end of the program
    // through EndProgram; tests replace both. The defaults show a modal box
    // with an OK button, and end the process at once.
    std::function<void(const std::string&)> ShowMessage;
    std::function<void(int exitCode)> EndProgram;

    // Opens the chosen network; false when it failed and the program was ended.
    bool LoadNetwork();

    // Ends the program as "Quit" does (a request to terminate it).
    void Terminate() { Command3_Click(); }

    // The window's build state, under the names the builder has always used.
    std::string NetworkPath;
    network::Network Net;          // nNodes, NodeID, colNodes, QualStep ...
    float FlowTimeFactor = 0.0f;
    float FlowVolumeFactor = 0.0f;
    builder::RunParameters Parameters;  // MaxSimDuration, NoZ2, Mode ...
    std::int32_t nEvents = 0;
    bool StopRequested = false;

    // Visible controls.
    QGroupBox* Frame4 = nullptr;
    QRadioButton *optNet1 = nullptr, *optNet2 = nullptr;
    QGroupBox* Frame1 = nullptr;
    QRadioButton *Option1 = nullptr, *Option2 = nullptr, *Option3 = nullptr;
    QCheckBox* chkNoZ2 = nullptr;
    QPushButton *Command2 = nullptr, *Command4 = nullptr, *Command3 = nullptr;
    QLabel *Label12 = nullptr, *lblContact = nullptr, *lblCredit = nullptr;

    // Panels below the client area, out of the user's reach, and the
    // "Load network" button beside them.
    QGroupBox *Frame2 = nullptr, *Frame3 = nullptr;
    QPushButton* Command1 = nullptr;

    // Parameter fields; Text2 and Text3 are visible, the rest sit in the hidden panels.
    QLineEdit *Text1 = nullptr, *Text2 = nullptr, *Text3 = nullptr, *Text4 = nullptr, *Text5 = nullptr,
              *Text6 = nullptr, *Text7 = nullptr, *Text8 = nullptr, *Text9 = nullptr, *Text10 = nullptr,
              *Text11 = nullptr, *Text12 = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateControls();  // form1_layout.cpp
    void Form_Load();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();

    FieldTexts CurrentFieldTexts() const;
    int SelectedEventMode() const;
    void DisableBuildControls();  // for the rest of the run: every build ends the program
    void RunBuild();
    void EndWithMessage(const std::string& message, int exitCode);
    void SetProgressCaption(const std::string& caption);
    builder::BuildHost Host();

    std::string programFolder_;
    network::SharedToolkit toolkit_;
    bool building_ = false;
};

// The caption text with "." replaced by the decimal separator of the locale.
QString LocalCaption(const std::string& caption, const QString& decimalPoint);

}  // namespace builder::window
