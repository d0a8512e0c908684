#include "layouts/abicab_layout.h"

JetTableDefinition AbiTableDefinition()
{
    using T = JetColumnType;
    return {QStringLiteral("abi"),
            {{QStringLiteral("AbiAbi"), T::LongInteger},
             {QStringLiteral("AbiBanc"), T::Text, 80},
             {QStringLiteral("AbiAbichk"), T::Integer}}};
}

namespace {

JetTableDefinition WithPrimaryKey(JetTableDefinition table, const char* name, std::vector<QString> columns)
{
    table.name = QString::fromLatin1(name);
    table.indexes.push_back({QStringLiteral("PrimaryKey"), std::move(columns), true});
    return table;
}

}  // namespace

JetTableDefinition ProcedureAbiDefinition()
{
    return WithPrimaryKey(AbiTableDefinition(), "ABI", {QStringLiteral("AbiAbi")});
}

JetTableDefinition ProcedureAbicabDefinition()
{
    return WithPrimaryKey(AbicabTableDefinition(), "ABICAB", {QStringLiteral("AbcAbi"), QStringLiteral("AbcCab")});
}

JetTableDefinition ReleaseDefinition()
{
    return {QStringLiteral("release"),
            {{QStringLiteral("rel_maior"), JetColumnType::LongInteger},
             {QStringLiteral("rel_minor"), JetColumnType::LongInteger},
             {QStringLiteral("rel_pers"), JetColumnType::Text, 20}},
            {}};
}

JetTableDefinition AbicabTableDefinition()
{
    using T = JetColumnType;
    return {QStringLiteral("abicab"),
            {{QStringLiteral("AbcAbi"), T::LongInteger},
             {QStringLiteral("AbcCab"), T::LongInteger},
             {QStringLiteral("AbcBanc"), T::Text, 80},
             {QStringLiteral("AbcFiliale"), T::Text, 80},
             {QStringLiteral("AbcIndir"), T::Text, 80},
             {QStringLiteral("AbcCap"), T::Text, 5},
             {QStringLiteral("AbcLocalita"), T::Text, 60},
             {QStringLiteral("AbcComune"), T::Text, 60},
             {QStringLiteral("AbcProv"), T::Text, 2},
             {QStringLiteral("AbcAbichk"), T::Integer},
             {QStringLiteral("AbcCabchk"), T::Double}}};
}
