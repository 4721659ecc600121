#include "platform/formula/catalog/CFormulaCatalog.h"

#include <algorithm>

#include <boost/make_shared.hpp>

namespace TC {

CFormulaCatalog::CFormulaCatalog(const QString& name, int type, int modelType)
    : m_name(name.trimmed()), m_type(type), m_modelType(modelType)
{
}

CFormulaCatalog::Ptr CFormulaCatalog::makeLeaf(const QString& formulaName, int modelType)
{
    return boost::make_shared<CFormulaCatalog>(formulaName.trimmed().toUpper(), kFormula, modelType);
}

CFormulaCatalog::Ptr CFormulaCatalog::getChild(int i) const
{
    if (i < 0 || i >= size())
        return Ptr();
    return m_children[size_t(i)];
}

bool CFormulaCatalog::addChild(const Ptr& child)
{
    if (!child || child.get() == this || isFormula() || findChild(child->catalogName()))
        return false;
    m_children.push_back(child);
    return true;
}

CFormulaCatalog::Ptr CFormulaCatalog::findChild(const QString& name) const
{
    const QString key = name.trimmed();
    for (const Ptr& c : m_children)
        if (c->catalogName().compare(key, Qt::CaseInsensitive) == 0)
            return c;
    return Ptr();
}

bool CFormulaCatalog::removeChild(const QString& name)
{
    const QString key = name.trimmed();
    const auto it = std::find_if(m_children.begin(), m_children.end(), [&](const Ptr& c) {
        return c->catalogName().compare(key, Qt::CaseInsensitive) == 0;
    });
    if (it == m_children.end())
        return false;
    m_children.erase(it);
    return true;
}

} // namespace TC
