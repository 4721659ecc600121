#pragma once

#include <memory>

#include <QColor>
#include <QFont>
#include <QHash>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <QVector>

#include <boost/shared_ptr.hpp>

#include "platform/framework/CBaseWidget.h"
#include "platform/framework/CShapedTextCache.h"
#include "platform/market/CInstrumentDetail.h"

namespace KW {
class CPushButton;
}

namespace TC {

class IndexBaseData;
class RPCFormulaResultCache;

// The one-line title bar above a chart pane. Left to right it shows the
// instrument, the added instruments, then for every shown formula its name
// with parameters ("MACD(12,26,9)"), on the main pane after the price formula
// the period and ex-rights names, and each output's "NAME: value" at the
// cursor bar.
//
// Choices of this library:
//  - Parameters: the text given to showIndex() (plain values "12,26,9" or
//    "N1=12,N2=26"), else the catalogue defaults; a formula without
//    parameters shows its bare name.
//  - Cursor bar: -1, a negative or a bar past the end of a result all mean
//    that result's newest bar, so a title never goes blank while the cursor
//    leaves the data.
//  - Values and colours come from CDrawStyle::getTitleTextData, so each
//    value has the colour its curve is drawn in; the price formula's
//    open/high/low/close compare to the previous bar's close (rise, fall,
//    or the text colour when equal or on the first bar).
//  - A formula whose result has not arrived shows its name only; several
//    results of one formula (superposed instruments) show the one of the
//    current instrument, else the first.
//  - Simple-title mode (setShowSimpleTitle(true)) shows only the text of
//    setSimpleTite(), or the first shown formula's bare name while that text
//    is empty. setSimpleTitle(text) is the one-call form: a non-empty text
//    sets it and enters the mode, an empty text leaves the mode.
//
// Buttons at the right end, each clicked delivering event 5 with p1 = the
// button's id and p2 = 0 upstream through this widget's deliverer:
//  - close "×" (100): shown by default on sub-panes (display type 1), hidden
//    on the main pane;
//  - tool group (main pane, hidden until setBtnToolVisible(true)), left to
//    right, labelled by what the pane does with them:
//      500 "指标"  the pane's indicator pop-up, opened under the title
//                  (titleGlobalPoint())
//      501 "叠加"  superpose an instrument
//      503 "放大"  zoom in (fewer bars), like the Up key
//      504 "缩小"  zoom out (more bars), like the Down key
//      502 "还原"  back to the newest bars at the default zoom
//      103 "锁"    lock / unlock the cursor
// The text never runs under the buttons: pieces (a name, one value) that
// would reach them are left out whole, never cut.
//
// Background: the selected background while selected (setShowTitleBg),
// else the concise-style title background with the concise style, else the
// chart background. The concise style starts as the terminal's setting.
// The title is composed on demand from the series, so it follows new results
// with a plain repaint; composing touches a few outputs, never every bar.
// GUI thread only.
class CIndexTitleWidget : public KW::CBaseWidget
{
    Q_OBJECT

public:
    CIndexTitleWidget(boost::shared_ptr<IndexBaseData> series, int displayType, int viewType, int drType,
                      QWidget* parent = nullptr);
    ~CIndexTitleWidget() override;

    // Names are compared without case; showing a shown name updates its
    // parameter text and keeps its place.
    void showIndex(const QString& name, const QString& paramText = QString());
    void hideIndex(const QString& name);
    QStringList shownIndexes() const { return m_names; }
    // Forgets the shown formulas, the instrument, the added instruments and
    // the cursor bar; period, ex-rights and selection stay.
    void clear();

    // Height of one text line of the title font plus the padding.
    int titleHeight() const;
    // Fixes the height to titleHeight() (after a font or scale change) and repaints.
    void resetSize();

    void setPeroid(int period);
    int peroid() const { return m_period; }
    void setDrType(int drType);
    int drType() const { return m_drType; }
    void setShowTitleBg(bool show);
    bool isShowTitleBg() const { return m_showBg; }
    void setStock(std::shared_ptr<qlservice::CInstrumentDetail> stock);
    void setAddStocks(const QStringList& keys);
    void setSimpleTitle(const QString& text);
    void setShowSimpleTitle(bool show);
    bool isShowSimpleTitle() const { return m_showSimple; }
    void setSimpleTite(const QString& text);
    QString simpleTitle() const { return m_simpleTitle; }
    void clearAddStocks();
    QStringList addStocks() const { return m_addStocks; }

    void setCloseBtnVisible(bool visible);
    bool closeButtonVisible() const;
    void setBtnToolVisible(bool visible);
    bool toolButtonsVisible() const;
    void setConciseStyle(bool concise);
    bool isConciseStyle() const { return m_concise; }
    // Global position of the title's bottom-left corner (just below the bar),
    // where the pane opens its pop-up.
    QPoint titleGlobalPoint() const;
    // Right edge (exclusive) of the area the title text may use.
    int textRight() const;
    void updateIndexId(int bar);
    // Repaints the values only (new data at the same bars): the names before
    // them and the buttons stay.
    void updateValues();
    int indexId() const { return m_bar; }

    int displayType() const { return m_displayType; }
    int viewType() const { return m_viewType; }

    // The composed title as plain text, pieces separated by one space.
    QString titleText() const;

    void themeChanged() override;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Piece {
        QString text;
        QColor color;
    };

    QVector<Piece> compose() const;
    void composeStock(QVector<Piece>& out) const;
    void composeNames(int i, QVector<Piece>& out) const;
    bool isPriceFormula(int i) const;
    void composeOutputs(const RPCFormulaResultCache& cache, bool price, QVector<Piece>& out) const;
    const RPCFormulaResultCache* findCache(const QString& name) const;
    QString nameWithParams(int i) const;
    int indexOf(const QString& name) const;
    void createButtons();
    KW::CPushButton* makeButton(const QString& text, int id, const QString& tip);
    void styleButtons();
    void layoutButtons();
    void onButtonClicked(int id);
    // Left edge of the first value at the cursor bar: the stock and the
    // first formula's name pieces come before it.
    int firstValueX(const QFont& font) const;

    boost::shared_ptr<IndexBaseData> m_series;
    int m_displayType = 0;
    int m_viewType = 0;
    int m_drType = 0;
    int m_period = 86400;
    int m_bar = -1;
    bool m_showBg = false;
    QStringList m_names;      // upper case, in showing order
    QStringList m_paramTexts; // parallel to m_names
    std::shared_ptr<qlservice::CInstrumentDetail> m_stock;
    QStringList m_addStocks;
    QString m_simpleTitle;
    bool m_showSimple = false;
    bool m_concise = false;
    bool m_closeVisible = false;
    bool m_toolVisible = false;
    KW::CPushButton* m_closeBtn = nullptr;
    QVector<KW::CPushButton*> m_toolBtns; // left to right
    // Values repeat from bar to bar: each piece is shaped once per font and
    // a cursor move only draws cached glyphs.
    mutable KW::CShapedTextCache m_texts;
};

} // namespace TC
