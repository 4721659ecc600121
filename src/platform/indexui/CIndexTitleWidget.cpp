#include "platform/indexui/CIndexTitleWidget.h"

#include "platform/indexui/CDrawStyle.h"

#include <cmath>

#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>

#include "platform/config/CAppConfig.h"
#include "platform/formula/catalog/CFormulaDetail.h"
#include "platform/formula/catalog/CFormulaOperateManager.h"
#include "platform/formula/catalog/FormulaPeriod.h"
#include "platform/framework/CPushButton.h"
#include "platform/framework/CUiResource.h"
#include "platform/framework/KWFormat.h"
#include "platform/indexui/IndexBaseData.h"
#include "platform/market/CDividAdjuster.h"

namespace TC {

namespace {

const int kPadding = 4; // vertical padding, total
const int kGap = 6;     // horizontal gap between pieces
const int kButtonEvent = 5;
const int kCloseId = 100;
const int kButtonGap = 2;     // between buttons
const int kButtonTextPad = 8; // around a tool button's text
const char* const kButtonFont = "fnt_default_normal";

QColor resColor(const char* key)
{
    return KW::CUiResource::instance()->getColor(QLatin1String(key));
}

// Catalogue parameter values print without a trailing ".0".
QString paramValueText(double v)
{
    return QString::number(v, 'g', 10);
}

} // namespace

CIndexTitleWidget::CIndexTitleWidget(boost::shared_ptr<IndexBaseData> series, int displayType, int viewType,
                                     int drType, QWidget* parent)
    : KW::CBaseWidget(QStringLiteral("index_title_widget"), false, parent), m_series(std::move(series)),
      m_displayType(displayType), m_viewType(viewType), m_drType(drType),
      m_concise(getConfig()->conciseStyle()), m_closeVisible(displayType == 1)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    createButtons();
    resetSize();
}

CIndexTitleWidget::~CIndexTitleWidget() = default;

int CIndexTitleWidget::indexOf(const QString& name) const
{
    return m_names.indexOf(name.trimmed().toUpper());
}

void CIndexTitleWidget::showIndex(const QString& name, const QString& paramText)
{
    const QString key = name.trimmed().toUpper();
    if (key.isEmpty())
        return;
    const int i = m_names.indexOf(key);
    if (i >= 0) {
        m_paramTexts[i] = paramText.trimmed();
    } else {
        m_names.append(key);
        m_paramTexts.append(paramText.trimmed());
    }
    update();
}

void CIndexTitleWidget::hideIndex(const QString& name)
{
    const int i = indexOf(name);
    if (i < 0)
        return;
    m_names.removeAt(i);
    m_paramTexts.removeAt(i);
    update();
}

void CIndexTitleWidget::clear()
{
    m_names.clear();
    m_paramTexts.clear();
    m_stock.reset();
    m_addStocks.clear();
    m_bar = -1;
    update();
}

int CIndexTitleWidget::titleHeight() const
{
    const QFontMetrics fm(KW::CUiResource::instance()->getFont(QStringLiteral("fnt_default_normal")));
    return fm.height() + kPadding;
}

void CIndexTitleWidget::resetSize()
{
    setFixedHeight(titleHeight());
    updateGeometry();
    layoutButtons();
    update();
}

KW::CPushButton* CIndexTitleWidget::makeButton(const QString& text, int id, const QString& tip)
{
    auto* b = new KW::CPushButton(text, id, this);
    b->setToolTip(tip);
    b->hide();
    // The title delivers the click itself, so the button keeps no upstream.
    connect(b, &KW::CPushButton::clickedId, this, &CIndexTitleWidget::onButtonClicked);
    return b;
}

