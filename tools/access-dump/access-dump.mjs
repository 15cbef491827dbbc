// access-dump.mjs FILE [PASSWORD]
//
// Prints a canonical JSON dump of an Access database (.mdb/.accdb) as the
// mdb-reader library reads it. This is the test oracle for the corpus goldens
// (tests/data/**/*.json) and for checking files our own engine writes.
// Normalisation rules are documented in tests/data/README.md; keep the two
// in step.
//
// Normally started through the `access-dump` wrapper beside this file, which
// installs the pinned mdb-reader into a cache folder and passes that folder in
// ACCESS_ORACLE_DIR. Without that variable, `mdb-reader` is imported from the
// usual node_modules lookup.

import { readFileSync, realpathSync } from "node:fs";
import { createHash } from "node:crypto";
import { createRequire } from "node:module";
import { fileURLToPath, pathToFileURL } from "node:url";
import path from "node:path";

process.env.TZ = "UTC";

export const ROW_LIMIT = 2000;

async function loadReader() {
  const dir = process.env.ACCESS_ORACLE_DIR;
  if (dir) {
    const req = createRequire(path.join(dir, "package.json"));
    const mod = await import(pathToFileURL(req.resolve("mdb-reader")).href);
    const pkg = JSON.parse(readFileSync(req.resolve("mdb-reader/package.json"), "utf8"));
    return { MDBReader: mod.default, version: pkg.version };
  }
  const mod = await import("mdb-reader");
  const req = createRequire(import.meta.url);
  let version = "unknown";
  try {
    version = JSON.parse(readFileSync(req.resolve("mdb-reader/package.json"), "utf8")).version;
  } catch {
    // version is informative only
  }
  return { MDBReader: mod.default, version };
}

// Same mapping as mdb-reader uses internally (byte at offset 0x14 of page 0).
export function formatFromHeader(buf) {
  if (buf.length < 0x15) return { format: null, version_byte: null };
  const v = buf[0x14];
  const names = { 0: "Jet3", 1: "Jet4", 2: "ACE12", 3: "ACE14", 4: "ACE15", 5: "ACE16", 6: "ACE17" };
  let format = names[v] ?? "unknown";
  if (v === 1 && buf.subarray(4, 4 + 15).toString("latin1") === "MSISAM Database") format = "MSISAM";
  return { format, version_byte: v };
}

const pad = (n, w) => String(n).padStart(w, "0");

const DAY_MS = 86400000;
const EPOCH_1899_MS = 25569 * DAY_MS; // 1899-12-30 is 25569 days before 1970-01-01

// mdb-reader turns the stored double d into a Date linearly:
// 1899-12-30T00:00Z + round((d - 25569) * 86400000) ms. Access itself reads a
// negative d as "whole days before 1899-12-30, plus the fraction as time of
// day" (-1.25 is 1899-12-29 06:00, not 1899-12-28 18:00), so such values are
// folded back here. Positive values are untouched.
export function accessDateMs(d) {
  let ms = d.getTime() + EPOCH_1899_MS; // ms since 1899-12-30, an integer
  if (ms < 0 && ms % DAY_MS !== 0) {
    const a = -ms;
    const whole = Math.floor(a / DAY_MS);
    ms = -whole * DAY_MS + (a - whole * DAY_MS);
  }
  return ms - EPOCH_1899_MS;
}

// Date -> 'YYYY-MM-DDTHH:MM:SS' plus '.fff' only when the milliseconds are not 0.
// The UTC fields are the wall-clock value stored in the file (no zone shift).
export function isoDate(date) {
  if (Number.isNaN(date.getTime())) return "invalid-date";
  const d = new Date(accessDateMs(date));
  if (Number.isNaN(d.getTime())) return "invalid-date";
  const y = d.getUTCFullYear();
  const year = y >= 0 && y <= 9999 ? pad(y, 4) : (y < 0 ? "-" : "+") + pad(Math.abs(y), 6);
  let s = `${year}-${pad(d.getUTCMonth() + 1, 2)}-${pad(d.getUTCDate(), 2)}` +
    `T${pad(d.getUTCHours(), 2)}:${pad(d.getUTCMinutes(), 2)}:${pad(d.getUTCSeconds(), 2)}`;
  const ms = d.getUTCMilliseconds();
  if (ms !== 0) s += "." + pad(ms, 3);
  return s;
}

