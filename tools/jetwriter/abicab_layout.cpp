#include "abicab_layout.h"

JetTableDefinition AbiTableDefinition()
{
    using T = JetColumnType;
    return {QStringLiteral("abi"),
            {{QStringLiteral("AbiAbi"), T::LongInteger},
             {QStringLiteral("AbiBanc"), T::Text, 80},
             {QStringLiteral("AbiAbichk"), T::Integer}}};
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
