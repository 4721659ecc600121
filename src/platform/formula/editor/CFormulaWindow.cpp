// The editor window's fields: building them, filling them from a record and
// the live check shown in the status line and in the text.
#include "platform/formula/editor/CFormulaWindow.h"

#include <algorithm>
#include <cmath>

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QTableWidget>
#include <QTextBlock>
#include <QVBoxLayout>

#include "platform/formula/catalog/CFormulaOperateManager.h"
#include "platform/formula/editor/CFormulaHighlighter.h"
#include "platform/formula/editor/CFormulaLiveCheck.h"
#include "platform/formula/editor/CFormulaSourceText.h"
#include "platform/framework/CMessageBox.h"
#include "platform/framework/CStyleSheetCenter.h"
#include "platform/framework/CUiResource.h"

namespace TC {

static_assert(CFormulaWindow::kMaxParams == CFormulaLiveCheck::kMaxParams,
              "the table holds what the check accepts");

namespace {

QPushButton* makeButton(const QString& text, const QString& object, QWidget* parent)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(object);
    b->setAutoDefault(false);
    return b;
}

QString numberText(double v)
{
    return QString::number(v, 'g', 12);
}

} // namespace

CFormulaWindow::CFormulaWindow(QWidget* parent) : KW::CBaseDialog(parent, QStringLiteral("formula_window"))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
    m_check = new CFormulaLiveCheck(this);
    connect(m_check, &CFormulaLiveCheck::checked, this, &CFormulaWindow::showCheck);
    createUi();
    applyTheme();
    loadNew();
}

CFormulaWindow::~CFormulaWindow() = default;

void CFormulaWindow::createUi()
{
    auto* root = new QVBoxLayout(this);

    auto* form = new QGridLayout;
    m_nameEdit = new QLineEdit(this);
    m_nameEdit->setObjectName(QStringLiteral("formula_name"));
    m_titleEdit = new QLineEdit(this);
    m_titleEdit->setObjectName(QStringLiteral("formula_title"));
    m_placementCombo = new QComboBox(this);
    m_placementCombo->setObjectName(QStringLiteral("formula_placement"));
    m_placementCombo->addItem(QStringLiteral("副图"), 0);
    m_placementCombo->addItem(QStringLiteral("主图叠加"), 1);
    m_placementCombo->addItem(QStringLiteral("主图"), 2);
    form->addWidget(new QLabel(QStringLiteral("名称"), this), 0, 0);
    form->addWidget(m_nameEdit, 0, 1);
    form->addWidget(new QLabel(QStringLiteral("说明"), this), 0, 2);
    form->addWidget(m_titleEdit, 0, 3);
    form->addWidget(new QLabel(QStringLiteral("位置"), this), 0, 4);
    form->addWidget(m_placementCombo, 0, 5);
    form->setColumnStretch(1, 1);
    form->setColumnStretch(3, 2);
    root->addLayout(form);

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    m_sourceEdit = new QPlainTextEdit(splitter);
    m_sourceEdit->setObjectName(QStringLiteral("formula_source"));
    m_sourceEdit->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_sourceEdit->setTabChangesFocus(false);
    m_highlighter = new CFormulaHighlighter(m_sourceEdit->document());

    auto* side = new QWidget(splitter);
    auto* sideLayout = new QVBoxLayout(side);
    sideLayout->setContentsMargins(0, 0, 0, 0);
    m_paramTable = new QTableWidget(kMaxParams, 4, side);
    m_paramTable->setObjectName(QStringLiteral("formula_params"));
    m_paramTable->setHorizontalHeaderLabels(
        {QStringLiteral("参数"), QStringLiteral("缺省"), QStringLiteral("最小"), QStringLiteral("最大")});
    m_paramTable->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_paramTable->verticalHeader()->setDefaultSectionSize(m_paramTable->fontMetrics().height() + 6);
    for (int r = 0; r < kMaxParams; ++r)
        for (int c = 0; c < 4; ++c)
            m_paramTable->setItem(r, c, new QTableWidgetItem);
    sideLayout->addWidget(m_paramTable, 3);
    sideLayout->addWidget(new QLabel(QStringLiteral("测试输出"), side));
    m_testList = new QListWidget(side);
    m_testList->setObjectName(QStringLiteral("formula_test_outputs"));
    sideLayout->addWidget(m_testList, 1);
    splitter->addWidget(m_sourceEdit);
    splitter->addWidget(side);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    root->addWidget(splitter, 1);

    m_statusLabel = new QLabel(this);
    m_statusLabel->setObjectName(QStringLiteral("formula_status"));
    m_statusLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    root->addWidget(m_statusLabel);

    auto* buttons = new QHBoxLayout;
    m_testButton = makeButton(QStringLiteral("测试"), QStringLiteral("formula_test"), this);
    m_confirmButton = makeButton(QStringLiteral("确定"), QStringLiteral("formula_confirm"), this);
    m_saveAsButton = makeButton(QStringLiteral("另存为"), QStringLiteral("formula_save_as"), this);
    m_deleteButton = makeButton(QStringLiteral("删除"), QStringLiteral("formula_delete"), this);
    m_closeButton = makeButton(QStringLiteral("关闭"), QStringLiteral("formula_close"), this);
    for (QPushButton* b : {m_testButton, m_confirmButton, m_saveAsButton, m_deleteButton})
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(m_closeButton);
    root->addLayout(buttons);

    connect(m_testButton, &QPushButton::clicked, this, [this] { runTest(); });
    connect(m_confirmButton, &QPushButton::clicked, this, [this] { confirm(); });
    connect(m_saveAsButton, &QPushButton::clicked, this, [this] { saveAs(); });
    connect(m_deleteButton, &QPushButton::clicked, this, [this] { removeFormula(); });
    connect(m_closeButton, &QPushButton::clicked, this, &QWidget::close);
    connect(m_sourceEdit, &QPlainTextEdit::textChanged, this, &CFormulaWindow::scheduleCheck);
    connect(m_paramTable, &QTableWidget::itemChanged, this, &CFormulaWindow::scheduleCheck);
    auto modified = [this] {
        if (!m_filling)
            m_modified = true;
    };
    connect(m_sourceEdit, &QPlainTextEdit::textChanged, this, modified);
    connect(m_paramTable, &QTableWidget::itemChanged, this, modified);
    connect(m_nameEdit, &QLineEdit::textEdited, this, modified);
    connect(m_titleEdit, &QLineEdit::textEdited, this, modified);
    connect(m_placementCombo, QOverload<int>::of(&QComboBox::activated), this, modified);
    resize(900, 600);
}

