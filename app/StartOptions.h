#pragma once

#include <QString>
#include <QStringList>

// How the program is asked to start, from its command line: `verzino [TABELLA.tbl]`, --help,
// --version. Qt's own options (-platform, -style...) pass through to the application. Pure, so
// that --help and --version answer before any display is opened.
namespace StartOptions {

enum class Action {
    Run,         // start the window, with the table argument's file in force if there is one
    ShowHelp,    // print message on standard output, exit 0
    ShowVersion, // print message on standard output, exit 0
    Fail,        // print message on standard error, exit UsageError
};

// The exit status of a command line that cannot be used.
constexpr int UsageError = 2;

struct Request {
    Action action = Action::Run;
    QString message;
    // Which argument names the table, 0 for none: the caller takes the file's name from the
    // program's own arguments, as bytes, which a QString may not carry whole.
    qsizetype tableArgument = 0;
    // How many arguments, from the first, are for Qt to see: those before "--".
    qsizetype qtArguments = 0;
    // Whether -platform or -display says where the window goes.
    bool namesDisplay = false;
};

// arguments[0] is the program as it was called, as in QCoreApplication::arguments().
Request parse(const QStringList &arguments);

} // namespace StartOptions
