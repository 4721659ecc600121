#include "platform/formula/service/CExternalDataManager.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <QDir>
#include <QFile>
#include <QMutexLocker>
#include <QUrl>

#include "platform/config/CAppConfig.h"
#include "platform/config/CSingletonT.h"
#include "platform/config/QLLog.h"
#include "platform/formula/engine/CFormulaEngine.h"
#include "platform/framework/QWriteFile.h"
#include "platform/market/CMarketStore.h"

namespace TC {

namespace {

const char* const kHeader = "#KLINEVIEW EXTERNAL DATA 1";
const char* const kSuffix = ".xdat";
// Leaves room for the suffix and a QSaveFile temporary name within 255.
constexpr int kMaxFileName = 200;

bool hasValue(double v)
{
    return std::isfinite(v) && v != std::numeric_limits<double>::max();
}

// Text numbers lose the sign of a zero: -0 is kept as 0 from the start, so a
// series reads back exactly as it was stored.
double plainZero(double v)
{
    return v == 0.0 ? 0.0 : v;
}

QByteArray escape(const QString& text)
{
    QByteArray out;
    for (const char c : text.toUtf8()) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        default: out += c; break;
        }
    }
    return out;
}

bool unescape(const QByteArray& in, QString& out)
{
    QByteArray bytes;
    for (int i = 0; i < in.size(); ++i) {
        if (in[i] != '\\') {
            bytes += in[i];
            continue;
        }
        if (++i >= in.size())
            return false;
        switch (in[i]) {
        case '\\': bytes += '\\'; break;
        case 't': bytes += '\t'; break;
        case 'n': bytes += '\n'; break;
        case 'r': bytes += '\r'; break;
        default: return false;
        }
    }
    out = QString::fromUtf8(bytes);
    return true;
}

bool fail(QString* error, const QString& why)
{
    if (error)
        *error = why;
    return false;
}

} // namespace

CExternalDataManager::CExternalDataManager() : m_publish(true) {}

CExternalDataManager::CExternalDataManager(const QString& folder) : m_folder(folder) {}

CExternalDataManager* CExternalDataManager::instance()
{
    return utils::CSingletonT<CExternalDataManager>::instance();
}

void CExternalDataManager::loadDefaults()
{
    m_defaultsLoaded = true;
    CMarketStore* store = CFormulaEngine::store();
    for (const QString& key : store->instrumentKeys()) {
        const auto d = store->instrument(key);
        if (d && d->market == "ED")
            m_products.insert(QString::fromStdString(d->code), kKindSeries);
    }
}

std::optional<int> CExternalDataManager::getCatalog(const QString& code)
{
    QMutexLocker lock(&m_mutex);
    if (!m_defaultsLoaded)
        loadDefaults();
    auto it = m_products.constFind(code);
    if (it == m_products.cend())
        return std::nullopt;
    return *it;
}

bool CExternalDataManager::addCatalog(const QString& code, int kind)
{
    if (code.trimmed().isEmpty())
        return false;
    QMutexLocker lock(&m_mutex);
    if (!m_defaultsLoaded)
        loadDefaults();
    m_products.insert(code.trimmed(), kind);
    return true;
}

QString CExternalDataManager::folder() const
{
    QMutexLocker lock(&m_mutex);
    return folderLocked();
}

QString CExternalDataManager::folderLocked() const
{
    if (m_folder.isEmpty())
        m_folder = CAppConfig::userDataDir() + QStringLiteral("/external");
    return m_folder;
}

QString CExternalDataManager::fileNameOf(const QString& name)
{
    // '.' and '~' are encoded too: no name becomes "." or "..", or a hidden file.
    return QString::fromLatin1(QUrl::toPercentEncoding(name, QByteArray(), ".~")) + QLatin1String(kSuffix);
}

QString CExternalDataManager::marketCodeOf(const QString& name)
{
    QString code = name.trimmed();
    for (QChar& c : code)
        if (!c.isLetterOrNumber() && c != QLatin1Char('_'))
            c = QLatin1Char('_');
    return code;
}