void CIndexTitleWidget::createButtons()
{
    struct Def {
        int id;
        const char* text;
        const char* tip;
    };
    static const Def kTools[] = {
        {500, "指标", "指标数值"},          {501, "叠加", "叠加品种"},
        {503, "放大", "放大(显示更少K线)"}, {504, "缩小", "缩小(显示更多K线)"},
        {502, "还原", "还原到最新K线"},     {103, "锁", "锁定/解锁光标"},
    };
    for (const Def& d : kTools)
        m_toolBtns.append(makeButton(QString::fromUtf8(d.text), d.id, QString::fromUtf8(d.tip)));
    m_closeBtn = makeButton(QStringLiteral("×"), kCloseId, QStringLiteral("关闭"));
    styleButtons();
}

void CIndexTitleWidget::styleButtons()
{
    const QStringList text{
        QStringLiteral("ic_clr_title_button_text"), QStringLiteral("ic_clr_title_button_text_hover"),
        QStringLiteral("ic_clr_title_button_text_hover"), QStringLiteral("clr_button_text_disable")};
    const QString bg = QStringLiteral("ic_clr_title_button_bg");
    for (KW::CPushButton* b : m_toolBtns) {
        b->setColorKeys({bg, QStringLiteral("ic_clr_title_button_hover"),
                         QStringLiteral("ic_clr_title_button_pressed"), bg});
        b->setTextColorKeys(text);
        b->setFontKey(QLatin1String(kButtonFont));
    }
    // Closing reads as a warning: it lights up in the window close colour.
    m_closeBtn->setColorKeys(
        {bg, QStringLiteral("clr_title_button_hover"), QStringLiteral("clr_title_button_hover"), bg});
    m_closeBtn->setTextColorKeys(text);
    m_closeBtn->setFontKey(QLatin1String(kButtonFont));
}

void CIndexTitleWidget::layoutButtons()
{
    if (!m_closeBtn)
        return;
    const QFontMetrics fm(KW::CUiResource::instance()->getFont(QLatin1String(kButtonFont)));
    const int h = qMax(1, height() - 2);
    int x = width();
    m_closeBtn->setVisible(m_closeVisible && x - h >= 0);
    if (m_closeVisible) {
        x -= h;
        m_closeBtn->setGeometry(x, 1, h, h);
        x -= kButtonGap;
    }
    for (int i = m_toolBtns.size() - 1; i >= 0; --i) {
        KW::CPushButton* b = m_toolBtns[i];
        const int w = fm.horizontalAdvance(b->text()) + kButtonTextPad;
        // A button that no longer fits stays hidden rather than half-shown.
        const bool fits = x - w >= 0;
        b->setVisible(m_toolVisible && fits);
        if (!m_toolVisible)
            continue;
        x -= w;
        b->setGeometry(x, 1, w, h);
        x -= kButtonGap;
    }
}

int CIndexTitleWidget::textRight() const
{
    int right = width();
    if (m_closeVisible && m_closeBtn && !m_closeBtn->isHidden())
        right = qMin(right, m_closeBtn->x());
    for (const KW::CPushButton* b : m_toolBtns) {
        if (!b->isHidden())
            right = qMin(right, b->x());
    }
    return right < width() ? right - kGap / 2 : right;
}

void CIndexTitleWidget::onButtonClicked(int id)
{
    deliverEvent(kButtonEvent, id, 0, QString(), nullptr);
}

void CIndexTitleWidget::setCloseBtnVisible(bool visible)
{
    m_closeVisible = visible;
    layoutButtons();
    update();
}

bool CIndexTitleWidget::closeButtonVisible() const
{
    return m_closeVisible;
}

void CIndexTitleWidget::setBtnToolVisible(bool visible)
{
    m_toolVisible = visible;
    layoutButtons();
    update();
}

bool CIndexTitleWidget::toolButtonsVisible() const
{
    return m_toolVisible;
}

void CIndexTitleWidget::setConciseStyle(bool concise)
{
    m_concise = concise;
    update();
}

QPoint CIndexTitleWidget::titleGlobalPoint() const
{
    return mapToGlobal(QPoint(0, height()));
}

