#include "CKLineViewOptions.h"

#include <algorithm>
#include <vector>

#include <QCommandLineParser>
#include <QRegularExpression>

#include "platform/formula/catalog/CFormulaOperateManager.h"
#include "platform/formula/catalog/FormulaPeriod.h"
#include "platform/market/CDividAdjuster.h"
#include "platform/market/CMarketStore.h"

namespace TC {

namespace {

constexpr int kMaxIndexes = 16;

struct NamedPeriod {
    const char* name;
    int period;
};

const NamedPeriod kNamedPeriods[] = {
    {"tick", 0},        {"1m", 60},       {"3m", 180},        {"5m", 300},          {"10m", 600},
    {"15m", 900},       {"30m", 1800},    {"60m", 3600},      {"1h", 3600},         {"day", 86400},
    {"1d", 86400},      {"week", 604800}, {"month", 2592000}, {"quarter", 7776000}, {"halfyear", 15552000},
    {"year", 31536000},
};

} // namespace

int CKLineViewOptions::parsePeriod(const QString& text, int* multiple, QString* error)
{
    const QString t = text.trimmed().toLower();
    int n = 1;
    int period = -1;
    for (const NamedPeriod& p : kNamedPeriods)
        if (t == QLatin1String(p.name))
            period = p.period;

    static const QRegularExpression counted(QStringLiteral("^(\\d{1,3})([dhm])$"));
    static const QRegularExpression seconds(QStringLiteral("^\\d{1,9}$"));
    if (period < 0) {
        const QRegularExpressionMatch m = counted.match(t);
        if (m.hasMatch()) {
            n = m.captured(1).toInt();
            const QChar unit = m.captured(2).at(0);
            if (n < 1) {
                period = -1;
            } else if (unit == QLatin1Char('d')) {
                period = 10;
            } else if (unit == QLatin1Char('h')) {
                period = 11;
            } else {
                period = 13;
            }
        } else if (seconds.match(t).hasMatch()) {
            period = t.toInt();
            if (period == 10 || period == 11 || period == 13 || getPeriodIndex(period) < 0) {
                if (error)
                    *error =
                        QStringLiteral("unknown period \"%1\" (seconds of a chart period such as 60, 300, "
                                       "86400, or a name: tick, 1m, 5m, 15m, 30m, 60m, day, week, month, "
                                       "or N-unit periods like 2d, 2h, 7m)")
                            .arg(text);
                return -1;
            }
        }
    }
    if (period < 0) {
        if (error)
            *error = QStringLiteral("unknown period \"%1\" (use seconds such as 86400, a name: tick, 1m, 5m, "
                                    "15m, 30m, 60m, day, week, month, quarter, halfyear, year, or N-unit "
                                    "periods like 2d, 2h, 7m)")
                         .arg(text);
        return -1;
    }
    if (multiple)
        *multiple = n;
    return period;
}

bool CKLineViewOptions::parseSize(const QString& text, QSize* size, QString* error)
{
    static const QRegularExpression re(QStringLiteral("^(\\d{1,5})[xX](\\d{1,5})$"));
    const QRegularExpressionMatch m = re.match(text.trimmed());
    if (!m.hasMatch()) {
        if (error)
            *error = QStringLiteral("bad size \"%1\" (expected WIDTHxHEIGHT, e.g. 1600x900)").arg(text);
        return false;
    }
    const int w = m.captured(1).toInt();
    const int h = m.captured(2).toInt();
    if (w < kMinWidth || h < kMinHeight || w > kMaxSide || h > kMaxSide) {
        if (error)
            *error = QStringLiteral("size %1 out of range (%2x%3 to %4x%4)")
                         .arg(text)
                         .arg(kMinWidth)
                         .arg(kMinHeight)
                         .arg(kMaxSide);
        return false;
    }
    if (size)
        *size = QSize(w, h);
    return true;
}

int CKLineViewOptions::parseDrType(const QString& text, QString* error)
{
    const QString t = text.trimmed();
    bool ok = false;
    const int v = t.toInt(&ok);
    if (ok && v >= 0 && v <= 4)
        return v;
    for (int i = 0; i <= 4; ++i)
        if (!ok && t == getDrName(i))
            return i;
    if (error) {
        QStringList names;
        for (int i = 0; i <= 4; ++i)
            names.append(QStringLiteral("%1 %2").arg(i).arg(getDrName(i)));
        *error =
            QStringLiteral("unknown ex-rights type \"%1\" (%2)").arg(text, names.join(QStringLiteral(", ")));
    }
    return -1;
}

namespace {

const char* const kDescription = "K-line chart of the Orvo indicator terminal.";

// Every option, in the order the help lists them.
std::vector<QCommandLineOption> commandLineOptions()
{
    return {
        {QStringList{QStringLiteral("h"), QStringLiteral("help")},
         QStringLiteral("Show this help and exit.")},
        {QStringLiteral("instrument"),
         QStringLiteral("Instrument key as klineview --list shows it, any case (default SH600000)."),
         QStringLiteral("KEY")},
        {QStringLiteral("period"),
         QStringLiteral("Bar period: seconds or tick, 1m, 5m, 15m, 30m, 60m, day, week, "
                        "month, quarter, halfyear, year, Nd, Nh, Nm (default day)."),
         QStringLiteral("P")},
        {QStringLiteral("dr"), QStringLiteral("Ex-rights type 0..4 or its name (default 1, 前复权)."),
         QStringLiteral("T")},
        {QStringLiteral("indexes"),
         QStringLiteral("Indicators, comma separated; main-pane ones overlay the "
                        "candles, the others get a pane each (default MA,VOL,MACD,KDJ)."),
         QStringLiteral("LIST")},
        {QStringLiteral("size"), QStringLiteral("Window or picture size (default 1600x900)."),
         QStringLiteral("WxH")},
        {QStringLiteral("snapshot"), QStringLiteral("Render the chart headless to a PNG file and exit."),
         QStringLiteral("FILE.png")},
        {QStringLiteral("list"), QStringLiteral("Print the instruments of the market data and exit.")},
        {QStringLiteral("realtime"), QStringLiteral("Start the real-time simulator.")},
    };
}

// Greedy word wrap of `text` into lines of at most `width` characters.
QStringList wrapped(const QString& text, int width)
{
    QStringList lines;
    QString line;
    for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (!line.isEmpty() && line.size() + 1 + word.size() > width) {
            lines.append(line);
            line.clear();
        }
        line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
    }
    if (!line.isEmpty())
        lines.append(line);
    return lines;
}

} // namespace

