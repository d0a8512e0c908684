// mkabicab [--formato jet3|jet4] ABI.csv ABICAB.csv USCITA.mdb: builds the
// source database of the bank-code update from two CSV files, the form in
// which fresh codes come.
#include "layouts/abicab_layout.h"
#include "mkabicab/abicab_builder.h"
#include "platform/database/jet/format/column_types.h"

#include <QCoreApplication>
#include <QStringList>
#include <cstdio>
#include <optional>

namespace {

void Print(FILE* stream, const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

// "  tabella abi: AbiAbi Intero lungo, ..." wrapped at 80 characters.
QString ColumnsText(const JetTableDefinition& table)
{
    constexpr qsizetype kWidth = 80;
    const QString indent(4, QLatin1Char(' '));
    QString text = QStringLiteral("  tabella %1:").arg(table.name);
    qsizetype lineStart = 0;
    for (size_t i = 0; i < table.columns.size(); ++i) {
        const JetColumn& column = table.columns[i];
        QString item = column.name + QLatin1Char(' ') + QString::fromLatin1(TraitsOf(column.type).name);
        if (column.type == JetColumnType::Text)
            item += QStringLiteral("(%1)").arg(column.length);
        if (i + 1 < table.columns.size())
            item += QLatin1Char(',');
        if (text.size() - lineStart + 1 + item.size() > kWidth) {
            text += QLatin1Char('\n') + indent;
            lineStart = text.size() - indent.size();
        } else {
            text += QLatin1Char(' ');
        }
        text += item;
    }
    return text;
}

QString Usage()
{
    return QStringLiteral(
               "Uso: mkabicab [--formato jet4|jet3] ABI.csv ABICAB.csv USCITA.mdb\n"
               "\n"
               "Crea il database USCITA.mdb con le tabelle abi e abicab, lette dai due file CSV,\n"
               "nel formato Jet 4 (Access 2000-2003, il predefinito) o Jet 3 (Access 97, testi\n"
               "nella codifica Windows-1252):\n"
               "%1\n"
               "%2\n"
               "\n"
               "I file CSV sono in UTF-8 (anche con BOM), con la virgola come separatore e le\n"
               "virgolette doppie secondo RFC 4180. La prima riga nomina tutte e sole le colonne\n"
               "della tabella, in qualsiasi ordine, senza badare a maiuscole e minuscole. In una\n"
               "colonna di testo un campo vuoto vale Null e \"\" è un testo vuoto. I numeri interi\n"
               "sono cifre con un segno facoltativo, i decimali vanno dopo un punto. Le righe vuote\n"
               "sono ignorate.\n"
               "\n"
               "Un file malformato, un numero che manca, non si legge o non sta nella sua colonna,\n"
               "un testo più lungo della colonna o con il carattere NUL (in Jet 3, anche con un\n"
               "carattere che Windows-1252 non ha), o una riga con un numero\n"
               "sbagliato di campi fanno rifiutare tutto (un numero mancante o un NUL l'aggiornamento\n"
               "non potrebbe inserirli): il messaggio nomina file, riga e colonna, e USCITA.mdb non viene\n"
               "né creato né toccato. Il database si scrive con un nome provvisorio nella stessa\n"
               "cartella e prende il suo nome solo alla fine.\n"
               "\n"
               "Esce con 0 se il database è stato scritto, 1 se i dati o la scrittura sono stati\n"
               "rifiutati, 2 se gli argomenti sono sbagliati.")
        .arg(ColumnsText(AbiTableDefinition()), ColumnsText(AbicabTableDefinition()));
}

struct Arguments {
    QStringList files;
    JetVersion version = JetVersion::Jet4;
};

// The option may stand anywhere among the three files; empty when the
// arguments are wrong.
std::optional<Arguments> ParseArguments(const QStringList& arguments)
{
    Arguments parsed;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (arguments[i] != QLatin1String("--formato")) {
            parsed.files.append(arguments[i]);
            continue;
        }
        if (++i == arguments.size())
            return std::nullopt;
        if (arguments[i] == QLatin1String("jet3"))
            parsed.version = JetVersion::Jet3;
        else if (arguments[i] != QLatin1String("jet4"))
            return std::nullopt;
    }
    if (parsed.files.size() != 3)
        return std::nullopt;
    return parsed;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments().mid(1);
    if (arguments.size() == 1 && (arguments[0] == QLatin1String("-h") || arguments[0] == QLatin1String("--help"))) {
        Print(stdout, Usage());
        return 0;
    }
    const std::optional<Arguments> parsed = ParseArguments(arguments);
    if (!parsed) {
        Print(stderr, Usage());
        return 2;
    }
    const QStringList& files = parsed->files;
    try {
        BuildAbicab(
            files[0], files[1], files[2], [](const QString& line) { Print(stderr, line); }, parsed->version);
    } catch (const AbicabBuildError& error) {
        Print(stderr, QStringLiteral("mkabicab: ") + error.message());
        return 1;
    }
    return 0;
}
