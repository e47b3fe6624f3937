#pragma once

#include <gtest/gtest.h>

#include <QListWidget>
#include <QTemporaryDir>
#include <QWidget>
#include <memory>
#include <optional>
#include <vector>

#include "app/ApplicationFolder.h"
#include "app/ProgramEnd.h"
#include "db/ConnectionSettings.h"
#include "pages/DataGrid.h"
#include "pages/Wizard.h"
#include "tests/support/RecordingMessageBoxService.h"

class QAbstractItemView;

namespace tarnwick::pages {
class Form4;
}

namespace tarnwick::test {

// A window test: a private settings folder, an empty application folder (no pointer or skin
// file unless the test puts one there), recorded message boxes, and a recorded end of program.
class PageTest : public ::testing::Test {
  protected:
    PageTest();
    ~PageTest() override;

    // Writes the five login values to the settings store, as an earlier run would have.
    static void Remember(const db::ConnectionSettings& login);
    static QString Stored(const QString& name);  // "<absent>" when the value does not exist

    // A file in the application folder.
    QString AppFile(const QString& relativePath) const;
    void WriteAppFile(const QString& relativePath, const QByteArray& contents) const;

    // The wizard, started (the login page's load procedure) on first call.
    pages::Wizard& Started();

    // The wizard on the table page, with the login values typed into the login page.
    pages::Wizard& OnTablePage(const db::ConnectionSettings& login);
    // ...and then on the field page with `table` chosen.
    pages::Wizard& OnFieldPage(const db::ConnectionSettings& login, const QString& table);
    // ...and then on the result page with `fields` chosen for `table`.
    pages::Form4& OnResultPage(const db::ConnectionSettings& login, const QString& table,
                               const QStringList& fields);

    // The rows a grid shows, each as its cells' texts joined by "|".
    static QStringList GridRows(const pages::DataGrid& grid);

    template <class T = QWidget>
    static T& Control(QWidget& page, const char* name) {
        T* control = page.findChild<T*>(QString::fromLatin1(name));
        if (control == nullptr) throw std::runtime_error(std::string("no control ") + name);
        return *control;
    }
    static void Click(QWidget& page, const char* button);
    // Clicks an entry of a list, then double-clicks it, as a user does.
    static void DoubleClick(QListWidget& list, int row);
    // Enabled states of ">", ">>", "<", "<<", "Next >" of the field page.
    static std::vector<bool> MoveButtons(QWidget& form3);
    static void TypeLogin(pages::Wizard& wizard, const db::ConnectionSettings& login);

    // The procedure ("Form2.PushButton3_Click") and line of each recorded error report.
    std::vector<std::pair<QString, int>> Reports() const;

    RecordingMessageBoxService boxes;
    std::vector<int> exitCodes;
    std::unique_ptr<pages::Wizard> wizard;

  private:
    QTemporaryDir configFolder_;
    QTemporaryDir appFolder_;
    QByteArray previousConfigHome_;
    std::optional<app::ApplicationFolderScope> appFolderScope_;
    app::ProgramEndHandlerScope endScope_;
};

QStringList Items(const QListWidget& list);

}  // namespace tarnwick::test
