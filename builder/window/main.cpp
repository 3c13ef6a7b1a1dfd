// Zelbrin: builds the scenario matrices of an example network.
#include <QApplication>
#include <QMessageBox>
#include <QSocketNotifier>

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <exception>
#include <memory>

#include "builder/window/form1.h"
#include "network/program_folder.h"

namespace {

// SIGTERM is read from a descriptor the event loop watches, so that it ends
// the program the way "Quit" does, even during a build. It is blocked
// before any thread starts, so no thread takes it the default way.
int WatchTerminate() {
    sigset_t terminate;
    sigemptyset(&terminate);
    sigaddset(&terminate, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &terminate, nullptr);
    return ::signalfd(-1, &terminate, SFD_CLOEXEC | SFD_NONBLOCK);
}

}  // namespace

int main(int argc, char* argv[]) {
    const int terminate = WatchTerminate();
    QApplication app(argc, argv);
    network::SharedToolkit toolkit;
    try {
        toolkit = network::LoadToolkit();
    } catch (const std::exception& e) {
        QMessageBox::critical(nullptr, QStringLiteral("Zelbrin"), QString::fromStdString(e.what()));
        return 1;
    }
    builder::window::Form1 form(network::ProgramFolder(), toolkit);
    std::unique_ptr<QSocketNotifier> notifier;
    if (terminate >= 0) {
        notifier = std::make_unique<QSocketNotifier>(terminate, QSocketNotifier::Read);
        QObject::connect(notifier.get(), &QSocketNotifier::activated, &form, [&form] { form.Terminate(); });
    }
    form.show();
    return QApplication::exec();
}
