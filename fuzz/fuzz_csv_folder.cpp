// Arbitrary file names in the user's CSV folder: each line of the input names
// a file (MARKET_CODE[_NAME]_day.csv or _1min.csv are the loadable ones),
// written with a few good bars of the size its name ends in, then the folder
// is loaded into a market store. Beyond not crashing: every instrument the
// folder adds is keyed MARKET+CODE after some file's name, holds bars, and
// nothing already in the store changes; every other file is named in the
// messages.
//   scripts/fuzz.sh 60 fuzz_csv_folder
#include <cstddef>
#include <cstdint>
#include <memory>

#include <QDate>
#include <QSet>

#include "FuzzFolder.h"
#include "platform/market/CMarketStore.h"

using fuzz::check;

namespace {

std::unique_ptr<TC::CMarketStore> g_store;
QSet<QString> g_keys;

const char kDay[] = "date,open,high,low,close,volume\n"
                    "2024-01-02,10,11,9,10.5,1000\n"
                    "2024-01-03,10.5,11,10,10.8,1200\n";
const char kMinute[] = "2024-01-02 09:30,10,11,9,10.5,100\n"
                       "2024-01-02 09:31,10.5,11,10,10.8,120\n";

void freshStore()
{
    g_store.reset(new TC::CMarketStore(7, QDate(2024, 6, 28), false));
    const QStringList keys = g_store->instrumentKeys();
    g_keys = QSet<QString>(keys.begin(), keys.end());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    freshStore();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QDir folder(fuzz::scratch().filePath(QStringLiteral("csv")));
    folder.removeRecursively();
    check(QDir().mkpath(folder.path()));
    QStringList names;
    for (const QByteArray& line : QByteArray(reinterpret_cast<const char*>(data), int(size)).split('\n')) {
        const QString name = QString::fromUtf8(line);
        // What a file system can hold as one entry of this folder.
        if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") ||
            name.contains(QLatin1Char('/')) || name.contains(QChar(0)) || name.toUtf8().size() > 200 ||
            names.contains(name) || names.size() == 8)
            continue;
        const bool minute = name.endsWith(QLatin1String("_1min.csv"), Qt::CaseInsensitive);
        fuzz::writeFile(QStringLiteral("csv/") + name, minute ? kMinute : kDay);
        names << name;
    }
    // The folder's CSV files: other names are not the loader's business.
    const QStringList present = folder.entryList(QStringList{QStringLiteral("*.csv")}, QDir::Files);
    const QStringList errors = g_store->loadUserCsvFolder(folder.path());
    const QStringList keys = g_store->instrumentKeys();
    int added = 0;
    for (const QString& key : keys) {
        if (g_keys.contains(key))
            continue;
        ++added;
        bool named = false;
        for (const QString& n : present) {
            const QString stem = n.section(QLatin1Char('_'), 0, 0).toUpper() + n.section(QLatin1Char('_'), 1, 1);
            named = named || stem == key;
        }
        check(named);
        const auto inst = g_store->instrument(key);
        check(inst && inst->key == key.toStdString());
        g_keys.insert(key);
    }
    check(g_keys.size() == keys.size());
    // Files that added nothing are told about.
    if (added == 0 && !present.isEmpty())
        check(!errors.isEmpty());
    if (g_keys.size() > 2000)
        freshStore();
    return 0;
}
