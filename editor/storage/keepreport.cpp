#include "keepreport.h"

namespace {
constexpr int kMaxShownCharacters = 60;

// One line of the file as a message can show it: control characters as
// "\xNN" (a TAB as a blank), long lines cut.
QString shownLine(const QString &text) {
    QString shown;
    for (QChar c : text.left(kMaxShownCharacters)) {
        if (c == QLatin1Char('\t'))
            shown += QLatin1Char(' ');
        else if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            shown +=
                QStringLiteral("\\x") + QString::number(c.unicode(), 16).toUpper().rightJustified(2, QLatin1Char('0'));
        else
            shown += c;
    }
    return text.size() > kMaxShownCharacters ? shown + QStringLiteral("...") : shown;
}

QStringList listedLines(const QList<PassedOverLine> &lines, int maxListed) {
    QStringList out;
    for (int i = 0; i < lines.size() && i < maxListed; ++i)
        out << QStringLiteral("line %1: %2").arg(QString::number(lines[i].line), shownLine(lines[i].text));
    if (lines.size() > maxListed)
        out << QStringLiteral("... and %1 more.").arg(lines.size() - maxListed);
    return out;
}

QString countedLines(qsizetype n) { return n == 1 ? QStringLiteral("1 line") : QStringLiteral("%1 lines").arg(n); }
} // namespace

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

QString passedOverOpenMessage(const QString &file, const QList<PassedOverLine> &lines, int maxListed) {
    if (lines.isEmpty())
        return QString();
    QStringList text;
    text << QStringLiteral("The editor passed over %1 of %2: they stand outside every section, or in a section or "
                           "form it does not read, so they are not in the library, and the next save drops them.")
                .arg(countedLines(lines.size()), file)
         << QString() << listedLines(lines, maxListed) << QString()
         << QStringLiteral("To keep them, mend the file by hand before you save; \"vorne_tool check %1\" tells why "
                           "each line is passed over.")
                .arg(file);
    return text.join(QLatin1Char('\n'));
}

QString passedOverSavedMessage(const QString &file, const QList<PassedOverLine> &lines, int maxListed) {
    if (lines.isEmpty())
        return QString();
    QStringList text;
    text << QStringLiteral("The project was saved without these %1 of %2, which the editor passed over when it "
                           "opened the file:")
                .arg(countedLines(lines.size()), file)
         << QString() << listedLines(lines, maxListed);
    return text.join(QLatin1Char('\n'));
}
