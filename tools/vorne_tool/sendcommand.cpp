#include "sendcommand.h"

#include "firingrow.h"
#include "imagefields.h"
#include "serialexchange.h"
#include "toolio.h"

#include <QEventLoop>

namespace {

// A port that cannot be used, or settings it cannot take: nothing was sent.
int notSent(QTextStream &err, const QString &why) {
    err << "vorne_tool: error: nothing sent: " << why << "\n";
    return ExitUsage;
}

} // namespace

int runSend(const QStringList &args, QTextStream &out, QTextStream &err) {
    QStringList operands;
    QString port;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        if (optionsEnded || !arg.startsWith(QLatin1String("--")))
            operands << arg;
        else if (arg == QLatin1String("--"))
            optionsEnded = true;
        else if (arg == QLatin1String("--port") && i + 1 < args.size())
            port = args[++i];
        else if (arg.startsWith(QLatin1String("--port=")))
            port = arg.mid(7);
        else
            return usageError(err, QStringLiteral("send has no option %1").arg(arg));
    }
    if (port.isEmpty())
        return usageError(err, QStringLiteral("send needs --port PORT; %1").arg(attachedPortsText()));
    FiringRow row;
    const int found = findFiringRow(QStringLiteral("send"), operands, &row, out, err);
    if (found != ExitOk)
        return found;
    printFiring(out, row);

    PortSettings portSettings;
    QString error;
    if (!portSettingsFor(row.conn, &portSettings, &error))
        return notSent(err, error);
    const QByteArray bytes = prefixBytes(row.conn) + commandBytes(row.row);
    const ExchangeSettings settings = exchangeSettingsFor(row.conn, row.row, lineTimeMs(portSettings, bytes.size()));
    for (const QString &line : planLines(port, portSettings, settings))
        out << "  " << line << "\n";
    out.flush();

    SerialExchange exchange;
    QEventLoop loop;
    ExchangeResult result;
    QObject::connect(&exchange, &SerialExchange::tryEnded, [&](const ExchangeTry &t) {
        for (const QString &line : tryLines(t, settings))
            out << line << "\n";
        out.flush();
    });
    QObject::connect(&exchange, &SerialExchange::finished, [&](const ExchangeResult &r) {
        result = r;
        loop.quit();
    });
    if (!exchange.start(port, portSettings, settings, &error))
        return notSent(err, error);
    if (exchange.running())
        loop.exec();
    const QString last = endLine(result);
    if (result.end == ExchangeEnd::PortFailed)
        err << "vorne_tool: error: " << last << "\n";
    else
        out << last << "\n";
    return exchangeExitCode(result.end);
}
