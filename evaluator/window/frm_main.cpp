#include "evaluator/window/frm_main.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLocale>
#include <QMessageBox>
#include <QScreen>

#include <exception>
#include <span>

#include "evaluator/node_selection.h"
#include "evaluator/result_text.h"
#include "evaluator/window/window_texts.h"
#include "matrix/matrix_store.h"
#include "network/example_networks.h"
#include "network/solving_copy.h"

namespace fentaro {

namespace {

const QString kTitle = QString::fromUtf8(texts::kWindowTitle);
const QString kInputProblem = QStringLiteral("Problem with input file - program will terminate");

// Window positions are laid out in twips: 15 to a pixel at 96 DPI.
int Pixels(int twips, double dpi) { return static_cast<int>(twips * dpi / (96.0 * 15.0) + 0.5); }

void Colour(QWidget& widget, const QColor& colour) {
    QPalette palette = widget.palette();
    palette.setColor(QPalette::WindowText, colour);
    widget.setPalette(palette);
}

void Bold(QWidget& widget, int pointSize = 0) {
    QFont font = widget.font();
    font.setBold(true);
    if (pointSize > 0) font.setPointSize(pointSize);
    widget.setFont(font);
}

}  // namespace

frmMain::frmMain(EvaluatorEdition edition, std::string programFolder, network::SharedToolkit toolkit)
    : edition_(std::move(edition)), programFolder_(std::move(programFolder)), toolkit_(std::move(toolkit)) {
    showMessage_ = [this](const QString& text, MessageIcon icon) { ShowMessageBox(text, icon); };
    setWindowTitle(kTitle);
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
    LayOutControls();
    ConnectActions();
}

void frmMain::LayOutControls() {
    const double dpi = logicalDpiX();
    auto place = [dpi](QWidget& widget, const char* name, int left, int top, int width, int height) {
        widget.setObjectName(QString::fromLatin1(name));
        widget.setGeometry(Pixels(left, dpi), Pixels(top, dpi), Pixels(width, dpi), Pixels(height, dpi));
    };
    setFixedSize(Pixels(6915, dpi), Pixels(6255, dpi));

    place(Label2, "Label2", 360, 240, 1785, 435);
    Label2.setText(QString::fromStdString(edition_.networkCaption));
    Colour(Label2, Qt::blue);
    Bold(Label2, 18);
    // The design width was made for a narrower face than most sans-serif fonts.
    if (Label2.sizeHint().width() > Label2.width()) Label2.resize(Label2.sizeHint().width(), Label2.height());
    place(lstSelectedNodes, "lstSelectedNodes", 4560, 480, 2055, 4545);
    lstSelectedNodes.setSelectionMode(QAbstractItemView::SingleSelection);
    place(cmdAdd, "cmdAdd", 3120, 960, 1335, 495);
    cmdAdd.setText(QStringLiteral("Add >>"));
    place(Label1, "Label1", 120, 1080, 2805, 240);
    Label1.setText(QStringLiteral("Insert node and press ADD"));
    Label1.setAlignment(Qt::AlignCenter);
    Colour(Label1, Qt::red);
    place(Text1, "Text1", 360, 1440, 2175, 375);
    place(cmdRemove, "cmdRemove", 3120, 1800, 1335, 495);
    cmdRemove.setText(QStringLiteral("<< Remove"));
    place(Command2, "Command2", 360, 2640, 1935, 495);
    Command2.setText(QStringLiteral("Calculate fitness"));

    QLabel* results[] = {&lblZ1, &lblZ2, &lblZ3, &lblZ4};
    const char* names[] = {"lblZ1", "lblZ2", "lblZ3", "lblZ4"};
    for (int k = 0; k < 4; ++k) {
        place(*results[k], names[k], 360, 3360 + 480 * k, 4095, 375);
        Colour(*results[k], QColor(0, 0, 128));
        Bold(*results[k]);
        results[k]->setVisible(false);
    }
    place(Label3, "Label3", 360, 5280, 6195, 255);
    Label3.setText(QString::fromUtf8(texts::kProjectLine));
    place(Label4, "Label4", 360, 5640, 6195, 255);
    Label4.setText(QString::fromUtf8(texts::kSupportLine));
    // Below the client area: never seen by the user.
    place(Command1, "Command1", 240, 6720, 1335, 495);
    Command1.setText(QStringLiteral("Load network"));
    place(Label5, "Label5", 1920, 6840, 2055, 255);
}

void frmMain::ConnectActions() {
    connect(&cmdAdd, &QPushButton::clicked, this, [this] { cmdAdd_Click(); });
    connect(&Text1, &QLineEdit::returnPressed, this, [this] {
        if (cmdAdd.isEnabled()) cmdAdd_Click();
    });
    connect(&cmdRemove, &QPushButton::clicked, this, [this] { cmdRemove_Click(); });
    connect(&lstSelectedNodes, &QListWidget::itemDoubleClicked, this, [this] { lstSelectedNodes_DblClick(); });
    connect(&Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
}

void frmMain::CentreOnScreen() {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return;
    QRect area = screen->availableGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
}

bool frmMain::Form_Load() {
    cmdAdd.setEnabled(false);
    cmdRemove.setEnabled(false);
    Label5.clear();
    Text1.clear();
    if (!Command1_Click()) return false;
    CentreOnScreen();
    show();
    LoadMatrices();
    return !closedWhileLoading_;
}

bool frmMain::Command1_Click() {
    NetworkPath_ = programFolder_ + "/" + edition_.networkFile;
    if (!network::AcceptedExampleFile(NetworkPath_, edition_.acceptedSizes)) {
        Message(kInputProblem, MessageIcon::None);
        return false;
    }
    try {
        Net_ = network::LoadNetwork(NetworkPath_, toolkit_, network::TemporaryFolder());
    } catch (const network::ToolkitError& error) {
        if (error.function() == "EN_open" && error.code() > 0) return false;  // the toolkit cannot read it
        Message(kInputProblem + QStringLiteral("\n\n") + QString::fromStdString(error.what()), MessageIcon::None);
        return false;
    } catch (const std::exception& error) {
        // Node IDs that differ only in letter case.
        Message(kInputProblem + QStringLiteral("\n\n") + QString::fromStdString(error.what()), MessageIcon::None);
        return false;
    }
    cmdAdd.setEnabled(true);
    cmdRemove.setEnabled(true);
    return true;
}

// Loading a large matrix set takes a while: the caption shows how far it
// got, and pending window events are handled between blocks so the window
// keeps painting. The buttons wait until the matrices are complete.
void frmMain::LoadMatrices() {
    loading_ = true;
    QWidget* inputs[] = {&cmdAdd, &cmdRemove, &Command2, &Text1, &lstSelectedNodes};
    for (QWidget* input : inputs) input->setEnabled(false);
    const auto ids = std::span(Net_.NodeID).subspan(1, static_cast<std::size_t>(Net_.nNodes));
    matrix::StoredSet stored =
        matrix::LoadMatrixSet({NetworkPath_, ids, Net_.file ? Net_.file->Sha256() : ""},
                              [this](double fraction) { return ShowLoadProgress(fraction); });
    Matrices_ = std::move(stored.loaded.set);
    for (QWidget* input : inputs) input->setEnabled(true);
    loading_ = false;
    setWindowTitle(kTitle);
    if (closedWhileLoading_) return;
    std::string message = stored.refusal.value_or(stored.binaryNote);
    if (stored.loaded.problem)
        message += (message.empty() ? "" : "\n\n") + matrix::DescribeLoadProblem(*stored.loaded.problem, Matrices_.nEvents);
    if (!message.empty()) Message(QString::fromStdString(message), MessageIcon::Exclamation);
}

bool frmMain::ShowLoadProgress(double fraction) {
    int percent = static_cast<int>(fraction * 100);
    if (percent != shownPercent_) {
        shownPercent_ = percent;
        setWindowTitle(kTitle + QStringLiteral(" - loading matrices %1%").arg(percent));
    }
    QCoreApplication::processEvents();
    return !closedWhileLoading_;
}

void frmMain::closeEvent(QCloseEvent* event) {
    if (loading_) closedWhileLoading_ = true;
    event->accept();
}

std::vector<std::string> frmMain::SelectedIds() const {
    std::vector<std::string> ids;
    for (int row = 0; row < lstSelectedNodes.count(); ++row) ids.push_back(lstSelectedNodes.item(row)->text().toStdString());
    return ids;
}

void frmMain::cmdAdd_Click() {
    std::vector<std::string> ids = SelectedIds();
    switch (evaluator::AddSelectedNode(ids, Text1.text().toStdString(), Net_.colNodes)) {
        case evaluator::AddOutcome::NothingTyped: return;
        case evaluator::AddOutcome::AlreadySelected:
            Message(QStringLiteral("The node is already selected"), MessageIcon::None);
            return;
        case evaluator::AddOutcome::NoSuchNode: Message(QStringLiteral("No such node"), MessageIcon::Exclamation); return;
        case evaluator::AddOutcome::Added:
            lstSelectedNodes.addItem(QString::fromStdString(ids.back()));
            cmdRemove.setEnabled(true);
            return;
    }
}

void frmMain::cmdRemove_Click() {
    QList<QListWidgetItem*> chosen = lstSelectedNodes.selectedItems();
    if (chosen.isEmpty()) return;
    delete lstSelectedNodes.takeItem(lstSelectedNodes.row(chosen.front()));
    lstSelectedNodes.clearSelection();
    if (lstSelectedNodes.count() == 0) cmdRemove.setEnabled(false);
}

void frmMain::lstSelectedNodes_DblClick() { cmdRemove_Click(); }

void frmMain::Command2_Click() {
    if (lstSelectedNodes.count() == 0) {
        Message(QStringLiteral("No nodes selected"), MessageIcon::Exclamation);
        return;
    }
    try {
        ShowResults(evaluator::EvaluateSensorSet(Matrices_, evaluator::SelectedNodeIndexes(SelectedIds(), Net_.colNodes)));
    } catch (const std::exception& error) {
        Message(QString::fromStdString(error.what()), MessageIcon::Exclamation);
    }
}

void frmMain::ShowResults(const evaluator::FitnessResult& result) {
    const QString separator = QLocale().decimalPoint();
    QLabel* labels[] = {nullptr, &lblZ1, &lblZ2, &lblZ3, &lblZ4};
    for (int k : {4, 1, 2, 3}) {
        QString line = QString::fromStdString(evaluator::ResultLine(result, k, '.'));
        labels[k]->setText(line.replace(QLatin1Char('.'), separator));
        labels[k]->setToolTip(QString::fromStdString(result.whyNotAvailable[static_cast<std::size_t>(k)]));
        labels[k]->setVisible(true);
    }
}

void frmMain::Message(const QString& text, MessageIcon icon) { showMessage_(text, icon); }

void frmMain::ShowMessageBox(const QString& text, MessageIcon icon) {
    QMessageBox box(icon == MessageIcon::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon,
                    QCoreApplication::applicationName(), text, QMessageBox::Ok, isVisible() ? this : nullptr);
    box.exec();
}

}  // namespace fentaro
