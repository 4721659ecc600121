#pragma once

#include <QString>

#include "platform/config/CSingletonT.h"

namespace TC {

// The terminal's environment settings. Client type and concise style are
// settable so a host (and the tests) can run every branch that reads them.
//   client type 0: the ordinary terminal; 2 and 3 are the terminal variants
//   whose behaviour the chart adapts to.
class CAppConfig
{
public:
    CAppConfig();

    static bool isClientType(int n);

    int clientType() const { return m_clientType; }
    void setClientType(int t) { m_clientType = t; }

    bool conciseStyle() const { return m_conciseStyle; }
    void setConciseStyle(bool on) { m_conciseStyle = on; }

    // Folder of the user's own files (logs, layouts, user formulas):
    // $KLINEVIEW_HOME when set, else the platform's application data folder.
    static QString userDataDir();
    // Folder of the shipped data files: $KLINE_DATA_DIR when set, else the
    // installed share folder, else the source tree's data folder.
    static QString dataDir();

private:
    int m_clientType = 0;
    bool m_conciseStyle = false;
};

// The terminal's configuration accessor.
CAppConfig* getConfig();

// Folder of the user's Python formula files (<user data folder>/python).
QString getPythonDir();

// A fresh integer per call, for pane position ids (starts at 10000 so it never
// meets the chart instance numbers).
int genPositionID();

} // namespace TC
