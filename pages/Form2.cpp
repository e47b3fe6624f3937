#include "pages/Form2.h"

#include <QGroupBox>
#include <QListWidget>
#include <QPushButton>

#include "app/ApplicationTitle.h"
#include "app/core/GuardedProcedure.h"
#include "app/core/Require.h"
#include "db/Connection.h"
#include "db/RowSet.h"
#include "engine/Statements.h"
#include "engine/WorkingConnection.h"
#include "pages/FieldPageFill.h"
#include "pages/Form1.h"
#include "pages/Form3.h"
#include "pages/ListBox.h"
#include "pages/PageLayout.h"
#include "pages/PageSetUp.h"
#include "pages/PointerRules.h"
#include "pages/Wizard.h"

namespace tarnwick::pages {

using app::Require;
using engine::OpenWorkingConnection;

using app::PointerCode;

Form2::Form2(Wizard& wizard) : PageWindow("Form2", 5880, 2640), wizard_(wizard) {
    QGroupBox* frame1 =
        MakeFrame(*this, "Frame1",
                  QStringLiteral("Which table do you want to search for duplicate field values?"),
                  {120, 120, 5640, 1935});
    list1_ = MakeList(*frame1, "List1", {240, 300, 5160, 1410});
    pushButton2_ =
        MakeButton(*this, "PushButton2", QStringLiteral("< Back"), {120, 2180, 2775, 405});
    pushButton3_ =
        MakeButton(*this, "PushButton3", QStringLiteral("Next >"), {3000, 2180, 2760, 405});
    SetTabOrder({list1_, pushButton2_, pushButton3_});

    connect(pushButton2_, &QPushButton::clicked, this, [this] { PushButton2_Click(); });
    connect(pushButton3_, &QPushButton::clicked, this, [this] { PushButton3_Click(); });
    InstallPointerRules(*this);
}

void Form2::Form_Load() {
    app::GuardedProcedure proc(QStringLiteral("Form2.Form_Load"));
    RunCommonSetUp(proc, *this);
    proc.Step(112, [&] { Pointer().Set(PointerCode::Default); });
}

void Form2::PushButton2_Click() {
    const ActionGuard::Hold hold(wizard_.PageChange());
    if (!hold.Entered()) return;
    app::GuardedProcedure proc(QStringLiteral("Form2.PushButton2_Click"));
    proc.Step(100, [&] { wizard_.LoginPage().ShowPage(); });
    proc.Step(102, [&] { HidePage(); });
}

void Form2::PushButton3_Click() {
    const ActionGuard::Hold hold(wizard_.PageChange());
    if (!hold.Entered()) return;
    app::GuardedProcedure proc(QStringLiteral("Form2.PushButton3_Click"));
    if (proc.Test(100, [&] { return SelectedIndex(*list1_) == -1; })) {
        proc.Step(102, [&] { app::ShowMessage(QStringLiteral("Please select a table")); });
        return;  // line 104
    }
    proc.Step(106, [&] { Pointer().Set(PointerCode::Busy); });
    FieldPageSources sources;
    proc.Step(108, [&] { sources.connection = db::Connection::Create(); });
    proc.Step(110, [&] { sources.preview = std::make_shared<db::RowSet>(); });
    proc.Step(112, [&] { sources.fields = std::make_shared<db::RowSet>(); });
    OpenWorkingConnection(proc, 114, sources.connection, wizard_.State().ConnectionSettings());
    proc.Step(122,
              [&] { wizard_.State().ChosenTable = ItemText(*list1_, SelectedIndex(*list1_)); });
    sources.previewStatement = engine::FirstRowsQuery(wizard_.State().ChosenTable);
    sources.describeStatement = engine::FieldListQuery(wizard_.State().ChosenTable);
    const FieldPageFillLines lines{.show = 124,
                                   .clear = 126,
                                   .unbind = 128,
                                   .openPreview = 130,
                                   .bind = 132,
                                   .openDescribe = 134,
                                   .loop = 136,
                                   .buttons = 144,
                                   .selectFirst = 168,
                                   .closeDescribe = 170,
                                   .focus = 172};
    FillFieldPage(proc, lines, wizard_, sources);
    proc.Step(174, [&] { wizard_.FieldPage().RemoveChosenFields(); });
    proc.Step(176, [&] { HidePage(); });
    proc.Step(178, [&] { Pointer().Set(PointerCode::Default); });
}

}  // namespace tarnwick::pages
