// Feeds arbitrary bytes to the CSV bar loader: it must report or load, never crash.
#include <cstddef>
#include <cstdint>

#include <QByteArray>

#include "platform/market/CCsvLoader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TC::CCsvLoader loader;
    loader.parse(QByteArray(reinterpret_cast<const char*>(data), int(size)), QStringLiteral("fuzz.csv"));
    return 0;
}
