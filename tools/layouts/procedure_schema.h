#pragma once

// The code tables of a procedure database as Corvanta lays them out, in SQL
// that SQLite, PostgreSQL and MariaDB all take; the BIC column is one the
// update does not write.
inline constexpr char kCodeTablesSchema[] =
    "CREATE TABLE ABI (AbiAbi INTEGER PRIMARY KEY, AbiBanc VARCHAR(80), AbiAbichk INTEGER, AbiBic VARCHAR(11));"
    "CREATE TABLE ABICAB (AbcAbi INTEGER NOT NULL, AbcCab INTEGER NOT NULL, AbcBanc VARCHAR(80),"
    " AbcFiliale VARCHAR(80), AbcIndir VARCHAR(80), AbcCap VARCHAR(5), AbcLocalita VARCHAR(60),"
    " AbcComune VARCHAR(60), AbcProv VARCHAR(2), AbcAbichk INTEGER, AbcCabchk INTEGER,"
    " PRIMARY KEY (AbcAbi, AbcCab));";
