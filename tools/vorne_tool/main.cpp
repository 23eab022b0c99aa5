// vorne_tool: list projects, write and inspect device configuration images.
#include "toolcommands.h"

#include <QCoreApplication>

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    return runTool(app.arguments().mid(1), out, err);
}
