#pragma once

#include "app/Assembly.h"
#include "data/Engine.h"
#include "data/Table.h"
#include "goods/GoodsDocumentPage.h"
#include "shell/MainWindow.h"
#include "shell/StatusPanels.h"
#include "shell/Workplace.h"
#include "tests/support/Fixture.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/TestFolder.h"

#include <QDir>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>
#include <functional>
#include <memory>

namespace kestar::test {

inline Row article(const QString& code, const QString& stock)
{
    return {{"SIFRA", code},         {"NAZIV", "Artikal " + code}, {"GRUPAROBE", "01"},
            {"NAZIVGRUPE", "Alati"}, {"KOLICINA", stock},          {"MAGACIN1", stock}};
}

// Everything the program keeps on disk, read back through the engine (tables) and as raw bytes
// (text files), so that a test can tell whether a failed action left any trace.
struct StoredState
{
    QMap<QString, QList<Row>> tables;
    QMap<QString, QByteArray> textFiles;

    bool operator==(const StoredState&) const = default;
};

// The whole program on a fresh data folder: articles A (stock 10) and B (stock 4), machine M1,
// group "Alati" (01), the document counter at 41 and the issue counter at 16, the equipment
// switch on, logged in as the administrator (password "123"). prepare runs on the filled folder
// before the program starts, setUp on the empty folder before anything is written (to mount a
// file system of its own on the data folder, say).
struct ReliabilityProgram
{
    explicit ReliabilityProgram(const std::function<void(TestFolder&)>& prepare = {},
                                const std::function<void(TestFolder&)>& setUp = {})
    {
        if (setUp)
            setUp(folder);
        folder.writeStandardTextFiles();
        folder.write("dokument.txt", "41\r\n");
        folder.write("otpremnica.txt", "16\r\n");
        folder.write("grupe.txt", "Alati\r\n");
        folder.write("sgrupe.txt", "01\r\n");
        createAllTables();
        {
            // A separate engine, so that the program's own one attaches the files only when
            // it first needs them, as after a real start.
            Engine setup;
            addRows(setup, "podaci/magacin.db", {article("A", "10"), article("B", "4")});
            addRows(setup, "podaci/korisnici.db",
                    {{{"SIFRA", "123"}, {"KORISNIK", "Administrator"}}});
            addRows(setup, "podaci/masina.db",
                    {{{"SIFRAMASINE", "M1"}, {"SIFRA2", "X"}, {"NAZIVMASINE", "Presa"}}});
        }
        if (prepare)
            prepare(folder);
        assembly = std::make_unique<Assembly>(messages);
        assembly->start();
        auto* field = window().findChild<QLineEdit*>("passwordField");
        field->setFocus();
        QTest::keyClicks(field, "123");
        QTest::keyClick(field, Qt::Key_Return);
        messages.clear();
    }

    MainWindow& window() const { return assembly->window(); }
    Engine& engine() const { return window().workplace().engine(); }

    // A widget by object name on the page being shown, else anywhere in the window.
    template <class T> T* find(const QString& objectName) const
    {
        T* widget = window().page(window().currentPage())->findChild<T*>(objectName);
        if (!widget)
            widget = window().findChild<T*>(objectName);
        if (!widget)
            qFatal("no widget named %s", qPrintable(objectName));
        return widget;
    }
    void click(const QString& button) const
    {
        QTest::mouseClick(find<QPushButton>(button), Qt::LeftButton);
    }

    // The goods document page.
    GoodsDocumentPage* documentPage() const { return assembly->goods().document; }
    template <typename T> T* documentChild(const char* name) const
    {
        return documentPage()->findChild<T*>(name);
    }
    QLineEdit* number() const { return documentChild<QLineEdit>("Edit57"); }
    QTableWidget* grid() const { return documentChild<QTableWidget>("StringGrid5"); }
    QPushButton* saveButton() const { return documentChild<QPushButton>("BitBtn75"); }
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
        documentPage()->deliverItem(code, "Artikal " + code, "01", "Alati");
    }
    void typeQuantity(int line, const QString& text) const
    {
        grid()->setCurrentCell(line - 1, 2);
        grid()->item(line - 1, 2)->setText(text);
    }
    // Issue 17 for machine M1: A by 3, B by 1.5.
    void openExampleIssue() const
    {
        window().trigger(ActionKey::NewIssue);
        number()->setText("17");
        documentPage()->setMachine("M1", "X", "Presa");
        choose(1, "A");
        typeQuantity(1, "3");
        choose(2, "B");
        typeQuantity(2, "1.5");
    }
    void post() const
    {
        messages.answer(true);
        QTest::mouseClick(saveButton(), Qt::LeftButton);
    }

