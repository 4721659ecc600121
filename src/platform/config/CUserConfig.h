#pragma once

#include <memory>

#include <QMap>
#include <QString>

namespace TC {

class CQuoteClient;

// Direction of an option expectation: 0 above a price, 1 below a price,
// 2 between two prices, 3 outside two prices.
enum EWinnerPredictDirection {
    WinnerAbove = 0,
    WinnerBelow = 1,
    WinnerBetween = 2,
    WinnerOutside = 3
};

// A stored option expectation setting of one instrument and direction.
struct CWinnerSetting {
    QString key;
    int type = -1;
    double lowerPrice = 0.0;
    double upperPrice = 0.0;
    int startTimeTag = 0;  // seconds since 1970: where the expected range starts
    int expireTimeTag = 0; // seconds since 1970 of the expiry day
};

// The logged-in user's configuration. Exists only while a user is logged in
// (TC::getUserConfig() returns null otherwise); every flag the chart reads is
// settable so each branch can be exercised.
class CUserConfig
{
public:
    bool hasFormulaEditorAuth() const { return m_formulaEditorAuth; }
    void setFormulaEditorAuth(bool on) { m_formulaEditorAuth = on; }

    bool hasPermissionShowModel() const { return m_showModel; }
    void setPermissionShowModel(bool on) { m_showModel = on; }

    // When on, the host's tick range callback is ignored for tick requests.
    bool rangeOverride() const { return m_rangeOverride; }
    void setRangeOverride(bool on) { m_rangeOverride = on; }

    // Keep the attached sub-panes when the period changes.
    bool keepAttachedFigures() const { return m_keepAttachedFigures; }
    void setKeepAttachedFigures(bool on) { m_keepAttachedFigures = on; }

    // The tick chart lists every tick cached locally, not only the range the
    // host asks for.
    bool showAllCachedTicks() const { return m_showAllCachedTicks; }
    void setShowAllCachedTicks(bool on) { m_showAllCachedTicks = on; }

    // Seconds between timed runs of a sub-pane formula (0: not timed).
    int formulaTimingSeconds() const { return m_timingSeconds; }
    void setFormulaTimingSeconds(int s) { m_timingSeconds = s; }

    // Bar count limit of the history-model view (0: no limit).
    int historyCountLimit() const { return m_countLimit; }
    void setHistoryCountLimit(int n) { m_countLimit = n; }

    // Fills `setting` with the stored expectation for (key, type); returns
    // false and leaves it alone when none is stored.
    bool getWinnerSetting(const QString& key, int type, CWinnerSetting& setting) const;
    void setWinnerSetting(const CWinnerSetting& setting);

    // Column settings of the detail tables, by table id.
    QString tableColumns(int tableId) const { return m_tableColumns.value(tableId); }
    void setTableColumns(int tableId, const QString& cols) { m_tableColumns[tableId] = cols; }

private:
    bool m_formulaEditorAuth = true;
    bool m_showModel = true;
    bool m_rangeOverride = false;
    bool m_keepAttachedFigures = true;
    bool m_showAllCachedTicks = false;
    int m_timingSeconds = 0;
    int m_countLimit = 0;
    QMap<QString, CWinnerSetting> m_winners;
    QMap<int, QString> m_tableColumns;
};

CUserConfig* getUserConfig();
// The same configuration with shared ownership (null when none).
std::shared_ptr<CUserConfig> getUserConfigPtr();
// Installs (or, with null, removes) the logged-in user's configuration.
void setUserConfig(std::shared_ptr<CUserConfig> config);

// The chart's own per-user options.
struct CIndexUserConfig {
    bool showParamRank = true;
};

// The terminal's manager of per-user records.
class SingletonManager
{
public:
    class IndexUserConfigStore
    {
    public:
        CIndexUserConfig get() const;
        void set(const CIndexUserConfig& c);

    private:
        CIndexUserConfig m_config;
    };

    static IndexUserConfigStore* getIndexUserConfig();
    // The quote client (platform/market/CQuoteClient.h); never null.
    static CQuoteClient* getQuoteClient();
};

} // namespace TC

namespace luawrapper {

// The scripting-module switchboard: which optional UI modules are enabled.
class LuaModuleCtrl
{
public:
    // True when every named module is enabled.
    static bool checkModule(const QStringList& modules);
    static void setModuleEnabled(const QString& module, bool on);
};

} // namespace luawrapper
