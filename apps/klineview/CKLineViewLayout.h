#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QStringList>

namespace TC {

class CKLineMainWidget;

// What the host puts on its chart: instrument, period, ex-rights type and
// indicator list. The command line fills it, the window keeps it up to date
// and saves it as JSON between sessions.
//
// Indicators: every main-pane formula of the list (catalogue placement 1 or
// 2, "MA", "BOLL", ...) is overlaid on the candles in list order; every other
// one gets its own sub-pane, in list order. A list without any main-pane
// formula leaves the candles alone (the chart's default "MA" is taken off):
// a trader who names the indicators gets exactly those.
//
// Period: seconds as in the chart's period table; the codes 10, 11 and 13
// (N days, N hours, N minutes) take N from periodMultiple(), which the host
// hands to the chart when it asks for it (event 221).
//
// Ex-rights default: 1 (前复权), the adjustment traders read daily charts in.
//
// The chart's own layout: chartParam() is the chart's full parameter text
// (CKLineMainWidget::param(false) with the pane sizes as "stretchFactor"),
// which holds every period's panes and overlays; it is saved as "chart" and
// put back with setParam before the fields above, so a restart gives back
// the layout of each period the user visited. The fields above still win:
// a period, ex-rights type or indicator list given on the command line is
// applied over the restored chart (the indicators only when they differ
// from what the chart shows). Equality leaves the chart text out: it is
// what the chart derived, not what the user chose.
class CKLineViewLayout
{
public:
    static constexpr const char* kDefaultInstrument = "SH600000";
    static constexpr int kDefaultPeriod = 86400;
    static constexpr int kDefaultDrType = 1;
    static constexpr int kMaxMultiple = 999;
    static QStringList defaultIndexes();

    const QString& instrument() const { return m_instrument; }
    // Taken as given (trimmed); resolveInstrument() turns it into the market
    // store's own key, whose case may be mixed ("SFrb888").
    void setInstrument(const QString& key) { m_instrument = key.trimmed(); }
    // Replaces the instrument by the store's key of it (any case); false,
    // changing nothing, when the store has no such instrument.
    bool resolveInstrument();
    int period() const { return m_period; }
    int periodMultiple() const { return m_periodMultiple; }
    // False (nothing changes) for a period outside the chart's table or a
    // multiple outside 1..kMaxMultiple.
    bool setPeriod(int period, int multiple = 1);
    int drType() const { return m_drType; }
    bool setDrType(int t);
    const QStringList& indexes() const { return m_indexes; }
    void setIndexes(const QStringList& names);

    const QString& chartParam() const { return m_chartParam; }
    void setChartParam(const QString& text) { m_chartParam = text; }
    // The chart's full parameter text with its pane sizes.
    static QString chartParamOf(CKLineMainWidget* chart);

    // Puts the layout on a freshly built chart without requesting; unknown
    // formulas are skipped with a log line. The caller requests.
    void applyTo(CKLineMainWidget* chart) const;
    // The chart's indicators as a list of this form (main-pane overlays, then
    // one name per sub-pane).
    static QStringList indexesOf(const CKLineMainWidget* chart);

    QJsonObject toJson() const;
    // Takes every valid field of `o`; an invalid field keeps its value and is
    // named in *problems. The instrument is resolved against the market store,
    // so an instrument the store does not hold is an invalid field.
    void fromJson(const QJsonObject& o, QStringList* problems);

    // Atomic write (TC::QWriteFile): a failure leaves the old file as it
    // was. False with the reason in *error.
    bool save(const QString& path, QString* error) const;

    // Format of the file; a file of a later format (a newer klineview wrote
    // it) is set aside like an unreadable one instead of being half-read
    // and then overwritten.
    static constexpr int kFormatVersion = 1;

    enum LoadResult {
        kLoaded,   // every valid field taken (invalid ones are logged)
        kMissing,  // no file: nothing to do
        kSetAside, // unreadable, not JSON or not an object: renamed to *setAsidePath
        kUnusable, // unusable and could not be renamed: do not write over it
    };
    // Only kLoaded changes the layout. A file that cannot be used at all is
    // renamed to "<path>.bad-<yyyyMMdd-HHmmss>" (logged) so that saving the
    // layout later never destroys what the user had.
    LoadResult load(const QString& path, QString* setAsidePath = nullptr);

    // <user data folder>/klineview.json
    static QString defaultSettingsPath();

    bool operator==(const CKLineViewLayout& o) const;
    bool operator!=(const CKLineViewLayout& o) const { return !(*this == o); }

private:
    // Why a file of that "version" value cannot be read ("" when it can).
    static QString versionProblem(const QJsonValue& version);

    QString m_chartParam;
    QString m_instrument = QString::fromLatin1(kDefaultInstrument);
    int m_period = kDefaultPeriod;
    int m_periodMultiple = 1;
    int m_drType = kDefaultDrType;
    QStringList m_indexes = defaultIndexes();
};

} // namespace TC
