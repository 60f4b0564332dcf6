// SPDX-License-Identifier: MIT
#pragma once
// The desktop program's command line: quorvel [--demo-ports HOST DGI] [FILE.qvl],
// plus --help and --version, read with QCommandLineParser.
#include <QString>
#include <QStringList>

#include <optional>

#include "app/formmain.h"

namespace quorvel::app {

struct TCommandLine {
  enum class TAction { Run, Help, Version, Error };
  TAction action = TAction::Run;
  // Help and Version: the text for standard output; Error: the reason, for standard error.
  QString text;
  std::optional<TRunPorts> runPorts;
  QStringList files;  // the arguments that are not options; the first is the terminal file
};

// Reads `arguments` (the program's name first). Needs no application object, so
// --help and --version can be answered before the window system is reached.
TCommandLine ReadCommandLine(const QStringList& arguments);

// True when the arguments ask only for --help or --version (or a short form): the
// program can answer without a display.
bool AsksForTextOnly(const QStringList& arguments);

}  // namespace quorvel::app
