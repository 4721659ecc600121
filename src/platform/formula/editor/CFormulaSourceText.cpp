#include "platform/formula/editor/CFormulaSourceText.h"

#include <cmath>

#include <QRegularExpression>
#include <QStringList>

namespace TC {

namespace {

const QRegularExpression& paramsLinePattern()
{
    static const QRegularExpression re(QStringLiteral("^\\s*\\{PARAMS:([^}]*)\\}\\s*$"));
    return re;
}

QString firstLine(const QString& text)
{
    return text.section(QLatin1Char('\n'), 0, 0);
}

} // namespace

bool CFormulaSourceText::hasParamsLine(const QString& text)
{
    return paramsLinePattern().match(firstLine(text)).hasMatch();
}

bool CFormulaSourceText::split(const QString& text, QVector<CFormulaParamDef>& params, QString& body,
                               QString* why)
{
    params.clear();
    body.clear();
    const QRegularExpressionMatch m = paramsLinePattern().match(firstLine(text));
    if (!m.hasMatch()) {
        body = text;
        return true;
    }
    QVector<CFormulaParamDef> out;
    for (const QString& item : m.captured(1).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        if (item.trimmed().isEmpty())
            continue;
        const QStringList nums = item.section(QLatin1Char('='), 1).split(QLatin1Char(','));
        CFormulaParamDef p;
        p.name = item.section(QLatin1Char('='), 0, 0).trimmed().toUpper();
        bool ok = !p.name.isEmpty() && item.contains(QLatin1Char('=')) && nums.size() == 3;
        double* fields[3] = {&p.defaultValue, &p.minValue, &p.maxValue};
        for (int i = 0; ok && i < 3; ++i) {
            *fields[i] = nums[i].trimmed().toDouble(&ok);
            ok = ok && std::isfinite(*fields[i]);
        }
        if (!ok) {
            if (why)
                *why = QStringLiteral("参数格式错误 '%1' (应为 名称=缺省,最小,最大)").arg(item.trimmed());
            return false;
        }
        out.append(p);
    }
    params = out;
    const int eol = text.indexOf(QLatin1Char('\n'));
    body = eol < 0 ? QString() : text.mid(eol + 1);
    return true;
}

} // namespace TC
