#include "platform/indexui/CIndexModelWidget.h"

#include <QDialog>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QVBoxLayout>

#include "platform/config/CAppConfig.h"
#include "platform/config/QLLog.h"
#include "platform/framework/CCommonDialog.h"
#include "platform/framework/CMessageBox.h"
#include "platform/framework/CMessageTip.h"
#include "platform/framework/CPushButton.h"
#include "platform/framework/CStyleSheetCenter.h"
#include "platform/framework/CUiResource.h"
#include "platform/framework/QWriteFile.h"

namespace TC {

namespace {

const char* const kFont = "fnt_default_normal";
const int kFileVersion = 1;
const qint64 kMaxFileSize = 1 << 20;
const int kButtonPadX = 16;
const int kButtonPadY = 6;
const int kMargin = 2;

CIndexModelWidget::NamePrompt& namePrompt()
{
    static CIndexModelWidget::NamePrompt prompt;
    return prompt;
}

bool askNameWithDialog(QWidget* parent, const QList<QString>& formulas, QString& name)
{
    KW::CCommonDialog dlg(parent, QStringLiteral("index_model_save_dialog"));
    dlg.setTitle(QStringLiteral("保存模板"));
    auto* box = new QVBoxLayout(dlg.contentWidget());
    box->addWidget(new QLabel(QStringLiteral("指标: ") + QStringList(formulas).join(QStringLiteral(", "))));
    box->addWidget(new QLabel(QStringLiteral("模板名称:")));
    auto* edit = new QLineEdit(name);
    edit->setMaxLength(CIndexModelWidget::kMaxNameLength);
    edit->setStyleSheet(KW::CStyleSheetCenter::getStyle(KW::CStyleSheetCenter::LineEdit, edit));
    box->addWidget(edit);
    edit->setFocus();
    if (dlg.exec() != QDialog::Accepted)
        return false;
    name = edit->text();
    return true;
}

QStringList normalFormulas(const QList<QString>& formulas)
{
    QStringList out;
    for (const QString& f : formulas) {
        const QString n = f.trimmed().toUpper();
        if (!n.isEmpty() && !out.contains(n))
            out.append(n);
    }
    return out;
}

} // namespace

void CIndexModelWidget::setNamePrompt(NamePrompt prompt)
{
    namePrompt() = std::move(prompt);
}

QVector<CIndexModelWidget::Template> CIndexModelWidget::builtinTemplates()
{
    return {
        {QStringLiteral("常用"),
         {QStringLiteral("VOL"), QStringLiteral("MACD"), QStringLiteral("KDJ")},
         true},
        {QStringLiteral("趋势"), {QStringLiteral("MACD"), QStringLiteral("DMI")}, true},
        {QStringLiteral("摆动"), {QStringLiteral("KDJ"), QStringLiteral("RSI"), QStringLiteral("CCI")}, true},
    };
}

QString CIndexModelWidget::templateFilePath()
{
    return CAppConfig::userDataDir() + QStringLiteral("/templates.json");
}

CIndexModelWidget::CIndexModelWidget(bool showAll, QWidget* parent)
    : KW::CBaseWidget(QStringLiteral("index_model_widget"), false, parent), m_showAll(showAll)
{
    m_layout = new QHBoxLayout(this);
    m_layout->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    m_layout->setSpacing(kMargin);
    m_saveBtn = new KW::CPushButton(QStringLiteral("保存模板"), kSaveTemplateEvent, this);
    m_saveBtn->setToolTip(QStringLiteral("把当前副图保存为模板"));
    connect(m_saveBtn, &KW::CPushButton::clickedId, this,
            [this](int) { deliverEvent(kSaveTemplateEvent, 0, 0, QString(), nullptr); });
    loadUserTemplates();
    rebuildButtons();
}

CIndexModelWidget::~CIndexModelWidget() = default;

QVector<CIndexModelWidget::Template> CIndexModelWidget::templates() const
{
    QVector<Template> out;
    if (m_showAll)
        out = builtinTemplates();
    out += m_userTemplates;
    return out;
}

QStringList CIndexModelWidget::templateNames() const
{
    QStringList out;
    for (const Template& t : templates())
        out.append(t.name);
    return out;
}

int CIndexModelWidget::findTemplate(const QString& name) const
{
    return templateNames().indexOf(name.trimmed());
}

void CIndexModelWidget::loadUserTemplates()
{
    m_userTemplates.clear();
    m_fileBad = false;
    const QString path = templateFilePath();
    QFile file(path);
    if (!file.exists())
        return;
    if (file.size() > kMaxFileSize || !file.open(QIODevice::ReadOnly)) {
        m_fileBad = true;
        QLLOG_ERROR(qlog::kStdLogger, "template file unreadable, ignored:%1%", path);
        return;
    }
    QJsonParseError err;
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &err);
    if (err.error != QJsonParseError::NoError || !doc.isObject() ||
        !doc.object().value("templates").isArray()) {
        m_fileBad = true;
        QLLOG_ERROR(qlog::kStdLogger, "template file corrupt, ignored:%1%, offset:%2%, error:%3%", path,
                    err.offset, err.errorString());
        return;
    }
    const QVector<Template> builtins = builtinTemplates();
    const QJsonArray arr = doc.object().value("templates").toArray();
    for (int i = 0; i < arr.size(); ++i) {
        const QJsonObject o = arr[i].toObject();
        const QString name = o.value("name").toString().trimmed();
        QList<QString> raw;
        for (const QJsonValue& v : o.value("formulas").toArray())
            raw.append(v.toString());
        const QStringList formulas = normalFormulas(raw);
        bool clash = false;
        for (const Template& b : builtins)
            clash = clash || b.name == name;
        for (const Template& u : m_userTemplates)
            clash = clash || u.name == name;
        if (name.isEmpty() || name.size() > kMaxNameLength || formulas.isEmpty() || clash) {
            QLLOG_WARN(qlog::kStdLogger, "template entry %1% skipped in %2%", i, path);
            continue;
        }
        m_userTemplates.append({name, formulas, false});
    }
}

