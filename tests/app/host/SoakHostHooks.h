#pragma once
// Test-only endurance run of the main window: the same work file opened, a text
// edited and undone, saved, printed to a PDF file and closed, cycle after cycle,
// with the process's resident memory, open file handles and temporary files
// printed after each cycle for the soak script to judge.
namespace velmo {
class TStartup;
}

namespace velmo::testhost {

// Starts the run once start-up has finished. Reads VELMO_TEST_SOAK (cycles),
// VELMO_TEST_SOAK_FILE (the work file), VELMO_TEST_SOAK_CSV (merge data linked to
// it before the first cycle) and VELMO_TEST_SOAK_PDF (the PDF written each cycle,
// removed again). Prints "velmo: soak cycle N rss KB fds N temps N" per cycle,
// "velmo: soak failed: WHY" on the first failing step, "velmo: soak done" at the
// end, and closes the main window either way.
void StartSoak(TStartup& dataMain);

} // namespace velmo::testhost
