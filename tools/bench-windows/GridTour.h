#pragma once

namespace tarnwick::pages {
class DataGrid;
}

namespace tarnwick::tools {

// What a tour of a grid measured, in milliseconds; -1 when the rows never came.
struct TourTimes {
    double toLastRow = -1;   // Ctrl+End until the grid has painted the table's last row
    double toMiddle = -1;    // the scroll bar dragged to the middle until those rows are painted
    double toFirstRow = -1;  // Ctrl+Home until the first row is painted again
};

// Takes a grid through the table as a user would: Ctrl+End, Ctrl+Home, the scroll bar dragged to
// the middle in steps, a hundred pages down and a hundred single steps of the wheel there; each
// move waits until the rows in view are painted.
TourTimes TourGrid(pages::DataGrid& grid);

}  // namespace tarnwick::tools