void CFormulaWindow::themeChanged()
{
    KW::CBaseDialog::themeChanged();
    applyTheme();
}

void CFormulaWindow::applyTheme()
{
    using KW::CStyleSheetCenter;
    const QString edit = CStyleSheetCenter::getStyle(CStyleSheetCenter::LineEdit, this);
    for (QWidget* w : std::initializer_list<QWidget*>{m_nameEdit, m_titleEdit, m_placementCombo})
        w->setStyleSheet(edit);
    m_paramTable->setStyleSheet(CStyleSheetCenter::getStyle(CStyleSheetCenter::Table, m_paramTable));
    // The text areas sit on the theme's input background, which the
    // highlighting colours are chosen against.
    KW::CUiResource* res = KW::CUiResource::instance();
    const QString area =
        QStringLiteral("QPlainTextEdit, QListWidget { background: %1; color: %2; border: 1px solid %3;"
                       " selection-background-color: %4; selection-color: %5; }")
            .arg(res->getColor(QStringLiteral("clr_input_background")).name(),
                 res->getColor(QStringLiteral("clr_window_text")).name(),
                 res->getColor(QStringLiteral("clr_input_border")).name(),
                 res->getColor(QStringLiteral("clr_selection_background")).name(),
                 res->getColor(QStringLiteral("clr_selection_text")).name());
    m_sourceEdit->setStyleSheet(area);
    m_testList->setStyleSheet(area);
    for (QPushButton* b : {m_testButton, m_confirmButton, m_saveAsButton, m_deleteButton, m_closeButton})
        b->setStyleSheet(CStyleSheetCenter::getStyle(CStyleSheetCenter::Button, b));
    m_sourceEdit->setFont(KW::CUiResource::instance()->getFont(QStringLiteral("fnt_default_normal_fix")));
    m_highlighter->themeChanged();
    if (m_lastCheck.generation > 0)
        showCheck(m_lastCheck);
}

void CFormulaWindow::discardAndClose()
{
    m_discard = true;
    close();
}

void CFormulaWindow::closeEvent(QCloseEvent* event)
{
    if (m_modified && !m_readOnly && !m_discard &&
        KW::CMessageBox::question(
            QStringLiteral("提示"),
            QStringLiteral("公式%1已修改, 关闭将丢失修改, 是否关闭?")
                .arg(m_formula.isEmpty() ? QString() : QStringLiteral(" %1 ").arg(m_formula)),
            this) != QMessageBox::Yes) {
        m_discard = false;
        event->ignore();
        return;
    }
    m_check->cancel();
    KW::CBaseDialog::closeEvent(event);
}

