#include "tests/gui/PageTest.h"

#include <QAbstractItemView>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QStyleHints>
#include <QTest>

#include "app/SettingsStore.h"
#include "db/Connection.h"
#include "db/RowSet.h"
#include "db/RowSetModel.h"
#include "pages/DataGrid.h"
#include "pages/Form1.h"
#include "pages/Form2.h"
#include "pages/Form3.h"
#include "pages/Form4.h"
#include "pages/ListBox.h"

namespace tarnwick::test {

PageTest::PageTest()
    : previousConfigHome_(qgetenv("XDG_CONFIG_HOME")),
      endScope_([this](int code) { exitCodes.push_back(code); }) {
    qputenv("XDG_CONFIG_HOME", configFolder_.path().toUtf8());
    appFolderScope_.emplace(appFolder_.path());
    // A test clicks "Exit" as soon as it appears; a user is taken to mean it only once the
    // double-click interval has passed (the test of that sets its own).
    QGuiApplication::styleHints()->setMouseDoubleClickInterval(0);
}

PageTest::~PageTest() {
    wizard.reset();
    db::ResumeSendingStatements();
    appFolderScope_.reset();
    qputenv("XDG_CONFIG_HOME", previousConfigHome_);
}

void PageTest::Remember(const db::ConnectionSettings& login) {
    const QString application = QString::fromUtf16(app::kSettingsApplication);
    const QString section = QString::fromUtf16(app::kSettingsSection);
    app::SaveSetting(application, section, "MyServer", login.server);
    app::SaveSetting(application, section, "MyUser", login.user);
    app::SaveSetting(application, section, "MyPassword", login.password);
    app::SaveSetting(application, section, "MyDatabase", login.database);
    app::SaveSetting(application, section, "MyPort", login.port);
}

QString PageTest::Stored(const QString& name) {
    return app::GetSetting(QString::fromUtf16(app::kSettingsApplication),
                           QString::fromUtf16(app::kSettingsSection), name, "<absent>");
}

QString PageTest::AppFile(const QString& relativePath) const {
    return appFolder_.filePath(relativePath);
}

void PageTest::WriteAppFile(const QString& relativePath, const QByteArray& contents) const {
    const QString path = AppFile(relativePath);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw std::runtime_error("cannot write " + path.toStdString());
    file.write(contents);
}

pages::Wizard& PageTest::Started() {
    if (!wizard) {
        wizard = std::make_unique<pages::Wizard>();
        wizard->Start();
    }
    return *wizard;
}

void PageTest::TypeLogin(pages::Wizard& w, const db::ConnectionSettings& login) {
    pages::Form1& form1 = w.LoginPage();
    form1.Text1().setText(login.server);
    form1.Text2().setText(login.user);
    form1.Text3().setText(login.password);
    form1.Text4().setText(login.database);
    form1.Text5().setText(login.port);
}

pages::Wizard& PageTest::OnTablePage(const db::ConnectionSettings& login) {
    pages::Wizard& w = Started();
    TypeLogin(w, login);
    Click(w.LoginPage(), "PushButton3");
    if (!w.HasTablePage() || !w.TablePage().isVisible())
        throw std::runtime_error("the login page did not hand over to the table page");
    return w;
}

pages::Wizard& PageTest::OnFieldPage(const db::ConnectionSettings& login, const QString& table) {
    pages::Wizard& w = OnTablePage(login);
    QListWidget& tables = w.TablePage().List1();
    const QList<QListWidgetItem*> found = tables.findItems(table, Qt::MatchExactly);
    if (found.isEmpty()) throw std::runtime_error("no table " + table.toStdString());
    tables.setCurrentItem(found.first());
    Click(w.TablePage(), "PushButton3");
    return w;
}

pages::Form4& PageTest::OnResultPage(const db::ConnectionSettings& login, const QString& table,
                                     const QStringList& fields) {
    pages::Wizard& w = OnFieldPage(login, table);
    for (const QString& field : fields) {
        w.FieldPage().List1().setCurrentItem(
            w.FieldPage().List1().findItems(field, Qt::MatchExactly).value(0));
        Click(w.FieldPage(), "PushButton5");
    }
    Click(w.FieldPage(), "PushButton4");
    return w.ResultPage();
}

QStringList PageTest::GridRows(const pages::DataGrid& grid) {
    // Every row of the grid's row set, as its cells show them (Null as "NULL").
    QStringList rows;
    const std::shared_ptr<db::RowSet>& source = grid.DataSource();
    for (long r = 0; source && r < source->RecordCount(); ++r) {
        QStringList values;
        for (int c = 0; c < source->FieldCount(); ++c)
            values << db::NullToDefault(source->ValueAt(r, c),
                                        QString::fromUtf16(db::kNullCellText));
        rows << values.join('|');
    }
    return rows;
}

void PageTest::Click(QWidget& page, const char* button) {
    QTest::mouseClick(&Control<QPushButton>(page, button), Qt::LeftButton);
}

void PageTest::DoubleClick(QListWidget& list, int row) {
    const QRect entry = list.visualItemRect(list.item(row));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, entry.center());
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, entry.center());
}

std::vector<bool> PageTest::MoveButtons(QWidget& form3) {
    std::vector<bool> enabled;
    for (const char* name :
         {"PushButton5", "PushButton6", "PushButton7", "PushButton8", "PushButton4"})
        enabled.push_back(Control<QPushButton>(form3, name).isEnabled());
    return enabled;
}

std::vector<std::pair<QString, int>> PageTest::Reports() const {
    std::vector<std::pair<QString, int>> reports;
    for (const RecordedBox& box : boxes.boxes) {
        if (box.caption != "Application Error") continue;
        const QStringList lines = box.text.split("\r\n");
        const QString where = lines.value(1);
        const qsizetype at = where.indexOf(" at line ");
        QString procedure = where.left(at);
        procedure.remove("in Quillomer2021/08/31.");
        reports.emplace_back(procedure, where.mid(at + 9, where.indexOf('\r') - at - 9).toInt());
    }
    return reports;
}

QStringList Items(const QListWidget& list) {
    return pages::Items(list);
}

}  // namespace tarnwick::test
