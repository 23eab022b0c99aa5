// Entry of the editor: application names, the main window, the project named
// on the command line, the event loop.
#include "mainwindow.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>

int main(int argc, char *argv[]) {
    QCoreApplication::setOrganizationName(QStringLiteral("Ostravon"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("ostravon.example"));
    QCoreApplication::setApplicationName(QStringLiteral("Vorne"));

    QApplication app(argc, argv); // takes Qt's own options (-platform, ...) out first
    // Lenient: anything but one file name is told and the editor starts as without one.
    const QStringList arguments = app.arguments().mid(1);
    const bool projectGiven = arguments.size() == 1 && !arguments.first().startsWith(QLatin1Char('-'));
    if (!arguments.isEmpty() && !projectGiven)
        std::fprintf(stderr, "Usage: vorne_converter [FILE.prj]\n");
    int result = 0;
    {
        MainWindow window;
        window.show();
        // Messages come over the shown window. When the named project cannot be
        // opened, the last project stays, and what its reading passed over is told.
        QTimer::singleShot(0, &window, [&window, projectGiven, &arguments] {
            if (!projectGiven || !window.openProjectPath(arguments.first()))
                window.tellPassedOver();
        });
        result = app.exec();
    }
    return result;
}
