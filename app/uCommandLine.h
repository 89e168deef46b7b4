#pragma once

#include <QStringList>

// Sheets without the window:
//   mirvak --start N --end M --pdf FILE
//   mirvak --start N --end M --print [--printer NAME]
// True when the arguments ask for the command-line mode (or --help/--version)
// rather than the main window.
bool IsCommandLineMode(int argc, char** argv);

// Runs the command line; returns the process exit code. Messages go to
// standard error, --help and --version to standard output.
int RunCommandLine(const QStringList& Arguments);
