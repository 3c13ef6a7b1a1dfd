// Fentaro1 and Fentaro2: the fitness evaluator, built once per example
// network. The build gives the network's number; its file, accepted sizes
// and caption tell the two apart.
#include <QApplication>
#include <QMessageBox>

#include <cstdlib>
#include <exception>

#include "evaluator/window/frm_main.h"
#include "network/example_networks.h"
#include "network/program_folder.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral(FENTARO_PROGRAM_NAME));
    const network::ExampleNetwork& example = network::Example(FENTARO_EXAMPLE_NETWORK);
    fentaro::EvaluatorEdition edition{example.file, example.evaluatorSizes, example.caption};
    network::SharedToolkit toolkit;
    try {
        toolkit = network::LoadToolkit();
    } catch (const std::exception& e) {
        QMessageBox::critical(nullptr, QApplication::applicationName(), QString::fromStdString(e.what()));
        return EXIT_FAILURE;
    }
    fentaro::frmMain window(edition, network::ProgramFolder(), toolkit);
    if (!window.Form_Load()) return window.ClosedWhileLoading() ? EXIT_SUCCESS : EXIT_FAILURE;
    return QApplication::exec();
}
