#pragma once
// Test-only report of the layout view under a real X server: where its site, tool
// buttons, menus, overview faces and pivots are on the screen, what the design holds,
// and the buttons, tabs and menu entries of whatever dialog or pop-up is open, so
// that a script can drive it with real input events.
namespace velmo::testhost {

// Prints "velmo-layout: …" blocks on stderr whenever what is on the screen changed.
void StartLayoutReport();

} // namespace velmo::testhost
