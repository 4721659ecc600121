// Feeds arbitrary bytes to the holding extension data parsers: they must
// refuse or parse, never crash; accepted rows must survive a write and a
// second read unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include <QByteArray>

#include "platform/formula/service/IndexData.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), int(size));
    se::IndexData config;
    se::IndexData::parseConfig(bytes, config);
    se::IndexData rows;
    if (!se::IndexData::parseRows(bytes, rows))
        return 0;
    se::IndexData again;
    if (!se::IndexData::parseRows(se::IndexData::serializeRows(rows), again) || again.codes != rows.codes ||
        again.rows.size() != rows.rows.size())
        std::abort();
    for (int i = 0; i < rows.rows.size(); ++i)
        if (again.rows[i].time != rows.rows[i].time || again.rows[i].values != rows.rows[i].values)
            std::abort();
    return 0;
}