bool CFormulaWindow::load(const QString& name)
{
    const auto detail = CFormulaOperateManager::getFormula(name);
    if (!detail)
        return false;
    QVector<CFormulaParamDef> ignored;
    QString body;
    if (!CFormulaSourceText::split(detail->getSource(), ignored, body))
        body = detail->getSource();
    // The record's parameters are the ones the service runs with.
    fill(detail->getName(), detail->getTitle(), detail->getPlacement(), detail->getParams(), body);
    m_formula = detail->getName();
    m_applyOnConfirm = false;
    // The table cannot hold more parameters; saving would drop them.
    const bool tooMany = detail->getParams().size() > kMaxParams;
    setReadOnly(tooMany || detail->isNative() || CFormulaOperateManager::instance()->isBuiltin(m_formula));
    m_testButton->setEnabled(!detail->isNative());
    m_saveAsButton->setEnabled(!tooMany);
    updateTitle();
    if (tooMany)
        showStatus(QStringLiteral("参数超过 %1 个, 不能在编辑器中修改").arg(kMaxParams), true);
    else if (m_readOnly)
        showStatus(QStringLiteral("系统公式只读, 可用\"另存为\"建立用户公式"), false);
    return true;
}

void CFormulaWindow::loadNew(const QString& name, const QVector<CFormulaParamDef>& params,
                             const QString& source, int placement, const QString& title)
{
    fill(name.trimmed().toUpper(), title, placement, params, source);
    m_formula.clear();
    m_applyOnConfirm = true;
    setReadOnly(false);
    m_testButton->setEnabled(true);
    m_saveAsButton->setEnabled(true);
    // A text brought in (an import) is not saved anywhere yet.
    m_modified = !source.trimmed().isEmpty();
    updateTitle();
}

void CFormulaWindow::fill(const QString& name, const QString& title, int placement,
                          const QVector<CFormulaParamDef>& params, const QString& source)
{
    m_filling = true;
    m_nameEdit->setText(name);
    m_titleEdit->setText(title);
    const int at = m_placementCombo->findData(placement);
    m_placementCombo->setCurrentIndex(at < 0 ? 0 : at);
    for (int r = 0; r < kMaxParams; ++r) {
        const bool used = r < params.size();
        m_paramTable->item(r, 0)->setText(used ? params[r].name : QString());
        m_paramTable->item(r, 1)->setText(used ? numberText(params[r].defaultValue) : QString());
        m_paramTable->item(r, 2)->setText(used ? numberText(params[r].minValue) : QString());
        m_paramTable->item(r, 3)->setText(used ? numberText(params[r].maxValue) : QString());
    }
    m_sourceEdit->setPlainText(source);
    m_testList->clear();
    m_filling = false;
    m_modified = false;
    scheduleCheck();
}

void CFormulaWindow::setReadOnly(bool on)
{
    m_readOnly = on;
    m_nameEdit->setReadOnly(on || !m_formula.isEmpty());
    m_titleEdit->setReadOnly(on);
    m_placementCombo->setEnabled(!on);
    m_sourceEdit->setReadOnly(on);
    m_paramTable->setEditTriggers(on ? QAbstractItemView::NoEditTriggers
                                     : QAbstractItemView::AllEditTriggers);
    m_confirmButton->setEnabled(!on);
    m_deleteButton->setEnabled(!on && !m_formula.isEmpty());
}

void CFormulaWindow::updateTitle()
{
    setWindowTitle(m_formula.isEmpty()
                       ? QStringLiteral("公式编辑器 - 新公式")
                       : QStringLiteral("公式编辑器 - %1%2")
                             .arg(m_formula, m_readOnly ? QStringLiteral(" (只读)") : QString()));
}

void CFormulaWindow::setSelectCode(const QString& name, int codeLine)
{
    if (!name.trimmed().isEmpty() && name.trimmed().compare(m_formula, Qt::CaseInsensitive) != 0)
        load(name);
    if (codeLine >= 1) {
        const QTextBlock block = m_sourceEdit->document()->findBlockByNumber(codeLine - 1);
        if (block.isValid()) {
            QTextCursor cursor(block);
            cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
            m_sourceEdit->setTextCursor(cursor);
            m_sourceEdit->centerCursor();
        }
    }
    m_sourceEdit->setFocus();
}

