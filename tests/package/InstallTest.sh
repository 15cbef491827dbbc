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

# Each command answers --version from the project's version; the window's --help and --version
# need no display.
for program in tabloren tabloren-cli jettool; do
  out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$bin/$program" --version) \
    || fail "$program --version failed"
  case $out in "$program "[0-9]*) ;; *) fail "$program --version says \"$out\"" ;; esac
done
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$bin/tabloren" --help | grep -q "tabloren \[FILE\]" \
  || fail "tabloren --help without a display failed"

# The menu entry opens files of the types the AppStream data claims.
desktop=$root/usr/share/applications/tabloren.desktop
grep -qx 'Exec=tabloren %f' "$desktop" || fail "the menu entry does not pass the file"
for type in $(sed -n 's:.*<mediatype>\(.*\)</mediatype>.*:\1:p' \
                $root/usr/share/metainfo/io.github.tabloren.Tabloren.metainfo.xml); do
  grep -q "^MimeType=.*$type;" "$desktop" || fail "the menu entry lacks the type $type"
done

# The completion offers the commands, files of the fitting extensions (a name with spaces as one
# word) and the source's tables after --tables.
if command -v bash > /dev/null; then
  complete_line() {
    PATH="$bin:$PATH" bash -c '. "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _tabloren_cli
                              printf "%s|" "${COMPREPLY[@]}"' \
      sh "$root/usr/share/bash-completion/completions/tabloren-cli" "$@"
  }
  words=$(complete_line tabloren-cli t)
  [ "$words" = "to-sqlite|to-access|" ] || fail "the completion offers \"$words\""
  mkdir files && cp "$samples/sample.mdb" "files/my sample.mdb" && touch files/notes.txt files/data.db3
  words=$(cd files && complete_line tabloren-cli to-sqlite '')
  [ "$words" = "my sample.mdb|" ] || fail "the completion offers the Access files \"$words\""
  words=$(cd files && complete_line tabloren-cli to-sqlite "my sample.mdb" '')
  [ "$words" = "data.db3|" ] || fail "the completion offers the SQLite files \"$words\""
  first=$(head -n 1 access.txt)
  words=$(cd files && complete_line tabloren-cli to-sqlite "my sample.mdb" x.db --tables "$(printf %.2s "$first")")
  case $words in *"$first|"*) ;; *) fail "the completion offers the tables \"$words\"" ;; esac
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
