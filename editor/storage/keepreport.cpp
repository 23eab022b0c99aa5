#include "keepreport.h"

QString unkeptEntriesMessage(const QList<KeepProblem> &problems, int maxListed) {
    if (problems.isEmpty())
        return QString();
    QStringList lines;
    lines << QStringLiteral("The project was saved, but the file will not give back these entries as they are:")
          << QString();
    for (int i = 0; i < problems.size() && i < maxListed; ++i)
        lines << QStringLiteral("- ") + problems[i].what + QStringLiteral(": ") + problems[i].problem +
                     QLatin1Char('.');
    if (problems.size() > maxListed)
        lines << QStringLiteral("... and %1 more.").arg(problems.size() - maxListed);
    return lines.join(QLatin1Char('\n'));
}
