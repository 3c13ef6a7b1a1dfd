// Loaded into a real Fentaro program (LD_PRELOAD) by the program tests. It
// answers every message box, printing its text, and once the window is
// ready it selects the node named in FENTARO_TEST_NODE, calculates, prints
// the window's texts and quits.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

namespace {

void Print(const QString& line) {
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

QWidget* ReadyWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* add = widget->findChild<QPushButton*>(QStringLiteral("cmdAdd"));
        if (widget->isVisible() && add != nullptr && add->isEnabled() &&
            widget->windowTitle() == QStringLiteral("Temsar - Calculate fitness"))
            return widget;
    }
    return nullptr;
}

void Drive(QWidget& window) {
    Print("WINDOW " + window.findChild<QLabel*>(QStringLiteral("Label2"))->text());
    window.findChild<QLineEdit*>(QStringLiteral("Text1"))->setText(QString::fromLocal8Bit(std::getenv("FENTARO_TEST_NODE")));
    window.findChild<QPushButton*>(QStringLiteral("cmdAdd"))->click();
    window.findChild<QPushButton*>(QStringLiteral("Command2"))->click();
    for (const char* name : {"lblZ4", "lblZ1", "lblZ2", "lblZ3"})
        Print("RESULT " + window.findChild<QLabel*>(QString::fromLatin1(name))->text());
    QApplication::quit();
}

void Poll() {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        Print("MESSAGE " + box->text());
        box->accept();
    } else if (QWidget* window = ReadyWindow()) {
        Drive(*window);
        return;
    }
    QTimer::singleShot(50, qApp, &Poll);
}

void Install() { QTimer::singleShot(50, qApp, &Poll); }

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(Install)
