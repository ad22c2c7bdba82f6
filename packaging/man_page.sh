#!/bin/sh
# man_page.sh PROGRAM SUMMARY OUTPUT: writes the manual page of PROGRAM
# (section 1) made from what `PROGRAM --help` and `PROGRAM --version` print,
# so the page says exactly what the program says. Before the first heading,
# the "Usage:" lines are the synopsis and the other lines the description;
# each line "Heading:" starts a section of that name. Every line is kept as
# it is (no filling), so the help's tables stay tables.
set -eu
program=$1 summary=$2 output=$3
name=$(basename "$program")
# Nothing of the build's own runs goes to the user's run log.
export QUORVIA_LOG=0
version=$("$program" --version)
"$program" --help | awk -v name="$name" -v summary="$summary" -v version="$version" '
  function roff(line) {
    gsub(/\\/, "\\e", line)
    gsub(/-/, "\\-", line)
    if (line ~ /^[.'"'"']/) line = "\\&" line
    return line
  }
  BEGIN {
    printf ".TH %s 1 \"\" \"%s\" \"User Commands\"\n", toupper(name), version
    printf ".SH NAME\n%s \\- %s\n", name, roff(summary)
    opening = 1
  }
  function section(title) { printf ".SH %s\n.nf\n", title }
  # The opening lines, held until the first heading sorts them.
  opening && /^Usage:/ { usage = usage roff($0) "\n"; in_usage = 1; next }
  opening && in_usage && /^ / { usage = usage roff($0) "\n"; next }
  opening && !/^[A-Z][^:]*:$/ { in_usage = 0; if ($0 != "" || about != "") about = about roff($0) "\n"; next }
  opening { opening = 0; close_opening() }
  /^[A-Z][^:]*:$/ { printf ".fi\n"; section(toupper(substr($0, 1, length($0) - 1))); next }
  { print roff($0) }
  function close_opening() {
    section("SYNOPSIS"); printf "%s", usage
    if (about != "") { printf ".fi\n"; section("DESCRIPTION"); printf "%s", about }
  }
  END { if (opening) close_opening(); print ".fi" }
' >"$output.new"
mv "$output.new" "$output"
