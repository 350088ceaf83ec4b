#pragma once

#include "shell/Navigation.h"
#include "shell/Pictures.h"

#include <QList>
#include <QString>
#include <QWidget>

namespace kestar {

class Navigator;

// A menu page: a title and framed groups, each with a decorative picture on its left and its
// buttons on its right. Every button performs one navigation action, named by its key (the key
// its page registered; the button holds it as the property "actionKey").
class MenuPage : public QWidget
{
    Q_OBJECT
public:
    struct Button
    {
        QString caption;
        QString key;
    };
    struct Group
    {
        QString caption;
        Pictures::Decoration picture;
        QRect geometry; // within the page
        QList<Button> buttons;
    };

    MenuPage(Navigator& navigator, const QString& title, const QList<Group>& groups,
             QWidget* parent = nullptr);

    // The admin menu (page 0) and the worker menu (page 22).
    static MenuPage* adminMenu(Navigator& navigator);
    static MenuPage* workerMenu(Navigator& navigator);
};

} // namespace kestar
