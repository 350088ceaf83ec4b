#include "data/controls/BoxMessages.h"

#include <QMessageBox>

namespace kestar {

namespace {
const QString kTitle = QStringLiteral("KESTAR");
}

void BoxMessages::show(const QString& text)
{
    QMessageBox::information(m_parent, kTitle, text, QMessageBox::Ok);
}

void BoxMessages::showError(const QString& text)
{
    QMessageBox::critical(m_parent, kTitle, text, QMessageBox::Ok);
}

bool BoxMessages::confirm(const QString& text)
{
    return QMessageBox::question(m_parent, kTitle, text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

} // namespace kestar