bool CIndexModelWidget::writeUserTemplates()
{
    const QString path = templateFilePath();
    if (m_fileBad && QFile::exists(path)) {
        // Keep what could not be read for the user (or support) to recover;
        // a copy, so the file stays where it was should the write below fail.
        const QString bad = path + QStringLiteral(".bad");
        QFile::remove(bad);
        if (!QFile::copy(path, bad)) {
            QLLOG_ERROR(qlog::kStdLogger, "cannot set aside corrupt template file:%1%", path);
            return false;
        }
        QLLOG_WARN(qlog::kStdLogger, "corrupt template file kept as %1%", bad);
    }
    QJsonArray arr;
    for (const Template& t : m_userTemplates) {
        QJsonObject o;
        o.insert(QStringLiteral("name"), t.name);
        o.insert(QStringLiteral("formulas"), QJsonArray::fromStringList(t.formulas));
        arr.append(o);
    }
    QJsonObject root;
    root.insert(QStringLiteral("version"), kFileVersion);
    root.insert(QStringLiteral("templates"), arr);
    if (!QWriteFile(path, QJsonDocument(root).toJson()))
        return false;
    m_fileBad = false;
    return true;
}

void CIndexModelWidget::rebuildButtons()
{
    // Deferred: a rebuild may run inside a button's own click.
    for (KW::CPushButton* b : m_buttons) {
        m_layout->removeWidget(b);
        b->hide();
        b->disconnect(this);
        b->deleteLater();
    }
    m_buttons.clear();
    m_layout->removeWidget(m_saveBtn);
    while (m_layout->count() > 0)
        delete m_layout->takeAt(0);

    const QFontMetrics fm(KW::CUiResource::instance()->getFont(QLatin1String(kFont)));
    const int h = fm.height() + kButtonPadY;
    const QVector<Template> all = templates();
    for (int i = 0; i < all.size(); ++i) {
        auto* b = new KW::CPushButton(all[i].name, i, this);
        b->setCheckable(true);
        b->setToolTip(all[i].formulas.join(QStringLiteral(", ")));
        b->setFontKey(QLatin1String(kFont));
        b->setFixedSize(fm.horizontalAdvance(all[i].name) + kButtonPadX, h);
        b->setEnabled(m_enabled);
        connect(b, &KW::CPushButton::clickedId, this, &CIndexModelWidget::onTemplateClicked);
        m_layout->addWidget(b);
        m_buttons.append(b);
    }
    m_saveBtn->setFontKey(QLatin1String(kFont));
    m_saveBtn->setFixedSize(fm.horizontalAdvance(m_saveBtn->text()) + kButtonPadX, h);
    m_saveBtn->setEnabled(m_enabled);
    m_layout->addWidget(m_saveBtn);
    m_layout->addStretch(1);
    refreshChecks();
    updateGeometry();
    update();
}

