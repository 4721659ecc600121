// Imports of orders and deals: the file choice, the line format and the
// reader's end.
#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>

#include "kline/CKLineLinkageSettingDialog.h"
#include "platform/framework/CFileClient.h"
#include "platform/framework/CMessageTip.h"
#include "platform/framework/CPushButton.h"
#include "platform/trading/CLinkageManager.h"

namespace TC {

namespace {

constexpr int kImportFields = 7;

// Spreadsheets quote a field only when they must; surrounding blanks and one
// pair of quotes are not part of the value.
QString fieldText(const QString& raw)
{
    QString f = raw.trimmed();
    if (f.size() >= 2 && f.startsWith(QLatin1Char('"')) && f.endsWith(QLatin1Char('"')))
        f = f.mid(1, f.size() - 2).replace(QStringLiteral("\"\""), QStringLiteral("\"")).trimmed();
    return f;
}

} // namespace

int CKLineLinkageSettingDialog::handleImport(bool deal, const QString& line, const QString& separator)
{
    if (separator.isEmpty())
        return ImportSkipped;
    const QStringList raw = line.split(separator, Qt::KeepEmptyParts);
    if (raw.size() < kImportFields)
        return ImportSkipped;
    QStringList f;
    for (int i = 0; i < kImportFields; ++i)
        f << fieldText(raw.at(i));
    // A field that is no number reads as 0, which the service refuses
    // (price and volume must be above 0, the codes known).
    const double price = f.at(3).toDouble();
    const int direction = f.at(4).toInt();
    const qint64 volume = f.at(5).toLongLong();
    const int offsetFlag = f.at(6).toInt();
    CLinkageManager* link = CLinkageManager::instance();
    const bool ok = deal ? link->importDeal(f.at(0), f.at(1), f.at(2), price, direction, volume, offsetFlag)
                         : link->importOrder(f.at(0), f.at(1), f.at(2), price, direction, volume, offsetFlag);
    return ok ? ImportRecorded : ImportRefused;
}

int CKLineLinkageSettingDialog::handleImportOrder(const QString& line, const QString& separator)
{
    return handleImport(false, line, separator);
}

int CKLineLinkageSettingDialog::handleImportDeal(const QString& line, const QString& separator)
{
    return handleImport(true, line, separator);
}

void CKLineLinkageSettingDialog::importOrder()
{
    chooseImportFile(false);
}

void CKLineLinkageSettingDialog::importDeal()
{
    chooseImportFile(true);
}

void CKLineLinkageSettingDialog::chooseImportFile(bool deal)
{
    const QString path = QFileDialog::getOpenFileName(
        this, deal ? QStringLiteral("导入成交数据") : QStringLiteral("导入委托数据"), QString(),
        QStringLiteral("Excel Files(*.csv);;Excel Files(*.xls)"));
    if (path.isEmpty())
        return;
    startImport(path, deal);
}

bool CKLineLinkageSettingDialog::startImport(const QString& path, bool deal)
{
    if (m_fileClient->isReading())
        return false;
    const bool csv = QFileInfo(path).completeSuffix().compare(QLatin1String("csv"), Qt::CaseInsensitive) == 0;
    const int fileType = csv ? 0 : 1;
    const QString separator = csv ? QStringLiteral(",") : QStringLiteral("\t");
    // The handler runs on the reader's thread: it only calls the
    // (thread-safe) linkage service.
    KW::CFileClient::LineHandler handler;
    if (deal)
        handler = [separator](const QString& line) {
            return handleImportDeal(line, separator) == ImportRecorded;
        };
    else
        handler = [separator](const QString& line) {
            return handleImportOrder(line, separator) == ImportRecorded;
        };
    const int id = m_fileClient->readFileByLine(path, fileType, handler);
    if (id < 0)
        return false;
    m_importId = id;
    m_importDeal = deal;
    setImportEnabled(false);
    return true;
}

void CKLineLinkageSettingDialog::setImportEnabled(bool on)
{
    for (int id : {ImportOrderButton, ImportDealButton})
        if (KW::CPushButton* b = m_buttons.value(id))
            b->setEnabled(on);
}

void CKLineLinkageSettingDialog::slotImportFinished(int id, bool ok, QString text)
{
    if (id != m_importId)
        return;
    m_importId = -1;
    setImportEnabled(true);
    // A file of which no line could be recorded failed as well: the user
    // sees the same advice.
    if (ok && !text.startsWith(QLatin1String("0/")))
        return;
    KW::CMessageTip::showTip(this, m_importDeal
                                       ? QStringLiteral("成交导入失败, 请检查导入文件和本机Excel安装情况")
                                       : QStringLiteral("委托导入失败, 请检查导入文件和本机Excel安装情况"));
}

void CKLineLinkageSettingDialog::clearImportData()
{
    CLinkageManager::instance()->clearImportData();
}

} // namespace TC
