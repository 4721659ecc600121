#include "platform/framework/CMessageBox.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/config/QLLog.h"
#include "platform/framework/CStyleSheetCenter.h"
#include "platform/framework/CUiResource.h"

namespace KW {

namespace {
struct SRecord {
    int autoAnswer = -1;
    QString lastTitle;
    QString lastText;
    int lastKind = -1;
    int shownCount = 0;
    QStringList lastButtons;
};

SRecord& record()
{
    static SRecord r;
    return r;
}

// Keeps a long text from stretching the box across the screen.
constexpr int kTextMaxWidth = 420;
constexpr int kTextMinWidth = 220;
} // namespace

CMessageBox::CMessageBox(EKind kind, const QString& title, const QString& text, QWidget* parent,
                         const QStringList& buttonTexts)
    : CCustomDialog(parent, QStringLiteral("message_box")), m_kind(kind)
{
    setTitle(title);
    setModal(true);

    m_iconLabel = new QLabel(body());
    m_iconLabel->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    m_textLabel = new QLabel(text, body());
    m_textLabel->setObjectName(QStringLiteral("message_box_text"));
    m_textLabel->setWordWrap(true);
    m_textLabel->setTextFormat(Qt::PlainText);
    m_textLabel->setMinimumWidth(kTextMinWidth);
    m_textLabel->setMaximumWidth(kTextMaxWidth);
    m_textLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* message = new QHBoxLayout();
    message->setSpacing(12);
    message->addWidget(m_iconLabel);
    message->addWidget(m_textLabel, 1);

    auto* buttons = new QHBoxLayout();
    buttons->addStretch(1);
    auto addButton = [this, buttons](const QString& label, int answer, const QString& name) {
        auto* b = new QPushButton(label, body());
        b->setObjectName(name);
        connect(b, &QPushButton::clicked, this, [this, answer]() { done(answer); });
        buttons->addWidget(b);
        return b;
    };
    if (kind == Question) {
        const bool own = buttonTexts.size() == 2;
        addButton(own ? buttonTexts[0] : QStringLiteral("是"), QMessageBox::Yes, QStringLiteral("message_box_yes"))
            ->setDefault(true);
        addButton(own ? buttonTexts[1] : QStringLiteral("否"), QMessageBox::No, QStringLiteral("message_box_no"));
    } else {
        addButton(QStringLiteral("确定"), QMessageBox::Ok, QStringLiteral("message_box_ok"))
            ->setDefault(true);
    }

    auto* layout = new QVBoxLayout(body());
    layout->setContentsMargins(16, 14, 16, 12);
    layout->setSpacing(14);
    layout->addLayout(message, 1);
    layout->addLayout(buttons);

    applyTheme();
}

void CMessageBox::applyTheme()
{
    CUiResource* res = CUiResource::instance();
    const char* icon = m_kind == Warning    ? "img_message_warning"
                       : m_kind == Question ? "img_message_question"
                                            : "img_message_information";
    m_iconLabel->setPixmap(res->getPixmap(QString::fromLatin1(icon)));
    m_textLabel->setFont(res->getFont(QStringLiteral("fnt_message_text")));
    QPalette pal = m_textLabel->palette();
    pal.setColor(QPalette::WindowText, res->getColor(QStringLiteral("clr_window_text")));
    m_textLabel->setPalette(pal);
    const QString style = CStyleSheetCenter::getStyle(CStyleSheetCenter::Button, this);
    const int w = res->getSize(QStringLiteral("siz_button_width"));
    const int h = res->getSize(QStringLiteral("siz_button_height"));
    for (QPushButton* b : body()->findChildren<QPushButton*>()) {
        b->setStyleSheet(style);
        b->setFixedSize(w, h);
    }
}

void CMessageBox::themeChanged()
{
    applyTheme();
    CCustomDialog::themeChanged();
}

QString CMessageBox::text() const
{
    return m_textLabel->text();
}

void CMessageBox::reject()
{
    done(m_kind == Question ? QMessageBox::No : QMessageBox::Ok);
}

int CMessageBox::showBox(EKind kind, const QString& title, const QString& text, QWidget* parent,
                         const QStringList& buttonTexts)
{
    SRecord& r = record();
    r.lastTitle = title;
    r.lastText = text;
    r.lastKind = kind;
    ++r.shownCount;
    QLLOG_INFO_S(qlog::kStdLogger, "message box:%1%, %2%", title, text);

    // On the heap and watched: the parent may take the box down while it runs.
    QPointer<CMessageBox> box = new CMessageBox(kind, title, text, parent, buttonTexts);
    r.lastButtons.clear();
    for (const QPushButton* b : box->body()->findChildren<QPushButton*>())
        r.lastButtons << b->text();
    const int fallback = kind == Question ? QMessageBox::No : QMessageBox::Ok;
    if (r.autoAnswer >= 0) {
        const int answer = r.autoAnswer;
        QMetaObject::invokeMethod(
            box,
            [box, answer]() {
                if (box)
                    box->done(answer);
            },
            Qt::QueuedConnection);
    }
    const int result = box->exec();
    if (!box)
        return fallback;
    delete box;
    return result;
}

int CMessageBox::information(const QString& title, const QString& text, QWidget* parent)
{
    return showBox(Information, title, text, parent);
}

int CMessageBox::warning(const QString& title, const QString& text, QWidget* parent)
{
    return showBox(Warning, title, text, parent);
}

int CMessageBox::question(const QString& title, const QString& text, QWidget* parent)
{
    return showBox(Question, title, text, parent);
}

int CMessageBox::question(const QString& title, const QString& text, const QString& yesText, const QString& noText,
                          QWidget* parent)
{
    return showBox(Question, title, text, parent, QStringList{yesText, noText});
}

void CMessageBox::setAutoAnswer(int answer)
{
    record().autoAnswer = answer < 0 ? -1 : answer;
}

int CMessageBox::autoAnswer()
{
    return record().autoAnswer;
}

QString CMessageBox::lastTitle()
{
    return record().lastTitle;
}

QString CMessageBox::lastText()
{
    return record().lastText;
}

int CMessageBox::lastKind()
{
    return record().lastKind;
}

int CMessageBox::shownCount()
{
    return record().shownCount;
}

QStringList CMessageBox::lastButtons()
{
    return record().lastButtons;
}

} // namespace KW