// mdb-reader gives 'YYYY.MM.DD HH:MM:SS.nnnnnnnnn' for "Date/Time Extended";
// we print 'YYYY-MM-DDTHH:MM:SS.fffffff' (the stored 100 ns resolution).
export function isoDateExtended(s) {
  const m = /^(\d{4})\.(\d{2})\.(\d{2}) (\d{2}):(\d{2}):(\d{2})\.(\d{9})$/.exec(s);
  if (!m) return String(s);
  return `${m[1]}-${m[2]}-${m[3]}T${m[4]}:${m[5]}:${m[6]}.${m[7].slice(0, 7)}`;
}

function numberOut(n) {
  if (Number.isFinite(n)) return n; // JSON.stringify prints the shortest round-trip form; -0 prints as 0
  return Number.isNaN(n) ? "NaN" : n > 0 ? "Infinity" : "-Infinity";
}

const hex = (b) => "hex:" + Buffer.from(b.buffer, b.byteOffset, b.byteLength).toString("hex");

// Values without a column type (inside complex/attachment values).
function generic(v) {
  if (v === null || v === undefined) return null;
  if (v instanceof Uint8Array) return hex(v);
  if (v instanceof Date) return isoDate(v);
  if (typeof v === "bigint") return v.toString();
  if (typeof v === "number") return numberOut(v);
  if (Array.isArray(v)) return v.map(generic);
  if (typeof v === "object") {
    const o = {};
    for (const [k, x] of Object.entries(v)) o[k] = generic(x);
    return o;
  }
  return v;
}

export function normalise(v, type) {
  if (v === null || v === undefined) return null;
  switch (type) {
    case "boolean":
      return v === true;
    case "byte":
    case "integer":
    case "long":
      return v;
    case "bigint":
      return v.toString();
    case "float":
    case "double":
      return numberOut(v);
    case "currency":
    case "numeric":
      return String(v);
    case "datetime":
      return isoDate(v);
    case "datetimextended":
      return isoDateExtended(v);
    case "binary":
    case "ole":
      return hex(v);
    default: // text, memo, repid (GUID string), complex, anything new
      return generic(v);
  }
}

function errText(e) {
  let s = e && e.message ? e.message : String(e);
  if (e && e.cause && e.cause.message) s += ": " + e.cause.message;
  return s;
}

// Reads all rows of a table as arrays in column order. If mdb-reader throws
// on some column, that column is read on its own, row by row, and every
// value it cannot give becomes the string "unsupported".
function readRows(table, columns, valueErrors) {
  const names = columns.map((c) => c.name);
  try {
    return table.getData().map((r) => columns.map((c) => normalise(r[c.name], c.type)));
  } catch {
    // fall through to the per-column reading below
  }
  const count = table.getData({ columns: [] }).length;
  const byColumn = columns.map((c) => {
    try {
      return table.getData({ columns: [c.name] }).map((r) => normalise(r[c.name], c.type));
    } catch {
      const vals = [];
      for (let i = 0; i < count; i++) {
        try {
          const r = table.getData({ columns: [c.name], rowOffset: i, rowLimit: 1 })[0];
          vals.push(normalise(r[c.name], c.type));
        } catch (e) {
          if (!(c.name in valueErrors)) valueErrors[c.name] = errText(e);
          vals.push("unsupported");
        }
      }
      return vals;
    }
  });
  const rows = [];
  for (let i = 0; i < count; i++) rows.push(names.map((_, j) => byColumn[j][i]));
  return rows;
}

