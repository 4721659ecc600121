// klineview: the host application of the K-line chart module.
#include <cstdio>

#include <QApplication>
#include <QCommandLineParser>
#include <QTextStream>

#include "platform/config/CAppConfig.h"
#include "platform/config/QLLog.h"
#include "platform/market/CMarketStore.h"

namespace {

int printListing()
{
    TC::CMarketStore* store = TC::CMarketStore::instance();
    const QString text = store->listing();
    QTextStream err(stderr);
    err.setCodec("UTF-8");
    for (const QString& e : store->loadErrors())
        err << "klineview: " << e << '\n';
    err.flush();
    QTextStream out(stdout);
    out.setCodec("UTF-8");
    out << text;
    if (!text.endsWith(QLatin1Char('\n')))
        out << '\n';
    out.flush();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    // Listing needs no window; only start the GUI platform when drawing.
    QCoreApplication::setApplicationName(QStringLiteral("klineview"));
    QCoreApplication::setOrganizationName(QStringLiteral("Orvo"));
    QCoreApplication app(argc, argv);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("K-line chart of the Orvo indicator terminal"));
    parser.addHelpOption();
    QCommandLineOption listOption(QStringLiteral("list"),
                                  QStringLiteral("Print the instruments of the market data and exit."));
    parser.addOption(listOption);
    parser.process(app);

    qlog::configureDefault();
    // Until the chart window lands, listing is the main job.
    return printListing();
}
