#include "cli/command_line.h"

#include <QSet>

namespace {

enum class Takes { Nothing, Value };

struct Option {
    const char* name;
    Takes takes;
    const char* valueName;  // how the help names the value
    const char* help;
    void (*apply)(CommandLine& line, const QString& value);
};

// The modes exclude each other: a second one is a slip whose intent cannot be guessed.
void SetMode(CommandLine& line, CommandLine::Mode mode, const char* name)
{
    if (line.mode != CommandLine::Mode::Update)
        throw UsageError{
            QStringLiteral("l'opzione '%1' non si combina con le altre modalità").arg(QLatin1String(name))};
    line.mode = mode;
}

// Every option, in the order the help lists them.
const Option kOptions[] = {
    {"--profilo", Takes::Value, "NOME", "aggiorna l'archivio procedura del profilo NOME",
     [](CommandLine& line, const QString& value) { line.profile = value; }},
    {"--si", Takes::Nothing, "", "risponde Sì a tutte le domande, senza chiedere",
     [](CommandLine& line, const QString&) { line.alwaysYes = true; }},
    {"--conserva-dati-banche", Takes::Nothing, "",
     "riscrive, per ogni codice che resta, le colonne\n"
     "                   di ABI e ABICAB che l'origine non fornisce (come il codice BIC)",
     [](CommandLine& line, const QString&) { line.keepBankDetails = true; }},
    {"--anteprima", Takes::Nothing, "", "mostra che cosa cambierebbe l'aggiornamento, senza modificare nulla",
     [](CommandLine& line, const QString&) { SetMode(line, CommandLine::Mode::Preview, "--anteprima"); }},
    {"--csv", Takes::Value, "FILE",
     "con --anteprima, scrive in FILE una riga per codice aggiunto, rimosso\n"
     "                   o modificato",
     [](CommandLine& line, const QString& value) { line.csv = value; }},
    {"--ripristina", Takes::Nothing, "",
     "rimette i codici che un aggiornamento del profilo ha sostituito,\n"
     "                   dalla COPIA indicata o dall'ultima di un aggiornamento completato",
     [](CommandLine& line, const QString&) { SetMode(line, CommandLine::Mode::Restore, "--ripristina"); }},
    {"--storico", Takes::Nothing, "", "mostra il registro delle esecuzioni",
     [](CommandLine& line, const QString&) { SetMode(line, CommandLine::Mode::Log, "--storico"); }},
    {"--help", Takes::Nothing, "", "mostra questo aiuto ed esce",
     [](CommandLine& line, const QString&) { line.help = true; }},
    {"--version", Takes::Nothing, "", "mostra la versione ed esce",
     [](CommandLine& line, const QString&) { line.version = true; }},
};

const Option* FindOption(const QString& name)
{
    for (const Option& option : kOptions) {
        if (name == QLatin1String(option.name))
            return &option;
    }
    return nullptr;
}

bool LooksLikeOption(const QString& argument)
{
    return argument.startsWith(QLatin1Char('-')) && argument != QLatin1String("-");
}

// The value of `option`, written in `argument` after "=" or else the next
// argument. An option there is no value: "--profilo --si" forgot the name,
// it does not name a profile "--si" (a value that starts with "-" is
// written "--profilo=-x").
QString OptionValue(const Option& option, const QString& argument, const QStringList& arguments, qsizetype& i)
{
    const qsizetype equals = argument.indexOf(QLatin1Char('='));
    if (option.takes == Takes::Nothing) {
        if (equals >= 0)
            throw UsageError{
                QStringLiteral("l'opzione '%1' non prevede un valore: '%2'").arg(QLatin1String(option.name), argument)};
        return {};
    }
    QString value;
    if (equals >= 0)
        value = argument.mid(equals + 1);
    else if (i + 1 < arguments.size() && !LooksLikeOption(arguments.at(i + 1)))
        value = arguments.at(++i);
    else
        throw UsageError{QStringLiteral("manca il valore dell'opzione '%1'").arg(QLatin1String(option.name))};
    if (value.isEmpty())
        throw UsageError{QStringLiteral("il valore dell'opzione '%1' è vuoto").arg(QLatin1String(option.name))};
    return value;
}

// What goes with each mode: the undo and the log take no files of a run
// (the undo one backup at most), --csv goes with the preview only, and the
// bank details with a run.
void TakeModeArguments(CommandLine& line, QStringList& files)
{
    using Mode = CommandLine::Mode;
    if (!line.csv.isEmpty() && line.mode != Mode::Preview)
        throw UsageError{QStringLiteral("l'opzione '--csv' va con '--anteprima'")};
    if (line.keepBankDetails && line.mode != Mode::Update)
        throw UsageError{QStringLiteral("l'opzione '--conserva-dati-banche' va con un aggiornamento")};
    if (line.mode == Mode::Log) {
        if (!line.profile.isEmpty() || !files.isEmpty() || line.alwaysYes)
            throw UsageError{QStringLiteral("'--storico' non prevede altri argomenti")};
        return;
    }
    if (line.mode == Mode::Restore) {
        if (line.profile.isEmpty())
            throw UsageError{QStringLiteral("'--ripristina' richiede --profilo NOME")};
        if (files.size() > 1)
            throw UsageError{QStringLiteral("argomento in più: '%1'").arg(files.at(1))};
        line.backup = files.value(0);
        files.clear();
    }
}

// One of the two forms: a profile, or two files.
void TakeFiles(CommandLine& line, const QStringList& files)
{
    if (!line.profile.isEmpty()) {
        if (!files.isEmpty())
            throw UsageError{QStringLiteral("argomento non previsto con --profilo: '%1'").arg(files.first())};
        return;
    }
    if (files.isEmpty())
        throw UsageError{QStringLiteral("indicare --profilo NOME oppure ORIGINE e DESTINAZIONE")};
    if (files.size() == 1)
        throw UsageError{QStringLiteral("manca la DESTINAZIONE dopo '%1'").arg(files.first())};
    if (files.size() > 2)
        throw UsageError{QStringLiteral("argomento in più: '%1'").arg(files.at(2))};
    if (files.at(0).isEmpty() || files.at(1).isEmpty())
        throw UsageError{files.at(0).isEmpty() ? QStringLiteral("il nome dell'ORIGINE è vuoto")
                                               : QStringLiteral("il nome della DESTINAZIONE è vuoto")};
    line.origin = files.at(0);
    line.destination = files.at(1);
}

}  // namespace

