#pragma once

#include <QString>

namespace kestar {

// Every message box and every confirmation the program shows goes through here, so that tests
// can answer them and read back what was shown. Whoever shows boxes is handed one when it is
// built; the real one is BoxMessages (data/controls).
class Messages
{
public:
    // The question before every change the user cannot take back.
    static inline const QString kAreYouSure = QStringLiteral("Da li ste sigurni?");

    virtual ~Messages() = default;
    // A plain message box with one OK button; returns when it is closed.
    virtual void show(const QString& text) = 0;
    // An error box with one OK button, for the engine's and the system's error texts.
    virtual void showError(const QString& text) = 0;
    // A confirmation with Yes and No; true only for Yes.
    virtual bool confirm(const QString& text) = 0;
};

} // namespace kestar
