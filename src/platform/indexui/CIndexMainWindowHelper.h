#pragma once

#include <QObject>
#include <QString>

namespace TC {

// The chart's line to the terminal's main window for what only the host can
// do: each request is a signal the host's window connects to. A request
// nobody is connected to is logged at info ("no main window handles ...")
// and otherwise ignored, so a chart embedded without such a window keeps
// working. The process-wide helper (inst()) is created on first use and
// deleted when the application quits. GUI thread only.
class CIndexMainWindowHelper : public QObject
{
    Q_OBJECT

public:
    static CIndexMainWindowHelper* inst();

    // Compare the instrument with its industry sector (板块对比).
    void contrastSector(const QString& stockKey);
    // Save a formula's source to a file the user chooses.
    void exportFormula(const QString& formula);
    // Request the current chart again.
    void refresh();

signals:
    void sectorAnalysisRequested(const QString& stockKey);
    void exportFormulaRequested(const QString& formula);
    void refreshRequested();

private:
    explicit CIndexMainWindowHelper(QObject* parent = nullptr);
    // True when the signal has a receiver; logs otherwise.
    bool handled(const char* signal, const char* what, const QString& arg) const;
};

} // namespace TC
