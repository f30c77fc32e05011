#pragma once
// Test-only report of the main window's merge browsing under a real X server: which
// view is shown, what the label's merge texts say, where the label is on the screen,
// the insertion controller's buttons and "n / N", and the jump dialog's boxes, so that
// a script can drive them with real input and check what the label shows.
namespace velmo::testhost {

// Prints "velmo: report begin" … "velmo: report end" blocks on stderr whenever
// what is reported changed.
void StartMergeReport();

} // namespace velmo::testhost
