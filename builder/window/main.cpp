// Zelbrin: builds the scenario matrices of an example network.
#include <QApplication>
#include <QMessageBox>

#include <exception>
#include <memory>

#include "builder/window/form1.h"
#include "network/program_folder.h"
#include "network/workspace.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // The toolkit's scratch files go to a private folder of this run.
    std::unique_ptr<network::Workspace> workspace;
    try {
        workspace = std::make_unique<network::Workspace>();
    } catch (const std::exception& e) {
        QMessageBox::critical(nullptr, QStringLiteral("Zelbrin"), QString::fromStdString(e.what()));
        return 1;
    }
    builder::window::Form1 form(network::ProgramFolder(), workspace.get());
    form.show();
    return QApplication::exec();
}
