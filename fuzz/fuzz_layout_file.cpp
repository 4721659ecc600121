// Loads arbitrary bytes as klineview's saved layout file, then puts the
// layout on a chart. A file that loads must keep the layout's invariants
// (an instrument the store holds, a period of the table, a known ex-rights
// type); one that does not must leave the layout untouched and be set aside
// with its bytes, never lost.
//   scripts/fuzz.sh 60 fuzz_layout_file
// Leak checking is off there: Qt 5.15's JSON parser loses a small block on
// texts that repeat a key, and its frames carry no frame pointers, so the
// suppression needs full unwinding (FUZZ_LEAKS=1). Memory errors are still
// caught.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include <QApplication>
#include <QDir>
#include <QFile>

#include "CKLineViewLayout.h"
#include "kline/CKLineMainWidget.h"
#include "platform/market/CMarketStore.h"
#include "FuzzFolder.h"

namespace {

QString g_folder;

using fuzz::check;

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    fuzz::defaultHome("fuzz_layout_home");
    static QApplication* app = new QApplication(*argc, *argv);
    Q_UNUSED(app);
    g_folder = QDir::tempPath() + QStringLiteral("/fuzz_layout_files");
    QDir().mkpath(g_folder);
    {
        TC::CKLineMainWidget warmUp(nullptr, 0);
        TC::CKLineViewLayout().applyTo(&warmUp);
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), int(size));
    QDir folder(g_folder);
    for (const QString& f : folder.entryList(QDir::Files))
        folder.remove(f);
    const QString path = folder.filePath(QStringLiteral("klineview.json"));
    {
        QFile file(path);
        check(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }
    const TC::CKLineViewLayout before;
    TC::CKLineViewLayout layout = before;
    QString aside;
    const TC::CKLineViewLayout::LoadResult r = layout.load(path, &aside);
    if (r == TC::CKLineViewLayout::kLoaded) {
        check(!TC::CMarketStore::instance()->resolveKey(layout.instrument()).isEmpty());
        TC::CKLineViewLayout probe;
        check(probe.setPeriod(layout.period(), layout.periodMultiple()));
        check(probe.setDrType(layout.drType()));
        TC::CKLineMainWidget chart(nullptr, 0);
        layout.applyTo(&chart);
    } else {
        check(r == TC::CKLineViewLayout::kSetAside && layout == before);
        QFile kept(aside);
        check(kept.open(QIODevice::ReadOnly) && kept.readAll() == bytes);
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}
