// Prints every user table of a Jet file as JSON, read by mdb-reader:
// {"password", "tables": [{"name", "columns": [names], "rows": [[values]]}]}.
// Usage: node read_tables.mjs <file>
import { readFileSync } from "node:fs";
import MDBReader from "mdb-reader";

const reader = new MDBReader(readFileSync(process.argv[2]));
const tables = reader.getTableNames().map((name) => {
    const table = reader.getTable(name);
    const columns = table.getColumnNames();
    const rows = table.getData().map((row) => columns.map((column) => row[column]));
    return { name, rowCount: table.rowCount, columns, rows };
});
// Every character past ASCII escaped: Qt's JSON parser drops a raw U+FEFF
// inside a string, which would hide whether the reader gave it back.
const ascii = JSON.stringify({ password: reader.getPassword(), tables }).replace(/[\u007f-\uffff]/g,
    (c) => "\\u" + c.charCodeAt(0).toString(16).padStart(4, "0"));
process.stdout.write(ascii);
