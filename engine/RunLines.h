#pragma once

// The numbered lines of the deduplication run: the line an error report names when a step fails
// ("... at line 154"), and the line tarnwick-dedupe's "failed at line N" names. The run's code
// uses these names; kRunLineTexts says what each line does, for the documentation
// (docs/run-lines.md lists them all, and a test keeps the two alike).
namespace tarnwick::engine {

namespace run_line {
inline constexpr int kCreateConnection = 100;
inline constexpr int kCreateKeyReader = 102;
inline constexpr int kEmptyNumbers = 104;
inline constexpr int kCompareCaption = 106;  // the result page only
inline constexpr int kExit = 108;            // the result page only
inline constexpr int kBusyPointer = 110;     // the result page only
inline constexpr int kCursorLocation = 112;  // the four lines of opening the connection
inline constexpr int kCommandTimeout = 114;
inline constexpr int kConnectionTimeout = 116;
inline constexpr int kOpenConnection = 118;
inline constexpr int kReadCommitted = 120;
inline constexpr int kKeyQuery = 122;
inline constexpr int kRowLoop = 124;
inline constexpr int kRowYield = 126;
inline constexpr int kStartKey = 128;
inline constexpr int kFieldLoop = 130;
inline constexpr int kFieldYield = 132;
inline constexpr int kAppendField = 134;
inline constexpr int kKeepKey = 140;
inline constexpr int kSurvey = 146;
inline constexpr int kFindDuplicates = 148;
inline constexpr int kCloseKeyReader = 150;
inline constexpr int kDropScratch = 152;
inline constexpr int kCopy = 154;
inline constexpr int kAddKey = 156;
inline constexpr int kPinSession = 158;
inline constexpr int kDeleteLoop = 166;
inline constexpr int kDeleteYield = 168;
inline constexpr int kDelete = 170;
inline constexpr int kDropKey = 174;
inline constexpr int kSwap = 176;
inline constexpr int kPreview = 178;         // the result page only
inline constexpr int kBindGrid = 180;        // the result page only
inline constexpr int kCaptionExit = 182;     // the result page only
inline constexpr int kRestore = 184;         // the result page only
inline constexpr int kDefaultPointer = 186;  // the result page only
inline constexpr int kSnapshot = 188;        // a look (tarnwick-dedupe --dry-run) only
inline constexpr int kEndSnapshot = 190;     // a look only
inline constexpr int kShapeCopy = 192;       // --keep-structure only
inline constexpr int kShapeFill = 194;
inline constexpr int kShapeIndexes = 196;
inline constexpr int kDropPlain = 198;
}  // namespace run_line

// Which runs take a step: both programs' runs, only the result page's Finish, or only a look
// (tarnwick-dedupe --dry-run), which also takes the steps of opening the connection, setting up the
// session, the survey and the key reading.
// A run of tarnwick-dedupe --keep-structure takes its own steps before the swap (176).
enum class LineOf { Both, Window, Look, KeepStructure };

struct RunLineText {
    int line;
    const char* text;
    LineOf where;
};

// Every line, in the order the steps run.
inline constexpr RunLineText kRunLineTexts[] = {
    {run_line::kCreateConnection, "create the connection object", LineOf::Both},
    {run_line::kCreateKeyReader, "create the key reader (empty)", LineOf::Both},
    {run_line::kEmptyNumbers, "empty the list of rows to delete", LineOf::Both},
    {run_line::kCompareCaption, "read the button's caption (\"Exit\" or \"Finish\")",
     LineOf::Window},
    {run_line::kExit, "end the program (the button read \"Exit\")", LineOf::Window},
    {run_line::kBusyPointer, "show the busy pointer", LineOf::Window},
    {run_line::kCursorLocation, "set the connection's cursor location to 3", LineOf::Both},
    {run_line::kCommandTimeout, "set the command time-out to 5000 seconds", LineOf::Both},
    {run_line::kConnectionTimeout, "set the connection time-out to 5000 seconds", LineOf::Both},
    {run_line::kOpenConnection, "open the connection with the login values", LineOf::Both},
    {run_line::kReadCommitted, "work at READ COMMITTED (a failure here changes no result)",
     LineOf::Both},
    {run_line::kPinSession, "read the session's variables and set those the run relies on",
     LineOf::Both},
    {run_line::kSurvey, "survey the tables and refuse what cannot be done", LineOf::Both},
    {run_line::kDropScratch, "drop a table of the scratch name", LineOf::Both},
    {run_line::kCopy, "copy the chosen table into the scratch table", LineOf::Both},
    {run_line::kAddKey, "number the copied rows with the temporary column", LineOf::Both},
    {run_line::kKeyQuery, "send the key query (the numbers and the key fields of every row)",
     LineOf::Both},
    {run_line::kRowLoop, "fetch the next row of keys", LineOf::Both},
    {run_line::kRowYield, "yield to the window system (per row)", LineOf::Both},
    {run_line::kStartKey, "start the row's key", LineOf::Both},
    {run_line::kFieldLoop, "take the next key field", LineOf::Both},
    {run_line::kFieldYield, "yield to the window system (per field)", LineOf::Both},
    {run_line::kAppendField, "append the field's value to the key", LineOf::Both},
    {run_line::kKeepKey, "keep the row's key for the comparison", LineOf::Both},
    {run_line::kFindDuplicates,
     "check that the keys read are the rows copied, and find the later rows of each group",
     LineOf::Both},
    {run_line::kCloseKeyReader, "close the key query", LineOf::Both},
    {run_line::kDeleteLoop, "take the next batch of rows to delete", LineOf::Both},
    {run_line::kDeleteYield, "yield to the window system (per delete)", LineOf::Both},
    {run_line::kDelete, "delete a batch and check that the server removed every row named",
     LineOf::Both},
    {run_line::kDropKey, "drop the temporary column and check the rows left", LineOf::Both},
    {run_line::kSwap, "give the complete result the new name (replacing a table of that name)",
     LineOf::Both},
    {run_line::kPreview, "open the new table for the grid", LineOf::Window},
    {run_line::kBindGrid, "show the new table in the grid", LineOf::Window},
    {run_line::kCaptionExit, "set the button's caption to \"Exit\"", LineOf::Window},
    {run_line::kRestore, "restore the page if it was minimised", LineOf::Window},
    {run_line::kDefaultPointer, "show the default pointer", LineOf::Window},
    {run_line::kSnapshot,
     "start a read-only transaction that reads the chosen table as of one moment, without locks",
     LineOf::Look},
    {run_line::kEndSnapshot, "end the read-only transaction", LineOf::Look},
    {run_line::kShapeCopy, "make an empty table like the chosen one, without its plain indexes",
     LineOf::KeepStructure},
    {run_line::kShapeFill, "fill it with the kept rows and check their number",
     LineOf::KeepStructure},
    {run_line::kShapeIndexes, "add the plain indexes and the AUTO_INCREMENT counter",
     LineOf::KeepStructure},
    {run_line::kDropPlain, "drop the plain copy", LineOf::KeepStructure},
};

// What the step of `line` does, or nothing for a line the run does not have.
constexpr const char* LineText(int line) {
    for (const RunLineText& text : kRunLineTexts) {
        if (text.line == line) return text.text;
    }
    return nullptr;
}

}  // namespace tarnwick::engine
