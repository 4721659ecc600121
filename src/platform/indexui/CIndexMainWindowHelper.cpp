#include "platform/indexui/CIndexMainWindowHelper.h"

#include <QCoreApplication>
#include <QPointer>

#include "platform/config/QLLog.h"

namespace TC {

CIndexMainWindowHelper::CIndexMainWindowHelper(QObject* parent) : QObject(parent)
{
}

CIndexMainWindowHelper* CIndexMainWindowHelper::inst()
{
    static QPointer<CIndexMainWindowHelper> helper;
    if (!helper) {
        helper = new CIndexMainWindowHelper;
        if (QCoreApplication::instance())
            QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, helper.data(),
                             &QObject::deleteLater);
    }
    return helper.data();
}

bool CIndexMainWindowHelper::handled(const char* signal, const char* what, const QString& arg) const
{
    if (receivers(signal) > 0)
        return true;
    QLLOG_INFO(qlog::kStdLogger, "no main window handles %1% (%2%)", what, arg);
    return false;
}

void CIndexMainWindowHelper::contrastSector(const QString& stockKey)
{
    if (handled(SIGNAL(sectorAnalysisRequested(QString)), "sector analysis", stockKey))
        emit sectorAnalysisRequested(stockKey);
}

void CIndexMainWindowHelper::exportFormula(const QString& formula)
{
    if (handled(SIGNAL(exportFormulaRequested(QString)), "formula export", formula))
        emit exportFormulaRequested(formula);
}

void CIndexMainWindowHelper::refresh()
{
    if (handled(SIGNAL(refreshRequested()), "refresh", QString()))
        emit refreshRequested();
}

} // namespace TC
