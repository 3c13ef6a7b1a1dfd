// Zelbrin: builds the scenario matrices of an example network.
#include <QApplication>

#include "builder/window/form1.h"
#include "network/program_folder.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // The toolkit writes its report and output files into the current folder.
    network::EnsureWritableWorkingDirectory();
    builder::window::Form1 form(network::ProgramFolder());
    form.show();
    return QApplication::exec();
}
