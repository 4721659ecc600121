// The import file reader: the input is written to a temporary file and read
// back line by line through KW::CFileClient (worker thread, finishing signal
// on this thread). Beyond not crashing: a file holding a NUL byte fails, any
// other succeeds; no line handed on is empty or holds a line break; no more
// lines come than the file has non-empty ones, and for plain ASCII exactly
// those, byte for byte (without the line ends).
//   build-fuzz/fuzz/fuzz_file_client -max_total_time=300 CORPUS
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include "platform/framework/CFileClient.h"
#include "FuzzFolder.h"

namespace {

using fuzz::check;

QTemporaryDir* g_dir = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication* app = new QCoreApplication(*argc, *argv);
    Q_UNUSED(app);
    g_dir = new QTemporaryDir;
    check(g_dir->isValid());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), int(size));
    const QString path = g_dir->filePath(QStringLiteral("input.csv"));
    {
        QFile f(path);
        check(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        check(f.write(bytes) == bytes.size());
    }
    // The expected lines, by an independent split.
    QByteArray body = bytes;
    if (body.startsWith("\xEF\xBB\xBF"))
        body.remove(0, 3);
    QList<QByteArray> pieces;
    for (QByteArray piece : body.split('\n')) {
        while (piece.endsWith('\r'))
            piece.chop(1);
        if (!piece.isEmpty())
            pieces << piece;
    }
    bool ascii = true;
    for (char c : body)
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;

    QStringList seen;
    KW::CFileClient client;
    bool finished = false, ok = false;
    QEventLoop loop;
    QObject::connect(&client, &KW::CFileClient::sigReadFinished, &loop, [&](int, bool good, QString) {
        finished = true;
        ok = good;
        loop.quit();
    });
    const int id = client.readFileByLine(path, 0, [&seen](const QString& line) {
        seen << line; // only the worker writes it until the end is signalled
        return true;
    });
    check(id > 0);
    // A second read while one runs is refused.
    check(client.readFileByLine(path, 0, nullptr) == -1 || !client.isReading());
    if (!finished)
        loop.exec();
    check(finished);
    check(ok == !bytes.contains('\0'));
    if (!ok)
        return 0;
    check(seen.size() <= pieces.size());
    for (const QString& l : seen)
        check(!l.isEmpty() && !l.contains(QLatin1Char('\n')));
    if (ascii) {
        check(seen.size() == pieces.size());
        for (int i = 0; i < seen.size(); ++i)
            check(seen.at(i).toLatin1() == pieces.at(i));
    }
    return 0;
}
