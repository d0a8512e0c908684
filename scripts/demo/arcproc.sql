-- The procedure database of the demo installation: the release table and the
-- two bank-code tables, with a few codes below 1000 that the update keeps and
-- a few old ones from 1000 up that it replaces.
CREATE TABLE release (rel_maior INTEGER, rel_minor INTEGER, rel_pers INTEGER);
INSERT INTO release VALUES (12, 3, 0);

CREATE TABLE ABI (
  AbiAbi INTEGER PRIMARY KEY,
  AbiBanc VARCHAR(80),
  AbiAbichk INTEGER,
  AbiBic VARCHAR(11)
);
CREATE TABLE ABICAB (
  AbcAbi INTEGER NOT NULL,
  AbcCab INTEGER NOT NULL,
  AbcBanc VARCHAR(80),
  AbcFiliale VARCHAR(80),
  AbcIndir VARCHAR(80),
  AbcCap VARCHAR(5),
  AbcLocalita VARCHAR(60),
  AbcComune VARCHAR(60),
  AbcProv VARCHAR(2),
  AbcAbichk INTEGER,
  AbcCabchk INTEGER,
  PRIMARY KEY (AbcAbi, AbcCab)
);

INSERT INTO ABI VALUES (101, 'Cassa interna di tesoreria', 1, NULL);
INSERT INTO ABI VALUES (999, 'Conto di appoggio aziendale', 9, NULL);
INSERT INTO ABI VALUES (1005, 'Banca Nazionale (dati del 2009)', 7, 'BNLIITRR');
INSERT INTO ABI VALUES (3069, 'Banca Intesa (dati del 2009)', 2, 'BCITITMM');
INSERT INTO ABICAB VALUES (101, 1, 'Cassa interna di tesoreria', 'Sede', NULL, '10121', 'Torino', 'Torino', 'TO', 1, 1);
INSERT INTO ABICAB VALUES (1005, 3200, 'Banca Nazionale (dati del 2009)', 'Filiale chiusa', 'Via Roma 1', '00187', 'Roma', 'Roma', 'RM', 7, 4);
