#pragma once

namespace KW {

// What the drawing-tool engine tells its host widget. The engine calls these
// on the GUI thread while it handles a shape; the host decides what the
// terminal makes of them (repaint, events, dialogs).
class IGraphController
{
public:
    // A shape was finished: added, moved or deleted.
    virtual void onDone() = 0;
    virtual ~IGraphController() = default;
    // The selection changed; `data` is the selected shape (a CGraphShape*,
    // valid until the next change of the engine's shapes) or null.
    virtual void onGraphNotify(void* data) = 0;
    // The engine's editing state changed (0 idle, 1 a shape selected,
    // 2 a drawing mode is placing a new shape).
    virtual void onGraphStateChanged(int state) = 0;
    // The user asked for the attributes of the selected line.
    virtual void onEditGraphAttribute() = 0;
};

} // namespace KW
