#pragma once

namespace velmo::tool {

// Runs velmo-tool with the process's arguments; returns the exit code.
int Main(int argc, char** argv);

} // namespace velmo::tool
