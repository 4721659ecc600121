#pragma once

#include <optional>
#include <vector>

#include <QByteArray>
#include <QHash>
#include <QMutex>
#include <QPair>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

#include "platform/formula/RPCTimeItem.h"
#include "platform/formula/service/CExternalDataInfo.h"

namespace TC {

// The terminal's external data: product catalogues (an instrument code and
// its kind) and the series users generate from chart outputs, by name.
// The sample market's "ED" instruments are products of kind kKindSeries.
// Thread-safe.
//
// The terminal's own store (the default constructor, instance()) also
// charts every series it reads or generates: as the instrument
// "ED" + marketCodeOf(name) of the market store, its bars carrying the value
// as open, high, low and close (day bars for daily and longer series,
// minute bars otherwise). A name whose code is taken by another instrument
// is not charted. A removed series stays on the market until the next start.
//
// Series are kept in the user folder, <user data>/external/, one file per
// series (fileNameOf(name)), written atomically. The folder is read on the
// first call that needs the series; a file that does not parse (or repeats a
// name already read) is logged and skipped, the others load, and the file is
// left alone until that name is generated or removed again. Removing a series
// deletes its file. A series whose file cannot be written is refused and
// nothing changes.
//
// File format (UTF-8 text, "\n" line ends):
//   #KLINEVIEW EXTERNAL DATA 1
//   name<TAB>..., market<TAB>..., code<TAB>..., period<TAB>ms, unit<TAB>...
//   points<TAB>n
//   n lines "time ms<TAB>value", times not decreasing, values finite
// Texts escape "\\", TAB, CR and LF as \\ \t \r \n. Unknown header keys are
// ignored, so a later version may add some.
class CExternalDataManager
{
public:
    static constexpr int kKindSeries = 1;
    static constexpr int kKindExtension = 2;

    using Points = QVector<QPair<qint64, double>>;

    // Series under CAppConfig::userDataDir()/external (resolved on first use),
    // charted on the market store.
    CExternalDataManager();
    // Series under an explicit folder.
    explicit CExternalDataManager(const QString& folder);
    static CExternalDataManager* instance();

    QString folder() const;

    // Product catalogue of an instrument code: its kind, or none.
    std::optional<int> getCatalog(const QString& code);
    // Adds or re-kinds a product; an empty code is refused.
    bool addCatalog(const QString& code, int kind);

    bool isExist(const QString& name) const;
    bool removeData(const QString& name);
    // Stores the values of one output over its bars under info.name,
    // replacing a series of that name. Bars without a value (the largest
    // double, NaN, infinities) are left out; times and values must be
    // parallel, the name non-empty and short enough for a file name, and the
    // file must be written, else nothing changes (false).
    bool generateData1(const CExternalDataInfo& info, const std::vector<se::RPCTimeItem>& times,
                       const std::vector<double>& values);
    // (time ms, value) pairs of a series, ascending; empty when unknown.
    Points data(const QString& name) const;
    CExternalDataInfo info(const QString& name) const;
    // Names of every stored series, sorted.
    QStringList names() const;

    // The file of a series: its name percent-encoded (one path component,
    // never "." or "..") with the suffix ".xdat".
    static QString fileNameOf(const QString& name);
    // The instrument code a series is charted under: its name with every
    // character but letters, digits and '_' as '_'; "" for an empty name.
    static QString marketCodeOf(const QString& name);
    static QByteArray serialize(const CExternalDataInfo& info, const Points& points);
    // False, with the reason in *error, for anything but a whole file.
    static bool parse(const QByteArray& bytes, CExternalDataInfo& info, Points& points, QString* error = nullptr);

private:
    struct CSeries {
        CExternalDataInfo info;
        Points points;
        QString path; // the file it was read from or written to
    };
    void loadDefaults();
    // Callers hold m_mutex.
    void loadSeries() const;
    void publish(const CSeries& s) const;
    QString folderLocked() const;

    mutable QMutex m_mutex;
    bool m_defaultsLoaded = false;
    QHash<QString, int> m_products; // code -> kind
    mutable QString m_folder;
    mutable bool m_seriesLoaded = false;
    mutable QHash<QString, CSeries> m_series;
    bool m_publish = false;
    mutable QSet<QString> m_published; // market keys this store put on the market
};

} // namespace TC
