#include "dialogs/CGraphAttributeDialog.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QSpinBox>
#include <QVBoxLayout>

#include "dialogs/CStockCodeLineEdit.h"
#include "platform/formula/catalog/FormulaPeriod.h"
#include "platform/framework/CPushButton.h"
#include "platform/framework/CRadioButtonGroup.h"
#include "platform/framework/CUiResource.h"

namespace TC {

namespace {

const int kButtonEvent = 5;
const int kOkId = 2;
const int kCancelId = 3;

QHBoxLayout* row(QVBoxLayout* list, const QString& caption, QWidget* parent)
{
    auto* h = new QHBoxLayout;
    h->setContentsMargins(0, 0, 0, 0);
    h->setSpacing(6);
    h->addWidget(new QLabel(caption, parent));
    list->addLayout(h);
    return h;
}

} // namespace

CGraphAttributeDialog::CGraphAttributeDialog(const QString& stockCode, int period, QWidget* parent)
    : KW::CCommonDialog(parent, QStringLiteral("graph_attribute_dialog")), m_stockCode(stockCode),
      m_period(period)
{
    setTitle(QStringLiteral("画线属性"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    setFixedSize(300, 260);
    // This dialog lays out its own "确定" / "取消" row.
    setButtonsVisible(false, false);

    QWidget* body = contentWidget();
    auto* list = new QVBoxLayout(body);
    list->setContentsMargins(10, 10, 10, 10);
    list->setSpacing(10);

    m_codeEdit = new CStockCodeLineEdit(body);
    m_codeEdit->setFixedSize(150, 24);
    m_codeEdit->setStockCode(stockCode, 0);
    m_codeEdit->setEnabled(false);
    QHBoxLayout* r = row(list, QStringLiteral("股票代码:"), body);
    r->addWidget(m_codeEdit);
    r->addStretch();

    m_periodEdit = new QLineEdit(getCycleName(getPeriodIndex(period)), body);
    m_periodEdit->setFixedSize(150, 24);
    m_periodEdit->setReadOnly(true);
    r = row(list, QStringLiteral("周    期:"), body);
    r->addWidget(m_periodEdit);
    r->addStretch();

    m_direction = new KW::CRadioButtonGroup(body);
    m_direction->addButton(QStringLiteral("买入"), 0);
    m_direction->addButton(QStringLiteral("卖出"), 1);
    m_direction->setButtonCheckedByID(0);
    r = row(list, QStringLiteral("买卖方向:"), body);
    r->addWidget(m_direction);
    r->addStretch();

    m_colorBox = new QComboBox(body);
    m_colorBox->setObjectName(QStringLiteral("graph_attribute_color"));
    fillColors();
    m_widthBox = new QSpinBox(body);
    m_widthBox->setRange(1, 10);
    m_styleBox = new QComboBox(body);
    const QStringList styles = {QStringLiteral("实线"), QStringLiteral("虚线"), QStringLiteral("点线"),
                                QStringLiteral("点划线"), QStringLiteral("双点划线")};
    for (int i = 0; i < styles.size(); ++i)
        m_styleBox->addItem(styles.at(i), i + 1);
    r = row(list, QStringLiteral("线    型:"), body);
    r->addWidget(m_colorBox, 1);
    r->addWidget(m_widthBox);
    r->addWidget(m_styleBox, 1);

    m_textRow = new QWidget(body);
    auto* t = new QHBoxLayout(m_textRow);
    t->setContentsMargins(0, 0, 0, 0);
    t->addWidget(new QLabel(QStringLiteral("文    字:"), m_textRow));
    m_textEdit = new QLineEdit(m_textRow);
    m_textEdit->setMaxLength(200);
    t->addWidget(m_textEdit, 1);
    list->addWidget(m_textRow);
    m_textRow->hide();

    list->addSpacing(15);
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(5, 5, 5, 5);
    buttons->addStretch();
    m_ok = new KW::CPushButton(QStringLiteral("确定"), kOkId, body);
    m_cancel = new KW::CPushButton(QStringLiteral("取消"), kCancelId, body);
    m_ok->setUpstream(this);
    m_cancel->setUpstream(this);
    buttons->addWidget(m_ok);
    buttons->addSpacing(10);
    buttons->addWidget(m_cancel);
    list->addLayout(buttons);
    list->addStretch();
    setLineAttribute(QStringLiteral("ic_clr_draw_graph_line"), 1, 1);
}

QStringList CGraphAttributeDialog::colorKeys()
{
    return {QStringLiteral("ic_clr_draw_graph_line"), QStringLiteral("clr_global_rise"),
            QStringLiteral("clr_global_fall"), QStringLiteral("ic_clr_graph_yellow"),
            QStringLiteral("ic_clr_graph_frame_cross_line")};
}

void CGraphAttributeDialog::fillColors()
{
    const QString current = m_colorBox->currentData().toString();
    QStringList keys = colorKeys();
    for (int i = 0; i < m_colorBox->count(); ++i)
        if (!keys.contains(m_colorBox->itemData(i).toString()))
            keys << m_colorBox->itemData(i).toString();
    m_colorBox->clear();
    for (const QString& key : keys) {
        QPixmap swatch(24, 12);
        swatch.fill(KW::CUiResource::instance()->getColor(key));
        m_colorBox->addItem(QIcon(swatch), QString(), key);
    }
    const int at = m_colorBox->findData(current);
    m_colorBox->setCurrentIndex(at >= 0 ? at : 0);
}

void CGraphAttributeDialog::setButtonCheckedByID(int id)
{
    m_direction->setButtonCheckedByID(id);
}

int CGraphAttributeDialog::getCheckedButtonID() const
{
    return m_direction->getCheckedButtonID();
}

void CGraphAttributeDialog::setLineAttribute(const QString& colorKey, int width, int style)
{
    if (!colorKey.isEmpty()) {
        if (m_colorBox->findData(colorKey) < 0) {
            QPixmap swatch(24, 12);
            swatch.fill(KW::CUiResource::instance()->getColor(colorKey));
            m_colorBox->addItem(QIcon(swatch), QString(), colorKey);
        }
        m_colorBox->setCurrentIndex(m_colorBox->findData(colorKey));
    }
    if (width >= 1 && width <= 10)
        m_widthBox->setValue(width);
    const int s = m_styleBox->findData(style);
    if (s >= 0)
        m_styleBox->setCurrentIndex(s);
}

QString CGraphAttributeDialog::colorKey() const
{
    return m_colorBox->currentData().toString();
}

int CGraphAttributeDialog::lineWidth() const
{
    return m_widthBox->value();
}

int CGraphAttributeDialog::lineStyle() const
{
    return m_styleBox->currentData().toInt();
}

void CGraphAttributeDialog::setNoteText(const QString& text)
{
    m_textEdit->setText(text);
    m_textRow->setVisible(!text.isEmpty());
}

QString CGraphAttributeDialog::noteText() const
{
    return m_textRow->isHidden() ? QString() : m_textEdit->text();
}

bool CGraphAttributeDialog::handleEvent(int id, int p1, int p2, const QString& text, void* data)
{
    if (id == kButtonEvent && p1 == kOkId) {
        accept();
        return true;
    }
    if (id == kButtonEvent && p1 == kCancelId) {
        reject();
        return true;
    }
    return KW::CCommonDialog::handleEvent(id, p1, p2, text, data);
}

void CGraphAttributeDialog::themeChanged()
{
    KW::CCommonDialog::themeChanged();
    if (m_colorBox)
        fillColors();
}

} // namespace TC
