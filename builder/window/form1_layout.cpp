// The controls of Form1, placed from their design positions in twips
// (1/1440 inch) and scaled by the screen's logical resolution.
#include <QCheckBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

#include <cmath>
#include <string>

#include "builder/window/form1.h"
#include "builder/window/window_texts.h"
#include "builder/run_parameter_table.h"

namespace builder::window {

namespace {

constexpr int kClientWidth = 6780, kClientHeight = 3885;  // twips
constexpr int kPanelTop = 4680, kPanelHeight = 3255;     // the hidden parameter panels

double ScreenDpi() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInch() : 96.0;
}

int Pixels(int twips) { return static_cast<int>(std::lround(twips * ScreenDpi() / 1440.0)); }

void Place(QWidget* control, int left, int top, int width, int height) {
    control->setGeometry(Pixels(left), Pixels(top), Pixels(width), Pixels(height));
}

QFont SansSerif(double points, bool bold) {
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

// An option or check box at least as wide as its caption needs: the design
// widths were made for a narrower face than most sans-serif fonts.
void FitCaption(QWidget* control) {
    if (control->sizeHint().width() > control->width()) control->resize(control->sizeHint().width(), control->height());
}

template <typename Control>
Control* Add(QWidget* parent, const char* name, const char* caption, int left, int top, int width, int height) {
    auto* control = new Control(QString::fromLatin1(caption), parent);
    control->setObjectName(QString::fromLatin1(name));
    Place(control, left, top, width, height);
    return control;
}

QLineEdit* AddField(QWidget* parent, const char* name, int left, int top, int width, int height) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(QString::fromLatin1(name));
    Place(field, left, top, width, height);
    return field;
}

// One labelled row of a hidden parameter panel: the run parameter's field
// TextN with its label.
QLineEdit* AddParameterRow(QGroupBox* panel, int row, Parameter parameter, int panelWidth) {
    constexpr int fieldWidth = 975, rowHeight = 480, firstTop = 360;
    const RunParameterEntry& entry = EntryOf(parameter);
    const int top = firstTop + row * rowHeight;
    Add<QLabel>(panel, "", entry.fieldLabel, 120, top + 60, panelWidth - fieldWidth - 360, 255);
    const std::string name = "Text" + std::to_string(entry.windowField);
    return AddField(panel, name.c_str(), panelWidth - fieldWidth - 120, top, fieldWidth, 375);
}

}  // namespace

void Form1::CreateControls() {
    setWindowTitle(QString::fromUtf8(texts::kWindowTitle));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFont(SansSerif(8.25, false));
    setFixedSize(Pixels(kClientWidth), Pixels(kClientHeight));

    Frame4 = Add<QGroupBox>(this, "Frame4", "Select Network", 240, 240, 3015, 1455);
    optNet1 = Add<QRadioButton>(Frame4, "optNet1", "Network_1.inp", 240, 480, 1455, 375);
    optNet2 = Add<QRadioButton>(Frame4, "optNet2", "Network_2.inp", 240, 960, 1575, 375);
    optNet1->setChecked(true);
    for (QWidget* option : {optNet1, optNet2}) FitCaption(option);

    Frame1 = Add<QGroupBox>(this, "Frame1", "Number of injection events", 3600, 240, 3015, 1815);
    Option1 = Add<QRadioButton>(Frame1, "Option1", "All nodes and all times", 240, 360, 2415, 495);
    Option2 = Add<QRadioButton>(Frame1, "Option2", EntryOf(Parameter::RepeatCount).fieldLabel, 240, 840, 2175, 495);
    Text2 = AddField(Frame1, "Text2", 2040, 840, 735, 375);
    Option3 = Add<QRadioButton>(Frame1, "Option3", EntryOf(Parameter::RandomEvents).fieldLabel, 240, 1440, 1695, 255);
    Text3 = AddField(Frame1, "Text3", 2040, 1320, 735, 375);

    chkNoZ2 = Add<QCheckBox>(this, "chkNoZ2", EntryOf(Switch::NoZ2).windowCaption, 240, 1800, 2895, 255);
    chkNoZ2->setFont(SansSerif(8.25, true));
    QPalette red = chkNoZ2->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    chkNoZ2->setPalette(red);
    FitCaption(chkNoZ2);

    Command2 = Add<QPushButton>(this, "Command2", "Build data", 240, 2160, 3015, 495);
    Command4 = Add<QPushButton>(this, "Command4", "Stop run", 3600, 2160, 1335, 495);
    Command3 = Add<QPushButton>(this, "Command3", "Quit", 5160, 2160, 1455, 495);
    for (QPushButton* button : {Command2, Command4, Command3}) button->setFont(SansSerif(12, true));

    lblCredit = Add<QLabel>(this, "lblCredit", "Tesmar sensor placement toolkit - simulations by EPANET 2", 360,
                            2880, 6255, 255);
    Label12 = Add<QLabel>(this, "Label12", "For technical issues please contact:", 360, 3360, 3975, 255);
    lblContact = Add<QLabel>(this, "lblContact", "the issue tracker (README)", 4080, 3360, 2580, 255);
    lblContact->setToolTip(QStringLiteral("The project's README names its issue tracker"));
    lblContact->raise();

    // Below the client area and disabled: the user can neither see nor change these.
    constexpr int frame3Width = 4215, frame2Width = 5295;
    Frame3 = Add<QGroupBox>(this, "Frame3", "", 5520, kPanelTop, frame3Width, kPanelHeight);
    Text4 = AddParameterRow(Frame3, 0, Parameter::InjectionDuration, frame3Width);
    Text6 = AddParameterRow(Frame3, 1, Parameter::InjectionMassFlow, frame3Width);
    Text5 = AddParameterRow(Frame3, 2, Parameter::MaxSimDuration, frame3Width);
    Text7 = AddParameterRow(Frame3, 3, Parameter::DetectionSensitivity, frame3Width);
    Text12 = AddParameterRow(Frame3, 4, Parameter::InjectionsPerEvent, frame3Width);

    Frame2 = Add<QGroupBox>(this, "Frame2", "Z2 parameters", 120, kPanelTop, frame2Width, kPanelHeight);
    Text10 = AddParameterRow(Frame2, 0, Parameter::IngestionRate, frame2Width);
    Text8 = AddParameterRow(Frame2, 1, Parameter::BodyWeight, frame2Width);
    Text9 = AddParameterRow(Frame2, 2, Parameter::D50, frame2Width);
    Text1 = AddParameterRow(Frame2, 3, Parameter::Beta, frame2Width);
    Text11 = AddParameterRow(Frame2, 4, Parameter::PerCapitaConsumption, frame2Width);

    Command1 = Add<QPushButton>(this, "Command1", "Load network", 120, 8040, 1815, 495);
    for (QWidget* hidden : {static_cast<QWidget*>(Frame2), static_cast<QWidget*>(Frame3),
                            static_cast<QWidget*>(Command1)})
        hidden->setEnabled(false);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

}  // namespace builder::window
