#pragma once

#include <QMessageBox>
#include <QStringList>

#include "platform/framework/CCustomDialog.h"

class QLabel;

namespace KW {

// The terminal's message boxes on the custom dialog (callers pass the title,
// "Orvo指标终端" or "提示"). information() and warning() have one button
// "确定" and return QMessageBox::Ok; question() has "是" / "否" and returns
// QMessageBox::Yes or QMessageBox::No (closing the box counts as No).
//
// question() with two button texts labels the buttons instead (the first
// answers QMessageBox::Yes, the second QMessageBox::No).
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

    // `buttonTexts` relabels a question's two buttons (ignored unless two).
    CMessageBox(EKind kind, const QString& title, const QString& text, QWidget* parent = nullptr,
                const QStringList& buttonTexts = QStringList());

    static int information(const QString& title, const QString& text, QWidget* parent = nullptr);
    static int warning(const QString& title, const QString& text, QWidget* parent = nullptr);
    static int question(const QString& title, const QString& text, QWidget* parent = nullptr);
    static int question(const QString& title, const QString& text, const QString& yesText, const QString& noText,
                        QWidget* parent = nullptr);

    static void setAutoAnswer(int answer);
    static int autoAnswer();
    static QString lastTitle();
    static QString lastText();
    static int lastKind(); // EKind, -1 before the first box
    static int shownCount();
    // Button texts of the last shown box, in their order.
    static QStringList lastButtons();

    EKind kind() const { return m_kind; }
    QString text() const;

    void themeChanged() override;

public slots:
    // Closing without a button is the cautious answer.
    void reject() override;

private:
    static int showBox(EKind kind, const QString& title, const QString& text, QWidget* parent,
                       const QStringList& buttonTexts = QStringList());
    void applyTheme();

    EKind m_kind;
    QLabel* m_iconLabel = nullptr;
    QLabel* m_textLabel = nullptr;
};

} // namespace KW
