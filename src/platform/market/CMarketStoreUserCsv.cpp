// The user's own CSV files.
#include <boost/thread/locks.hpp>

#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>

#include "platform/config/QLLog.h"
#include "platform/market/CCsvLoader.h"
#include "platform/market/CMarketStore.h"

namespace TC {

QStringList CMarketStore::loadUserCsvFolder(const QString& dir)
{
    QStringList errors;
    const QDir folder(dir);
    if (!folder.exists())
        return errors;

    // MARKET_CODE[_NAME]_(day|1min).csv
    static const QRegularExpression pattern(
        QStringLiteral("^([A-Za-z]+)_([A-Za-z0-9.]+)(?:_(.+))?_(day|1min)\\.csv$"),
        QRegularExpression::CaseInsensitiveOption);
    struct Files {
        qlservice::CInstrumentDetail detail;
        QStringList paths;
    };
    QMap<QString, Files> byKey;
    const QStringList names = folder.entryList(QStringList{QStringLiteral("*.csv")}, QDir::Files, QDir::Name);
    for (const QString& name : names) {
        const QRegularExpressionMatch m = pattern.match(name);
        if (!m.hasMatch()) {
            const QString why = QStringLiteral("%1: name not of the form MARKET_CODE[_NAME]_day.csv or _1min.csv")
                                    .arg(folder.filePath(name));
            QLLOG_WARN(qlog::kStdLogger, "%1%", why);
            errors << why;
            continue;
        }
        const QString market = m.captured(1).toUpper();
        const QString code = m.captured(2);
        // Codes compare ignoring case, as a user types them: "sh_600036" and
        // "SH_600036" files are one instrument, keyed as the first one spells it.
        Files& f = byKey[(market + code).toUpper()];
        if (f.paths.isEmpty()) {
            f.detail.market = market.toStdString();
            f.detail.code = code.toStdString();
            f.detail.key = f.detail.market + f.detail.code;
        }
        if (!m.captured(3).isEmpty())
            f.detail.name = m.captured(3).toStdString();
        f.paths << folder.filePath(name);
    }

    for (auto it = byKey.begin(); it != byKey.end(); ++it) {
        Files& f = it.value();
        if (f.detail.name.empty())
            f.detail.name = f.detail.code;
        f.detail.kind = "stock";
        QStringList existing;
        resolveKey(QString::fromStdString(f.detail.key), &existing);
        if (!existing.isEmpty()) {
            const QString why = QStringLiteral("%1: instrument already exists, user files ignored")
                                    .arg(existing.join(QStringLiteral(", ")));
            QLLOG_WARN(qlog::kStdLogger, "%1%", why);
            errors << why;
            continue;
        }
        QString why;
        if (!CCsvLoader::loadInstrument(*this, f.detail, f.paths, &why))
            errors << why;
    }
    return errors;
}

QStringList CMarketStore::loadErrors() const
{
    boost::shared_lock<boost::shared_mutex> lock(m_mutex);
    return m_loadErrors;
}

} // namespace TC
