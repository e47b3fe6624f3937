#include "pages/PageSetUp.h"

#include "app/ApplicationFolder.h"
#include "app/ApplicationIcon.h"
#include "app/ApplicationTitle.h"
#include "app/PointerFile.h"
#include "app/SystemColours.h"
#include "app/core/GuardedProcedure.h"
#include "pages/PageWindow.h"

namespace tarnwick::pages {

void LoadCustomPointer(app::GuardedProcedure& proc, PageWindow& page, int testLine, int loadLine) {
    const QString path = app::ApplicationFile(QString::fromUtf16(app::kPointerFileName));
    if (proc.Test(testLine, [&] { return app::FileExists(path); })) {
        proc.Step(loadLine, [&] { page.Pointer().SetCustomImage(app::LoadPointerFile(path)); });
    }
}

void RunCommonSetUp(app::GuardedProcedure& proc, PageWindow& page) {
    proc.Step(100, [&] { app::ApplySystemColours(page); });
    proc.Step(102, [&] { page.setWindowIcon(app::ApplicationIcon()); });
    LoadCustomPointer(proc, page, 106, 108);
    proc.Step(110, [&] { page.setWindowTitle(QString::fromUtf16(app::kProductName)); });
}

}  // namespace tarnwick::pages
