#include "pages/FieldPageFill.h"

#include <QListWidget>

#include "app/Yield.h"
#include "app/core/GuardedProcedure.h"
#include "app/core/Require.h"
#include "db/RowSet.h"
#include "engine/SessionPins.h"
#include "engine/WorkingConnection.h"
#include "pages/DataGrid.h"
#include "pages/FieldMoves.h"
#include "pages/Form3.h"
#include "pages/ListBox.h"
#include "pages/Wizard.h"

namespace tarnwick::pages {

using app::Require;
using engine::OpenWorkingConnection;

void FillFieldPage(app::GuardedProcedure& proc, const FieldPageFillLines& lines, Wizard& wizard,
                   FieldPageSources& sources) {
    proc.Step(lines.show, [&] { wizard.FieldPage().ShowPage(); });
    proc.Step(lines.clear, [&] { Clear(wizard.FieldPage().List1()); });
    proc.Step(lines.unbind, [&] { wizard.FieldPage().DataGrid1().SetDataSource(nullptr); });
    proc.Step(lines.openPreview, [&] {
        // The grid shows every row the statement selects, whatever limits the server's own
        // settings would put on this session.
        if (sources.connection)
            engine::PinSession(*sources.connection, engine::SessionUse::EveryRow);
        db::RowSet& preview = Require(sources.preview);
        if (sources.previewParts) {
            preview.OpenInParts(*sources.previewParts, sources.connection);
        } else {
            preview.Open(sources.previewStatement, sources.connection);
        }
    });
    proc.Step(lines.bind, [&] { wizard.FieldPage().DataGrid1().SetDataSource(sources.preview); });
    proc.Step(lines.openDescribe,
              [&] { Require(sources.fields).Open(sources.describeStatement, sources.connection); });
    while (proc.LoopTest(lines.loop, [&] { return !Require(sources.fields).Eof(); })) {
        proc.Step(lines.loop + 2, [&] { app::YieldToWindowSystem(); });
        proc.Step(lines.loop + 4, [&] {
            AddItem(wizard.FieldPage().List1(),
                    db::NullToDefault(Require(sources.fields).Field(0), QString()));
        });
        proc.Step(lines.loop + 6, [&] { Require(sources.fields).MoveNext(); });
    }
    UpdateMoveButtons(proc, wizard.FieldPage().Controls(), lines.buttons);
    proc.Step(lines.selectFirst, [&] {
        QListWidget& available = wizard.FieldPage().List1();
        if (ItemCount(available) > 0) SelectIndex(available, 0);
    });
    proc.Step(lines.closeDescribe, [&] { Require(sources.fields).Close(); });
    proc.Step(lines.focus, [&] { wizard.FieldPage().DataGrid1().setFocus(); });
}

}  // namespace tarnwick::pages
