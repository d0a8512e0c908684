#pragma once

#include "platform/database/jet/format/table_definition.h"

// The two tables of Abicab.mdb as the tools here write them. The tool reads
// the columns by name and the integers as whole numbers, the check value of a
// branch as a number.
//
// abi:    AbiAbi Long Integer, AbiBanc Text(80), AbiAbichk Integer
// abicab: AbcAbi Long Integer, AbcCab Long Integer, AbcBanc Text(80),
//         AbcFiliale Text(80), AbcIndir Text(80), AbcCap Text(5),
//         AbcLocalita Text(60), AbcComune Text(60), AbcProv Text(2),
//         AbcAbichk Integer, AbcCabchk Double
JetTableDefinition AbiTableDefinition();
JetTableDefinition AbicabTableDefinition();

// The same tables as a Jet procedure database keeps them, named ABI and
// ABICAB, with their primary keys on AbiAbi and on (AbcAbi, AbcCab); and its
// table release (rel_maior, rel_minor Long Integer, rel_pers Text(20)).
JetTableDefinition ProcedureAbiDefinition();
JetTableDefinition ProcedureAbicabDefinition();
JetTableDefinition ReleaseDefinition();
