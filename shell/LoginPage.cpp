#include "shell/LoginPage.h"

#include "shell/Navigation.h"
#include "shell/Pictures.h"
#include "shell/ShadowLabel.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

namespace kestar {

namespace {
// Enter in the password field starts the login; other keys edit the field as usual.
class PasswordField : public QLineEdit
{
public:
    using QLineEdit::QLineEdit;
    std::function<void()> onEnter;

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && onEnter) {
            onEnter();
            return;
        }
        QLineEdit::keyPressEvent(event);
    }
};
} // namespace

LoginPage::LoginPage(QWidget* parent) : QWidget(parent)
{
    setObjectName(PageKey::Login);
    m_picture = new QLabel(this);
    m_picture->setObjectName(QStringLiteral("loginPicture"));
    m_picture->setPixmap(Pictures::loginPicture());
    m_picture->setScaledContents(true);

    auto* prompt =
        new ShadowLabel(QStringLiteral("Unesite lozinku:"), QColor(0, 0, 0xFF), Qt::white, this);
    prompt->setObjectName(QStringLiteral("loginPrompt"));
    QFont promptFont(QStringLiteral("Liberation Sans"));
    promptFont.setPixelSize(29);
    promptFont.setBold(true);
    prompt->setFont(promptFont);
    prompt->setGeometry(QRect(QPoint(290, 28), prompt->sizeHint()));

    auto* field = new PasswordField(this);
    field->setObjectName(QStringLiteral("passwordField"));
    field->setMaxLength(kPasswordLength);
    field->setEchoMode(QLineEdit::Normal);
    field->setGeometry(335, 70, 121, 21);
    field->setAccessibleName(QStringLiteral("Unesite lozinku:"));
    field->onEnter = [this, field] { emit loginRequested(field->text()); };
    m_password = field;
    setFocusProxy(field);
}

void LoginPage::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_picture->setGeometry(rect());
}

} // namespace kestar
