#pragma once

namespace tarnwick::app {
class GuardedProcedure;
}

namespace tarnwick::pages {

class PageWindow;

// If the pointer file "HAND-M.CUR" exists in the application folder (tested on `testLine`), it
// becomes the page's custom pointer image (loaded on `loadLine`). A file that is not an image
// fails that step; the page goes on without an image of its own.
void LoadCustomPointer(app::GuardedProcedure& proc, PageWindow& page, int testLine, int loadLine);

// The first steps of the load procedure of the table, field and result pages: system colours
// (100), the application icon (102), the custom pointer (106, 108), the caption "Tarnwick" (110).
void RunCommonSetUp(app::GuardedProcedure& proc, PageWindow& page);

}  // namespace tarnwick::pages