function dumpTable(reader, name) {
  const out = { name };
  try {
    const table = reader.getTable(name);
    const columns = table.getColumns();
    out.columns = columns.map((c) => {
      const col = { name: c.name, type: c.type, size: c.size };
      if (c.precision !== undefined) col.precision = c.precision;
      if (c.scale !== undefined) col.scale = c.scale;
      return col;
    });
    const valueErrors = {};
    const rows = readRows(table, columns, valueErrors);
    out.row_count = rows.length;
    out.tdef_row_count = table.rowCount;
    if (rows.length > ROW_LIMIT) {
      out.rows_truncated = true;
      out.rows_sha256 = createHash("sha256").update(JSON.stringify(rows), "utf8").digest("hex");
      out.rows = rows.slice(0, ROW_LIMIT);
    } else {
      out.rows = rows;
    }
    if (Object.keys(valueErrors).length) out.value_errors = valueErrors;
  } catch (e) {
    out.error = errText(e);
  }
  return out;
}

export async function dump(file, password) {
  const buf = readFileSync(file);
  const { MDBReader, version } = await loadReader();
  const result = {
    oracle: `mdb-reader@${version}`,
    ...formatFromHeader(buf),
    password: password ?? null,
  };
  let reader;
  try {
    reader = new MDBReader(buf, password !== undefined ? { password } : undefined);
  } catch (e) {
    result.error = errText(e);
    return result;
  }
  try {
    result.tables = reader.getTableNames().map((n) => dumpTable(reader, n));
  } catch (e) {
    delete result.tables;
    result.error = errText(e);
  }
  return result;
}

// Pretty print with two-space indent, but each row on one line.
export function render(result) {
  const lines = ["{"];
  const top = Object.entries(result);
  top.forEach(([k, v], i) => {
    const comma = i < top.length - 1 ? "," : "";
    if (k !== "tables") {
      lines.push(`  ${JSON.stringify(k)}: ${JSON.stringify(v)}${comma}`);
      return;
    }
    if (v.length === 0) {
      lines.push(`  "tables": []${comma}`);
      return;
    }
    lines.push(`  "tables": [`);
    v.forEach((t, ti) => {
      lines.push("    {");
      const ents = Object.entries(t);
      ents.forEach(([tk, tv], j) => {
        const c = j < ents.length - 1 ? "," : "";
        if ((tk === "columns" || tk === "rows") && tv.length > 0) {
          lines.push(`      ${JSON.stringify(tk)}: [`);
          tv.forEach((x, xi) => lines.push(`        ${JSON.stringify(x)}${xi < tv.length - 1 ? "," : ""}`));
          lines.push(`      ]${c}`);
        } else {
          lines.push(`      ${JSON.stringify(tk)}: ${JSON.stringify(tv)}${c}`);
        }
      });
      lines.push(`    }${ti < v.length - 1 ? "," : ""}`);
    });
    lines.push(`  ]${comma}`);
  });
  lines.push("}");
  return lines.join("\n") + "\n";
}

function isMainModule() {
  try {
    return realpathSync(process.argv[1]) === realpathSync(fileURLToPath(import.meta.url));
  } catch {
    return false;
  }
}
const isMain = process.argv[1] !== undefined && isMainModule();
if (isMain) {
  const args = process.argv.slice(2);
  if (args.length < 1 || args.length > 2 || args[0] === "-h" || args[0] === "--help") {
    process.stderr.write("usage: access-dump FILE [PASSWORD]\n");
    process.exit(2);
  }
  try {
    const result = await dump(args[0], args[1]);
    process.stdout.write(render(result));
    // The JSON is printed either way; status 3 tells that mdb-reader could
    // not open the database at all (see its "error" member).
    if ("error" in result) process.exitCode = 3;
  } catch (e) {
    // Only a file that cannot be opened at all ends here (e.g. missing file).
    process.stderr.write(`access-dump: ${errText(e)}\n`);
    process.exit(1);
  }
}
