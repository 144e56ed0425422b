// Prints the rows of one table, one canonical JSON object per line, as read
// by one of three readers, so the Jet 4 engine's tests can compare them:
//   node rows.mjs mdb-json FILE TABLE       mdbtools' mdb-json
//   node rows.mjs mdb-reader FILE TABLE     the mdb-reader package
//   node rows.mjs qvkdb QVKDB FILE TABLE    our `qvkdb export --json`
// Canonical form: keys sorted, NULLs left out, texts and binary data cut at
// the first NUL (mdb-json passes values through C strings), dates as
// "MM/DD/YY HH:MM:SS" rounded to the second, GUIDs as bare upper-case hex,
// booleans as 0/1, currency as numbers, zero-length texts left out.
import { readFileSync } from "node:fs";
import { execFileSync } from "node:child_process";
import MDBReader from "mdb-reader";

const [mode, ...rest] = process.argv.slice(2);

function cutText(s) { const i = s.indexOf("\0"); return i < 0 ? s : s.slice(0, i); }
function cutBytes(b) { const i = b.indexOf(0); return (i < 0 ? b : b.subarray(0, i)).toString("hex"); }
function guid(s) { return s.replace(/[{}-]/g, "").toUpperCase(); }
function pad(n) { return String(n).padStart(2, "0"); }
function dateText(d) {
  const t = new Date(Math.round(d.getTime() / 1000) * 1000);
  return `${pad(t.getUTCMonth() + 1)}/${pad(t.getUTCDate())}/${pad(t.getUTCFullYear() % 100)} ` +
         `${pad(t.getUTCHours())}:${pad(t.getUTCMinutes())}:${pad(t.getUTCSeconds())}`;
}
function canon(obj) {
  const out = {};
  // mdb-json prints nothing for a zero-length text, so it counts as absent.
  for (const k of Object.keys(obj).sort()) if (obj[k] !== null && obj[k] !== undefined && obj[k] !== "") out[k] = obj[k];
  return JSON.stringify(out);
}

// mdb-json and qvkdb share one output format.
function fromMdbJsonText(text, guidCols) {
  const rows = [];
  for (const line of text.split("\n")) {
    if (!line.trim()) continue;
    const r = JSON.parse(line);
    for (const [k, v] of Object.entries(r)) {
      if (typeof v === "string") r[k] = cutText(v);
      else if (v && typeof v === "object" && "$binary" in v) {
        const b = Buffer.from(v.$binary, "base64");
        r[k] = guidCols.has(k) ? guid(b.toString("latin1")) : cutBytes(b);
      }
    }
    rows.push(canon(r));
  }
  return rows;
}

// Several tables may be named; each table's rows then follow a line "#TABLE name".
function rowsOf(file, table, guids) {
  if (mode === "mdb-json" || mode === "qvkdb") {
    const tool = mode === "mdb-json" ? "mdb-json" : rest[0];
    const args = mode === "mdb-json" ? [file, table] : ["export", "--json", file, table];
    const text = execFileSync(tool, args, { encoding: "utf8", maxBuffer: 1 << 28, stdio: ["ignore", "pipe", "ignore"] });
    return fromMdbJsonText(text, guids(table));
  }
  const t = reader().getTable(table);
  const types = Object.fromEntries(t.getColumns().map((c) => [c.name, c.type]));
  return t.getData().map((r) => {
    const o = {};
    for (const [k, v] of Object.entries(r)) {
      if (v === null || v === undefined) continue;
      const ty = types[k];
      if (v instanceof Date) o[k] = dateText(v);
      else if (Buffer.isBuffer(v) || v instanceof Uint8Array) o[k] = cutBytes(Buffer.from(v));
      else if (typeof v === "boolean") o[k] = v ? 1 : 0;
      else if (ty === "repid") o[k] = guid(v);
      else if (ty === "currency" || ty === "numeric") o[k] = Number(v);
      else if (typeof v === "string") o[k] = cutText(v);
      else if (typeof v === "bigint") o[k] = Number(v);
      else o[k] = v;
    }
    return canon(o);
  });
}

if (!["mdb-json", "mdb-reader", "qvkdb"].includes(mode)) {
  console.error("usage: rows.mjs mdb-json|mdb-reader FILE TABLE... | qvkdb QVKDB FILE TABLE...");
  process.exit(2);
}
const [file, ...tables] = mode === "qvkdb" ? rest.slice(1) : rest;
let cached;
function reader() { return cached ??= new MDBReader(readFileSync(file)); }
function guids(table) {
  try {
    return new Set(reader().getTable(table).getColumns().filter((c) => c.type === "repid").map((c) => c.name));
  } catch { return new Set(); }
}
for (const table of tables) {
  if (tables.length > 1) console.log("#TABLE " + table);
  let rows = [];
  try { rows = rowsOf(file, table, guids); } catch (e) { console.log("#ERROR " + String(e.message).split("\n")[0]); }
  for (const r of rows) console.log(r);
}
