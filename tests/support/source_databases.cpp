#include "support/source_databases.h"

#include "layouts/abicab_layout.h"

#include <QDir>
#include <algorithm>
#include <stdexcept>

JetTable AbiTable(SourceRows rows)
{
    return {AbiTableDefinition(), std::move(rows)};
}

JetTable AbicabTable(SourceRows rows)
{
    return {AbicabTableDefinition(), std::move(rows)};
}

std::vector<Variant> AbiRow(Variant abi, Variant banc, Variant abichk)
{
    return {std::move(abi), std::move(banc), std::move(abichk)};
}

std::vector<Variant> AbicabRow(Variant abi, Variant cab, Variant banc, Variant filiale, Variant indir, Variant cap,
                               Variant localita, Variant comune, Variant prov, Variant abichk, Variant cabchk)
{
    return {std::move(abi),   std::move(cab),    std::move(banc),     std::move(filiale),
            std::move(indir), std::move(cap),    std::move(localita), std::move(comune),
            std::move(prov),  std::move(abichk), std::move(cabchk)};
}

JetTable WithoutColumn(JetTable table, const QString& column)
{
    auto& columns = table.definition.columns;
    const auto found = std::find_if(columns.begin(), columns.end(), [&](const JetColumn& c) {
        return c.name.compare(column, Qt::CaseInsensitive) == 0;
    });
    if (found == columns.end())
        throw std::invalid_argument("WithoutColumn: no column " + column.toStdString());
    const auto index = found - columns.begin();
    columns.erase(found);
    for (auto& row : table.rows)
        row.erase(row.begin() + index);
    return table;
}

SourceRows ManyAbicabRows(int count)
{
    static const char* const kBanks[] = {"Banca d'Italia Centrale", "Cassa di Risparmio di Forlì",
                                         "Credito Cooperativo dell'Adriatico", "Banca Popolare di Città di Castello"};
    static const char* const kTowns[][3] = {{"Roma", "Roma", "RM"},
                                            {"Forlì", "Forlì", "FC"},
                                            {"L'Aquila", "L'Aquila", "AQ"},
                                            {"Sant'Agata", "Cefalù", "PA"}};
    SourceRows rows;
    rows.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const int abi = 1000 + i / 40;
        const auto* town = kTowns[i % 4];
        rows.push_back(
            AbicabRow(abi, 10000 + i, kBanks[abi % 4], QStringLiteral("Filiale n. %1").arg(i),
                      i % 7 == 0 ? Variant() : Variant(QStringLiteral("Via dell'Università, %1").arg(i % 300)),
                      QStringLiteral("%1").arg(10000 + i % 90000, 5, 10, QLatin1Char('0')), town[0], town[1], town[2],
                      abi % 10, static_cast<double>(i % 10)));
    }
    return rows;
}

QString WriteSourceDatabase(const QString& folder, const std::vector<JetTable>& tables, const QString& fileName,
                            JetVersion version)
{
    const QString path = QDir(folder).filePath(fileName);
    WriteJetDatabase(path, tables, version);
    return path;
}
