#!/usr/bin/env bash
# Checks that every #include of src/ points down the layers, and prints each one that does not:
#   core < platform < services < ui < apps        (a layer includes only itself and the ones below)
# Inside core the subsystems are ranked too; a subsystem includes only its own headers and those of
# lower ranks:
#   app < settings < db < startup < boards, chart < import, trade, scan < net < converter, info
# And: core includes no Qt at all; services, platform and the command-line tool include no Qt Widgets
# header and nothing of ui. Exits 1 when an arrow runs the wrong way, 0 otherwise.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

# The class headers of Qt Widgets, read from the installed Qt when it can be found.
widgets=""
for dir in "$(qtpaths6 --query QT_INSTALL_HEADERS 2>/dev/null || true)" /usr/include/x86_64-linux-gnu/qt6 \
           /usr/include/qt6; do
    if [ -n "$dir" ] && [ -d "$dir/QtWidgets" ]; then
        widgets=$(cd "$dir/QtWidgets" && ls | grep -E '^Q[A-Za-z]+$' | tr '\n' ' ')
        break
    fi
done
# Without the headers at hand, the widget classes this code base is likeliest to reach for.
[ -n "$widgets" ] || widgets="QApplication QWidget QDialog QMainWindow QMessageBox QFileDialog QLabel \
QLineEdit QPushButton QComboBox QListWidget QTableView QTableWidget QHeaderView QBoxLayout QVBoxLayout \
QHBoxLayout QGridLayout QGroupBox QCheckBox QRadioButton QMenu QMenuBar QStatusBar QScrollBar \
QProgressBar QSpinBox QTextEdit QPlainTextEdit QTabWidget QSplitter QStyle QToolButton QAbstractButton"

find src -name '*.h' -o -name '*.cpp' | sort | xargs grep -HnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]' |
awk -v widgets="$widgets" '
BEGIN {
    layer["core"] = 0; layer["platform"] = 1; layer["services"] = 2; layer["ui"] = 3; layer["apps"] = 4
    sub_rank["app"] = 0; sub_rank["settings"] = 1; sub_rank["db"] = 2; sub_rank["startup"] = 3; sub_rank["fins"] = 3
    sub_rank["boards"] = 4; sub_rank["chart"] = 4; sub_rank["import"] = 5; sub_rank["trade"] = 5; sub_rank["scan"] = 5
    sub_rank["net"] = 6; sub_rank["converter"] = 7; sub_rank["info"] = 7
    n = split(widgets, w, " ")
    for (i = 1; i <= n; i++) widget[w[i]] = 1
    bad = 0
}
function wrong(what) { print where ": " what; bad = 1 }
{
    # file:line:text
    file = $0; sub(/:.*/, "", file)
    rest = substr($0, length(file) + 2); line = rest; sub(/:.*/, "", line)
    text = substr(rest, length(line) + 2)
    where = file ":" line
    split(file, p, "/")            # src / <layer> / <subsystem or file> / ...
    from = p[2]; fromSub = p[3]
    if (!(from in layer)) next
    if (match(text, /<[^>]+>/)) {
        header = substr(text, RSTART + 1, RLENGTH - 2)
        if (from == "core" && header ~ /^Q/)
            wrong("core includes Qt <" header ">")
        base = header; sub(/^QtWidgets\//, "", base)
        widgetHeader = (header ~ /^QtWidgets(\/|$)/) || (base in widget)
        if (widgetHeader && (from == "services" || from == "platform" || (from == "apps" && fromSub == "cli")))
            wrong(from (from == "apps" ? "/cli" : "") " includes Qt Widgets <" header ">")
        next
    }
    if (!match(text, /"[^"]+"/)) next
    header = substr(text, RSTART + 1, RLENGTH - 2)
    split(header, q, "/")
    to = q[1]; toSub = q[2]
    if (!(to in layer)) next
    if (layer[to] > layer[from])
        wrong(from " -> " to " (\"" header "\")")
    else if (from == "apps" && fromSub == "cli" && to == "ui")
        wrong("apps/cli -> ui (\"" header "\")")
    else if (from == "core" && to == "core" && fromSub != toSub) {
        if (!(fromSub in sub_rank))
            wrong("core/" fromSub " has no rank in tools/check_layers.sh")
        else if (!(toSub in sub_rank))
            wrong("core/" toSub " has no rank in tools/check_layers.sh")
        else if (sub_rank[toSub] >= sub_rank[fromSub])
            wrong("core/" fromSub " -> core/" toSub " (\"" header "\")")
    }
}
END { exit bad }
'
