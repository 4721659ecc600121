#include "platform/framework/CFileClient.h"

#include <QFile>
#include <QMetaObject>
#include <QTextCodec>

namespace KW {

namespace {

QString decodeLine(QByteArray bytes)
{
    while (bytes.endsWith('\n') || bytes.endsWith('\r'))
        bytes.chop(1);
    QTextCodec::ConverterState state;
    const QString text =
        QTextCodec::codecForName("UTF-8")->toUnicode(bytes.constData(), bytes.size(), &state);
    if (state.invalidChars == 0)
        return text;
    if (QTextCodec* gb = QTextCodec::codecForName("GB18030"))
        return gb->toUnicode(bytes);
    return QString::fromLatin1(bytes);
}

} // namespace

CFileClient::CFileClient(QObject* parent) : QObject(parent)
{
}

CFileClient::~CFileClient()
{
    m_stop.store(true);
    if (m_thread.joinable())
        m_thread.join();
}

bool CFileClient::readLines(const QString& path, int fileType, const LineHandler& handler,
                            const std::atomic<bool>* stop, int* taken, int* lines, QString* error)
{
    Q_UNUSED(fileType);
    *taken = 0;
    *lines = 0;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return false;
    }
    bool first = true;
    while (!file.atEnd()) {
        if (stop && stop->load()) {
            *error = QStringLiteral("stopped");
            return false;
        }
        QByteArray bytes = file.readLine();
        if (first) {
            first = false;
            if (bytes.startsWith("\xEF\xBB\xBF"))
                bytes.remove(0, 3);
        }
        // A spreadsheet's binary form (or any binary file) is no text.
        if (bytes.contains('\0')) {
            *error = QStringLiteral("not a text file");
            return false;
        }
        const QString line = decodeLine(bytes);
        if (line.isEmpty())
            continue;
        ++*lines;
        if (handler && handler(line))
            ++*taken;
    }
    if (file.error() != QFileDevice::NoError) {
        *error = file.errorString();
        return false;
    }
    return true;
}

int CFileClient::readFileByLine(const QString& path, int fileType, const LineHandler& handler)
{
    if (m_reading.exchange(true))
        return -1;
    if (m_thread.joinable())
        m_thread.join();
    m_stop.store(false);
    const int id = m_nextId++;
    m_thread = std::thread([this, id, path, fileType, handler] {
        int taken = 0, lines = 0;
        QString error;
        const bool ok = readLines(path, fileType, handler, &m_stop, &taken, &lines, &error);
        const QString text = ok ? QStringLiteral("%1/%2").arg(taken).arg(lines) : error;
        // Queued to the client's thread; dropped when the client is gone.
        QMetaObject::invokeMethod(
            this,
            [this, id, ok, text] {
                m_reading.store(false);
                emit sigReadFinished(id, ok, text);
            },
            Qt::QueuedConnection);
    });
    return id;
}

} // namespace KW
