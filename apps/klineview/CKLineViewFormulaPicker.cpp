#include "CKLineViewFormulaPicker.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/formula/catalog/CFormulaOperateManager.h"
#include "platform/framework/CStyleSheetCenter.h"
#include "platform/framework/CUiResource.h"

namespace TC {

namespace {

constexpr int kNameRole = Qt::UserRole;
constexpr int kTitleRole = Qt::UserRole + 1;

} // namespace

CKLineViewFormulaPicker::CKLineViewFormulaPicker(QWidget* parent)
    : KW::CCommonDialog(parent, QStringLiteral("formula_picker"))
{
    setTitle(QStringLiteral("编辑公式"));
    auto* layout = new QVBoxLayout(contentWidget());
    layout->setContentsMargins(0, 0, 0, 0);
    m_search = new QLineEdit(contentWidget());
    m_search->setObjectName(QStringLiteral("formula_search"));
    m_search->setPlaceholderText(QStringLiteral("搜索名称或说明"));
    m_search->setClearButtonEnabled(true);
    m_search->setStyleSheet(KW::CStyleSheetCenter::getStyle(KW::CStyleSheetCenter::LineEdit, m_search));
    m_list = new QListWidget(contentWidget());
    m_list->setObjectName(QStringLiteral("formula_list"));
    KW::CUiResource* res = KW::CUiResource::instance();
    m_list->setStyleSheet(QStringLiteral("QListWidget { background: %1; color: %2; border: 1px solid %3;"
                                         " selection-background-color: %4; selection-color: %5; }")
                              .arg(res->getColor(QStringLiteral("clr_table_background")).name(),
                                   res->getColor(QStringLiteral("clr_window_text")).name(),
                                   res->getColor(QStringLiteral("clr_table_grid")).name(),
                                   res->getColor(QStringLiteral("clr_selection_background")).name(),
                                   res->getColor(QStringLiteral("clr_selection_text")).name()));
    layout->addWidget(m_search);
    layout->addWidget(m_list, 1);
    connect(m_search, &QLineEdit::textChanged, this, &CKLineViewFormulaPicker::applyFilter);
    connect(m_list, &QListWidget::itemDoubleClicked, this, [this] { okButton()->click(); });
    fillList();
    resize(420, 520);
}

void CKLineViewFormulaPicker::showEvent(QShowEvent* event)
{
    KW::CCommonDialog::showEvent(event);
    m_search->setFocus();
}

void CKLineViewFormulaPicker::fillList()
{
    CFormulaOperateManager* catalogue = CFormulaOperateManager::instance();
    for (const QString& name : catalogue->formulaNames()) {
        const auto detail = catalogue->formula(name);
        if (!detail || detail->isNative() || detail->getSource().trimmed().isEmpty())
            continue;
        const QString kind = catalogue->isBuiltin(name) ? QStringLiteral("系统") : QStringLiteral("用户");
        const QString title = detail->getTitle().trimmed();
        auto* item =
            new QListWidgetItem(title.isEmpty() || title == detail->getName()
                                    ? QStringLiteral("%1  [%2]").arg(detail->getName(), kind)
                                    : QStringLiteral("%1  %2  [%3]").arg(detail->getName(), title, kind),
                                m_list);
        item->setData(kNameRole, detail->getName());
        item->setData(kTitleRole, detail->getTitle());
    }
    if (m_list->count() > 0)
        m_list->setCurrentRow(0);
}

void CKLineViewFormulaPicker::applyFilter(const QString& text)
{
    const QString key = text.trimmed();
    QListWidgetItem* firstShown = nullptr;
    for (int i = 0; i < m_list->count(); ++i) {
        QListWidgetItem* item = m_list->item(i);
        const bool shown = key.isEmpty() ||
                           item->data(kNameRole).toString().contains(key, Qt::CaseInsensitive) ||
                           item->data(kTitleRole).toString().contains(key, Qt::CaseInsensitive);
        item->setHidden(!shown);
        if (shown && !firstShown)
            firstShown = item;
    }
    if (!m_list->currentItem() || m_list->currentItem()->isHidden())
        m_list->setCurrentItem(firstShown);
}

QStringList CKLineViewFormulaPicker::visibleNames() const
{
    QStringList names;
    for (int i = 0; i < m_list->count(); ++i)
        if (!m_list->item(i)->isHidden())
            names.append(m_list->item(i)->data(kNameRole).toString());
    return names;
}

QString CKLineViewFormulaPicker::selectedName() const
{
    const QListWidgetItem* item = m_list->currentItem();
    return item && !item->isHidden() ? item->data(kNameRole).toString() : QString();
}

bool CKLineViewFormulaPicker::acceptInput()
{
    return !selectedName().isEmpty();
}

} // namespace TC
