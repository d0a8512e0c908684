// Prints every user table of a Jet file as JSON, read by mdb-reader:
// {"tables": [{"name", "columns": [names], "rows": [[values]]}]}.
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
process.stdout.write(JSON.stringify({ tables }));
