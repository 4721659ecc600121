// klineview: the host application of the K-line chart module.
#include <clocale>
#include <cstdio>

#include <QApplication>
#include <QTextStream>

#include "CKLineViewLayout.h"
#include "CKLineViewOptions.h"
#include "CKLineViewSnapshot.h"
#include "CKLineViewStartProbe.h"
#include "CKLineViewTermination.h"
#include "CKLineViewWindow.h"
#include "platform/config/QLLog.h"
#include "platform/formula/service/CExternalDataManager.h"
#include "platform/market/CMarketStore.h"

namespace {

QTextStream& stream(FILE* f)
{
    static QTextStream out(stdout);
    static QTextStream err(stderr);
    QTextStream& s = f == stdout ? out : err;
    s.setCodec("UTF-8");
    return s;
}

// Problems of the user's CSV files, which would otherwise only show as
// instruments that are not there.
void printLoadErrors()
{
    QTextStream& err = stream(stderr);
    for (const QString& e : TC::CMarketStore::instance()->loadErrors())
        err << "klineview: " << e << '\n';
    err.flush();
}

// The user's external series become "ED" instruments once read, so a saved
// layout or the keyboard spirit can name them.
void loadExternalSeries()
{
    TC::CExternalDataManager::instance()->names();
}

int printListing()
{
    const QString text = TC::CMarketStore::instance()->listing();
    printLoadErrors();
    QTextStream& out = stream(stdout);
    out << text;
    if (!text.endsWith(QLatin1Char('\n')))
        out << '\n';
    out.flush();
    return 0;
}

int badArguments(const QString& why)
{
    QTextStream& err = stream(stderr);
    err << "klineview: " << why << "\nTry 'klineview --help'.\n";
    err.flush();
    return TC::CKLineViewOptions::kBadArguments;
}

bool hasDisplay()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

} // namespace

int main(int argc, char** argv)
{
    TC::CKLineViewStartProbe::markProcessStart();
    // Arguments are read before the application object exists, which would
    // otherwise set the locale that decodes them (Chinese ex-rights names).
    std::setlocale(LC_ALL, "");
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));

    // Parse before any application object: the platform depends on the mode.
    TC::CKLineViewOptions options;
    QString message;
    switch (options.parse(arguments, &message)) {
    case TC::CKLineViewOptions::kHelp:
        stream(stdout) << message;
        stream(stdout).flush();
        return 0;
    case TC::CKLineViewOptions::kError:
        return badArguments(message);
    case TC::CKLineViewOptions::kOk:
        break;
    }

    QCoreApplication::setApplicationName(QStringLiteral("klineview"));
    QCoreApplication::setOrganizationName(QStringLiteral("Orvo"));

    if (options.isList()) {
        // Listing needs no window system.
        QCoreApplication app(argc, argv);
        qlog::configureDefault();
        loadExternalSeries();
        return printListing();
    }

    if (options.isSnapshot()) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    } else if (!hasDisplay() && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        return badArguments(QStringLiteral("no display (DISPLAY and WAYLAND_DISPLAY are unset); "
                                           "use --snapshot FILE.png to render to a file"));
    }

    QApplication app(argc, argv);
    qlog::configureDefault();
    loadExternalSeries();

    if (options.isSnapshot())
        printLoadErrors();
    if (!options.validate(&message))
        return badArguments(message);

    if (options.isSnapshot()) {
        TC::CKLineViewSnapshot snapshot(options);
        return snapshot.run(stream(stdout), stream(stderr));
    }

    // The saved layout, then whatever the command line names explicitly. A
    // file that could be neither used nor set aside is never written over.
    QString settingsPath = TC::CKLineViewLayout::defaultSettingsPath();
    TC::CKLineViewLayout saved;
    QString asidePath;
    const TC::CKLineViewLayout::LoadResult loaded = saved.load(settingsPath, &asidePath);
    if (loaded == TC::CKLineViewLayout::kSetAside) {
        stream(stderr) << "klineview: " << settingsPath << " could not be used; kept as " << asidePath
                       << ", starting with the default layout\n";
        stream(stderr).flush();
    } else if (loaded == TC::CKLineViewLayout::kUnusable) {
        stream(stderr) << "klineview: " << settingsPath
                       << " could not be used nor set aside; it is left as it is and not saved over\n";
        stream(stderr).flush();
        settingsPath.clear();
    }
    const TC::CKLineViewLayout layout = options.startLayout(saved);

    TC::CKLineViewWindow window(layout, settingsPath);
    TC::CKLineViewStartProbe startProbe(window.chart());
    window.resize(options.size());
    window.show();
    if (options.isRealtime())
        window.setRealtime(true);
    // A kill or a logout saves the layout like a quit from the window does.
    TC::CKLineViewTermination termination([&window, &app] {
        window.close();
        app.quit();
    });
    return app.exec();
}
