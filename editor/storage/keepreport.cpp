#include "keepreport.h"

#include <functional>

namespace {
constexpr int kMaxShownCharacters = 60;

// The first `maxListed` of `count` entries, each made by `entry`, then how many more there are.
QStringList firstListed(qsizetype count, int maxListed, const std::function<QString(qsizetype)> &entry) {
    QStringList out;
    for (qsizetype i = 0; i < count && i < maxListed; ++i)
        out << entry(i);
    if (count > maxListed)
        out << QStringLiteral("... and %1 more.").arg(count - maxListed);
    return out;
}

// One line of the file as a message can show it: a TAB as a blank, long lines cut.
QString shownLine(const QString &text) {
    const QString shown = printableText(text.left(kMaxShownCharacters).replace(QLatin1Char('\t'), QLatin1Char(' ')));
    return text.size() > kMaxShownCharacters ? shown + QStringLiteral("...") : shown;
}

QStringList listedLines(const QList<PassedOverLine> &lines, int maxListed) {
    return firstListed(lines.size(), maxListed, [&lines](qsizetype i) {
        return QStringLiteral("line %1: %2").arg(QString::number(lines[i].line), shownLine(lines[i].text));
    });
}

QString countedLines(qsizetype n) { return n == 1 ? QStringLiteral("1 line") : QStringLiteral("%1 lines").arg(n); }
} // namespace

QString printableText(const QString &text) {
    QString out;
    for (QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            out +=
                QStringLiteral("\\x") + QString::number(c.unicode(), 16).toUpper().rightJustified(2, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

QString unkeptEntriesMessage(const QList<KeepProblem> &problems, int maxListed) {
    if (problems.isEmpty())
        return QString();
    QStringList lines;
    lines << QStringLiteral("The project was saved, but the file will not give back these entries as they are:")
          << QString();
    lines << firstListed(problems.size(), maxListed, [&problems](qsizetype i) {
        return QStringLiteral("- ") + problems[i].what + QStringLiteral(": ") + problems[i].problem + QLatin1Char('.');
    });
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
