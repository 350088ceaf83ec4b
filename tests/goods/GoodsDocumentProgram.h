#pragma once

// The started program the goods document tests drive through its real window.
#include "app/Assembly.h"
#include "data/Engine.h"
#include "data/Query.h"
#include "data/Table.h"
#include "goods/GoodsDocumentPage.h"
#include "goods/ItemChooser.h"
#include "masterdata/MachineChooser.h"
#include "platform/Clock.h"
#include "platform/Regional.h"
#include "shell/MainWindow.h"
#include "shell/StatusPanels.h"
#include "shell/Workplace.h"
#include "tests/support/Fixture.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/TestFolder.h"

#include <QDateEdit>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QtTest>

namespace kestar::test {

inline Row article(const QString& code, const QString& stock)
{
    return {{"SIFRA", code},         {"NAZIV", "Artikal " + code}, {"GRUPAROBE", "01"},
            {"NAZIVGRUPE", "Alati"}, {"KOLICINA", stock},          {"MAGACIN1", stock}};
}

// A started program with articles A (10) and B (4), the document counter at 41 and the issue
// counter at 16, logged in as the user of the password given.
struct Program
{
    explicit Program(const QString& password = "123")
    {
        folder.writeStandardTextFiles();
        folder.write("dokument.txt", "41\r\n");
        folder.write("otpremnica.txt", "16\r\n");
        folder.write("ulaz.txt", "0\r\n");
        createAllTables();
        assembly = std::make_unique<Assembly>(messages);
        addRows(window().workplace().engine(), "podaci/magacin.db",
                {article("A", "10"), article("B", "4")});
        addRows(window().workplace().engine(), "podaci/korisnici.db",
                {{{"SIFRA", "123"}, {"KORISNIK", "Administrator"}},
                 {{"SIFRA", "777"}, {"KORISNIK", "Marko"}}});
        assembly->start();
        auto* field = window().findChild<QLineEdit*>("passwordField");
        field->setFocus();
        QTest::keyClicks(field, password);
        QTest::keyClick(field, Qt::Key_Return);
    }

    MainWindow& window() const { return assembly->window(); }
    GoodsDocumentPage* page() const { return assembly->goods().document; }
    template <typename T> T* child(const char* name) const { return page()->findChild<T*>(name); }
    QLineEdit* number() const { return child<QLineEdit>("Edit57"); }
    QTableWidget* grid() const { return child<QTableWidget>("StringGrid5"); }
    QPushButton* save() const { return child<QPushButton>("BitBtn75"); }
    QLineEdit* machineCode() const { return child<QLineEdit>("sifraOpreme"); }

    void clickMenuButton(const char* name) const
    {
        QWidget* menu = window().page(window().currentPage());
        auto* button = menu->findChild<QPushButton*>(name);
        QVERIFY2(button, name);
        QTest::mouseClick(button, Qt::LeftButton);
    }
    void openIssue() const { clickMenuButton("btnOtpremaRobe"); }
    void openReceipt() const { clickMenuButton("btnPrijemRobe"); }

    QString cell(int row, int column) const
    {
        const QTableWidgetItem* item = grid()->item(row, column);
        return item ? item->text() : QString();
    }
    // Enter in the "Sifra" cell of a line (1-based) and the chooser's OK for an article.
    void choose(int line, const QString& code) const
    {
        grid()->setCurrentCell(line - 1, 0);
        QTest::keyClick(grid(), Qt::Key_Return);
        page()->deliverItem(code, "Artikal " + code, "01", "Alati");
    }
    void typeQuantity(int line, const QString& text) const
    {
        grid()->setCurrentCell(line - 1, 2);
        grid()->item(line - 1, 2)->setText(text);
    }
    // The document of the example: issue 17, A by 3 and B by 1.5, machine M1.
    void fillExample() const
    {
        number()->setText("17");
        page()->setMachine("M1", "X", "Presa");
        choose(1, "A");
        typeQuantity(1, "3");
        choose(2, "B");
        typeQuantity(2, "1.5");
    }
    QList<Row> ledger() const
    {
        return readRows(window().workplace().engine(), "podaci/prometx.db");
    }
    QString stock(const QString& code) const
    {
        for (const Row& row : readRows(window().workplace().engine(), "podaci/magacin.db")) {
            if (row.value("SIFRA") == code)
                return row.value("KOLICINA") + "/" + row.value("MAGACIN1");
        }
        return "missing";
    }
    QList<QByteArray> counters() const
    {
        return {folder.read("dokument.txt"), folder.read("otpremnica.txt"),
                folder.read("ulaz.txt")};
    }
    QStringList panels() const
    {
        return {window().panel(StatusPanels::kDocumentNumber),
                window().panel(StatusPanels::kIssueNumber),
                window().panel(StatusPanels::kReceiptNumber)};
    }

    TestFolder folder;
    ScriptedMessages messages;
    std::unique_ptr<Assembly> assembly;
};

// Keys sent here go to the focus window's focus widget of that moment, as from a keyboard.
inline QWidget* const kFocused = nullptr;

// Each key to the focus widget of that moment (the cell editor once the first key opened it).
inline void typeKeys(const QString& text)
{
    for (const QChar c : text)
        QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
}
inline void typeKeys(Qt::Key key)
{
    QTest::keyClick(QApplication::focusWidget(), key);
}

inline const QList<QByteArray> kCountersBefore = {"41\r\n", "16\r\n", "0\r\n"};
inline const QStringList kPanelsBefore = {"41", "16", "0"};

} // namespace kestar::test