void CExternalDataManager::publish(const CSeries& s) const
{
    const QString code = marketCodeOf(s.info.name);
    if (!m_publish || code.isEmpty())
        return;
    CMarketStore* store = CFormulaEngine::store();
    const QString key = QStringLiteral("ED") + code;
    if (!m_published.contains(key) && store->hasInstrument(key)) {
        QLLOG_WARN(qlog::kStdLogger, "external series \"%1%\" not charted: %2% is taken", s.info.name, key);
        return;
    }
    const bool daily = s.info.periodMs >= 86400000;
    QVector<quoter::CBar> bars;
    bars.reserve(s.points.size());
    for (const auto& p : s.points) {
        quoter::CBar b;
        b.time = p.first / 1000;
        b.open = b.high = b.low = b.close = p.second;
        // Points of one time (a copied-in file may repeat one) keep the last.
        if (!bars.isEmpty() && bars.last().time == b.time)
            bars.last() = b;
        else
            bars.append(b);
    }
    qlservice::CInstrumentDetail d;
    d.market = "ED";
    d.code = code.toStdString();
    d.key = key.toStdString();
    d.name = s.info.name.toStdString();
    d.kind = "external";
    d.auxStatus = 1;
    d.priceTick = 0.001;
    if (store->addInstrument(d, daily ? bars : QVector<quoter::CBar>(), daily ? QVector<quoter::CBar>() : bars))
        m_published.insert(key);
}

QByteArray CExternalDataManager::serialize(const CExternalDataInfo& info, const Points& points)
{
    QByteArray out(kHeader);
    out += '\n';
    out += "name\t" + escape(info.name) + '\n';
    out += "market\t" + escape(info.market) + '\n';
    out += "code\t" + escape(info.code) + '\n';
    out += "period\t" + QByteArray::number(info.periodMs) + '\n';
    out += "unit\t" + escape(info.unit) + '\n';
    out += "points\t" + QByteArray::number(points.size()) + '\n';
    for (const auto& p : points)
        out += QByteArray::number(p.first) + '\t' + QByteArray::number(p.second, 'g', 17) + '\n';
    return out;
}

bool CExternalDataManager::parse(const QByteArray& bytes, CExternalDataInfo& info, Points& points, QString* error)
{
    QList<QByteArray> lines = bytes.split('\n');
    // A whole file ends with a line end: the split leaves one empty piece.
    if (lines.size() < 2 || !lines.last().isEmpty())
        return fail(error, QStringLiteral("no line end at the end (truncated?)"));
    lines.removeLast();
    for (QByteArray& line : lines)
        if (line.endsWith('\r'))
            line.chop(1);
    if (lines.first() != kHeader)
        return fail(error, QStringLiteral("not an external data file"));

    CExternalDataInfo in;
    bool haveName = false;
    qint64 count = -1;
    int row = 1;
    for (; row < lines.size() && count < 0; ++row) {
        const QByteArray& line = lines[row];
        const int tab = line.indexOf('\t');
        if (tab < 0)
            return fail(error, QStringLiteral("line %1: no key").arg(row + 1));
        const QByteArray key = line.left(tab);
        const QByteArray value = line.mid(tab + 1);
        bool ok = true;
        if (key == "name") {
            ok = unescape(value, in.name) && !in.name.trimmed().isEmpty();
            haveName = ok;
        } else if (key == "market") {
            ok = unescape(value, in.market);
        } else if (key == "code") {
            ok = unescape(value, in.code);
        } else if (key == "unit") {
            ok = unescape(value, in.unit);
        } else if (key == "period") {
            in.periodMs = value.toLongLong(&ok);
            ok = ok && in.periodMs >= 0;
        } else if (key == "points") {
            count = value.toLongLong(&ok);
            ok = ok && count >= 0;
        }
        if (!ok)
            return fail(error, QStringLiteral("line %1: bad %2").arg(row + 1).arg(QString::fromLatin1(key)));
    }
    if (!haveName)
        return fail(error, QStringLiteral("no name"));
    if (count < 0)
        return fail(error, QStringLiteral("no points line"));
    if (count != lines.size() - row)
        return fail(error, QStringLiteral("%1 points announced, %2 lines follow").arg(count).arg(lines.size() - row));

    Points out;
    out.reserve(int(count));
    for (; row < lines.size(); ++row) {
        const QByteArray& line = lines[row];
        const int tab = line.indexOf('\t');
        bool okTime = false;
        bool okValue = false;
        const qint64 t = tab < 0 ? 0 : line.left(tab).toLongLong(&okTime);
        const double v = tab < 0 ? 0.0 : line.mid(tab + 1).toDouble(&okValue);
        if (!okTime || !okValue || !hasValue(v))
            return fail(error, QStringLiteral("line %1: bad point").arg(row + 1));
        if (!out.isEmpty() && t < out.last().first)
            return fail(error, QStringLiteral("line %1: time goes back").arg(row + 1));
        out.append(qMakePair(t, plainZero(v)));
    }
    info = in;
    points = out;
    return true;
}

