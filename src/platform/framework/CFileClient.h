#pragma once

#include <atomic>
#include <functional>
#include <thread>

#include <QObject>
#include <QString>

namespace KW {

// The terminal's file reader: reads a text file line by line on a worker
// thread and reports the end with sigReadFinished on the thread the client
// lives on (the GUI thread).
//
// File type 0 is a text file (CSV); type 1 is a spreadsheet saved as text
// (tab separated). Bytes that are not UTF-8 are read as GB18030, the encoding
// Chinese spreadsheets write; a leading UTF-8 byte order mark and line ends
// ("\n", "\r\n") are dropped. Empty lines are not handed on.
//
// The line handler runs on the worker thread, so it must not touch widgets;
// it returns whether it took the line. sigReadFinished gives the read id, the
// success flag (false: the file could not be opened, is not a text file, or
// the client was destroyed meanwhile) and a text: "<taken>/<lines>" on
// success, the reason otherwise. One read at a time: a read asked for while
// another runs is refused (id -1, no signal). The destructor stops a running
// read between two lines and waits for it.
class CFileClient : public QObject
{
    Q_OBJECT

public:
    using LineHandler = std::function<bool(const QString& line)>;

    explicit CFileClient(QObject* parent = nullptr);
    ~CFileClient() override;

    int readFileByLine(const QString& path, int fileType, const LineHandler& handler);
    bool isReading() const { return m_reading.load(); }

    // The reading itself, on the calling thread: the number of lines taken
    // and seen, false with the reason in *error when the file is no text.
    static bool readLines(const QString& path, int fileType, const LineHandler& handler,
                          const std::atomic<bool>* stop, int* taken, int* lines, QString* error);

signals:
    void sigReadFinished(int id, bool ok, QString text);

private:
    std::thread m_thread;
    std::atomic<bool> m_reading{false};
    std::atomic<bool> m_stop{false};
    int m_nextId = 1;
};

} // namespace KW
