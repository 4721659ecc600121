#pragma once

#include <functional>

#include <QObject>

class QSocketNotifier;

namespace TC {

// Turns SIGTERM, SIGINT and SIGHUP into a call on the GUI thread, so a
// session ended from outside (logout, kill, Ctrl+C in the terminal) closes
// the window as a quit from the menu would and the layout is saved. The
// handler only writes a byte to a socket pair; everything else runs in the
// event loop. One instance per process.
class CKLineViewTermination : public QObject
{
    Q_OBJECT

public:
    explicit CKLineViewTermination(std::function<void()> onSignal, QObject* parent = nullptr);
    ~CKLineViewTermination() override;

    // The signal caught last (0 none yet).
    int lastSignal() const { return m_lastSignal; }

private:
    void readSignal();

    std::function<void()> m_onSignal;
    QSocketNotifier* m_notifier = nullptr;
    int m_lastSignal = 0;
};

} // namespace TC