void CIndexTitleWidget::resizeEvent(QResizeEvent* event)
{
    KW::CBaseWidget::resizeEvent(event);
    layoutButtons();
}

void CIndexTitleWidget::setPeroid(int period)
{
    m_period = period;
    update();
}

void CIndexTitleWidget::setDrType(int drType)
{
    m_drType = drType;
    update();
}

void CIndexTitleWidget::setShowTitleBg(bool show)
{
    m_showBg = show;
    update();
}

void CIndexTitleWidget::setStock(std::shared_ptr<qlservice::CInstrumentDetail> stock)
{
    m_stock = std::move(stock);
    update();
}

void CIndexTitleWidget::setAddStocks(const QStringList& keys)
{
    m_addStocks.clear();
    for (const QString& k : keys) {
        if (!k.trimmed().isEmpty())
            m_addStocks.append(k.trimmed());
    }
    update();
}

void CIndexTitleWidget::setSimpleTitle(const QString& text)
{
    m_simpleTitle = text;
    m_showSimple = !text.isEmpty();
    update();
}

void CIndexTitleWidget::setShowSimpleTitle(bool show)
{
    m_showSimple = show;
    update();
}

void CIndexTitleWidget::setSimpleTite(const QString& text)
{
    m_simpleTitle = text;
    update();
}

void CIndexTitleWidget::clearAddStocks()
{
    m_addStocks.clear();
    update();
}

void CIndexTitleWidget::updateIndexId(int bar)
{
    const int next = bar < 0 ? -1 : bar;
    if (next == m_bar)
        return;
    m_bar = next;
    // A cursor move changes the values only.
    updateValues();
}

void CIndexTitleWidget::updateValues()
{
    // The text from the first value on is repainted, the names before it and
    // the buttons stay.
    const int x = firstValueX(KW::CUiResource::instance()->getFont(QStringLiteral("fnt_default_normal")));
    const int right = textRight();
    if (x >= 0 && x - kGap / 2 < right)
        update(QRect(x - kGap / 2, 0, right - x + kGap / 2, height()));
}

int CIndexTitleWidget::firstValueX(const QFont& font) const
{
    if (m_showSimple)
        return -1;
    QVector<Piece> names;
    composeStock(names);
    for (int i = 0; i < m_names.size(); ++i) {
        composeNames(i, names);
        if (!findCache(m_names[i]))
            continue;
        int x = kGap / 2;
        for (const Piece& piece : names)
            x += m_texts.get(font, piece.text).width + kGap;
        return x;
    }
    return -1;
}

void CIndexTitleWidget::themeChanged()
{
    KW::CBaseWidget::themeChanged();
    // The buttons re-read their own keys; a new font may change their widths.
    resetSize();
}

QSize CIndexTitleWidget::sizeHint() const
{
    return QSize(200, titleHeight());
}

const RPCFormulaResultCache* CIndexTitleWidget::findCache(const QString& name) const
{
    if (!m_series)
        return nullptr;
    const QString stockKey = m_stock ? QString::fromStdString(m_stock->key) : QString();
    const RPCFormulaResultCache* first = nullptr;
    const IndexBaseData::DataMap& data = m_series->getData();
    for (auto it = data.constBegin(); it != data.constEnd(); ++it) {
        if (it.key().formula.compare(name, Qt::CaseInsensitive) != 0 || !it.value().isValid())
            continue;
        if (!stockKey.isEmpty() && it.key().stock == stockKey)
            return &it.value();
        if (!first)
            first = &it.value();
    }
    return first;
}

QString CIndexTitleWidget::nameWithParams(int i) const
{
    const QString& name = m_names[i];
    QStringList values;
    const QString& given = m_paramTexts[i];
    if (!given.isEmpty()) {
        for (const QString& part : given.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            const int eq = part.indexOf(QLatin1Char('='));
            values.append((eq >= 0 ? part.mid(eq + 1) : part).trimmed());
        }
    } else if (const auto detail = CFormulaOperateManager::getFormula(name)) {
        for (const CFormulaParamDef& p : detail->getParams())
            values.append(paramValueText(p.defaultValue));
    }
    if (values.isEmpty())
        return name;
    return name + QLatin1Char('(') + values.join(QLatin1Char(',')) + QLatin1Char(')');
}

