#pragma once
// Test-only report of the record browser "CSVデータの一覧" under a real X server: what
// its window shows (status line, card text, grid rows as painted, the selection,
// column widths, focus) and where its buttons and the jump, find and sort dialog's
// controls are on the screen, so that a script can drive it with real input events
// and check the result from what the window holds rather than from the database.
namespace velmo::testhost {

// Prints "velmo: …" report blocks on stderr whenever the browser's state changed.
void StartBrowserReport();

} // namespace velmo::testhost
