#pragma once

#include <QString>
#include <QStringList>

namespace korvel {

// What the command line of `korvel` asks for.
struct CommandLine {
    enum class Action {
        Run,     // start the program's windows
        Help,    // print the help text and end
        Version, // print the version line and end
        Error,   // print the error message and end with a failure
    };
    Action action = Action::Run;
    QString casePath; // the case file to open at start-up; empty when none was given
    QString text;     // the help text, version line or error message to print
};

// Parses the program's arguments (the first one is the program's name). Needs a QCoreApplication.
CommandLine ParseCommandLine(const QStringList& arguments);

// True when the arguments ask only for text (help or version), which needs no display.
bool AsksForTextOnly(int argc, const char* const* argv);

// Prints the help, version or error text of a command line that does not start the windows
// (stdout for help and version, stderr for errors) and returns the program's exit code.
int AnswerCommandLine(const CommandLine& commandLine);

} // namespace korvel