CommandLine ParseCommandLine(const QStringList& arguments)
{
    CommandLine line;
    QStringList files;
    QSet<QString> given;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (optionsEnded || !LooksLikeOption(argument)) {
            files.append(argument);
            continue;
        }
        if (argument == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        const QString name = argument.section(QLatin1Char('='), 0, 0);
        const Option* option = FindOption(name);
        if (!option)
            throw UsageError{QStringLiteral("opzione non riconosciuta: '%1'").arg(argument)};
        // Twice the same option is a slip whose intent cannot be guessed.
        if (given.contains(name))
            throw UsageError{QStringLiteral("l'opzione '%1' è ripetuta").arg(name)};
        given.insert(name);
        option->apply(line, OptionValue(*option, argument, arguments, i));
    }
    if (line.help || line.version)
        return line;
    TakeModeArguments(line, files);
    if (line.mode != CommandLine::Mode::Log)
        TakeFiles(line, files);
    return line;
}

QString UsageLines()
{
    return QStringLiteral(
        "Uso: trasferisci-codici [--si] [--conserva-dati-banche] --profilo NOME\n"
        "     trasferisci-codici [--si] [--conserva-dati-banche] ORIGINE DESTINAZIONE\n"
        "     trasferisci-codici --anteprima [--csv FILE] (--profilo NOME | ORIGINE DESTINAZIONE)\n"
        "     trasferisci-codici --ripristina [--si] [COPIA] --profilo NOME\n"
        "     trasferisci-codici --storico\n");
}

QString HelpText()
{
    QString options;
    for (const Option& option : kOptions) {
        const QString name = QStringLiteral("%1 %2").arg(QLatin1String(option.name), QLatin1String(option.valueName));
        options += QStringLiteral("  %1 %2\n").arg(name, -16).arg(QString::fromUtf8(option.help));
    }
    return UsageLines()
        + QStringLiteral(
               "\n"
               "Sostituisce nell'archivio procedura i codici ABI/CAB da 1000 in su con quelli delle\n"
               "tabelle abi e abicab dell'origine, dopo averne chiesto conferma sul terminale.\n"
               "\n"
               "Con --profilo l'origine è Abicab.mdb nella cartella del programma e la destinazione è\n"
               "l'archivio procedura del profilo NOME, letto dalle impostazioni dell'installazione nel\n"
               "prefisso Wine ($WINEPREFIX, altrimenti ~/.wine), con la verifica del profilo e della\n"
               "release. Con ORIGINE e DESTINAZIONE i codici passano tra due file di database indicati,\n"
               "senza verifica di profilo né di release.\n"
               "\n"
               "Ogni aggiornamento salva prima i codici che sostituisce in una copia di sicurezza e\n"
               "annota l'esecuzione nel registro, in $XDG_STATE_HOME/corvanta-abicab (altrimenti in\n"
               "~/.local/state/corvanta-abicab); lo strumento non cancella mai copie né registro.\n"
               "\n"
               "Opzioni, in qualunque ordine:\n")
        + options
        + QStringLiteral(
               "Il valore di un'opzione segue l'opzione o vi è unito da '=' (--profilo=NOME); dopo\n"
               "'--' ogni argomento è un nome di file.\n"
               "\n"
               "Stato di uscita:\n"
               "  0  aggiornamento completato\n"
               "  1  errore segnalato\n"
               "  2  argomenti non validi\n"
               "  3  concluso senza modifiche (domanda rifiutata, profilo o release non accettati,\n"
               "     nessun codice nell'origine)\n");
}
