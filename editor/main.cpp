// Entry of the editor: application names, the main window, the event loop.
#include "mainwindow.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char *argv[]) {
    QCoreApplication::setOrganizationName(QStringLiteral("Ostravon"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("ostravon.example"));
    QCoreApplication::setApplicationName(QStringLiteral("Vorne"));

    QApplication app(argc, argv);
    int result = 0;
    {
        MainWindow window;
        window.show();
        // What the last project's reading passed over is told over the shown window.
        QTimer::singleShot(0, &window, &MainWindow::tellPassedOver);
        result = app.exec();
    }
    return result;
}
