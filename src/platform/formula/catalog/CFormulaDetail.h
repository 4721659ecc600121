#pragma once

#include <memory>

#include <QString>
#include <QStringList>
#include <QVector>

#include "platform/formula/catalog/CFormulaParamDef.h"

namespace TC {

namespace flang {
class CFormulaProgram;
}

// The catalogue record of one formula: what the chart needs to place,
// request and label it, and the source the service runs.
//
//   name        lookup name, always upper case (Chinese names unchanged)
//   realName    identifier the service reports in results; the name for
//               built-ins, the file base name for a Python formula
//   placement   0 sub-graph, 1 overlaid on the main graph, 2 takes over the
//               main pane
//   drType      ex-rights type the formula wants (0..4), -1 when it has no
//               preference (the chart keeps its own)
//   countLimit  bars the formula is computed over, counted from the newest;
//               0 = no limit
//   alignment   0 the series is drawn on the chart's visible window as is
//               (it has the chart's bars); 1 or more it is aligned on its
//               newest bar (models and count-limited series, whose bar count
//               differs from the chart's)
//   decimals    per output the number of decimals of its labels; -1 (or no
//               entry) leaves it to the instrument's price tick
//   kind        0 indicator, 1 main-chart formula, 2 model
//   modelType   0 indicator, 1 user formula, 4 group model, 5 strategy model
//   language    0 the built-in formula language, 1 Python
//   timing      timing value in milliseconds handed to the service, 0 none
//   native      computed by the service itself (KLINE, TICKDATA, TICKVOL,
//               价位线): no source, nothing to compile
//   outputNames the outputs' names where the catalogue declares them (native
//               formulas); compiled formulas name theirs in the source
//
//   usesFutureData  the source calls a function whose value on a bar depends
//               on later bars (CONST, BACKSET, XMA, ZIG, PEAK, TROUGH; see
//               CFormulaProgram::usesFutureData): its signals may change
//               after the fact, which the editor and the catalogue show.
//               Worked out when the source or the parameters change; false
//               for a source that does not compile.
//
// The run handle is null until CFormulaOperateManager::genLuaFormula prepares
// it; changing the source or the parameters drops it. Records handed out by
// the catalogue are shared: change them only on the GUI thread.
class CFormulaDetail
{
public:
    const QString& getName() const { return m_name; }
    void setName(const QString& name) { m_name = name.trimmed().toUpper(); }

    // Falls back to the name when no real name was set.
    QString getRealName() const { return m_realName.isEmpty() ? m_name : m_realName; }
    void setRealName(const QString& name) { m_realName = name.trimmed(); }

    const QString& getTitle() const { return m_title; }
    void setTitle(const QString& title) { m_title = title; }

    int getPlacement() const { return m_placement; }
    void setPlacement(int p) { m_placement = p; }

    int getDrType() const { return m_drType; }
    void setDrType(int t) { m_drType = t; }

    const QVector<CFormulaParamDef>& getParams() const { return m_params; }
    void setParams(const QVector<CFormulaParamDef>& params);
    QStringList getParamNames() const;

    int getCountLimit() const { return m_countLimit; }
    void setCountLimit(int n) { m_countLimit = n; }

    int getAlignment() const { return m_alignment; }
    void setAlignment(int a) { m_alignment = a; }

    const QVector<int>& getDecimals() const { return m_decimals; }
    void setDecimals(const QVector<int>& d) { m_decimals = d; }
    // True with d set when output i has a configured number of decimals.
    bool outputDecimals(int i, int& d) const;

    const QStringList& getOutputNames() const { return m_outputNames; }
    void setOutputNames(const QStringList& names) { m_outputNames = names; }

    bool isSuperposable() const { return m_superposable; }
    void setSuperposable(bool on) { m_superposable = on; }

    int getKind() const { return m_kind; }
    void setKind(int k) { m_kind = k; }

    int getModelType() const { return m_modelType; }
    void setModelType(int t) { m_modelType = t; }

    int getLanguage() const { return m_language; }
    void setLanguage(int l) { m_language = l; }

    const QString& getSource() const { return m_source; }
    void setSource(const QString& source);

    bool usesFutureData() const { return !m_futureFunctions.isEmpty(); }
    const QStringList& futureFunctions() const { return m_futureFunctions; }

    int getTiming() const { return m_timing; }
    void setTiming(int ms) { m_timing = ms; }

    bool isVba() const { return m_vba; }
    void setVba(bool on) { m_vba = on; }
    bool isGroupModel() const { return m_groupModel; }
    void setGroupModel(bool on) { m_groupModel = on; }
    bool isUserModel() const { return m_userModel; }
    void setUserModel(bool on) { m_userModel = on; }
    bool isNative() const { return m_native; }
    void setNative(bool on) { m_native = on; }

    const std::shared_ptr<const flang::CFormulaProgram>& getRunHandle() const { return m_runHandle; }
    void setRunHandle(std::shared_ptr<const flang::CFormulaProgram> handle)
    {
        m_runHandle = std::move(handle);
    }

private:
    QString m_name;
    QString m_realName;
    QString m_title;
    int m_placement = 0;
    int m_drType = -1;
    QVector<CFormulaParamDef> m_params;
    int m_countLimit = 0;
    int m_alignment = 0;
    QVector<int> m_decimals;
    QStringList m_outputNames;
    bool m_superposable = false;
    int m_kind = 0;
    int m_modelType = 0;
    int m_language = 0;
    QString m_source;
    int m_timing = 0;
    bool m_vba = false;
    bool m_groupModel = false;
    bool m_userModel = false;
    bool m_native = false;
    std::shared_ptr<const flang::CFormulaProgram> m_runHandle;
    QStringList m_futureFunctions;

    void updateFutureFunctions();
};

} // namespace TC
