#pragma once

#include "kline/CKLineMainWidget.h"

namespace TC {

// The chart where strategy models are run and inspected. It is a
// CKLineMainWidget in every respect except how a double-clicked formula is
// placed: that follows the strategy selected in the strategy manager.
//
//  - A formula that takes over the main pane (placement 2) goes there only
//    for a selected strategy of kind 1, which draws its own main graph; a
//    strategy of kind 2 gives the main pane its candles and MA back. Without
//    a selected strategy nothing changes.
//  - A price-pane formula (placement 1) comes off the main pane when it is
//    there, and is overlaid when it is not (a double-click toggles it); the
//    main pane is requested again while the strategy is shown on it.
//  - A sub-graph formula (placement 0) goes to the highlighted sub-pane with
//    the given parameters, else to the last sub-pane; without sub-panes a
//    new one shows its own candles and MA under the formula, so that the
//    model's signals can be read against the prices. Only the formula takes
//    the given parameters (they are its own).
class INDEXKLINEVIEW_EXPORT CKLineModelWidget : public CKLineMainWidget
{
public:
    CKLineModelWidget(QWidget* parent, EIndexViewType type);
    ~CKLineModelWidget() override;

protected:
    void handleDoubleClickedFormula(const QString& name, const QString& paramText) override;
};

} // namespace TC
