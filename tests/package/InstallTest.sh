#!/bin/sh
# Extracts the package into an empty root and uses it from there, with nothing of the build
# tree: its files are all there, the commands run, the window starts and stays up.
# Usage: InstallTest.sh PACKAGE.deb
set -eu
deb=$1
work=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null || true; rm -rf "$work"' EXIT
pid=
root=$work/root
dpkg -x "$deb" "$root"
cd "$work"
export HOME="$work/home" XDG_CONFIG_HOME="$work/config"
mkdir -p "$HOME" "$XDG_CONFIG_HOME"

fail() { echo "InstallTest: $*" >&2; exit 1; }

for f in usr/bin/tabloren usr/bin/tabloren-cli usr/bin/jettool \
         usr/lib/tabloren/tabloren usr/lib/tabloren/HAND-M.CUR usr/lib/tabloren/x/o.cjs \
         usr/lib/tabloren/Samples/sample.mdb usr/lib/tabloren/Samples/sample1.db3 \
         usr/share/applications/tabloren.desktop usr/share/metainfo/io.github.tabloren.Tabloren.metainfo.xml \
         usr/share/icons/hicolor/48x48/apps/tabloren.png usr/share/icons/hicolor/128x128/apps/tabloren.png \
         usr/share/icons/hicolor/256x256/apps/tabloren.png \
         usr/share/man/man1/tabloren.1.gz usr/share/man/man1/tabloren-cli.1.gz usr/share/man/man1/jettool.1.gz \
         usr/share/bash-completion/completions/tabloren-cli usr/share/bash-completion/completions/jettool \
         usr/share/doc/tabloren/copyright usr/share/doc/tabloren/changelog.gz; do
  [ -e "$root/$f" ] || fail "$f is missing from the package"
done

bin=$root/usr/bin
samples=$root/usr/lib/tabloren/Samples
"$bin/tabloren-cli" --help > help.txt || fail "tabloren-cli --help failed"
grep -q "tabloren-cli list FILE" help.txt || fail "tabloren-cli --help does not show the list command"
"$bin/jettool" --help > help.txt || fail "jettool --help failed"
grep -q "jettool create" help.txt || fail "jettool --help does not show the create command"

"$bin/tabloren-cli" list "$samples/sample.mdb" > access.txt || fail "tabloren-cli list of the Access sample failed"
[ -s access.txt ] || fail "the Access sample lists no tables"
"$bin/tabloren-cli" list "$samples/sample1.db3" > sqlite.txt || fail "tabloren-cli list of the SQLite sample failed"
[ -s sqlite.txt ] || fail "the SQLite sample lists no tables"
first=$(head -n 1 access.txt)
"$bin/tabloren-cli" to-sqlite "$samples/sample.mdb" copy.db3 --tables "$first" > /dev/null \
  || fail "copying $first of the Access sample failed"
"$bin/tabloren-cli" list copy.db3 | grep -qx "$first" || fail "$first is not in the copy"

# The completion offers the commands.
if command -v bash > /dev/null; then
  words=$(bash -c '. "$1"; COMP_WORDS=(tabloren-cli t); COMP_CWORD=1; _tabloren_cli; echo "${COMPREPLY[*]}"' \
          sh "$root/usr/share/bash-completion/completions/tabloren-cli")
  [ "$words" = "to-sqlite to-access" ] || fail "the completion offers \"$words\""
fi

# The window, with both samples remembered: the program opens on the tables window and stays up.
printf '[Tabloren]\nSQLiteDatabase=%s\nAccessMDBFile=%s\nAccessPassword=\n' \
  "$samples/sample1.db3" "$samples/sample.mdb" > "$XDG_CONFIG_HOME/Marrowind.conf"
chmod 600 "$XDG_CONFIG_HOME/Marrowind.conf"
QT_QPA_PLATFORM=offscreen "$bin/tabloren" > window.log 2>&1 &
pid=$!
sleep 3
kill -0 "$pid" 2>/dev/null || { cat window.log >&2; fail "the program ended by itself"; }
kill "$pid"
wait "$pid" 2>/dev/null || true
pid=
echo "InstallTest: the package works from $root"
