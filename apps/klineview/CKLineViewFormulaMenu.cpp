#include "CKLineViewFormulaMenu.h"

#include <QEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>

#include "CKLineViewFormulaPicker.h"
#include "CKLineViewWindow.h"
#include "kline/CKLineMainWidget.h"
#include "model/CKLineUiParam.h"
#include "platform/formula/CFormulaParam.h"
#include "platform/formula/editor/CFormulaEditorManager.h"
#include "platform/formula/editor/CFormulaSourceText.h"
#include "platform/formula/editor/CFormulaWindow.h"
#include "platform/framework/CMessageBox.h"
#include "platform/framework/CStyleSheetCenter.h"
#include "platform/market/InstrumentAccess.h"

namespace TC {

namespace {

CKLineViewFormulaMenu::OpenFilePrompt& openFilePrompt()
{
    static CKLineViewFormulaMenu::OpenFilePrompt prompt;
    return prompt;
}

// A formula name from a file name: what the catalogue accepts, else nothing
// (the user then types one).
QString nameFromFile(const QString& path)
{
    const QString base = QFileInfo(path).completeBaseName().trimmed().toUpper();
    for (const QChar c : base)
        if (!c.isLetterOrNumber() && c != QLatin1Char('_'))
            return QString();
    return base;
}

} // namespace

void CKLineViewFormulaMenu::setOpenFilePrompt(OpenFilePrompt prompt)
{
    openFilePrompt() = std::move(prompt);
}

CKLineViewFormulaMenu::CKLineViewFormulaMenu(CKLineViewWindow* window)
    : QMenu(QStringLiteral("公式"), window), m_window(window)
{
    setObjectName(QStringLiteral("formula_menu"));
    setStyleSheet(KW::CStyleSheetCenter::getStyle(KW::CStyleSheetCenter::Menu, this));
    m_newAction = addAction(QStringLiteral("新建公式…"), this, [this] { newFormula(); });
    m_editAction = addAction(QStringLiteral("编辑公式…"), this, [this] { showPicker(); });
    addSeparator();
    m_importAction = addAction(QStringLiteral("导入公式…"), this, [this] { importFormula(); });
    attachChart();
    if (window)
        window->installEventFilter(this);
}

bool CKLineViewFormulaMenu::eventFilter(QObject* watched, QEvent* event)
{
    // The type first: while the window is being destroyed its children's
    // removal passes here, and reading m_window would then cast a window
    // that is no longer one.
    if (event->type() == QEvent::Close && watched == m_window &&
        !CFormulaEditorManager::instance()->closeAllAsking()) {
        event->ignore();
        return true;
    }
    return QMenu::eventFilter(watched, event);
}

void CKLineViewFormulaMenu::attachChart()
{
    CFormulaEditorManager* manager = CFormulaEditorManager::instance();
    QPointer<CKLineViewWindow> window = m_window;
    manager->setDefaultTarget(window ? window->chart() : nullptr);
    manager->setWindowParent(window);
    manager->setTestSource([window](CFormulaParam& p) {
        CKLineMainWidget* chart = window ? window->chart() : nullptr;
        if (!chart || !chart->getUiParam() || !chart->getUiParam()->curStock)
            return false;
        const auto& stock = chart->getUiParam()->curStock;
        p = CFormulaParam();
        p.market = getDetailQsMarket(stock);
        p.code = getDetailQsCode(stock);
        p.drType = chart->getDrType();
        const qint64 period = chart->getPeriod();
        const qint64 n = std::max(1, window->currentLayout().periodMultiple());
        if (chart->isTickGraph()) {
            p.periodMs = 0;
            p.requestKind = 2;
        } else if (period == 10 || period == 11 || period == 13) {
            p.periodMs = n * (period == 10 ? 86400000 : (period == 11 ? 3600000 : 60000));
        } else {
            p.periodMs = period * 1000;
        }
        return true;
    });
}

CFormulaWindow* CKLineViewFormulaMenu::newFormula()
{
    CFormulaWindow* w = CFormulaEditorManager::instance()->createWindow(QString());
    if (w && m_window)
        w->setTargetChart(m_window->chart());
    return w;
}

CKLineViewFormulaPicker* CKLineViewFormulaMenu::showPicker()
{
    auto* picker = new CKLineViewFormulaPicker(m_window);
    picker->setAttribute(Qt::WA_DeleteOnClose);
    connect(picker, &QDialog::accepted, this, [this, picker] {
        CFormulaWindow* w = CFormulaEditorManager::instance()->createWindow(picker->selectedName());
        if (w && m_window)
            w->setTargetChart(m_window->chart());
    });
    picker->show();
    return picker;
}

bool CKLineViewFormulaMenu::readFormulaFile(const QString& path, QVector<CFormulaParamDef>& params,
                                            QString& source, QString* why)
{
    QFile file(path);
    if (QFileInfo(path).size() > kMaxFileBytes) {
        if (why)
            *why = QStringLiteral("%1 太大, 不是公式文件").arg(path);
        return false;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        if (why)
            *why = QStringLiteral("无法读取 %1: %2").arg(path, file.errorString());
        return false;
    }
    QString text = QString::fromUtf8(file.read(kMaxFileBytes + 1));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QString reason;
    if (!CFormulaSourceText::split(text, params, source, &reason)) {
        if (why)
            *why = QStringLiteral("%1: %2").arg(path, reason);
        return false;
    }
    if (params.size() > CFormulaWindow::kMaxParams) {
        if (why)
            *why = QStringLiteral("%1: 参数超过 %2 个").arg(path).arg(CFormulaWindow::kMaxParams);
        return false;
    }
    return true;
}

CFormulaWindow* CKLineViewFormulaMenu::importFormula(const QString& path)
{
    QString file = path;
    if (file.isEmpty()) {
        const QString caption = QStringLiteral("导入公式");
        const QString filter = QStringLiteral("公式文件 (*.fml *.txt);;所有文件 (*)");
        file = openFilePrompt() ? openFilePrompt()(m_window, caption, filter)
                                : QFileDialog::getOpenFileName(m_window, caption, QString(), filter);
        if (file.isEmpty())
            return nullptr;
    }
    QVector<CFormulaParamDef> params;
    QString source;
    QString why;
    if (!readFormulaFile(file, params, source, &why)) {
        KW::CMessageBox::warning(QStringLiteral("提示"), why, m_window);
        return nullptr;
    }
    CFormulaWindow* w = newFormula();
    if (w)
        w->loadNew(nameFromFile(file), params, source);
    return w;
}

} // namespace TC
