// Fentaro1 and Fentaro2: the fitness evaluator, built once per example
// network. The build gives the network file, its accepted sizes and the
// caption that tell the two apart.
#include <QApplication>

#include <cstdlib>

#include "evaluator/window/frm_main.h"
#include "network/program_folder.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral(FENTARO_PROGRAM_NAME));
    fentaro::EvaluatorEdition edition{FENTARO_NETWORK_FILE, {FENTARO_ACCEPTED_SIZES}, FENTARO_NETWORK_CAPTION};
    fentaro::frmMain window(edition, network::ProgramFolder());
    if (!window.Form_Load()) return window.ClosedWhileLoading() ? EXIT_SUCCESS : EXIT_FAILURE;
    return QApplication::exec();
}
