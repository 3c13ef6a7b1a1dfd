// Loaded into the real Zelbrin program (LD_PRELOAD) by its tests. Once the
// window is up it presses "Build data", and prints BUILDING when the
// caption first shows progress.
#include <QApplication>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>

#include <cstdio>

namespace {

void Print(const QString& line) {
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

QWidget* Window() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->isVisible() && widget->findChild<QPushButton*>(QStringLiteral("Command2"))) return widget;
    return nullptr;
}

void WatchCaption() {
    QWidget* window = Window();
    if (window && window->windowTitle().contains(QRegularExpression(QStringLiteral("^[0-9]+/[0-9]+ - ")))) {
        Print(QStringLiteral("BUILDING"));
        return;
    }
    QTimer::singleShot(20, qApp, &WatchCaption);
}

void Start() {
    QWidget* window = Window();
    if (!window) {
        QTimer::singleShot(50, qApp, &Start);
        return;
    }
    QTimer::singleShot(20, qApp, &WatchCaption);
    window->findChild<QPushButton*>(QStringLiteral("Command2"))->click();
}

void Install() { QTimer::singleShot(50, qApp, &Start); }

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(Install)
