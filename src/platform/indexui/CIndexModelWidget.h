#pragma once

#include <functional>

#include <QList>
#include <QMap>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QVector>

#include "platform/framework/CBaseWidget.h"

class QHBoxLayout;

namespace KW {
class CPushButton;
}

namespace TC {

// The template strip of the concise chart: a row of toggle buttons, one per
// sub-graph template (a name and the formulas of its sub-panes, top to
// bottom). Clicking a template selects it and delivers event 3039 upstream
// with p1 = 0, p2 = 1 and the template name: the chart replaces its sub-panes
// by the template's formulas (getTemplateIndex()). The last button, "保存模板",
// delivers 3233: the chart collects its sub-panes' formulas and calls
// showSaveModelDialog() with them.
//
// Choices of this library:
//  - Built-in templates "常用" (VOL, MACD, KDJ), "趋势" (MACD, DMI) and
//    "摆动" (KDJ, RSI, CCI) come first and cannot be replaced or deleted;
//    with showAll false the strip lists the user's templates only.
//  - User templates live in <user data folder>/templates.json, written
//    atomically when the user saves one or a deleted formula leaves one. A
//    file that cannot be read is logged and ignored; it is set aside as
//    "templates.json.bad" (never silently lost) the first time the user saves.
//  - Saving under the name of a user template replaces it; a built-in name,
//    an empty name or an empty formula list is refused. Names are trimmed and
//    at most 32 characters; formula names are kept upper case, without
//    repeats.
//  - The selection is remembered per period (saveSelectTemplateIndex /
//    updateSelectTemplateIndex) and persisted through the chart as
//    "<period>|<name>" entries (getSelectTempalte / updateSelectTemplate).
//  - The formulas the panes lose (updateIndexTemplate(name)) form the recent
//    list persisted as getSelectIndex(), newest first, at most 20 names. A
//    template itself changes only when the user saves it: editing panes does
//    not rewrite the selected template behind his back.
//  - delIndexTemplate(formula) drops a deleted formula from the user's
//    templates (a template left empty goes) and from the recent list.
// GUI thread only.
class CIndexModelWidget : public KW::CBaseWidget
{
    Q_OBJECT

public:
    static constexpr int kLoadTemplateEvent = 3039;
    static constexpr int kSaveTemplateEvent = 3233;
    static constexpr int kMaxNameLength = 32;
    static constexpr int kMaxRecent = 20;

    struct Template {
        QString name;
        QStringList formulas;
        bool builtin = false;
    };

    // Asks for a template name; false when the user cancels. Replaceable so
    // tests and headless hosts need no modal dialog; an empty function
    // restores the dialog.
    using NamePrompt = std::function<bool(QWidget* parent, const QList<QString>& formulas, QString& name)>;
    static void setNamePrompt(NamePrompt prompt);

    explicit CIndexModelWidget(bool showAll, QWidget* parent = nullptr);
    ~CIndexModelWidget() override;

    static QString templateFilePath();

    QSize getSize() const;
    QSize sizeHint() const override;

    // Forgets the selection (the period changes; updateSelectTemplateIndex follows).
    void reset();
    void updateSelectTemplateIndex(int period);
    void saveSelectTemplateIndex(int period);

    void updateIndexTemplate(const QString& lastIndexName);
    // Re-reads the user's templates and rebuilds the buttons.
    void updateIndexTemplate();

    void updateSelectIndex(const QVector<QString>& names);
    void updateSelectTemplate(const QVector<QString>& entries);
    QVector<QString> getSelectIndex() const;
    QVector<QString> getSelectTempalte() const;

    // Formulas of the selected template; empty without a selection.
    QList<QString> getTemplateIndex() const;
    QString selectedTemplate() const { return m_selected; }
    // Selects a template by name as a click would, without delivering; false when unknown.
    bool selectTemplate(const QString& name);

    void delIndexTemplate(const QString& formula);

    // Asks a name (NamePrompt) and stores the template; refusals are told
    // with a message box. True when stored.
    bool showSaveModelDialog(const QList<QString>& formulas);
    // Stores a user template under `name` and selects it; false (logged) when refused.
    bool saveTemplate(const QString& name, const QList<QString>& formulas, QString* error = nullptr);

    void changeBtnStatus(bool enabled);
    bool isBtnEnabled() const { return m_enabled; }

    QVector<Template> templates() const;
    QStringList templateNames() const;
    bool isShowAll() const { return m_showAll; }
    // The template buttons, in strip order (without the save button).
    QList<KW::CPushButton*> templateButtons() const { return m_buttons; }
    KW::CPushButton* saveButton() const { return m_saveBtn; }

    void themeChanged() override;

public slots:
    // The chart's templates are ready: read the user's file and build the strip.
    void slotIndexTemplateInited();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    static QVector<Template> builtinTemplates();

    void loadUserTemplates();
    bool writeUserTemplates();
    void rebuildButtons();
    void refreshChecks();
    void onTemplateClicked(int index);
    int findTemplate(const QString& name) const;
    void addRecent(const QString& formula);

    bool m_showAll = true;
    bool m_enabled = true;
    bool m_fileBad = false; // the file exists but could not be read
    QVector<Template> m_userTemplates;
    QString m_selected;
    int m_period = -1;
    QMap<int, QString> m_periodTemplates;
    QStringList m_recent; // newest first
    QHBoxLayout* m_layout = nullptr;
    QList<KW::CPushButton*> m_buttons;
    KW::CPushButton* m_saveBtn = nullptr;
};

} // namespace TC
