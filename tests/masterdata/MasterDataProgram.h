#pragma once

#include "app/Assembly.h"
#include "data/Table.h"
#include "data/controls/DataGrid.h"
#include "shell/MainWindow.h"
#include "shell/StatusPanels.h"
#include "shell/Workplace.h"
#include "tests/support/Fixture.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/TestFolder.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>
#include <functional>
#include <memory>

namespace kestar::test {

// The whole program started on a fresh data folder (standard text files, five empty tables),
// with the administrator logged in. prepare runs on the folder before start-up reads it.
struct MasterDataProgram
{
    explicit MasterDataProgram(const std::function<void(TestFolder&)>& prepare = {})
    {
        folder.writeStandardTextFiles();
        createAllTables();
        if (prepare)
            prepare(folder);
        assembly = std::make_unique<Assembly>(messages);
        assembly->start();
        window().workplace().setUser(QStringLiteral("Administrator"));
        window().activateWindow();
        messages.clear();
    }

    MainWindow& window() const { return assembly->window(); }

    // A widget by object name on the page being shown, else anywhere in the window (the
    // dialogs): several pages have buttons of the same caption.
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

    // A cell editor open in the grid, or nullptr.
    static QLineEdit* editor(DataGrid* grid) { return openCellEditor(grid); }

    // Types text into the grid's cell of the field on the current row, as the user does: the
    // first key opens the editor, Return writes it into the row.
    static void typeIntoCell(DataGrid* grid, const QString& field, const QString& text)
    {
        QVERIFY(grid->setSelectedField(field));
        grid->setFocus();
        QTest::keyClick(grid, text.at(0).toLatin1());
        QLineEdit* line = editor(grid);
        QVERIFY(line);
        QTest::keyClicks(line, text.mid(1));
        QTest::keyClick(line, Qt::Key_Return);
        // The delegate writes and closes its editor through a queued call.
        QCoreApplication::processEvents();
        QVERIFY(!grid->isEditing());
    }

    static QStringList items(const QListWidget* list)
    {
        QStringList texts;
        for (int i = 0; i < list->count(); ++i)
            texts.append(list->item(i)->text());
        return texts;
    }

    TestFolder folder;
    ScriptedMessages messages;
    std::unique_ptr<Assembly> assembly;
};

} // namespace kestar::test
