#pragma once

#include <QString>

#include "platform/framework/CCommonDialog.h"

class QLineEdit;
class QListWidget;

namespace TC {

// "编辑公式": every formula of the catalogue that has a source (built-in and
// user, each line "NAME  title" with its kind), filtered as the user types
// into the search field (name or title, any case). OK or a double click on a
// line accepts; selectedName() is then the formula's name.
class CKLineViewFormulaPicker : public KW::CCommonDialog
{
    Q_OBJECT

public:
    explicit CKLineViewFormulaPicker(QWidget* parent = nullptr);

    QLineEdit* searchEdit() const { return m_search; }
    QListWidget* list() const { return m_list; }
    // The names listed now, in list order.
    QStringList visibleNames() const;
    QString selectedName() const;

protected:
    bool acceptInput() override;
    // The search field has the keyboard as the list opens.
    void showEvent(QShowEvent* event) override;

private:
    void fillList();
    void applyFilter(const QString& text);

    QLineEdit* m_search = nullptr;
    QListWidget* m_list = nullptr;
};

} // namespace TC
