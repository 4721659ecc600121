#pragma once

#include <QString>

class QWidget;

namespace KW {

// Transient, non-modal tips: showTip puts the text in a small box centred
// over `parent` (the screen without one) that closes itself after
// kShowMs. Nothing waits for it, so it is safe in tests and headless hosts.
// The last text and a count are recorded for them. GUI thread only.
class CMessageTip
{
public:
    static constexpr int kShowMs = 3000;

    static void showTip(QWidget* parent, const QString& text);

    static QString lastText();
    static int shownCount();
};

} // namespace KW