void CIndexModelWidget::refreshChecks()
{
    static const QStringList normal{QStringLiteral("clr_button_background"),
                                    QStringLiteral("clr_button_hover"), QStringLiteral("clr_button_pressed"),
                                    QStringLiteral("clr_button_background")};
    static const QStringList normalText{QStringLiteral("clr_button_text"), QStringLiteral("clr_button_text"),
                                        QStringLiteral("clr_button_text"),
                                        QStringLiteral("clr_button_text_disable")};
    static const QStringList selected{
        QStringLiteral("clr_selection_background"), QStringLiteral("clr_selection_background"),
        QStringLiteral("clr_selection_background"), QStringLiteral("clr_button_background")};
    static const QStringList selectedText{
        QStringLiteral("clr_selection_text"), QStringLiteral("clr_selection_text"),
        QStringLiteral("clr_selection_text"), QStringLiteral("clr_button_text_disable")};
    for (KW::CPushButton* b : m_buttons) {
        const bool on = b->text() == m_selected;
        b->setChecked(on);
        b->setColorKeys(on ? selected : normal);
        b->setTextColorKeys(on ? selectedText : normalText);
    }
}

QSize CIndexModelWidget::getSize() const
{
    const QFontMetrics fm(KW::CUiResource::instance()->getFont(QLatin1String(kFont)));
    return QSize(m_layout->sizeHint().width(), fm.height() + kButtonPadY + 2 * kMargin);
}

QSize CIndexModelWidget::sizeHint() const
{
    return getSize();
}

void CIndexModelWidget::onTemplateClicked(int index)
{
    const QVector<Template> all = templates();
    if (index < 0 || index >= all.size())
        return;
    const QString name = all[index].name;
    selectTemplate(name);
    deliverEvent(kLoadTemplateEvent, 0, 1, name, nullptr);
}

bool CIndexModelWidget::selectTemplate(const QString& name)
{
    if (findTemplate(name) < 0)
        return false;
    m_selected = name.trimmed();
    if (m_period >= 0)
        m_periodTemplates.insert(m_period, m_selected);
    refreshChecks();
    return true;
}

void CIndexModelWidget::reset()
{
    m_selected.clear();
    refreshChecks();
}

void CIndexModelWidget::updateSelectTemplateIndex(int period)
{
    m_period = period;
    const QString name = m_periodTemplates.value(period);
    m_selected = findTemplate(name) >= 0 ? name : QString();
    refreshChecks();
}

void CIndexModelWidget::saveSelectTemplateIndex(int period)
{
    m_period = period;
    if (m_selected.isEmpty())
        m_periodTemplates.remove(period);
    else
        m_periodTemplates.insert(period, m_selected);
}

void CIndexModelWidget::addRecent(const QString& formula)
{
    const QString n = formula.trimmed().toUpper();
    if (n.isEmpty())
        return;
    m_recent.removeAll(n);
    m_recent.prepend(n);
    while (m_recent.size() > kMaxRecent)
        m_recent.removeLast();
}

void CIndexModelWidget::updateIndexTemplate(const QString& lastIndexName)
{
    addRecent(lastIndexName);
}

void CIndexModelWidget::updateIndexTemplate()
{
    loadUserTemplates();
    if (findTemplate(m_selected) < 0)
        m_selected.clear();
    rebuildButtons();
}

void CIndexModelWidget::slotIndexTemplateInited()
{
    updateIndexTemplate();
}

void CIndexModelWidget::updateSelectIndex(const QVector<QString>& names)
{
    m_recent.clear();
    // Stored newest first: adding from the oldest keeps the order.
    for (int i = names.size() - 1; i >= 0; --i)
        addRecent(names[i]);
}

QVector<QString> CIndexModelWidget::getSelectIndex() const
{
    return m_recent.toVector();
}

void CIndexModelWidget::updateSelectTemplate(const QVector<QString>& entries)
{
    m_periodTemplates.clear();
    for (const QString& e : entries) {
        const int bar = e.indexOf(QLatin1Char('|'));
        bool ok = false;
        const int period = bar > 0 ? e.left(bar).trimmed().toInt(&ok) : 0;
        const QString name = bar > 0 ? e.mid(bar + 1).trimmed() : QString();
        if (!ok || period < 0 || name.isEmpty()) {
            QLLOG_WARN(qlog::kStdLogger, "selected template entry ignored:%1%", e);
            continue;
        }
        m_periodTemplates.insert(period, name);
    }
    if (m_period >= 0)
        updateSelectTemplateIndex(m_period);
}

