#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks, builds, and then either starts KabukaKestrel on a
# home folder inside the checkout ("run") or runs every test ("test"): plain build, then
# AddressSanitizer + UndefinedBehaviorSanitizer build, the core-without-Qt check, and the fuzzers.
set -euo pipefail
mode=${1:-run}
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

packages=(build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev clang-format
          qt6-base-dev qt6-base-dev-tools qt6-charts-dev libqt6opengl6-dev libgl-dev libxkbcommon-dev libgtest-dev googletest
          libsqlite3-dev sqlite3 libarchive-dev mdbtools-dev mdbtools libc6-dev
          fonts-ipafont-gothic fonts-dejavu-core qt6-translations-l10n xvfb xauth python3
          nlohmann-json3-dev qtkeychain-qt6-dev openssl dpkg-dev file desktop-file-utils appstream)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    echo "== installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

jobs=$(nproc)

build() { # dir, extra cmake options
    local dir=$1; shift
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    cmake --build "$dir" -j "$jobs"
}

# Makes the Debian package from the plain build and checks it: its files, the desktop entries, the
# AppStream data, and kestrel unpacked into a scratch root working on a fresh per-user folder.
package_check() {
    rm -f build/kabukakestrel_*.deb
    (cd build && cpack -G DEB >/dev/null)
    local deb scratch listing
    deb=$(ls build/kabukakestrel_*.deb)
    echo "== package $deb"
    listing=$(dpkg-deb -c "$deb")
    for f in usr/bin/KabukaKestrel usr/bin/Plover usr/bin/kestrel usr/share/kabukakestrel/infodata \
             usr/share/applications/org.kabukakestrel.KabukaKestrel.desktop \
             usr/share/applications/org.kabukakestrel.Plover.desktop \
             usr/share/metainfo/org.kabukakestrel.KabukaKestrel.metainfo.xml \
             usr/share/icons/hicolor/scalable/apps/kabukakestrel.svg usr/share/man/man1/kestrel.1.gz; do
        grep -q " \./$f\$" <<<"$listing" || { echo "package lacks $f" >&2; return 1; }
    done
    for dep in libqt6widgets6 qt6-translations-l10n fonts-dejavu-core; do
        dpkg-deb -f "$deb" Depends | grep -q "$dep" || { echo "package Depends lacks $dep" >&2; return 1; }
    done
    desktop-file-validate packaging/*.desktop
    appstreamcli validate --no-net build/packaging/org.kabukakestrel.KabukaKestrel.metainfo.xml >/dev/null
    scratch=$(mktemp -d)
    dpkg -x "$deb" "$scratch/root"
    mkdir "$scratch/home"
    HOME="$scratch/home" XDG_DATA_HOME="" KESTREL_HOME="" "$scratch/root/usr/bin/kestrel" --version
    HOME="$scratch/home" XDG_DATA_HOME="" KESTREL_HOME="" "$scratch/root/usr/bin/kestrel" init >/dev/null
    [ -f "$scratch/home/.local/share/KabukaKestrel/Kestrel.mdb" ] ||
        { echo "installed kestrel init made no per-user database" >&2; return 1; }
    rm -rf "$scratch"
}

case "$mode" in
package)
    build build
    package_check
    echo "== install it with: sudo apt install ./$(ls build/kabukakestrel_*.deb)"
    ;;
run)
    build build
    home="$root/home"
    mkdir -p "$home"
    if [ ! -f "$home/Kestrel.mdb" ] && [ -x build/tools/kestrel-demo ]; then
        echo "== seeding a demo home in $home"
        build/tools/kestrel-demo "$home" || echo "(demo data could not be made; starting with an empty home)"
    fi
    if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
        echo "== no display: starting under xvfb-run (a virtual display; nothing is shown on screen)"
        exec xvfb-run -a build/src/apps/kestrel/KabukaKestrel --home "$home"
    fi
    exec build/src/apps/kestrel/KabukaKestrel --home "$home"
    ;;
test)
    echo "== core must not include Qt"
    if grep -rnE '#\s*include\s*[<"]Q' src/core; then
        echo "src/core includes a Qt header" >&2
        exit 1
    fi
    echo "== includes point down the layers"
    tools/check_layers.sh || { echo "an include runs against the layers" >&2; exit 1; }
    echo "== plain build"
    build build
    (cd build && ctest --output-on-failure -j "$jobs" --timeout 600)
    if ldd build/src/apps/cli/kestrel | grep -E 'libQt6Widgets'; then
        echo "kestrel links Qt Widgets" >&2
        exit 1
    fi
    package_check
    echo "== command-line tool without the GUI (no Qt Gui or Widgets), with its tests"
    cmake -S . -B build-nogui -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKESTREL_GUI=OFF -DKESTREL_BENCH=OFF >/dev/null
    cmake --build build-nogui -j "$jobs" --target kestrel kestrel_test_httpd kestrel-gendata
    if ldd build-nogui/src/apps/cli/kestrel | grep -E 'libQt6(Gui|Widgets)'; then
        echo "kestrel without the GUI links Qt Gui or Widgets" >&2
        exit 1
    fi
    (cd build-nogui && ctest --output-on-failure -j "$jobs" --timeout 600 -R '^cli_')
    echo "== AddressSanitizer + UndefinedBehaviorSanitizer build"
    build build-asan -DCMAKE_BUILD_TYPE=Debug -DKESTREL_SANITIZE=ON -DKESTREL_BENCH=OFF
    (cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        LSAN_OPTIONS=suppressions="$root/tools/lsan.supp" ctest --output-on-failure -j "$jobs" --timeout 900)
    echo "== fuzzers (a few seconds each)"
    CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKESTREL_FUZZ=ON >/dev/null
    cmake --build build-fuzz -j "$jobs"
    for f in build-fuzz/fuzz/fuzz_*; do
        [ -x "$f" ] || continue
        name=$(basename "$f")
        corpus="fuzz/corpus/${name#fuzz_}"
        mkdir -p "build-fuzz/corpus-$name"
        echo "-- $name"
        "$f" -max_total_time="${FUZZ_SECONDS:-5}" -rss_limit_mb=2048 "build-fuzz/corpus-$name" \
            $( [ -d "$corpus" ] && echo "$corpus" ) 2>&1 | tail -n 2
    done
    echo "== all tests passed"
    ;;
*)
    echo "usage: tools/setup.sh run|test|package" >&2
    exit 2
    ;;
esac
