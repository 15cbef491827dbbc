#!/bin/sh
# Runs the keyring test of the settings with a Secret Service keyring: a session bus of its own
# (dbus-run-session) and a new GNOME keyring, unlocked, in a temporary home.
# Usage: KeyringTest.sh APP_TESTS
set -eu
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export HOME="$home" XDG_DATA_HOME="$home/data" XDG_CONFIG_HOME="$home/config" XDG_RUNTIME_DIR="$home/run"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
exec dbus-run-session -- sh -c '
  printf "test" | gnome-keyring-daemon --unlock --components=secrets > /dev/null
  TABLOREN_TEST_KEYRING=1 exec "$1" --gtest_filter=SettingsTest.ThePasswordGoesToTheKeyringWhereOneAnswers' sh "$1"
