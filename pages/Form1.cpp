#include "pages/Form1.h"

#include <QEvent>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "app/ApplicationIcon.h"
#include "app/ApplicationTitle.h"
#include "app/SettingsStore.h"
#include "app/SkinFramework.h"
#include "app/UnguardedProcedure.h"
#include "app/Yield.h"
#include "app/core/GuardedProcedure.h"
#include "app/core/Require.h"
#include "db/Connection.h"
#include "db/RowSet.h"
#include "engine/Statements.h"
#include "engine/WorkingConnection.h"
#include "pages/Form2.h"
#include "pages/ListBox.h"
#include "pages/PageLayout.h"
#include "pages/PageSetUp.h"
#include "pages/PasswordBox.h"
#include "pages/PointerRules.h"
#include "pages/Wizard.h"

namespace tarnwick::pages {

using app::Require;
using engine::OpenWorkingConnection;
namespace {

using app::PointerCode;

constexpr char16_t kCouldNotConnect[] =
    u"Could not connect. Please check with your administrator. Make sure you are allowed to "
    u"connect to your database remotely and not just through web-based control panels.";

constexpr char16_t kWorkbenchDownloadAddress[] = u"https://dev.mysql.com/downloads/workbench/";

// Two carriage returns end a paragraph of a message.
const QString kParagraph = QStringLiteral("\r\r");

QString Setting(const char* name, const QString& defaultValue = {}) {
    return app::GetSetting(QString::fromUtf16(app::kSettingsApplication),
                           QString::fromUtf16(app::kSettingsSection), QString::fromLatin1(name),
                           defaultValue);
}

}  // namespace

Form1::Form1(Wizard& wizard) : PageWindow("Form1", 8040, 3690), wizard_(wizard) {
    skin_ = new app::SkinFramework(this);
    skin_->setObjectName(QStringLiteral("SkinFramework1"));

    frame1_ = MakeFrame(*this, "Frame1", QStringLiteral("MySQL Login"), {120, 120, 7800, 2895});
    QWidget& frame = *frame1_;
    MakeLabel(frame, "Label2", QStringLiteral("Server:"), {240, 405, 1095, 255});
    text1_ = MakeTextBox(frame, "Text1", {1320, 360, 4575, 345});
    MakeLabel(frame, "Label9", QStringLiteral("Port:"), {6000, 405, 495, 255});
    text5_ = MakeTextBox(frame, "Text5", {6480, 360, 1095, 345});
    MakeLabel(frame, "Label1", QStringLiteral("Username:"), {240, 885, 1095, 255});
    text2_ = MakeTextBox(frame, "Text2", {1320, 840, 6255, 345});
    MakeLabel(frame, "Label4", QStringLiteral("Password:"), {240, 1365, 1095, 255});
    text3_ = PlaceTextBox(new PasswordBox(&frame), "Text3", {1320, 1320, 6255, 345});
    MakeLabel(frame, "Label3", QStringLiteral("Database:"), {240, 1845, 975, 255});
    text4_ = MakeTextBox(frame, "Text4", {1320, 1800, 6255, 345});
    pushButton5_ =
        MakeButton(frame, "PushButton5", QStringLiteral("Test Connection"), {240, 2280, 3600, 405});
    pushButton2_ =
        MakeButton(frame, "PushButton2", QStringLiteral("Help"), {3960, 2280, 3600, 405});
    pushButton3_ =
        MakeButton(*this, "PushButton3", QStringLiteral("Next >"), {120, 3150, 7800, 405});

    SetTabOrder({text1_, text5_, text2_, text3_, text4_, pushButton5_, pushButton2_, pushButton3_});

    RememberChanges(*text1_, "Form1.Text1_Change", "MyServer");
    RememberChanges(*text2_, "Form1.Text2_Change", "MyUser");
    RememberChanges(*text3_, "Form1.Text3_Change", "MyPassword");
    RememberChanges(*text4_, "Form1.Text4_Change", "MyDatabase");
    RememberChanges(*text5_, "Form1.Text5_Change", "MyPort");
    for (QLineEdit* field : {text1_, text2_, text3_, text4_, text5_})
        field->installEventFilter(this);

    connect(pushButton2_, &QPushButton::clicked, this, [this] { PushButton2_Click(); });
    connect(pushButton3_, &QPushButton::clicked, this, [this] { PushButton3_Click(); });
    connect(pushButton5_, &QPushButton::clicked, this, [this] { PushButton5_Click(); });
    InstallPointerRules(*this);
}

void Form1::RememberChanges(QLineEdit& field, const char* procedure, const char* valueName) {
    connect(&field, &QLineEdit::textChanged, this,
            [this, procedure = QString::fromLatin1(procedure),
             name = QString::fromLatin1(valueName)](const QString& text) {
                app::RunUnguarded(procedure, [&] { remembered_.Save(name, text); });
            });
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        if (auto* field = qobject_cast<QLineEdit*>(watched)) {
            app::RunUnguarded(
                QStringLiteral("Form1.") + field->objectName() + QStringLiteral("_GotFocus"),
                [&] { field->setSelection(0, static_cast<int>(field->text().size())); });
        }
    }
    return PageWindow::eventFilter(watched, event);
}

db::ConnectionSettings Form1::LoginValues() const {
    return {text1_->text(), text2_->text(), text3_->text(), text4_->text(), text5_->text()};
}

