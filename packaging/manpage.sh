#!/bin/sh
# Writes the manual page of kestrel from its --help text: manpage.sh KESTREL VERSION OUT.gz
set -eu
kestrel=$1 version=$2 out=$3
"$kestrel" --help | awk -v version="$version" '
function roff(s) { gsub(/\\/, "\\e", s); gsub(/-/, "\\-", s); sub(/^[.'"'"']/, "\\\\\\&&", s); return s }
BEGIN {
    print ".TH KESTREL 1 \"\" \"KabukaKestrel " version "\" \"User Commands\""
    print ".SH NAME"
    print "kestrel \\- run the procedures of KabukaKestrel from the command line"
    print ".SH SYNOPSIS"
    print ".B kestrel"
    print "[\\fB\\-\\-home\\fR \\fIDIR\\fR] [\\fB\\-\\-yes\\fR|\\fB\\-\\-no\\fR] \\fICOMMAND\\fR [\\fIARGS\\fR]"
    print ".SH DESCRIPTION"
    part = "head"
}
part == "head" && /^usage:/ { next }
part == "head" && /^commands:/ { print ".SH COMMANDS"; part = "commands"; next }
part == "head" && $0 == "" { paragraph = 1; next }
part == "head" { if (paragraph) print ".PP"; paragraph = 0; print roff($0); next }
/^      / { sub(/^ +/, ""); print roff($0); next }
/^  / { sub(/^ +/, ""); print ".TP"; print "\\fB" roff($0) "\\fR"; next }
END {
    print ".SH FILES"
    print ".TP"
    print "\\fI~/.local/share/KabukaKestrel\\fR"
    print "The program folder of an installed copy (\\fB$XDG_DATA_HOME/KabukaKestrel\\fR), holding"
    print "Kestrel.mdb, Kestrel.ini, Data and htm; \\fB\\-\\-home\\fR or \\fBKESTREL_HOME\\fR choose another."
    print ".TP"
    print "\\fI~/.config/KestrelApp/KestrelApp.conf\\fR"
    print "The per-user settings through which Plover finds the program folder."
    print ".TP"
    print "\\fIKestrel.lock\\fR, \\fIScreens.ini\\fR"
    print "In the program folder: the lock every program holds (exit 6 when another holds it alone), and"
    print "the saved screens of \\fBscreen \\-\\-save\\fR."
    print ".SH ENVIRONMENT"
    print "\\fBJQUANTS_API_KEY\\fR (the J\\-Quants API key instead of the keyring; never written anywhere),"
    print "\\fBKESTREL_JQUANTS_CAFILE\\fR (an extra certificate authority), \\fBKESTREL_LOCK_WAIT_MS\\fR"
    print "(how long a command waits for the folder lock, default 3000)."
}' | gzip -9n >"$out"