void CIndexTitleWidget::composeOutputs(const RPCFormulaResultCache& cache, bool price,
                                       QVector<Piece>& out) const
{
    // The drawing library composes the pieces, so a title value has the
    // colour its curve is drawn in.
    for (const ArrowColorTextData& d : CDrawStyle::getTitleTextData(cache, m_bar, price))
        out.append({d.text, d.color});
}

void CIndexTitleWidget::composeNames(int i, QVector<Piece>& out) const
{
    out.append({nameWithParams(i), resColor("clr_text_default")});
    if (!isPriceFormula(i))
        return;
    const QString cycle = getCycleName(getPeriodIndex(m_period));
    if (!cycle.isEmpty())
        out.append({cycle, resColor("ic_clr_kline_axis_text")});
    const QString dr = getDrName(m_drType);
    if (!dr.isEmpty())
        out.append({dr, resColor("ic_clr_kline_axis_text")});
}

bool CIndexTitleWidget::isPriceFormula(int i) const
{
    return m_displayType == 0 && m_series && m_series->isMainGraph(m_names[i]);
}

void CIndexTitleWidget::composeStock(QVector<Piece>& out) const
{
    if (!m_stock)
        return;
    const QString name = QString::fromStdString(m_stock->name);
    const QString code = QString::fromStdString(m_stock->code);
    out.append({name.isEmpty() ? code : name + QLatin1Char(' ') + code, resColor("clr_text_default")});
    for (const QString& k : m_addStocks)
        out.append({k, resColor("ic_clr_kline_axis_text")});
}

QVector<CIndexTitleWidget::Piece> CIndexTitleWidget::compose() const
{
    QVector<Piece> out;
    if (m_showSimple) {
        const QString text = !m_simpleTitle.isEmpty() ? m_simpleTitle : m_names.value(0);
        if (!text.isEmpty())
            out.append({text, resColor("clr_text_default")});
        return out;
    }
    composeStock(out);
    for (int i = 0; i < m_names.size(); ++i) {
        composeNames(i, out);
        if (const RPCFormulaResultCache* cache = findCache(m_names[i]))
            composeOutputs(*cache, isPriceFormula(i), out);
    }
    return out;
}

QString CIndexTitleWidget::titleText() const
{
    QStringList parts;
    for (const Piece& p : compose())
        parts.append(p.text);
    return parts.join(QLatin1Char(' '));
}

void CIndexTitleWidget::paintEvent(QPaintEvent* event)
{
    const QRect dirty = event->rect();
    QPainter p(this);
    p.fillRect(rect(), resColor(m_showBg    ? "clr_selection_background"
                                : m_concise ? "ic_clr_concise_title_background"
                                            : "ic_clr_graph_kline_bg"));
    const QFont font = KW::CUiResource::instance()->getFont(QStringLiteral("fnt_default_normal"));
    p.setFont(font);
    const int right = textRight();
    p.setClipRect(0, 0, qMax(0, right), height());
    // Whole pieces only: a value cut in half ("MA1: 14" of "MA1: 14.52")
    // reads as a wrong number, so what does not fit is left out.
    int x = kGap / 2;
    for (const Piece& piece : compose()) {
        const int w = m_texts.get(font, piece.text).width;
        if (x + w > right)
            break;
        const QRect box(x, 0, w + 1, height());
        // Pieces outside a partial repaint are not drawn again.
        if (box.intersects(dirty)) {
            p.setPen(piece.color);
            m_texts.drawLeft(p, font, box, piece.text);
        }
        x += w + kGap;
    }
}

} // namespace TC
