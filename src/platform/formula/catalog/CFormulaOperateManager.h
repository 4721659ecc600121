#pragma once

#include <boost/shared_ptr.hpp>

#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QReadWriteLock>
#include <QSet>
#include <QString>
#include <QStringList>

#include "platform/config/CSingletonT.h"
#include "platform/formula/catalog/CFormulaCatalog.h"
#include "platform/formula/catalog/CFormulaDetail.h"

namespace TC {

// The formula catalogue of the formula service: every formula's record and
// the catalogue tree the chart's menus show.
//
// Sources:
//  - built-in: <data folder>/formulas/catalog.json holds the tree and every
//    record except the parameters; those come from the first line of the
//    formula's source <data folder>/formulas/builtin/<NAME>.fml
//    ("{PARAMS: N=default,min,max; ...}"), the one place they are written, so
//    the record can never disagree with the text that is compiled. An entry
//    may name its source file with "file" (default <NAME>.fml).
//  - user: <user folder>/formulas/user.json, the user's own formulas with
//    parameters and source inline. Every entry is validated and compiled on
//    load; a broken file, a broken entry, a formula that does not compile or a
//    name of a built-in formula is logged (file and entry), kept in
//    userCatalogErrors() and skipped; good entries still load. Skipped entries
//    stay in the file untouched when the user saves or removes formulas. An
//    unreadable file is kept as user.json.bak before it is first rewritten.
//    User entries of model type 0 are recorded as user formulas (1); a user
//    entry of kind 2 (model) is a user model (isUserModelExist).
//
// Stand-ins: the service has no Python and no VBA; a Python formula (PYDEMO)
// and a VBA model (VBADEMO) run their companion source in the formula
// language, so genLuaFormula prepares them like any other formula.
//
// Lookups are case-insensitive (names and real names) and thread-safe; the
// records and the tree are shared and are changed on the GUI thread only.
// reload() builds new records and a new tree: holders of the old ones keep a
// consistent copy. Extension data catalogues added at run time survive reload.
class CFormulaOperateManager
{
public:
    using DetailPtr = boost::shared_ptr<CFormulaDetail>;

    // Loads from CAppConfig::dataDir() and CAppConfig::userDataDir().
    CFormulaOperateManager();
    // Loads from explicit folders (the ones holding formulas/), e.g. for tests.
    CFormulaOperateManager(const QString& dataDir, const QString& userDir);

    CFormulaOperateManager(const CFormulaOperateManager&) = delete;
    CFormulaOperateManager& operator=(const CFormulaOperateManager&) = delete;

    static CFormulaOperateManager* instance();

    // The service calls on the process-wide catalogue.
    static DetailPtr getFormula(const QString& name);
    static DetailPtr getFormulaByRealName(const QString& realName);
    static CFormulaCatalog::Ptr getRootCatalog();
    static CFormulaCatalog::Ptr getCatalog(const QString& name);
    static CFormulaCatalog::Ptr addCatalog(const QString& name, int kind);
    static bool isVbaIndex(const QString& name);
    static bool isPythonIndex(const QString& name);
    static bool isGroupModelExist(const QString& name);
    static bool isUserModelExist(const QString& name);
    // Compiles the record's source and stores the run handle in it. False, with
    // a message naming the formula, line and column in *error, on a syntax or
    // name error. Native formulas need no script and succeed; a record that
    // already holds a handle is not compiled again.
    static bool genLuaFormula(const DetailPtr& detail, QString* error = nullptr);
    static bool genLuaFormula(CFormulaDetail& detail, QString* error = nullptr);

    // The same on this catalogue.
    DetailPtr formula(const QString& name) const;
    DetailPtr formulaByRealName(const QString& realName) const;
    CFormulaCatalog::Ptr rootCatalog() const;
    // The first catalogue (not leaf) of that name, searched depth-first.
    CFormulaCatalog::Ptr catalog(const QString& name) const;
    // The top-level catalogue of that name, created with type kind when absent.
    // Null for an empty name or a kind other than 0, 1 or 2.
    CFormulaCatalog::Ptr insertCatalog(const QString& name, int kind);
    bool isVba(const QString& name) const;
    bool isPython(const QString& name) const;
    bool isGroupModel(const QString& name) const;
    bool isUserModel(const QString& name) const;
    // Lookup names of every record, sorted.
    QStringList formulaNames() const;
    bool isBuiltin(const QString& name) const;

    // Adds or replaces a user formula. It must be valid, must not carry a
    // built-in name and must compile; the user file is then rewritten
    // atomically. On any failure nothing changes (file and catalogue) and the
    // reason is in *error.
    bool saveUserFormula(const CFormulaDetail& detail, QString* error = nullptr);
    // Removes a user formula (not a built-in one) from the file and the
    // catalogue. False when there is none of that name or the file cannot be
    // written.
    bool removeUserFormula(const QString& name, QString* error = nullptr);
    // What the last load of the user file reported.
    QStringList userCatalogErrors() const;

    // Reads both catalogues again.
    void reload();

    const QString& dataDir() const { return m_dataDir; }
    const QString& userDir() const { return m_userDir; }
    QString builtinCatalogFile() const;
    QString userCatalogFile() const;

private:
    // Everything a load produces; reload() builds a new one and swaps it in.
    struct State {
        QHash<QString, DetailPtr> formulas;   // upper-case name -> record
        QHash<QString, DetailPtr> byRealName; // upper-case real name -> record
        QSet<QString> builtinNames;
        CFormulaCatalog::Ptr root;
        CFormulaCatalog::Ptr userCatalog;
        QJsonArray userEntries; // the user file's entries as read, broken ones included
        bool userFileUnreadable = false;
        QStringList userErrors;
    };

    void loadBuiltin(State& s) const;
    void loadUser(State& s) const;
    void addUserError(State& s, const QString& message) const;
    bool writeUserEntries(const QJsonArray& entries, QString* error);
    void addToState(State& s, const DetailPtr& d) const;

    // Record <-> JSON; the parse checks types and ranges, why names the fault.
    static bool parseRecord(const QJsonObject& o, bool user, CFormulaDetail& d, QString* why);
    static bool validateRecord(const CFormulaDetail& d, QString* why);
    static QJsonObject recordToJson(const CFormulaDetail& d);
    static bool parseParamsLine(const QString& source, QVector<CFormulaParamDef>& params, QString* why);
    static bool isValidName(const QString& name);
    static QString key(const QString& name) { return name.trimmed().toUpper(); }

    QString m_dataDir;
    QString m_userDir;
    mutable QReadWriteLock m_lock;
    State m_state;
};

} // namespace TC
