// frmMain: the evaluator's only window. At start-up it opens the network the
// program is built for and loads its scenario matrices; the user then lists
// sensor nodes by ID and asks for the fitness of that set.
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "evaluator/fitness.h"
#include "matrix/matrix_set.h"
#include "network/netload.h"

namespace fentaro {

// What tells the two evaluator programs apart.
struct EvaluatorEdition {
    std::string networkFile;                  // below the program folder
    std::vector<std::int64_t> acceptedSizes;  // of the network file, bytes
    std::string networkCaption;               // "Network 1" or "Network 2"
};

enum class MessageIcon { None, Exclamation };

// Shows a message and waits until the user has read it.
using MessageSink = std::function<void(const QString& text, MessageIcon icon)>;

class frmMain : public QWidget {
public:
    frmMain(EvaluatorEdition edition, std::string programFolder, network::SharedToolkit toolkit);

    // Start-up: opens the network, shows the window centred and loads the
    // matrices with their progress in the caption. False when the program
    // must end: a refused network file, a failed open, or a window closed
    // while loading.
    bool Form_Load();
    bool ClosedWhileLoading() const { return closedWhileLoading_; }

    // Replaces the message boxes, for instance to record the messages.
    void SetMessageSink(MessageSink sink) { showMessage_ = std::move(sink); }

    const std::string& NetworkPath() const { return NetworkPath_; }
    std::int32_t nEvents() const { return Matrices_.nEvents; }
    const network::Network& Net() const { return Net_; }
    const matrix::MatrixSet& Matrices() const { return Matrices_; }

    bool Command1_Click();
    void cmdAdd_Click();
    void cmdRemove_Click();
    void lstSelectedNodes_DblClick();
    void Command2_Click();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void LayOutControls();
    void ConnectActions();
    void CentreOnScreen();
    void LoadMatrices();
    bool ShowLoadProgress(double fraction);
    void ShowResults(const evaluator::FitnessResult& result);
    std::vector<std::string> SelectedIds() const;
    void Message(const QString& text, MessageIcon icon);
    void ShowMessageBox(const QString& text, MessageIcon icon);

    EvaluatorEdition edition_;
    std::string programFolder_;
    network::SharedToolkit toolkit_;
    std::string NetworkPath_;
    network::Network Net_;       // nNodes, NodeID, colNodes
    matrix::MatrixSet Matrices_;  // Z1Matrix .. Z4Matrix and nEvents
    bool loading_ = false;
    bool closedWhileLoading_ = false;
    int shownPercent_ = -1;
    MessageSink showMessage_;

    QLabel Label2{this};
    QListWidget lstSelectedNodes{this};
    QPushButton cmdAdd{this};
    QLabel Label1{this};
    QLineEdit Text1{this};
    QPushButton cmdRemove{this};
    QPushButton Command2{this};
    QLabel lblZ1{this};
    QLabel lblZ2{this};
    QLabel lblZ3{this};
    QLabel lblZ4{this};
    QLabel Label3{this};
    QLabel Label4{this};
    QPushButton Command1{this};
    QLabel Label5{this};
};

}  // namespace fentaro
