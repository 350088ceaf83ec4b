#pragma once

#include "platform/Messages.h"

class QWidget;

namespace kestar {

// The real boxes, over a parent window.
class BoxMessages : public Messages
{
public:
    explicit BoxMessages(QWidget* parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget* parent) { m_parent = parent; }
    void show(const QString& text) override;
    void showError(const QString& text) override;
    bool confirm(const QString& text) override;

private:
    QWidget* m_parent;
};

} // namespace kestar
