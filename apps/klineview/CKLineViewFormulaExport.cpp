#include "CKLineViewFormulaExport.h"

#include <QStringList>

#include "platform/config/QLLog.h"
#include "platform/formula/catalog/CFormulaOperateManager.h"
#include "platform/framework/QWriteFile.h"

namespace TC {

namespace {

bool fail(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

} // namespace

QString CKLineViewFormulaExport::paramsLine(const CFormulaDetail& detail)
{
    QStringList items;
    for (const CFormulaParamDef& p : detail.getParams())
        items.append(QStringLiteral("%1=%2,%3,%4")
                         .arg(p.name, QString::number(p.defaultValue, 'g', 12),
                              QString::number(p.minValue, 'g', 12), QString::number(p.maxValue, 'g', 12)));
    return items.isEmpty() ? QStringLiteral("{PARAMS:}")
                           : QStringLiteral("{PARAMS: %1}").arg(items.join(QStringLiteral("; ")));
}

QString CKLineViewFormulaExport::exportText(const CFormulaDetail& detail)
{
    const QString source = detail.getSource();
    if (source.trimmed().isEmpty())
        return QString();
    if (source.trimmed().startsWith(QLatin1String("{PARAMS:")))
        return source;
    return paramsLine(detail) + QLatin1Char('\n') + source;
}

QString CKLineViewFormulaExport::suggestedFileName(const QString& formula)
{
    return formula.trimmed().toUpper() + QStringLiteral(".fml");
}

bool CKLineViewFormulaExport::write(const QString& formula, const QString& path, QString* error)
{
    const auto detail = CFormulaOperateManager::getFormula(formula);
    if (!detail)
        return fail(error, QStringLiteral("没有指标 %1").arg(formula));
    const QString text = exportText(*detail);
    if (text.isEmpty())
        return fail(error, QStringLiteral("指标 %1 没有可导出的公式源码").arg(detail->getName()));
    if (!QWriteFile(path, text, error))
        return false;
    QLLOG_INFO_S(qlog::kStdLogger, "formula %1% exported to %2%", detail->getName(), path);
    return true;
}

} // namespace TC