QString CKLineViewOptions::helpText()
{
    // Written here rather than by QCommandLineParser::helpText(), which needs
    // an application object that --help must not wait for.
    constexpr int kLineWidth = 79;
    const std::vector<QCommandLineOption> all = commandLineOptions();
    QStringList names;
    int nameWidth = 0;
    for (const QCommandLineOption& o : all) {
        QStringList forms;
        for (const QString& n : o.names())
            forms.append(n.size() == 1 ? QStringLiteral("-") + n : QStringLiteral("--") + n);
        QString name = forms.join(QStringLiteral(", "));
        if (!o.valueName().isEmpty())
            name += QStringLiteral(" <%1>").arg(o.valueName());
        names.append(name);
        nameWidth = std::max(nameWidth, int(name.size()));
    }
    QString text =
        QStringLiteral("Usage: klineview [options]\n%1\n\nOptions:\n").arg(QLatin1String(kDescription));
    const int indent = 2 + nameWidth + 2;
    for (std::size_t i = 0; i < all.size(); ++i) {
        const QStringList lines = wrapped(all[i].description(), std::max(20, kLineWidth - indent));
        for (int l = 0; l < lines.size(); ++l) {
            const QString left = l == 0 ? QStringLiteral("  ") + names.at(int(i)) : QString();
            text += left.leftJustified(indent, QLatin1Char(' ')) + lines.at(l) + QLatin1Char('\n');
        }
    }
    text += QStringLiteral("\nWithout --snapshot or --list the chart opens in a window (needs a display).\n"
                           "Exit status: 0 done, 1 the snapshot could not be written, 2 bad arguments.\n");
    return text;
}

