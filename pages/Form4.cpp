#include "pages/Form4.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyleHints>

#include "app/ApplicationTitle.h"
#include "app/ProgramEnd.h"
#include "app/Yield.h"
#include "app/core/GuardedProcedure.h"
#include "db/Connection.h"
#include "db/RowSet.h"
#include "engine/DeduplicationRun.h"
#include "engine/KeyFieldList.h"
#include "engine/RunLines.h"
#include "engine/Statements.h"
#include "engine/WorkingConnection.h"
#include "pages/DataGrid.h"
#include "pages/FieldPageFill.h"
#include "pages/Form3.h"
#include "pages/MinimiseWatch.h"
#include "pages/PageLayout.h"
#include "pages/PageSetUp.h"
#include "pages/PointerRules.h"
#include "pages/Wizard.h"

namespace tarnwick::pages {

using app::PointerCode;

namespace {

const QString kExit = QStringLiteral("Exit");

}  // namespace

Form4::Form4(Wizard& wizard)
    : PageWindow("Form4", 5880, 4335), wizard_(wizard), minimised_(new MinimiseWatch(*this)) {
    label1_ = MakeWrappedLabel(
        *this, "Label1",
        QStringLiteral(" You are about to create a new table with duplicates records "
                       "(rows) removed except for the first. Please choose a name "
                       "for this table:"),
        {120, 120, 5295, 735});
    text1_ = MakeTextBox(*this, "Text1", {120, 960, 5640, 330});
    MakeLine(*this, "Line1", 120, 1440, 5640);
    pushButton2_ =
        MakeButton(*this, "PushButton2", QStringLiteral("< Back"), {120, 1560, 2775, 405});
    pushButton4_ =
        MakeButton(*this, "PushButton4", QStringLiteral("Finish"), {3000, 1560, 2760, 405});
    dataGrid1_ = new DataGrid(*this, "DataGrid1", {120, 2160, 5640, 2055});
    SetTabOrder({text1_, dataGrid1_, pushButton2_, pushButton4_});

    connect(pushButton2_, &QPushButton::clicked, this, [this] { PushButton2_Click(); });
    connect(pushButton4_, &QPushButton::clicked, this, [this] { PushButton4_Click(); });
    InstallPointerRules(*this);
}

void Form4::Form_Load() {
    app::GuardedProcedure proc(QStringLiteral("Form4.Form_Load"));
    RunCommonSetUp(proc, *this);
    proc.Step(112, [&] { text1_->setText(wizard_.State().ChosenTable + u'2'); });
}

void Form4::PushButton2_Click() {
    const ActionGuard::Hold hold(wizard_.PageChange());
    if (!hold.Entered()) return;
    app::GuardedProcedure proc(QStringLiteral("Form4.PushButton2_Click"));
    FieldPageSources sources;
    proc.Step(100, [&] { sources.connection = db::Connection::Create(); });
    proc.Step(102, [&] { sources.preview = std::make_shared<db::RowSet>(); });
    proc.Step(104, [&] { sources.fields = std::make_shared<db::RowSet>(); });
    engine::OpenWorkingConnection(proc, 106, sources.connection,
                                  wizard_.State().ConnectionSettings());
    sources.previewParts = engine::TablePartsOf(wizard_.State().ChosenTable);
    sources.describeStatement = engine::FieldListQuery(wizard_.State().ChosenTable);
    const FieldPageFillLines lines{.show = 114,
                                   .clear = 116,
                                   .unbind = 118,
                                   .openPreview = 122,
                                   .bind = 124,
                                   .openDescribe = 126,
                                   .loop = 128,
                                   .buttons = 136,
                                   .selectFirst = 160,
                                   .closeDescribe = 162,
                                   .focus = 164};
    FillFieldPage(proc, lines, wizard_, sources);
    proc.Step(166, [&] { HidePage(); });
    proc.Step(168, [&] { wizard_.FieldPage().RemoveChosenFields(); });
}

void Form4::PushButton4_Click() {
    // A press while the run or "< Back" works starts nothing; "Exit" always ends the program.
    const ActionGuard::Hold hold(wizard_.PageChange());
    if (!hold.Entered() && pushButton4_->text() != kExit) return;
    // A quick run renames the button while the user is still double-clicking "Finish": a click on
    // "Exit" within the desktop's double-click interval of the rename is the rest of that
    // double-click, not a decision to leave.
    if (pushButton4_->text() == kExit && renamedToExit_.isValid() &&
        renamedToExit_.elapsed() < QGuiApplication::styleHints()->mouseDoubleClickInterval())
        return;
    const ActionGuard::Hold running(run_);
    app::GuardedProcedure proc(QStringLiteral("Form4.PushButton4_Click"));
    engine::DeduplicationRun run(proc, [] { app::YieldToWindowSystem(); });  // lines 100 to 104
    bool exit = false;
    proc.Step(engine::run_line::kCompareCaption, [&] { exit = pushButton4_->text() == kExit; });
    if (exit) {
        proc.Step(engine::run_line::kExit, [&] { app::EndProgram(0); });
        return;
    }

    // The run's inputs, taken once: edits of the name box while it works do not reach it.
    // The field page's text is read back into names here, once.
    const engine::RunInputs inputs{
        wizard_.State().ConnectionSettings(), wizard_.State().ChosenTable,
        engine::KeyFieldNames(wizard_.State().KeyFieldList).value_or(QStringList{}),
        text1_->text()};
    minimised_->Start();  // a page minimised at any time from here on comes back at the end
    proc.Step(engine::run_line::kBusyPointer, [&] { Pointer().Set(PointerCode::Busy); });
    const engine::RunOutcome outcome = run.Run(inputs);
    if (outcome.Refused() || outcome.stoppedBeforeChange) {
        // Nothing changed: refused (the name alone, or the survey over the run's own connection),
        // or stopped after one report (the connection or the survey failed). The page stays
        // ready for another try.
        if (minimised_->Minimised()) minimised_->RestoreNormal();
        Pointer().Set(PointerCode::Default);
        if (outcome.Refused()) app::ShowMessage(*outcome.refusal);
        return;
    }
    proc.Step(engine::run_line::kBindGrid, [&] {
        // A preview that did not open is bound as a closed row set, which the grid refuses.
        dataGrid1_->SetDataSource(outcome.preview ? outcome.preview
                                                  : std::make_shared<db::RowSet>());
    });
    proc.Step(engine::run_line::kCaptionExit, [&] {
        pushButton4_->setText(kExit);
        renamedToExit_.start();
    });
    proc.Step(engine::run_line::kRestore, [&] {
        if (minimised_->Minimised()) minimised_->RestoreNormal();
    });
    proc.Step(engine::run_line::kDefaultPointer, [&] { Pointer().Set(PointerCode::Default); });
}

}  // namespace tarnwick::pages
