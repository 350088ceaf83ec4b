#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;

namespace kestar {

// The login page: a picture over the whole page, the prompt and the password field of at most
// three characters, shown as typed.
class LoginPage : public QWidget
{
    Q_OBJECT
public:
    // The most characters the password field takes.
    static constexpr int kPasswordLength = 3;

    explicit LoginPage(QWidget* parent = nullptr);
    QLineEdit* passwordField() const { return m_password; }

signals:
    // Enter in the password field, with the text typed.
    void loginRequested(const QString& password);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QLabel* m_picture;
    QLineEdit* m_password;
};

} // namespace kestar
