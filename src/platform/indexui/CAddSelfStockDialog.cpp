#include "platform/indexui/CAddSelfStockDialog.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/framework/CMessageBox.h"
#include "platform/framework/CStyleSheetCenter.h"
#include "platform/indexui/CSelfStockStore.h"
#include "platform/market/CMarketStore.h"

namespace TC {

CAddSelfStockDialog::CAddSelfStockDialog(const QStringList& keys, QWidget* parent)
    : KW::CCommonDialog(parent, QStringLiteral("add_self_stock_dialog"))
{
    setTitle(QStringLiteral("加入自选股"));
    for (const QString& k : keys)
        if (!k.trimmed().isEmpty() && !m_keys.contains(k.trimmed()))
            m_keys.append(k.trimmed());

    auto* layout = new QVBoxLayout(contentWidget());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(QStringLiteral("品种:"), contentWidget()));
    m_stockList = new QListWidget(contentWidget());
    m_stockList->setObjectName(QStringLiteral("self_stock_keys"));
    for (const QString& key : qAsConst(m_keys)) {
        const auto detail = CMarketStore::instance()->instrument(key);
        const QString name = detail ? QString::fromStdString(detail->name) : QString();
        m_stockList->addItem(QStringLiteral("%1 %2").arg(key, name).trimmed());
    }
    layout->addWidget(m_stockList);

    layout->addWidget(new QLabel(QStringLiteral("加入分组:"), contentWidget()));
    m_groupList = new QListWidget(contentWidget());
    m_groupList->setObjectName(QStringLiteral("self_stock_groups"));
    m_groupList->addItems(CSelfStockStore::instance()->groups());
    layout->addWidget(m_groupList, 1);
    selectGroup(CSelfStockStore::defaultGroup());

    auto* row = new QHBoxLayout;
    m_newGroupEdit = new QLineEdit(contentWidget());
    m_newGroupEdit->setObjectName(QStringLiteral("self_stock_new_group"));
    m_newGroupEdit->setMaxLength(CSelfStockStore::kMaxNameLength);
    m_newGroupEdit->setPlaceholderText(QStringLiteral("新分组名称"));
    m_newGroupEdit->setStyleSheet(
        KW::CStyleSheetCenter::getStyle(KW::CStyleSheetCenter::LineEdit, m_newGroupEdit));
    m_newGroupButton = new QPushButton(QStringLiteral("新建分组"), contentWidget());
    m_newGroupButton->setObjectName(QStringLiteral("self_stock_new_group_button"));
    m_newGroupButton->setAutoDefault(false);
    row->addWidget(m_newGroupEdit, 1);
    row->addWidget(m_newGroupButton);
    layout->addLayout(row);
    connect(m_newGroupButton, &QPushButton::clicked, this, [this] { addGroupFromEntry(); });
    // Enter in the entry creates the group; it must not reach the dialog's OK.
    m_newGroupEdit->installEventFilter(this);
    resize(320, 380);
}

QString CAddSelfStockDialog::selectedGroup() const
{
    const QListWidgetItem* item = m_groupList->currentItem();
    return item && item->isSelected() ? item->text() : QString();
}

bool CAddSelfStockDialog::selectGroup(const QString& name)
{
    const QList<QListWidgetItem*> found = m_groupList->findItems(name.trimmed(), Qt::MatchExactly);
    if (found.isEmpty())
        return false;
    m_groupList->setCurrentItem(found.first());
    found.first()->setSelected(true);
    return true;
}

bool CAddSelfStockDialog::addGroupFromEntry()
{
    const QString name = m_newGroupEdit->text().trimmed();
    if (name.isEmpty())
        return false;
    if (!selectGroup(name)) {
        m_groupList->addItem(name);
        selectGroup(name);
    }
    m_newGroupEdit->clear();
    return true;
}

bool CAddSelfStockDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_newGroupEdit && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            addGroupFromEntry();
            return true;
        }
    }
    return KW::CCommonDialog::eventFilter(watched, event);
}

bool CAddSelfStockDialog::acceptInput()
{
    const QString group = selectedGroup();
    if (group.isEmpty()) {
        KW::CMessageBox::warning(QStringLiteral("提示"), QStringLiteral("请选择分组"), this);
        return false;
    }
    QString error;
    if (!CSelfStockStore::instance()->addStocks(group, m_keys, &error)) {
        KW::CMessageBox::warning(QStringLiteral("提示"), QStringLiteral("加入自选股失败: %1").arg(error),
                                 this);
        return false;
    }
    emit stocksAdded(group, m_keys);
    return true;
}

} // namespace TC
