// The chart's layout as stored text: the full parameter, the per-period
// default, the main pane's drawings and the trade linkage setting; and the
// superposition and template-strip operations the restore goes through.
#include <algorithm>
#include <climits>
#include <cstdint>

#include <QSet>

#include "kline/CKLineLinkageSettingDialog.h"
#include "kline/CKLineMainWidget.h"
#include "kline/CKLineWidget.h"
#include "model/CKLineUiParam.h"
#include "pane/CKLineGraphWidget.h"
#include "platform/config/CAppConfig.h"
#include "platform/config/QLLog.h"
#include "platform/formula/catalog/CFormulaOperateManager.h"
#include "platform/formula/catalog/FormulaPeriod.h"
#include "platform/framework/CDragWidgetList.h"
#include "platform/indexui/CIndexModelWidget.h"
#include "platform/indexui/CIndexTitleWidget.h"
#include "platform/market/CDividAdjuster.h"
#include "platform/market/CStockManager.h"
#include "platform/market/InstrumentAccess.h"

namespace TC {

namespace {

// The layout of every period when a default text names none.
const char* const kDefaultLayout[] = {"MA", "KDJ", "VOL", "MACD"};

bool isArray(const bson::BSONElement& e)
{
    return e.type() == mongo::Array;
}

bool isInt32(const bson::BSONElement& e)
{
    return e.type() == mongo::NumberInt;
}

// A period key of "index": doubles truncate, 64-bit values keep their low
// 32 bits; what has no int value reads as 0.
int periodValue(const bson::BSONElement& e)
{
    switch (e.type()) {
    case mongo::NumberInt:
        return e._numberInt();
    case mongo::NumberLong:
        return static_cast<int>(static_cast<std::int32_t>(static_cast<std::uint64_t>(e._numberLong())));
    case mongo::NumberDouble: {
        const double d = e._numberDouble();
        // Converting a NaN or an out-of-range double to int is undefined.
        if (!(d > double(INT_MIN) - 1.0 && d < double(INT_MAX) + 1.0))
            return 0;
        return static_cast<int>(d);
    }
    default:
        return 0;
    }
}

QVector<QString> stringsOf(const bson::BSONElement& array)
{
    QVector<QString> out;
    bson::BSONObjIterator it(array.embeddedObject());
    while (it.more()) {
        const bson::BSONElement e = it.next();
        if (e.type() == mongo::String)
            out << QString::fromStdString(e.str());
    }
    return out;
}

// Every element an int32, or false.
bool int32sOf(const bson::BSONElement& array, std::vector<int>& out)
{
    bson::BSONObjIterator it(array.embeddedObject());
    while (it.more()) {
        const bson::BSONElement e = it.next();
        if (!isInt32(e))
            return false;
        out.push_back(e._numberInt());
    }
    return true;
}

auto stringArray(const QVector<QString>& list)
{
    bson::BSONArrayBuilder b;
    for (const QString& s : list)
        b.append(s.toStdString());
    return b.arr();
}

} // namespace

// ---------------------------------------------------------------------------
// Data model

QMap<int, QList<QString>> CKLineMainWidget::getIndexParam() const
{
    QMap<int, QList<QString>> map = m_periodIndexes;
    map[int(m_uiParam->period)] = getCurrentIndexes();
    return map;
}

std::vector<int> CKLineMainWidget::getKeyList()
{
    std::vector<int> keys;
    if (m_mainPane)
        keys.push_back(m_mainPane->paneId());
    for (CKLineWidget* pane : m_subPanes)
        keys.push_back(pane->paneId());
    return keys;
}

int CKLineMainWidget::freshPaneId() const
{
    int id = 0;
    do {
        id = genPositionID();
    } while (id <= 0 || findPane(id));
    return id;
}

QMap<int, QList<QString>> CKLineMainWidget::checkedIndexes(const QMap<int, QList<QString>>& indexes) const
{
    QMap<int, QList<QString>> out;
    for (auto it = indexes.constBegin(); it != indexes.constEnd(); ++it) {
        QList<QString> list;
        QStringList unknown;
        int beyond = 0;
        for (int i = 0; i < it.value().size(); ++i) {
            const QString& name = it.value().at(i);
            // An empty name is an empty pane (or no main indicator), not a formula.
            const bool known = name.trimmed().isEmpty() || CFormulaOperateManager::getFormula(name);
            if (!known)
                unknown << name;
            if (i == 0)
                list << (known ? name : QString());
            else if (known && list.size() <= kMaxRestoredSubPanes)
                list << name;
            else if (known)
                ++beyond;
        }
        if (!unknown.isEmpty())
            QLLOG_WARN(qlog::kStdLogger, "period:%1%, formulas not in the catalogue left out: %2%", it.key(),
                       unknown.join(QLatin1Char(',')));
        if (beyond > 0)
            QLLOG_WARN(qlog::kStdLogger, "period:%1%, %2% sub-panes beyond the first %3% left out", it.key(),
                       beyond, kMaxRestoredSubPanes);
        out.insert(it.key(), list);
    }
    return out;
}

// ---------------------------------------------------------------------------
// Full chart parameter

QString CKLineMainWidget::param(bool freshIds)
{
    bson::BSONObjBuilder b;

    bson::BSONArrayBuilder index;
    const QMap<int, QList<QString>> map = getIndexParam();
    for (auto it = map.constBegin(); it != map.constEnd(); ++it) {
        index.append(it.key());
        index.append(stringArray(it.value().toVector()));
    }
    b.append("index", index.arr());

    if (getConfig()->conciseStyle()) {
        b.append("slectindex", stringArray(getSelectIndex()));
        b.append("selecttempalte", stringArray(getSelectTempalte()));
    }
    b.append("drtype", m_uiParam->drType);
    b.append("period", int(m_uiParam->period));

    const QStringList superposed = superposedStock();
    if (!superposed.isEmpty())
        b.append("superposstock", stringArray(superposed.toVector()));

    bson::BSONArrayBuilder keys;
    if (!freshIds)
        for (int id : getKeyList())
            keys.append(id);
    b.append("positionkey", keys.arr());

    bson::BSONArrayBuilder linkage;
    const QMap<QString, bool> setting = getLinkageDialogSetting();
    for (auto it = setting.constBegin(); it != setting.constEnd(); ++it) {
        linkage.append(it.value() ? "1" : "0");
        linkage.append(it.key().toStdString());
    }
    b.append("linkagedialogsetting", linkage.arr());

    b.append("swbkzslevel", m_uiParam->swLevel);
    b.append("addstockflags", m_uiParam->autoConvertible);
    QVector<QString> codes;
    for (const QString& c : m_uiParam->addConvertibleCodes)
        codes << c;
    b.append("addconvertiblecodes", stringArray(codes));

    return QString::fromStdString(bson::toJson(b.obj()));
}

void CKLineMainWidget::setParam(QString text)
{
    if (!m_mainPane)
        return;
    bson::BSONObj o;
    if (!bson::tryFromJson(text.toStdString(), o))
        return;
    // A field of the wrong kind ends the restore where it is met; what was
    // applied before it stays.
    try {
        QMap<int, QList<QString>> indexes;
        const bson::BSONElement index = o.getField("index");
        if (!index.eoo()) {
            if (!isArray(index))
                return;
            int period = 0;
            int pos = 0;
            bson::BSONObjIterator it(index.embeddedObject());
            while (it.more()) {
                const bson::BSONElement e = it.next();
                if (pos++ % 2 == 0) {
                    period = periodValue(e);
                    continue;
                }
                if (!isArray(e))
                    return;
                indexes.insert(period, stringsOf(e).toList());
            }
        }

        if (getConfig()->conciseStyle()) {
            if (m_indexModel)
                m_indexModel->slotIndexTemplateInited();
            const bson::BSONElement selIndex = o.getField("slectindex");
            if (!selIndex.eoo()) {
                if (!isArray(selIndex))
                    return;
                updateSelectIndex(stringsOf(selIndex));
            }
            const bson::BSONElement selTemplate = o.getField("selecttempalte");
            if (!selTemplate.eoo()) {
                if (!isArray(selTemplate))
                    return;
                updateSelectTemplate(stringsOf(selTemplate));
            }
        }

        std::vector<int> stretch;
        const bson::BSONElement factors = o.getField("stretchFactor");
        if (!factors.eoo() && (!isArray(factors) || !int32sOf(factors, stretch)))
            return;

        const bson::BSONElement dr = o.getField("drtype");
        if (!dr.eoo()) {
            if (!isInt32(dr))
                return;
            if (CDividAdjuster::isValidType(dr._numberInt()))
                setDrType(dr._numberInt());
            else
                QLLOG_WARN(qlog::kStdLogger, "mainID:%1%, drtype %2% is no ex-rights type, skipped", m_mainId,
                           dr._numberInt());
        }

        const bson::BSONElement period = o.getField("period");
        if (!period.eoo()) {
            if (!isInt32(period))
                return;
            if (getPeriodIndex(period._numberInt()) >= 0)
                setPeriod(period._numberInt());
            else
                QLLOG_WARN(qlog::kStdLogger, "mainID:%1%, period %2% is not in the period table, skipped",
                           m_mainId, period._numberInt());
        }

        std::vector<int> keyVector;
        const bson::BSONElement position = o.getField("positionkey");
        if (!position.eoo() && (!isArray(position) || !int32sOf(position, keyVector)))
            return;
        // Missing ids (none at all, or fewer than factors) are generated by
        // loadSettings, which also refuses ids that clash.
        QList<int> keys;
        for (int id : keyVector)
            keys << id;

        const bson::BSONElement superposed = o.getField("superposstock");
        if (!superposed.eoo()) {
            if (!isArray(superposed))
                return;
            for (const QString& key : stringsOf(superposed))
                if (auto detail = CStockManager::getInstrumentDetail(key))
                    addSuperposedStock(detail);
        }

        loadSettings(indexes, stretch, keys);

        const bson::BSONElement linkage = o.getField("linkagedialogsetting");
        if (!linkage.eoo()) {
            if (!isArray(linkage))
                return;
            bool pending = false;
            const QVector<QString> items = stringsOf(linkage);
            for (int i = 0; i < items.size(); ++i) {
                if (i % 2 == 0)
                    pending = items.at(i) == QLatin1String("1");
                else
                    m_linkageSetting[items.at(i)] = pending;
            }
        }

        const bson::BSONElement level = o.getField("swbkzslevel");
        if (!level.eoo()) {
            if (!isInt32(level))
                return;
            m_uiParam->setAddSwBkzsLevel(level._numberInt());
        }
        const bson::BSONElement flags = o.getField("addstockflags");
        if (!flags.eoo()) {
            if (!isInt32(flags))
                return;
            m_uiParam->autoConvertible = flags._numberInt();
        }
        const bson::BSONElement convertible = o.getField("addconvertiblecodes");
        if (isArray(convertible))
            for (const QString& code : stringsOf(convertible))
                m_uiParam->addConvertibleCodes.insert(code);
    } catch (const std::exception&) {
        // The driver's own checks: the restore ends here, as for a bad field.
    }
}

// ---------------------------------------------------------------------------
// Rebuilding the panes

void CKLineMainWidget::loadSettings(const QMap<int, QList<QString>>& indexes, std::vector<int>& stretch,
                                    QList<int> keys)
{
    if (!m_mainPane || !m_paneList)
        return;
    clearSubIndexes();
    m_periodIndexes = checkedIndexes(indexes);
    // The further overlays belong to the layouts being replaced.
    m_periodOverlays.clear();

    const int mainStretch = stretch.empty() ? 2 : std::max(1, stretch.front());
    m_mainPane->setStock(m_uiParam->curStock);
    m_mainPane->setDrType(m_uiParam->drType);
    if (!keys.isEmpty() && keys.first() > 0)
        m_mainPane->setPaneId(keys.first());
    if (m_paneList->indexOf(m_mainPane) < 0)
        m_paneList->addStretchWidget(m_mainPane, mainStretch, 3, false);
    else
        m_paneList->changeStretch(m_mainPane, mainStretch);

    // Entry i of the key list, or a fresh id when it is missing, not
    // positive or already taken.
    auto idAt = [&](int i) {
        const int id = i < keys.size() ? keys.at(i) : 0;
        return id > 0 && !findPane(id) ? id : freshPaneId();
    };

    int wanted = stretch.empty() ? 0 : int(stretch.size()) - 1;
    if (wanted > kMaxRestoredSubPanes) {
        QLLOG_WARN(qlog::kStdLogger, "mainID:%1%, %2% sub-panes stored, the first %3% restored", m_mainId, wanted,
                   kMaxRestoredSubPanes);
        wanted = kMaxRestoredSubPanes;
    }
    for (int i = 1; i <= wanted; ++i)
        createSubPane(idAt(i), std::max(1, stretch[size_t(i)]));

    const int preCreated = m_subPanes.size();
    setCurrentIndexes(m_periodIndexes.value(int(m_uiParam->period)));
    // Panes the layout list added beyond the stretch factors take their
    // stored ids as well.
    for (int i = preCreated; i < m_subPanes.size(); ++i) {
        const int id = i + 1 < keys.size() ? keys.at(i + 1) : 0;
        if (id > 0 && !findPane(id))
            m_subPanes.at(i)->setPaneId(id);
    }
    highlightWidget(m_subPanes.isEmpty() ? 0 : m_subPanes.last()->paneId());
    m_paneList->updateWidgetLength();
}

// ---------------------------------------------------------------------------
// Default parameter

std::string CKLineMainWidget::getDefaultParam()
{
    QStringList entries;
    const QMap<int, QList<QString>> map = getIndexParam();
    for (auto it = map.constBegin(); it != map.constEnd(); ++it)
        entries << QString::number(it.key()) + QLatin1Char('#') + QStringList(it.value()).join(QLatin1Char(','));
    bson::BSONObjBuilder b;
    b.append("mapPeriod2Index", entries.join(QLatin1Char('|')).toStdString());
    return bson::toJson(b.obj());
}

void CKLineMainWidget::setDefaultParam(const std::string& text)
{
    QMap<int, QList<QString>> map;
    bson::BSONObj o;
    bool ok = bson::tryFromJson(text, o);
    if (ok) {
        const bson::BSONElement e = o.getField("mapPeriod2Index");
        if (e.eoo()) {
            QList<QString> layout;
            for (const char* name : kDefaultLayout)
                layout << QString::fromLatin1(name);
            for (int i = 0; i < kPeriodCount; ++i)
                map.insert(getPeriodByIndex(i), layout);
        } else if (e.type() != mongo::String) {
            ok = false;
        } else {
            const QString value = QString::fromStdString(e.str());
            const QStringList parts = value.isEmpty() ? QStringList() : value.split(QLatin1Char('|'));
            for (const QString& part : parts) {
                const QStringList pieces = part.split(QLatin1Char('#'));
                bool isInt = false;
                const int period = pieces.first().toInt(&isInt);
                if (!isInt) {
                    ok = false;
                    break;
                }
                map.insert(period, pieces.last().split(QLatin1Char(',')));
            }
        }
    }
    if (!ok)
        QLLOG_ERROR(qlog::kStdLogger, "begin request data");
    std::vector<int> stretch;
    loadSettings(map, stretch, QList<int>());
}

// ---------------------------------------------------------------------------
// Graph parameter and linkage setting

bson::BSONObj CKLineMainWidget::getParam() const
{
    if (!m_mainPane || !m_mainPane->graph())
        return bson::BSONObj();
    return m_mainPane->graph()->getParam();
}

void CKLineMainWidget::setParam(const bson::BSONObj& param)
{
    if (m_mainPane && m_mainPane->graph())
        m_mainPane->graph()->setParam(param);
}

QMap<QString, bool> CKLineMainWidget::getLinkageDialogSetting()
{
    // The dialog, once it exists, reads and keeps the setting itself.
    return m_linkageDialog ? m_linkageDialog->param() : m_linkageSetting;
}

void CKLineMainWidget::loadLinkageDialogSetting(const QMap<QString, bool>& setting)
{
    m_linkageSetting = setting;
    if (m_linkageDialog)
        m_linkageDialog->setParam(setting);
}

// ---------------------------------------------------------------------------
// Superposition and template strip

QStringList CKLineMainWidget::superposedStock() const
{
    QStringList keys;
    for (const auto& s : m_uiParam->addStockList)
        keys << getDetailQsKey(s);
    return keys;
}

void CKLineMainWidget::addSuperposedStock(std::shared_ptr<qlservice::CInstrumentDetail> stock)
{
    if (!stock)
        return;
    m_uiParam->addStock(stock);
    if (m_mainPane && m_mainPane->title())
        m_mainPane->title()->setAddStocks(superposedStock());
}

QVector<QString> CKLineMainWidget::getSelectIndex() const
{
    return m_indexModel ? m_indexModel->getSelectIndex() : QVector<QString>();
}

QVector<QString> CKLineMainWidget::getSelectTempalte() const
{
    return m_indexModel ? m_indexModel->getSelectTempalte() : QVector<QString>();
}

void CKLineMainWidget::updateSelectIndex(QVector<QString> names)
{
    if (m_indexModel)
        m_indexModel->updateSelectIndex(names);
}

void CKLineMainWidget::updateSelectTemplate(QVector<QString> entries)
{
    if (m_indexModel)
        m_indexModel->updateSelectTemplate(entries);
}

} // namespace TC
