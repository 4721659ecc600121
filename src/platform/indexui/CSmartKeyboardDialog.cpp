#include "platform/indexui/CSmartKeyboardDialog.h"

#include <algorithm>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPair>
#include <QPointer>
#include <QVBoxLayout>
#include <QVector>

#include "platform/framework/CUiResource.h"
#include "platform/indexui/CPinyinInitials.h"
#include "platform/market/CMarketStore.h"

namespace TC {

namespace {

// The terminal's market pages the spirit offers besides instruments.
struct MarketPage {
    const char* code;
    const char* name;
};
const MarketPage kMarketPages[] = {{"03", "上证指数页"}, {"04", "深证成指页"}};

} // namespace

CSmartKeyboardDialog::CSmartKeyboardDialog(QWidget* parent)
    : KW::CBaseDialog(parent, QStringLiteral("smart_keyboard_dialog"))
{
    setWindowFlags(windowFlags() | Qt::Tool);
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(4);
    m_title = new QLabel(this);
    m_edit = new QLineEdit(this);
    m_edit->setObjectName(QStringLiteral("smart_keyboard_edit"));
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("smart_keyboard_list"));
    layout->addWidget(m_title);
    layout->addWidget(m_edit);
    layout->addWidget(m_list, 1);
    resize(260, 320);
    setTitle(QStringLiteral("键盘精灵"));
    m_edit->installEventFilter(this);
    connect(m_edit, &QLineEdit::textChanged, this, [this] { refill(); });
    connect(m_list, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { select(m_list->row(item)); });
    themeChanged();
}

CSmartKeyboardDialog* CSmartKeyboardDialog::instance()
{
    static QPointer<CSmartKeyboardDialog> box;
    if (!box) {
        box = new CSmartKeyboardDialog;
        if (QCoreApplication::instance())
            QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, box.data(),
                             &QObject::deleteLater);
    }
    return box.data();
}

void CSmartKeyboardDialog::setTitle(const QString& title)
{
    setWindowTitle(title);
    m_title->setText(title);
}

QString CSmartKeyboardDialog::title() const
{
    return m_title->text();
}

void CSmartKeyboardDialog::setChar(const QString& text)
{
    m_edit->setText(text);
    m_edit->setFocus(Qt::OtherFocusReason);
    refill();
}

QString CSmartKeyboardDialog::text() const
{
    return m_edit->text();
}

void CSmartKeyboardDialog::refill()
{
    const QString t = m_edit->text().trimmed();
    m_keys.clear();
    m_kinds.clear();
    m_list->clear();
    if (t.isEmpty())
        return;
    auto add = [this](const QString& key, const QString& line, int kind) {
        if (m_keys.size() == kMaxRows)
            return;
        m_keys << key;
        m_kinds << kind;
        m_list->addItem(line);
    };
    for (const MarketPage& page : kMarketPages) {
        const QString code = QString::fromUtf8(page.code);
        if (code.startsWith(t, Qt::CaseInsensitive))
            add(code, QStringLiteral("%1 %2").arg(code, QString::fromUtf8(page.name)), kMarketPageKind);
    }

    CMarketStore* store = CMarketStore::instance();
    // (key, line) per match, best kind of match first.
    using Match = QPair<QString, QString>;
    QVector<Match> groups[4];
    for (const QString& key : store->instrumentKeys()) {
        const auto detail = store->instrument(key);
        if (!detail)
            continue;
        const QString code = QString::fromStdString(detail->code);
        const QString name = QString::fromStdString(detail->name);
        const Match match(key, QStringLiteral("%1 %2").arg(key, name).trimmed());
        if (key.compare(t, Qt::CaseInsensitive) == 0 || code.compare(t, Qt::CaseInsensitive) == 0)
            groups[0] << match;
        else if (key.startsWith(t, Qt::CaseInsensitive) || code.startsWith(t, Qt::CaseInsensitive))
            groups[1] << match;
        else if (CPinyinInitials::match(name, t, true) >= 0)
            groups[2] << match;
        else if (key.contains(t, Qt::CaseInsensitive) || name.contains(t, Qt::CaseInsensitive) ||
                 CPinyinInitials::match(name, t, false) >= 0)
            groups[3] << match;
    }
    for (const QVector<Match>& group : groups)
        for (const Match& m : group)
            add(m.first, m.second, kInstrumentKind);
    if (!m_keys.isEmpty())
        m_list->setCurrentRow(0);
}

bool CSmartKeyboardDialog::select(int row)
{
    if (row < 0)
        row = m_list->currentRow();
    if (row < 0 || row >= m_keys.size())
        return false;
    std::shared_ptr<qlservice::CInstrumentDetail> detail;
    const int kind = m_kinds.at(row);
    if (kind == kMarketPageKind) {
        detail = std::make_shared<qlservice::CInstrumentDetail>();
        detail->key = m_keys.at(row).toStdString();
        detail->code = detail->key;
        for (const MarketPage& page : kMarketPages)
            if (detail->code == page.code)
                detail->name = page.name;
    } else {
        detail = CMarketStore::instance()->instrument(m_keys.at(row));
    }
    if (!detail)
        return false;
    hide();
    // The callback may open the box again (or replace itself): take a copy.
    const SelectFunc select = m_select;
    if (select)
        select(detail, kind);
    return true;
}

bool CSmartKeyboardDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_edit && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const int rows = m_list->count();
        switch (key->key()) {
        case Qt::Key_Down:
            if (rows > 0)
                m_list->setCurrentRow(std::min(m_list->currentRow() + 1, rows - 1));
            return true;
        case Qt::Key_Up:
            if (rows > 0)
                m_list->setCurrentRow(std::max(m_list->currentRow() - 1, 0));
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            select();
            return true;
        default:
            break;
        }
    }
    return KW::CBaseDialog::eventFilter(watched, event);
}

void CSmartKeyboardDialog::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        hide();
        event->accept();
        return;
    }
    KW::CBaseDialog::keyPressEvent(event);
}

void CSmartKeyboardDialog::themeChanged()
{
    KW::CBaseDialog::themeChanged();
    const QFont font = KW::CUiResource::instance()->getFont(QStringLiteral("fnt_default_normal"));
    m_title->setFont(font);
    m_edit->setFont(font);
    m_list->setFont(font);
}

} // namespace TC
