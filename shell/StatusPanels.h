#pragma once

#include <QList>
#include <QString>
#include <QWidget>

class QLabel;

namespace kestar {

// The status bar of thirteen panels. The counter panels and the user panel show the session's
// values, which the Workplace keeps; nothing reads them back from here. Each panel's accessible
// name follows its text; a value panel's name begins with the caption of the panel before it
// ("Broj otpremnice: 17").
class StatusPanels : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kCount = 13;
    static constexpr int kDocumentNumber = 1;
    static constexpr int kOrderNumber = 3;
    static constexpr int kWorkOrderNumber = 5;
    static constexpr int kIssueNumber = 7;
    static constexpr int kReceiptNumber = 9;
    static constexpr int kUser = 12;

    explicit StatusPanels(QWidget* parent = nullptr);

    QString text(int panel) const;
    void setText(int panel, const QString& text);

private:
    // The counter panels and the user panel, each after its caption panel.
    static bool isValuePanel(int panel);
    void nameAfterText(int panel);

    QList<QLabel*> m_panels;
};

} // namespace kestar