    QList<Row> rows(const QString& table) const { return readRows(engine(), table); }
    QString stock(const QString& code) const
    {
        for (const Row& row : rows("podaci/magacin.db")) {
            if (row.value("SIFRA") == code)
                return row.value("KOLICINA") + "/" + row.value("MAGACIN1");
        }
        return "missing";
    }
    QStringList panels() const
    {
        return {window().panel(StatusPanels::kDocumentNumber),
                window().panel(StatusPanels::kIssueNumber),
                window().panel(StatusPanels::kReceiptNumber)};
    }

    StoredState stored() const
    {
        StoredState state;
        for (const char* table : {"magacin", "pmagacin", "prometx", "masina", "korisnici"}) {
            const QString name = QStringLiteral("podaci/%1.db").arg(QLatin1String(table));
            state.tables.insert(name, rows(name));
        }
        const QStringList texts = QDir(folder.dataPath({})).entryList({"*.txt"}, QDir::Files);
        for (const QString& text : texts)
            state.textFiles.insert(text, folder.read(text));
        return state;
    }

    // The posting failed and left no trace: nothing stored changed, no success was reported and
    // the document (issue `number` of openExampleIssue()) is still on the page to be posted again.
    void checkPostingLeftNoTrace(const StoredState& before,
                                 const QString& number = QStringLiteral("17")) const
    {
        QCOMPARE(messages.texts().size(), 2);
        QCOMPARE(messages.texts().first(), Posting::kConfirm);
        QCOMPARE(messages.errors().size(), 1);
        QVERIFY(!messages.errors().first().isEmpty());
        QCOMPARE(stored(), before);
        QCOMPARE(panels(), QStringList({"41", "16", "0"}));
        QCOMPARE(window().currentPage(), PageKey::GoodsDocument);
        QCOMPARE(this->number()->text(), number);
        QCOMPARE(cell(0, 0), QStringLiteral("A"));
        QCOMPARE(cell(1, 2), QStringLiteral("1.5"));
        QCOMPARE(documentChild<QLineEdit>("sifraOpreme")->text(), QStringLiteral("M1"));
    }

    // The document of openExampleIssue(), numbered `number`, posted in full.
    void checkExamplePosted(const QString& number = QStringLiteral("17")) const
    {
        QCOMPARE(messages.texts(), QStringList({Posting::kConfirm, Posting::kPosted}));
        const QList<Row> ledger = rows("podaci/prometx.db");
        QCOMPARE(ledger.size(), 2);
        QCOMPARE(ledger[0].value("SIFRAROBE"), QStringLiteral("B"));
        QCOMPARE(ledger[1].value("SIFRAROBE"), QStringLiteral("A"));
        QCOMPARE(ledger[1].value("BROJDOKUMENTA"), QStringLiteral("42"));
        QCOMPARE(ledger[1].value("OTPREMNICA"), number);
        QCOMPARE(ledger[1].value("SIFRAMASINE"), QStringLiteral("M1"));
        QCOMPARE(stock("A"), QStringLiteral("7/7"));
        QCOMPARE(stock("B"), QStringLiteral("2.5/2.5"));
        QCOMPARE(folder.read("dokument.txt"), QByteArray("42\r\n"));
        QCOMPARE(folder.read("otpremnica.txt"), number.toLatin1() + "\r\n");
        QCOMPARE(panels(), QStringList({"42", number, "0"}));
        QCOMPARE(window().currentPage(), PageKey::AdminMenu);
    }

    TestFolder folder;
    mutable ScriptedMessages messages;
    std::unique_ptr<Assembly> assembly;
};

} // namespace kestar::test
