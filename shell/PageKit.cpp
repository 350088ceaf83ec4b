#include "shell/PageKit.h"

#include "data/Dataset.h"
#include "data/controls/ActionGuard.h"
#include "data/controls/DataGrid.h"
#include "data/controls/RecordNavigator.h"
#include "shell/Navigator.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

namespace kestar::PageKit {

QString objectNameFor(const QString& caption)
{
    QString name = QStringLiteral("btn");
    bool upper = true;
    for (QChar c : caption) {
        if (c.isLetterOrNumber()) {
            name += upper ? c.toUpper() : c.toLower();
            upper = false;
        } else {
            upper = true;
        }
    }
    return name;
}

QLabel* title(QWidget* page, const QString& text, const QRect& geometry, int pixelSize)
{
    auto* label = new QLabel(text, page);
    label->setObjectName(QStringLiteral("pageTitle"));
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(pixelSize);
    font.setBold(true);
    label->setFont(font);
    label->setStyleSheet(QStringLiteral("color: #000080;"));
    label->setGeometry(geometry);
    return label;
}

QLabel* label(QWidget* page, const QString& text, const QRect& geometry, bool bold)
{
    auto* label = new QLabel(text, page);
    QFont font = label->font();
    font.setBold(bold);
    label->setFont(font);
    label->setGeometry(geometry);
    label->setWordWrap(true);
    return label;
}

QLineEdit* lineEdit(QWidget* page, const QString& caption, const QRect& labelGeometry,
                    const QRect& fieldGeometry, const QString& objectName)
{
    QLabel* shown = label(page, caption, labelGeometry);
    auto* field = new QLineEdit(page);
    field->setObjectName(objectName);
    field->setAccessibleName(caption);
    field->setGeometry(fieldGeometry);
    shown->setBuddy(field);
    return field;
}

QPushButton* button(QWidget* page, const QString& caption, const QRect& geometry,
                    const QString& objectName)
{
    auto* push = new QPushButton(caption, page);
    push->setObjectName(objectName.isEmpty() ? objectNameFor(caption) : objectName);
    push->setAccessibleName(caption);
    push->setGeometry(geometry);
    return push;
}

QPushButton* backToAdminMenu(Navigator& navigator, QWidget* page, const QRect& geometry)
{
    QPushButton* push = button(page, QStringLiteral("POVRATAK NA MENI ADMINISTRATORA"), geometry,
                               QStringLiteral("btnPovratakNaMeniAdministratora"));
    QFont font = push->font();
    font.setBold(true);
    push->setFont(font);
    QObject::connect(push, &QPushButton::clicked, page,
                     [&navigator] { navigator.trigger(PageKey::AdminMenu); });
    return push;
}

TablePageControls tablePage(QWidget* page, Messages& messages, Navigator& navigator,
                            Dataset& dataset, const TablePageLayout& layout)
{
    auto* records = new RecordNavigator(messages, page);
    records->setObjectName(layout.navigatorName);
    if (layout.navigatorNamed)
        records->setAccessibleName(layout.gridCaption);
    records->setGeometry(layout.navigatorGeometry);
    records->setDataset(&dataset);

    auto* grid = new DataGrid(messages, page);
    grid->setObjectName(layout.gridName);
    grid->setAccessibleName(layout.gridCaption);
    grid->setGeometry(layout.gridGeometry);
    grid->setDataset(&dataset);

    QPushButton* open = button(page, layout.openCaption, layout.openGeometry);
    QPushButton* close = button(page, layout.closeCaption, layout.closeGeometry);
    QPushButton* back = backToAdminMenu(navigator, page, layout.backGeometry);

    QObject::connect(open, &QPushButton::clicked, page,
                     [&messages, &dataset] { guarded(messages, [&dataset] { dataset.open(); }); });
    QObject::connect(close, &QPushButton::clicked, page,
                     [&messages, &dataset] { guarded(messages, [&dataset] { dataset.close(); }); });
    return {records, grid, open, close, back};
}

void centreOnScreen(QWidget& dialog)
{
    const QWidget* window = dialog.parentWidget() ? dialog.parentWidget()->window() : &dialog;
    const QScreen* screen = window->screen();
    if (!screen)
        return;
    QRect frame(QPoint(), dialog.frameSize());
    frame.moveCenter(screen->availableGeometry().center());
    dialog.move(frame.topLeft());
}

} // namespace kestar::PageKit
