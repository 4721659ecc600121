#pragma once

#include <vector>

#include <boost/shared_ptr.hpp>

#include <QString>

namespace TC {

// A node of the formula catalogue tree the chart's menus walk.
//
//   type 0   system catalogue (shipped with the terminal)
//   type 1   user catalogue (the user's own formulas)
//   type 2   extension data catalogue (data generated from chart results)
//   type -1  a formula leaf: catalogName() and formulaName() give the
//            formula's lookup name; it has no children
//
// modelType follows the formula records (0 indicator, 1 user formula,
// 4 group model, 5 strategy model); the menus filter whole catalogues by it.
// The tree is built by CFormulaOperateManager and changed on the GUI thread.
class CFormulaCatalog
{
public:
    using Ptr = boost::shared_ptr<CFormulaCatalog>;

    enum { kSystem = 0, kUser = 1, kExtendData = 2, kFormula = -1 };

    CFormulaCatalog(const QString& name, int type, int modelType = 0);
    static Ptr makeLeaf(const QString& formulaName, int modelType = 0);

    const QString& catalogName() const { return m_name; }
    int type() const { return m_type; }
    int modelType() const { return m_modelType; }
    bool isFormula() const { return m_type == kFormula; }
    // The formula's lookup name for a leaf, empty for a catalogue.
    QString formulaName() const { return isFormula() ? m_name : QString(); }

    int size() const { return int(m_children.size()); }
    // Null when i is out of range.
    Ptr getChild(int i) const;
    // Appends a child. Refused (false) for a null child, on a leaf, and for a
    // second child of the same name (names compare case-insensitively).
    bool addChild(const Ptr& child);
    // The direct child of that name (case-insensitive), null when none.
    Ptr findChild(const QString& name) const;
    bool removeChild(const QString& name);

private:
    QString m_name;
    int m_type;
    int m_modelType;
    std::vector<Ptr> m_children;
};

} // namespace TC