CKLineViewOptions::Status CKLineViewOptions::parse(const QStringList& arguments, QString* message)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QLatin1String(kDescription));
    const std::vector<QCommandLineOption> all = commandLineOptions();
    for (const QCommandLineOption& o : all)
        parser.addOption(o);
    const QCommandLineOption& help = all[0];
    const QCommandLineOption& instrument = all[1];
    const QCommandLineOption& period = all[2];
    const QCommandLineOption& dr = all[3];
    const QCommandLineOption& indexes = all[4];
    const QCommandLineOption& size = all[5];
    const QCommandLineOption& snapshot = all[6];
    const QCommandLineOption& list = all[7];
    const QCommandLineOption& realtime = all[8];

    auto fail = [message](const QString& why) {
        if (message)
            *message = why;
        return kError;
    };
    if (!parser.parse(arguments))
        return fail(parser.errorText());
    if (!parser.positionalArguments().isEmpty())
        return fail(QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().first()));
    if (parser.isSet(help)) {
        if (message)
            *message = helpText();
        return kHelp;
    }
    // A repeated option is almost always a mistake in a script: say so.
    for (const QString& name : parser.optionNames())
        if (parser.optionNames().count(name) > 1)
            return fail(QStringLiteral("option --%1 given more than once").arg(name));

    QString why;
    if (parser.isSet(instrument)) {
        const QString key = parser.value(instrument).trimmed();
        if (key.isEmpty())
            return fail(QStringLiteral("empty instrument key"));
        m_layout.setInstrument(key);
        m_given.append(QStringLiteral("instrument"));
    }
    if (parser.isSet(period)) {
        int n = 1;
        const int p = parsePeriod(parser.value(period), &n, &why);
        if (p < 0 || !m_layout.setPeriod(p, n))
            return fail(why.isEmpty() ? QStringLiteral("bad period \"%1\"").arg(parser.value(period)) : why);
        m_given.append(QStringLiteral("period"));
    }
    if (parser.isSet(dr)) {
        const int t = parseDrType(parser.value(dr), &why);
        if (t < 0)
            return fail(why);
        m_layout.setDrType(t);
        m_given.append(QStringLiteral("dr"));
    }
    if (parser.isSet(indexes)) {
        const QString value = parser.value(indexes).trimmed();
        const QStringList names = value.isEmpty() ? QStringList() : value.split(QLatin1Char(','));
        for (const QString& n : names)
            if (n.trimmed().isEmpty())
                return fail(QStringLiteral("empty indicator name in \"%1\"").arg(value));
        if (names.size() > kMaxIndexes)
            return fail(
                QStringLiteral("too many indicators (%1, at most %2)").arg(names.size()).arg(kMaxIndexes));
        m_layout.setIndexes(names);
        m_given.append(QStringLiteral("indexes"));
    }
    if (parser.isSet(size) && !parseSize(parser.value(size), &m_size, &why))
        return fail(why);
    if (parser.isSet(snapshot)) {
        m_snapshotFile = parser.value(snapshot).trimmed();
        if (m_snapshotFile.isEmpty())
            return fail(QStringLiteral("empty snapshot file name"));
    }
    m_list = parser.isSet(list);
    m_realtime = parser.isSet(realtime);
    return kOk;
}

bool CKLineViewOptions::validate(QString* error)
{
    if (!m_layout.resolveInstrument()) {
        if (error)
            *error = QStringLiteral("unknown instrument \"%1\" (klineview --list shows them all)")
                         .arg(m_layout.instrument());
        return false;
    }
    for (const QString& name : m_layout.indexes()) {
        if (!CFormulaOperateManager::getFormula(name)) {
            if (error)
                *error = QStringLiteral("unknown indicator \"%1\"").arg(name);
            return false;
        }
    }
    return true;
}

CKLineViewLayout CKLineViewOptions::startLayout(const CKLineViewLayout& saved) const
{
    CKLineViewLayout layout = saved;
    if (wasGiven(QStringLiteral("instrument")))
        layout.setInstrument(m_layout.instrument());
    if (wasGiven(QStringLiteral("period")))
        layout.setPeriod(m_layout.period(), m_layout.periodMultiple());
    if (wasGiven(QStringLiteral("dr")))
        layout.setDrType(m_layout.drType());
    if (wasGiven(QStringLiteral("indexes")))
        layout.setIndexes(m_layout.indexes());
    return layout;
}

} // namespace TC
