#pragma once

#include <functional>
#include <memory>

#include <QString>
#include <QStringList>
#include <QVector>

#include "platform/framework/CBaseDialog.h"
#include "platform/market/CInstrumentDetail.h"

class QLabel;
class QLineEdit;
class QListWidget;

namespace TC {

// The terminal's keyboard spirit (键盘精灵): a small non-modal box that opens
// when a letter or digit is typed on a chart, takes the typed key as the start
// of its text (setChar) and lists what the text finds, any case, as "key name"
// lines, at most kMaxRows:
//  - market pages first: "03 上证指数页" and "04 深证成指页" when their code
//    starts with the text ("0", "03");
//  - then instruments, best match first: the exact key or code; keys or codes
//    starting with the text; names whose pinyin initials start with it
//    ("pfyh" finds 浦发银行, see CPinyinInitials); keys, codes or names
//    containing it, or initials containing it.
// Enter or a double-click picks the current line, Up and Down move through the
// list, Esc closes. A pick closes the box and calls the select callback: an
// instrument comes as the store's record with kind 0; a market page as a
// record whose key and code are the page number ("03"), market empty, name the
// page's, with kind 3.
//
// One box serves the process (instance()); whoever opens it sets the title
// and the callback first. GUI thread only.
class CSmartKeyboardDialog : public KW::CBaseDialog
{
    Q_OBJECT

public:
    using SelectFunc = std::function<void(std::shared_ptr<qlservice::CInstrumentDetail>, int kind)>;
    static constexpr int kMaxRows = 50;
    static constexpr int kInstrumentKind = 0;
    static constexpr int kMarketPageKind = 3;

    explicit CSmartKeyboardDialog(QWidget* parent = nullptr);

    // Created on first use; deleted when the application quits.
    static CSmartKeyboardDialog* instance();

    void setSelectStockFunc(SelectFunc func) { m_select = std::move(func); }
    void setTitle(const QString& title);
    QString title() const;
    // Starts the text with `text` (the typed key) and lists its matches.
    void setChar(const QString& text);
    QString text() const;
    // Keys of the lines listed now, in order.
    QStringList matches() const { return m_keys; }
    // Picks line `row` (-1: the current one); false when there is none.
    bool select(int row = -1);

    void themeChanged() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refill();

    QLabel* m_title = nullptr;
    QLineEdit* m_edit = nullptr;
    QListWidget* m_list = nullptr;
    QStringList m_keys;
    QVector<int> m_kinds; // per line: kInstrumentKind or kMarketPageKind
    SelectFunc m_select;
};

} // namespace TC