QVector<QString> CIndexModelWidget::getSelectTempalte() const
{
    QVector<QString> out;
    for (auto it = m_periodTemplates.constBegin(); it != m_periodTemplates.constEnd(); ++it)
        out.append(QString::number(it.key()) + QLatin1Char('|') + it.value());
    return out;
}

QList<QString> CIndexModelWidget::getTemplateIndex() const
{
    const QVector<Template> all = templates();
    const int i = findTemplate(m_selected);
    return i < 0 ? QList<QString>() : QList<QString>(all[i].formulas);
}

void CIndexModelWidget::delIndexTemplate(const QString& formula)
{
    const QString n = formula.trimmed().toUpper();
    if (n.isEmpty())
        return;
    m_recent.removeAll(n);
    bool changed = false;
    for (int i = m_userTemplates.size() - 1; i >= 0; --i) {
        if (m_userTemplates[i].formulas.removeAll(n) == 0)
            continue;
        changed = true;
        if (m_userTemplates[i].formulas.isEmpty())
            m_userTemplates.removeAt(i);
    }
    if (!changed)
        return;
    // The strip goes on without the formula; only the file keeps it.
    if (!writeUserTemplates())
        KW::CMessageTip::showTip(this, QStringLiteral("模板保存失败"));
    if (findTemplate(m_selected) < 0)
        m_selected.clear();
    rebuildButtons();
}

bool CIndexModelWidget::saveTemplate(const QString& name, const QList<QString>& formulas, QString* error)
{
    const QString n = name.trimmed();
    const QStringList list = normalFormulas(formulas);
    QString why;
    if (n.isEmpty())
        why = QStringLiteral("模板名称不能为空");
    else if (n.size() > kMaxNameLength)
        why = QStringLiteral("模板名称过长");
    else if (list.isEmpty())
        why = QStringLiteral("当前没有副图指标可保存");
    for (const Template& b : builtinTemplates()) {
        if (why.isEmpty() && b.name == n)
            why = QStringLiteral("不能覆盖系统模板");
    }
    if (why.isEmpty()) {
        const QVector<Template> before = m_userTemplates;
        int at = -1;
        for (int i = 0; i < m_userTemplates.size(); ++i)
            at = m_userTemplates[i].name == n ? i : at;
        if (at >= 0)
            m_userTemplates[at].formulas = list;
        else
            m_userTemplates.append({n, list, false});
        if (!writeUserTemplates()) {
            m_userTemplates = before;
            why = QStringLiteral("模板保存失败");
        }
    }
    if (!why.isEmpty()) {
        QLLOG_WARN(qlog::kStdLogger, "template %1% not saved: %2%", n, why);
        if (error)
            *error = why;
        return false;
    }
    m_selected = n;
    if (m_period >= 0)
        m_periodTemplates.insert(m_period, n);
    rebuildButtons();
    return true;
}

bool CIndexModelWidget::showSaveModelDialog(const QList<QString>& formulas)
{
    QString name = m_selected;
    for (const Template& b : builtinTemplates())
        name = b.name == name ? QString() : name;
    const NamePrompt& prompt = namePrompt();
    const bool asked = prompt ? prompt(this, formulas, name) : askNameWithDialog(this, formulas, name);
    if (!asked)
        return false;
    QString error;
    if (saveTemplate(name, formulas, &error))
        return true;
    KW::CMessageBox::warning(QStringLiteral("提示"), error, this);
    return false;
}

void CIndexModelWidget::changeBtnStatus(bool enabled)
{
    m_enabled = enabled;
    for (KW::CPushButton* b : m_buttons)
        b->setEnabled(enabled);
    m_saveBtn->setEnabled(enabled);
}

void CIndexModelWidget::themeChanged()
{
    KW::CBaseWidget::themeChanged();
    // A new font changes the button sizes.
    rebuildButtons();
}

void CIndexModelWidget::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(),
               KW::CUiResource::instance()->getColor(QStringLiteral("ic_clr_index_model_background")));
}

} // namespace TC
