// Prints the rows of one table as JSON, one object per line, using the
// independent mdb-reader package, so tests can compare our files with it.
//   node mdb-reader-dump.mjs FILE TABLE      rows of TABLE
//   node mdb-reader-dump.mjs FILE            table names (system ones too), one per line
//   node mdb-reader-dump.mjs --columns FILE TABLE   column name, type, size per line (JSON)
import { readFileSync } from "node:fs";
import MDBReader from "mdb-reader";

const args = process.argv.slice(2);
const columns = args[0] === "--columns";
if (columns) args.shift();
const [file, table] = args;
const reader = new MDBReader(readFileSync(file));

if (!table) {
  for (const name of reader.getTableNames({ normalTables: true, systemTables: true, linkedTables: true }))
    console.log(name);
  process.exit(0);
}

const t = reader.getTable(table);
if (columns) {
  for (const c of t.getColumns())
    console.log(JSON.stringify({ name: c.name, type: c.type, size: c.size, autoLong: !!c.autoLong }));
  process.exit(0);
}

function plain(v) {
  if (v === null || v === undefined) return null;
  if (v instanceof Date) return { date: v.toISOString() };
  if (Buffer.isBuffer(v) || v instanceof Uint8Array) return { hex: Buffer.from(v).toString("hex") };
  if (typeof v === "bigint") return v.toString();
  return v;
}
for (const row of t.getData()) {
  const out = {};
  for (const [k, v] of Object.entries(row)) out[k] = plain(v);
  console.log(JSON.stringify(out));
}
