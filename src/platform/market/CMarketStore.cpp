#include "platform/market/CMarketStore.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <boost/thread/locks.hpp>

#include <QDir>
#include <QElapsedTimer>

#include "platform/config/CAppConfig.h"
#include "platform/config/QLLog.h"
#include "platform/market/CBarAggregator.h"
#include "platform/market/CChinaTradingCalendar.h"
#include "platform/market/CCsvLoader.h"
#include "platform/market/CDividAdjuster.h"
#include "platform/market/CLocalTimeConverter.h"
#include "platform/market/CSampleMarketGenerator.h"

namespace TC {

namespace {

using ReadLock = boost::shared_lock<boost::shared_mutex>;
using WriteLock = boost::unique_lock<boost::shared_mutex>;

QDate& defaultTodayRef()
{
    static QDate today = CSampleMarketGenerator::defaultToday();
    return today;
}

} // namespace

QDate CMarketStore::defaultToday()
{
    return defaultTodayRef();
}

void CMarketStore::setDefaultToday(const QDate& date)
{
    if (date.isValid())
        defaultTodayRef() = date;
}

CMarketStore::CMarketStore() : CMarketStore(kDefaultSeed, defaultToday(), true)
{
    m_loadErrors = loadUserCsvFolder(CAppConfig::userDataDir() + QStringLiteral("/csv"));
}

CMarketStore::CMarketStore(quint64 seed, const QDate& today, bool loadReal)
{
    QElapsedTimer timer;
    timer.start();
    m_data = CSampleMarketGenerator(seed, today).generate();
    QLLOG_INFO(qlog::kStdLogger, "sample market generated: %1% instruments, today %2%, %3% ms",
               m_data.instruments.size(), m_data.today.toString(Qt::ISODate), timer.elapsed());
    if (loadReal)
        loadRealSamples();
}

CMarketStore::~CMarketStore() = default;

CMarketStore* CMarketStore::instance()
{
    return utils::CSingletonT<CMarketStore>::instance();
}

void CMarketStore::loadRealSamples()
{
    struct Sample {
        const char* code;
        const char* name;
        const char* kind;
        const char* file;
    };
    static const Sample samples[] = {
        {"GOOG", "Google", "stock", "goog_2004-2008_daily_matplotlib.csv"},
        {"FB", "Facebook", "stock", "FB_2012-05-18_2014-03-07_daily_techan.csv"},
        {"SPX", "S&P 500", "index", "SPX_2019-11-05_2019-11-08_1min_mplfinance.csv"},
    };
    const QString dir = CAppConfig::dataDir() + QStringLiteral("/real");
    for (const Sample& s : samples) {
        qlservice::CInstrumentDetail d;
        d.market = "US";
        d.code = s.code;
        d.key = d.market + d.code;
        d.name = s.name;
        d.kind = s.kind;
        d.priceTick = 0.01;
        d.stockType = d.kind == "index" ? 100012 : 0;
        QString error;
        if (!CCsvLoader::loadInstrument(*this, d, QStringList{QDir(dir).filePath(QString::fromUtf8(s.file))},
                                        &error))
            QLLOG_WARN(qlog::kStdLogger, "real sample %1% not loaded: %2%", d.key, error);
    }
}

QStringList CMarketStore::instrumentKeys() const
{
    ReadLock lock(m_mutex);
    return m_data.instruments.keys();
}

bool CMarketStore::hasInstrument(const QString& key) const
{
    ReadLock lock(m_mutex);
    return m_data.instruments.contains(key);
}

QString CMarketStore::resolveKey(const QString& text, QStringList* matches) const
{
    if (matches)
        matches->clear();
    const QString t = text.trimmed();
    if (t.isEmpty())
        return QString();
    ReadLock lock(m_mutex);
    QStringList found;
    for (auto it = m_data.instruments.cbegin(); it != m_data.instruments.cend(); ++it)
        if (it.key().compare(t, Qt::CaseInsensitive) == 0)
            found.append(it.key());
    if (matches)
        *matches = found;
    if (found.contains(t))
        return t;
    return found.size() == 1 ? found.first() : QString();
}

std::shared_ptr<qlservice::CInstrumentDetail> CMarketStore::instrument(const QString& key) const
{
    ReadLock lock(m_mutex);
    auto it = m_data.instruments.constFind(key);
    if (it == m_data.instruments.cend())
        return nullptr;
    return std::make_shared<qlservice::CInstrumentDetail>(it->detail);
}

QVector<quoter::CBar> CMarketStore::dayBars(const QString& key) const
{
    ReadLock lock(m_mutex);
    return m_data.instruments.value(key).dayBars;
}

QVector<quoter::CBar> CMarketStore::minuteBars(const QString& key) const
{
    ReadLock lock(m_mutex);
    return m_data.instruments.value(key).minuteBars;
}

QVector<quoter::CTick> CMarketStore::ticks(const QString& key) const
{
    ReadLock lock(m_mutex);
    return m_data.instruments.value(key).ticks;
}

QVector<quoter::DividData> CMarketStore::dividData(const QString& key) const
{
    ReadLock lock(m_mutex);
    return m_data.instruments.value(key).divids;
}

QVector<CRankListRecord> CMarketStore::rankList(const QString& key) const
{
    ReadLock lock(m_mutex);
    return m_data.instruments.value(key).rankList;
}

QStringList CMarketStore::markets() const
{
    ReadLock lock(m_mutex);
    QStringList out = m_data.tradeDates.keys();
    for (const QString& m : m_data.sessions.keys()) {
        if (!out.contains(m))
            out.append(m);
    }
    std::sort(out.begin(), out.end());
    return out;
}

QVector<qint64> CMarketStore::tradeDates(const QString& market) const
{
    ReadLock lock(m_mutex);
    return m_data.tradeDates.value(market);
}

qint64 CMarketStore::lastTradingDay(const QString& market) const
{
    ReadLock lock(m_mutex);
    auto it = m_data.tradeDates.constFind(market);
    return it == m_data.tradeDates.cend() || it->isEmpty() ? 0 : it->last();
}

QVector<CTradingSession> CMarketStore::sessions(const QString& market) const
{
    ReadLock lock(m_mutex);
    return m_data.sessions.value(market);
}

double CMarketStore::prevClose(const QString& key, const QDate& day) const
{
    if (!day.isValid())
        return std::numeric_limits<double>::max();
    const qint64 tag = CLocalTimeConverter::dayTag(day);
    ReadLock lock(m_mutex);
    auto it = m_data.instruments.constFind(key);
    if (it == m_data.instruments.cend())
        return std::numeric_limits<double>::max();
    return CDividAdjuster::previousClose(it->dayBars, it->divids, tag, it->detail.priceTick);
}

QDate CMarketStore::today() const
{
    ReadLock lock(m_mutex);
    return m_data.today;
}

QString CMarketStore::sectorOf(const QString& key, int level) const
{
    if (level < 1 || level > 3)
        return QString();
    ReadLock lock(m_mutex);
    const QStringList sectors = m_data.instruments.value(key).sectors;
    return level <= sectors.size() ? sectors[level - 1] : QString();
}

QString CMarketStore::sectorIndexKey(const QString& sectorName) const
{
    ReadLock lock(m_mutex);
    return m_data.sectorKeyByName.value(sectorName);
}

QSet<QString> CMarketStore::convertibleBonds(const QString& stockKey) const
{
    ReadLock lock(m_mutex);
    return m_data.bondsByStock.value(stockKey);
}

CMarketData CMarketStore::snapshot() const
{
    ReadLock lock(m_mutex);
    return m_data;
}

} // namespace TC