void Form1::Form_Load() {
    app::GuardedProcedure proc(QStringLiteral("Form1.Form_Load"));
    proc.Step(100, [&] { app::ApplySkin(*this, *skin_); });
    proc.Step(104, [&] { setWindowTitle(QString::fromUtf16(app::kProductName)); });
    proc.Step(104, [&] { setWindowIcon(app::ApplicationIcon()); });
    proc.Step(104, [&] { app::SetApplicationTitle(); });
    LoadCustomPointer(proc, *this, 124, 126);
    proc.Step(128, [&] { text1_->setText(Setting("MyServer", QStringLiteral("localhost"))); });
    proc.Step(130, [&] { text2_->setText(Setting("MyUser")); });
    proc.Step(132, [&] { text3_->setText(Setting("MyPassword")); });
    proc.Step(134, [&] { text4_->setText(Setting("MyDatabase")); });
    proc.Step(136, [&] { text5_->setText(Setting("MyPort", QStringLiteral("3306"))); });
    if (proc.Test(138, [&] {
            return !text1_->text().isEmpty() && !text2_->text().isEmpty() &&
                   !text3_->text().isEmpty() && !text4_->text().isEmpty();
        })) {
        if (proc.Test(140, [&] { return db::CanConnect(LoginValues()); })) {
            proc.Step(142, [&] { PushButton3_Click(); });
        }
    }
}

void Form1::PushButton2_Click() {
    app::GuardedProcedure proc(QStringLiteral("Form1.PushButton2_Click"));
    QString help;
    proc.Step(104, [&] {
        help = QStringLiteral(
                   "If you cannot establish connection to your database with this program, please "
                   "go to: ") +
               kParagraph;
    });
    proc.Step(106, [&] { help += QString::fromUtf16(kWorkbenchDownloadAddress) + kParagraph; });
    proc.Step(108, [&] {
        help += QStringLiteral(
                    "Download and install the MySQL Workbench. Try to connect to the same database "
                    "(with the same login information you are using here). This will determine if "
                    "the login you are using is correct.") +
                kParagraph;
    });
    proc.Step(110, [&] {
        help += QStringLiteral(
            "Finally, make sure your host allows a direct connection to your MySQL database -- "
            "not a web based connection, for example.");
    });
    proc.Step(112, [&] { app::ShowMessage(help); });
}

void Form1::PushButton3_Click() {
    const ActionGuard::Hold hold(wizard_.PageChange());
    if (!hold.Entered()) return;
    app::GuardedProcedure proc(QStringLiteral("Form1.PushButton3_Click"));
    if (!proc.Test(100, [&] { return db::CanConnect(LoginValues()); })) return;
    std::shared_ptr<db::Connection> connection;
    proc.Step(102, [&] { connection = db::Connection::Create(); });
    OpenWorkingConnection(proc, 104, connection, LoginValues());
    proc.Step(112, [&] { Pointer().Set(PointerCode::Busy); });
    std::shared_ptr<db::RowSet> tables;
    proc.Step(114, [&] { tables = Require(connection).Execute(engine::TableNamesQuery()); });
    proc.Step(116, [&] { Clear(wizard_.TablePage().List1()); });
    long count = 0;
    // The row count is read once; when it cannot be read, the listing ends after the report.
    if (proc.LoopTest(118, [&] {
            count = Require(tables).RecordCount();
            return true;
        })) {
        for (long row = 1; row <= count; ++row) {
            proc.Step(120, [&] { app::YieldToWindowSystem(); });
            proc.Step(122, [&] {
                AddItem(wizard_.TablePage().List1(),
                        db::NullToDefault(Require(tables).Field(0), QString()));
            });
            proc.Step(124, [&] { Require(tables).MoveNext(); });
        }
    }
    proc.Step(126, [&] {
        QListWidget& list = wizard_.TablePage().List1();
        if (ItemCount(list) > 0) SelectIndex(list, 0);
    });
    proc.Step(128, [&] { Require(tables).Close(); });
    proc.Step(128, [&] { Require(connection).Close(); });
    proc.Step(130, [&] { wizard_.TablePage().ShowPage(); });
    proc.Step(132, [&] { HidePage(); });
    proc.Step(134, [&] { Pointer().Set(PointerCode::Default); });
}

void Form1::PushButton5_Click() {
    const ActionGuard::Hold hold(connectionTest_);
    if (!hold.Entered()) return;
    app::GuardedProcedure proc(QStringLiteral("Form1.PushButton5_Click"));
    std::shared_ptr<db::Connection> connection;
    proc.Step(100, [&] { connection = db::Connection::Create(); });
    // From here on every failure ends in the connection failure message.
    try {
        Pointer().Set(PointerCode::Busy);
        for (const db::ConnectionOption option : db::kProbeOptions)
            Require(connection).SetOption(option);
        app::YieldToWindowSystem();
        Require(connection).Open(db::BuildConnectionString(LoginValues()));
        app::ShowMessage(QStringLiteral("Connection successful."));
        Pointer().Set(PointerCode::Default);
    } catch (...) {
        app::ShowMessage(QString::fromUtf16(kCouldNotConnect));
        Pointer().Set(PointerCode::Default);
    }
}

}  // namespace tarnwick::pages
