// Feeds arbitrary bytes to the self-selected stock file parser: it must
// refuse or parse, never crash; what it accepts must survive a write and a
// second read unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include <QByteArray>

#include "platform/indexui/CSelfStockStore.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using TC::CSelfStockStore;
    QVector<CSelfStockStore::Group> groups;
    if (!CSelfStockStore::parse(QByteArray(reinterpret_cast<const char*>(data), int(size)), groups))
        return 0;
    if (groups.isEmpty() || groups.first().name != CSelfStockStore::defaultGroup())
        std::abort();
    QVector<CSelfStockStore::Group> again;
    if (!CSelfStockStore::parse(CSelfStockStore::serialize(groups), again) || again.size() != groups.size())
        std::abort();
    for (int i = 0; i < groups.size(); ++i)
        if (again[i].name != groups[i].name || again[i].stocks != groups[i].stocks)
            std::abort();
    return 0;
}
