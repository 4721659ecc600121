// Import lines of the linkage setting dialog: the first byte picks orders or
// deals (even / odd) and the separator (bit 1: tab, else comma), the rest is
// one line as a file would hand it. Beyond not crashing: a line of fewer than
// seven fields (counted here by its separators) is skipped and records
// nothing; any other answer is recorded or refused, and the service's import
// count grows exactly by the recorded ones.
//   build-fuzz/fuzz/fuzz_linkage_import -max_total_time=300 CORPUS
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include <QCoreApplication>
#include <QDir>

#include "kline/CKLineLinkageSettingDialog.h"
#include "platform/trading/CLinkageManager.h"
#include "FuzzFolder.h"

namespace {

using fuzz::check;

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    fuzz::defaultHome("fuzz_linkage_import_home");
    static QCoreApplication* app = new QCoreApplication(*argc, *argv);
    Q_UNUSED(app);
    // The sample market and its records are built once, outside the inputs.
    TC::CLinkageManager::instance()->clearImportData();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    using Dialog = TC::CKLineLinkageSettingDialog;
    const bool deal = data[0] % 2 == 1;
    const QString sep = (data[0] & 2) ? QStringLiteral("\t") : QStringLiteral(",");
    const QString line = QString::fromUtf8(reinterpret_cast<const char*>(data) + 1, int(size - 1));
    TC::CLinkageManager* link = TC::CLinkageManager::instance();
    const int before = link->importCount();
    const int r = deal ? Dialog::handleImportDeal(line, sep) : Dialog::handleImportOrder(line, sep);
    check(r == Dialog::ImportSkipped || r == Dialog::ImportRecorded || r == Dialog::ImportRefused);
    if (line.count(sep) < 6)
        check(r == Dialog::ImportSkipped);
    check(link->importCount() == before + (r == Dialog::ImportRecorded ? 1 : 0));
    if (link->importCount() > 5000)
        link->clearImportData();
    return 0;
}
