#include "shell/MenuPage.h"

#include "shell/Navigator.h"
#include "shell/PageKit.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace kestar {

MenuPage::MenuPage(Navigator& navigator, const QString& title, const QList<Group>& groups,
                   QWidget* parent)
    : QWidget(parent)
{
    auto* heading = new QLabel(title, this);
    heading->setObjectName(QStringLiteral("menuTitle"));
    QFont titleFont(QStringLiteral("Liberation Sans"));
    titleFont.setPixelSize(35);
    titleFont.setBold(true);
    heading->setFont(titleFont);
    heading->setStyleSheet(QStringLiteral("color: #000080;"));
    heading->setAlignment(Qt::AlignCenter);
    heading->setGeometry(0, 8, 791, 44);

    QFont buttonFont(QStringLiteral("Liberation Sans"));
    buttonFont.setPixelSize(12);
    buttonFont.setBold(true);
    for (const Group& group : groups) {
        auto* box = new QGroupBox(group.caption, this);
        box->setObjectName(
            PageKit::objectNameFor(group.caption).replace(0, 3, QStringLiteral("grp")));
        box->setGeometry(group.geometry);
        box->setAutoFillBackground(true);
        box->setStyleSheet(QStringLiteral(
            "QGroupBox { background-color: #D4D0C8; border: 2px groove #808080; "
            "margin-top: 8px; font-weight: bold; }"
            "QGroupBox::title { subcontrol-origin: margin; left: 8px; padding: 0 3px; }"));
        auto* row = new QHBoxLayout(box);
        row->setContentsMargins(10, 18, 10, 10);
        auto* picture = new QLabel(box);
        picture->setPixmap(Pictures::decoration(group.picture, 64));
        picture->setAlignment(Qt::AlignCenter);
        picture->setFixedWidth(80);
        row->addWidget(picture);
        auto* column = new QVBoxLayout;
        column->setSpacing(4);
        for (const Button& button : group.buttons) {
            auto* push = new QPushButton(button.caption, box);
            push->setObjectName(PageKit::objectNameFor(button.caption));
            push->setFont(buttonFont);
            push->setMinimumHeight(26);
            push->setProperty("actionKey", button.key);
            const QString key = button.key;
            connect(push, &QPushButton::clicked, this,
                    [&navigator, key] { navigator.trigger(key); });
            column->addWidget(push);
        }
        column->addStretch(1);
        row->addLayout(column, 1);
    }
}

MenuPage* MenuPage::adminMenu(Navigator& navigator)
{
    // The keys name the pages' actions; every page declares its own key beside its class.
    using D = Pictures::Decoration;
    const QList<Group> groups = {
        {QStringLiteral("Podesavanja"),
         D::Settings,
         QRect(14, 60, 375, 236),
         {{QStringLiteral("ROBA U MAGACINU"), QStringLiteral("Roba")},
          {QStringLiteral("PODACI O FIRMI"), QStringLiteral("Firma")},
          {QStringLiteral("GRUPE ROBE"), QStringLiteral("Grupe robe")},
          {QStringLiteral("KORISNICI"), QStringLiteral("Korisnici")},
          {QStringLiteral("BACK-UP PODATAKA"), QStringLiteral("BACK UP")},
          {QStringLiteral("PODACI ZA MASINU"), QStringLiteral("Masina")}}},
        {QStringLiteral("Kreiranje i knjizenje dokumenata"),
         D::Documents,
         QRect(402, 60, 375, 236),
         {{QStringLiteral("OTPREMA ROBE"), QStringLiteral("Otprema robe")},
          {QStringLiteral("PRIJEM ROBE"), QStringLiteral("Prijem robe")}}},
        {QStringLiteral("Pregled podataka..."),
         D::Review,
         QRect(14, 306, 375, 176),
         {{QStringLiteral("Kartice robe"), QStringLiteral("Kartica robe")},
          {QStringLiteral("Sva roba u magacinu"), QStringLiteral("Ceo magacin")},
          {QStringLiteral("Tabela prometa"), QStringLiteral("Tabela prometa")}}},
        {QStringLiteral("Stampanje"),
         D::Printing,
         QRect(402, 306, 375, 176),
         {{QStringLiteral("PRIJEMNICA"), QStringLiteral("Stampa prijemnica")},
          {QStringLiteral("OTPREMNICA"), QStringLiteral("Stampa otpremnica")},
          {QStringLiteral("GRUPNA OTPREMNICA"), QStringLiteral("Grupna otpremnica")}}},
    };
    auto* page = new MenuPage(navigator, QStringLiteral("MENI ADMINISTRATORA"), groups);
    page->setObjectName(PageKey::AdminMenu);
    return page;
}

MenuPage* MenuPage::workerMenu(Navigator& navigator)
{
    using D = Pictures::Decoration;
    const QList<Group> groups = {
        {QStringLiteral("Kreiranje i knjizenje dokumenata"),
         D::Documents,
         QRect(14, 90, 375, 200),
         {{QStringLiteral("OTPREMA ROBE"), QStringLiteral("Otprema robe")},
          {QStringLiteral("PRIJEM ROBE"), QStringLiteral("Prijem robe")}}},
        {QStringLiteral("Stampanje"),
         D::Printing,
         QRect(402, 90, 375, 200),
         {{QStringLiteral("OTPREMNICA"), QStringLiteral("Stampa otpremnica")},
          {QStringLiteral("PRIJEMNICA"), QStringLiteral("Stampa prijemnica")}}},
    };
    auto* page = new MenuPage(navigator, QStringLiteral("MENI KORISNIKA / MAGACIONERA"), groups);
    page->setObjectName(PageKey::WorkerMenu);
    return page;
}

} // namespace kestar
