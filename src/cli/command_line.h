#pragma once

#include <QString>
#include <QStringList>

// What trasferisci-codici is asked to do, as its arguments say it.
struct CommandLine {
    // An update run, or one of the modes that look at runs rather than make one.
    enum class Mode { Update, Preview, Restore, Log };

    bool help = false;
    bool version = false;
    Mode mode = Mode::Update;
    bool alwaysYes = false;        // --si
    bool keepBankDetails = false;  // --conserva-dati-banche
    QString profile;               // --profilo NOME; empty in the two-file form
    QString origin;                // the two-file form's ORIGINE and DESTINAZIONE,
    QString destination;           // exactly as given
    QString csv;                   // --csv FILE, with --anteprima
    QString backup;                // --ripristina's COPIA; empty for the profile's latest
};

// Arguments that cannot be understood. The Italian message names the
// argument at fault, or what is missing.
struct UsageError {
    QString message;
};

// Options and file names in any order, as Linux commands take them: an
// option's value follows it ("--profilo NOME") or is joined by "="
// ("--profilo=NOME"), and after "--" every argument is a file name, so that
// a file whose name starts with "-" can be named. Throws UsageError.
CommandLine ParseCommandLine(const QStringList& arguments);

// The two forms of the command, for the help and for a usage error.
QString UsageLines();
// The whole --help text, options and exit statuses included.
QString HelpText();
