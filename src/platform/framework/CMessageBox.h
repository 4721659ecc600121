#pragma once

#include <QMessageBox>

#include "platform/framework/CCustomDialog.h"

class QLabel;

namespace KW {

// The terminal's message boxes on the custom dialog (callers pass the title,
// "Orvo指标终端" or "提示"). information() and warning() have one button
// "确定" and return QMessageBox::Ok; question() has "是" / "否" and returns
// QMessageBox::Yes or QMessageBox::No (closing the box counts as No).
//
// For tests and headless hosts, setAutoAnswer(answer) with answer >= 0 makes
// every box return that answer at once, after it has been built and opened;
// a negative answer restores normal modal behaviour. The last shown title,
// text and kind are recorded either way.
class CMessageBox : public CCustomDialog
{
    Q_OBJECT

public:
    enum EKind { Information, Warning, Question };

    CMessageBox(EKind kind, const QString& title, const QString& text, QWidget* parent = nullptr);

    static int information(const QString& title, const QString& text, QWidget* parent = nullptr);
    static int warning(const QString& title, const QString& text, QWidget* parent = nullptr);
    static int question(const QString& title, const QString& text, QWidget* parent = nullptr);

    static void setAutoAnswer(int answer);
    static int autoAnswer();
    static QString lastTitle();
    static QString lastText();
    static int lastKind(); // EKind, -1 before the first box
    static int shownCount();

    EKind kind() const { return m_kind; }
    QString text() const;

    void themeChanged() override;

public slots:
    // Closing without a button is the cautious answer.
    void reject() override;

private:
    static int showBox(EKind kind, const QString& title, const QString& text, QWidget* parent);
    void applyTheme();

    EKind m_kind;
    QLabel* m_iconLabel = nullptr;
    QLabel* m_textLabel = nullptr;
};

} // namespace KW