bool CFormulaWindow::collectParams(QVector<CFormulaParamDef>& params, QString* why) const
{
    params.clear();
    auto fail = [why](const QString& text) {
        if (why)
            *why = text;
        return false;
    };
    for (int r = 0; r < kMaxParams; ++r) {
        QString cells[4];
        for (int c = 0; c < 4; ++c)
            cells[c] = m_paramTable->item(r, c)->text().trimmed();
        if (cells[0].isEmpty()) {
            if (!cells[1].isEmpty() || !cells[2].isEmpty() || !cells[3].isEmpty())
                return fail(QStringLiteral("第 %1 行参数缺少名称").arg(r + 1));
            continue;
        }
        CFormulaParamDef p;
        p.name = cells[0].toUpper();
        double* values[3] = {&p.defaultValue, &p.minValue, &p.maxValue};
        static const char* const what[3] = {"缺省值", "最小值", "最大值"};
        for (int i = 0; i < 3; ++i) {
            bool ok = false;
            *values[i] = cells[i + 1].toDouble(&ok);
            if (!ok || !std::isfinite(*values[i]))
                return fail(QStringLiteral("参数 %1 的%2不是数字").arg(p.name, QString::fromUtf8(what[i])));
        }
        if (p.minValue > p.defaultValue || p.defaultValue > p.maxValue)
            return fail(QStringLiteral("参数 %1 的缺省值不在最小值与最大值之间").arg(p.name));
        for (const CFormulaParamDef& q : params)
            if (q.name == p.name)
                return fail(QStringLiteral("参数名重复 %1").arg(p.name));
        params.append(p);
    }
    return true;
}

void CFormulaWindow::scheduleCheck()
{
    if (m_filling)
        return;
    QVector<CFormulaParamDef> params;
    QString why;
    if (!collectParams(params, &why)) {
        m_check->cancel();
        CFormulaCheckResult r;
        r.generation = m_lastCheck.generation + 1;
        r.message = why;
        showCheck(r);
        return;
    }
    if (m_sourceEdit->toPlainText().trimmed().isEmpty()) {
        m_check->cancel();
        m_lastCheck = CFormulaCheckResult();
        markError(0, 0);
        showStatus(QStringLiteral("请输入公式"), false);
        return;
    }
    m_check->schedule(m_sourceEdit->toPlainText(), params);
}

void CFormulaWindow::showCheck(const CFormulaCheckResult& result)
{
    m_lastCheck = result;
    markError(result.ok ? 0 : result.line, result.column);
    if (result.ok) {
        QString text = QStringLiteral("公式正确");
        if (!result.outputs.isEmpty())
            text += QStringLiteral(", 输出: %1").arg(result.outputs.join(QStringLiteral(", ")));
        if (m_readOnly)
            text = QStringLiteral("系统公式只读, 可用\"另存为\"建立用户公式; ") + text;
        const bool future = !result.futureFunctions.isEmpty();
        if (future)
            text += QStringLiteral("; 注意: 使用了未来函数 %1, 已画出的信号会随新K线改变")
                        .arg(result.futureFunctions.join(QStringLiteral(", ")));
        showStatus(text, future);
    } else if (result.line > 0) {
        showStatus(
            QStringLiteral("第 %1 行第 %2 列: %3").arg(result.line).arg(result.column).arg(result.message),
            true);
    } else {
        showStatus(result.message, true);
    }
}

void CFormulaWindow::markError(int line, int column)
{
    QList<QTextEdit::ExtraSelection> marks;
    const QTextBlock block = line > 0 ? m_sourceEdit->document()->findBlockByNumber(line - 1) : QTextBlock();
    if (block.isValid()) {
        const QString text = block.text();
        int start = std::clamp(column - 1, 0, std::max(0, text.size() - 1));
        int end = start + 1;
        auto word = [](QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_'); };
        if (start < text.size() && word(text.at(start)))
            while (end < text.size() && word(text.at(end)))
                ++end;
        QTextEdit::ExtraSelection mark;
        mark.cursor = QTextCursor(block);
        mark.cursor.setPosition(block.position() + start);
        mark.cursor.setPosition(block.position() + std::min(end, std::max(1, text.size())),
                                QTextCursor::KeepAnchor);
        mark.format.setUnderlineStyle(QTextCharFormat::WaveUnderline);
        mark.format.setUnderlineColor(
            KW::CUiResource::instance()->getColor(QStringLiteral("clr_message_warning")));
        marks.append(mark);
    }
    m_sourceEdit->setExtraSelections(marks);
}

void CFormulaWindow::showStatus(const QString& text, bool warn)
{
    m_statusLabel->setText(text);
    QPalette pal = m_statusLabel->palette();
    pal.setColor(QPalette::WindowText,
                 KW::CUiResource::instance()->getColor(warn ? QStringLiteral("clr_message_warning")
                                                            : QStringLiteral("clr_window_text")));
    m_statusLabel->setPalette(pal);
}

} // namespace TC