void CExternalDataManager::loadSeries() const
{
    if (m_seriesLoaded)
        return;
    m_seriesLoaded = true;
    const QDir dir(folderLocked());
    const QStringList files =
        dir.entryList({QStringLiteral("*") + QLatin1String(kSuffix)}, QDir::Files | QDir::Readable, QDir::Name);
    for (const QString& file : files) {
        const QString path = dir.filePath(file);
        QFile f(path);
        CSeries s;
        QString error;
        if (!f.open(QIODevice::ReadOnly)) {
            error = f.errorString();
        } else if (parse(f.readAll(), s.info, s.points, &error)) {
            if (m_series.contains(s.info.name)) {
                error = QStringLiteral("the series \"%1\" is already read from %2")
                            .arg(s.info.name, m_series.value(s.info.name).path);
            } else {
                s.path = path;
                m_series.insert(s.info.name, s);
                publish(s);
                continue;
            }
        }
        QLLOG_WARN(qlog::kStdLogger, "external series file skipped. file:%1%, error:%2%", path, error);
    }
}

bool CExternalDataManager::isExist(const QString& name) const
{
    QMutexLocker lock(&m_mutex);
    loadSeries();
    return m_series.contains(name);
}

bool CExternalDataManager::removeData(const QString& name)
{
    QMutexLocker lock(&m_mutex);
    loadSeries();
    auto it = m_series.find(name);
    if (it == m_series.end())
        return false;
    if (QFile::exists(it->path) && !QFile::remove(it->path)) {
        QLLOG_WARN(qlog::kStdLogger, "external series file not removed. file:%1%", it->path);
        return false;
    }
    m_series.erase(it);
    return true;
}

bool CExternalDataManager::generateData1(const CExternalDataInfo& info,
                                         const std::vector<se::RPCTimeItem>& times,
                                         const std::vector<double>& values)
{
    const QString fileName = fileNameOf(info.name);
    if (info.name.trimmed().isEmpty() || times.size() != values.size() || fileName.size() > kMaxFileName) {
        QLLOG_WARN(qlog::kStdLogger, "external series \"%1%\" refused: %2% times, %3% values", info.name,
                   times.size(), values.size());
        return false;
    }
    CSeries s;
    s.info = info;
    for (size_t i = 0; i < times.size(); ++i) {
        if (hasValue(values[i]))
            s.points.append(qMakePair(times[i].timeMs, plainZero(values[i])));
    }
    std::stable_sort(
        s.points.begin(), s.points.end(),
        [](const QPair<qint64, double>& a, const QPair<qint64, double>& b) { return a.first < b.first; });

    QMutexLocker lock(&m_mutex);
    loadSeries();
    const QString dirPath = folderLocked();
    s.path = QDir(dirPath).filePath(fileName);
    if (!QDir().mkpath(dirPath) || !QWriteFile(s.path, serialize(s.info, s.points))) {
        QLLOG_WARN(qlog::kStdLogger, "external series \"%1%\" not stored. file:%2%", info.name, s.path);
        return false;
    }
    // A series read from a file of another name (copied in by hand) moves.
    const QString old = m_series.value(info.name).path;
    if (!old.isEmpty() && old != s.path)
        QFile::remove(old);
    m_series.insert(info.name, s);
    publish(s);
    return true;
}

CExternalDataManager::Points CExternalDataManager::data(const QString& name) const
{
    QMutexLocker lock(&m_mutex);
    loadSeries();
    return m_series.value(name).points;
}

CExternalDataInfo CExternalDataManager::info(const QString& name) const
{
    QMutexLocker lock(&m_mutex);
    loadSeries();
    return m_series.value(name).info;
}

QStringList CExternalDataManager::names() const
{
    QMutexLocker lock(&m_mutex);
    loadSeries();
    QStringList out = m_series.keys();
    out.sort();
    return out;
}

} // namespace TC
