#!/usr/bin/env bash
# Builds the Debian package from an existing build folder and checks it as a user's machine would
# see it: what it holds, its control fields, the desktop entry, the AppStream metadata, the case file
# type, the icons and the manual pages, and that the programs run from an unpacked copy.
# usage: check_package.sh BUILD_DIR VERSION WORK_DIR
set -euo pipefail

build=$1
version=$2
work=$3
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

for tool in cpack dpkg-deb dpkg-shlibdeps desktop-file-validate appstreamcli update-mime-database file gzip; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed (scripts/install-deps.sh)" >&2; exit 1; }
done

rm -rf "$work"
mkdir -p "$work"
# The package is written into the work folder, so that the build folder's own `make package` output
# and a test run never meet.
if ! (cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1); then
    cat "$work/cpack.log" >&2
    echo "FAIL: cpack did not build the package" >&2
    exit 1
fi
debs=("$work"/out/korvel_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "FAIL: expected one korvel_*.deb, found: ${debs[*]}" >&2; exit 1; }
deb=${debs[0]}
echo "package: $(basename "$deb")"

# Control fields.
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = korvel ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)', the project version is $version"
[ "$(field Section)" = science ] || fail "Section is '$(field Section)'"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
depends=$(field Depends)
for lib in qt6-translations-l10n libqt6widgets6 libqt6charts6 libqt6datavisualization6 libc6 libstdc++6; do
    [[ $depends == *"$lib"* ]] || fail "Depends lacks $lib (dpkg-shlibdeps): $depends"
done
description=$(field Description)
[[ $description == *"continuous"* ]] || fail "Description has no English text"
[[ $description == *"непрерывного литья"* ]] || fail "Description has no Russian text"

# Contents.
dpkg-deb -c "$deb" | awk '{print $NF}' | sed 's|^\./|/|' >"$work/contents.txt"
expected=(
    /usr/bin/korvel
    /usr/bin/korvel-batch
    /usr/share/applications/org.korvel.Korvel.desktop
    /usr/share/metainfo/org.korvel.Korvel.metainfo.xml
    /usr/share/mime/packages/korvel.xml
    /usr/share/icons/hicolor/scalable/apps/korvel.svg
    /usr/share/man/man1/korvel.1.gz
    /usr/share/man/man1/korvel-batch.1.gz
)
sizes=(16 22 24 32 48 64 128 256)
for size in "${sizes[@]}"; do
    expected+=("/usr/share/icons/hicolor/${size}x${size}/apps/korvel.png")
done
for path in "${expected[@]}"; do
    grep -qxF "$path" "$work/contents.txt" || fail "dpkg-deb -c does not list $path"
done
# Nothing of the build or the tests goes into the package.
if grep -E '/(tst_|korvel-render|bench_)|\.a$|/include/' "$work/contents.txt"; then
    fail "the package holds files that belong to the build"
fi

# Unpack into a scratch root and check the files themselves.
root=$work/root
dpkg-deb -x "$deb" "$root"
desktop-file-validate "$root/usr/share/applications/org.korvel.Korvel.desktop" || fail "desktop-file-validate"
grep -qx 'Exec=korvel %f' "$root/usr/share/applications/org.korvel.Korvel.desktop" || fail "desktop entry: Exec"
grep -qx 'MimeType=application/x-korvel-case;' "$root/usr/share/applications/org.korvel.Korvel.desktop" ||
    fail "desktop entry: MimeType"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.korvel.Korvel.metainfo.xml" || fail "appstreamcli validate"
grep -q "<release version=\"$version\"" "$root/usr/share/metainfo/org.korvel.Korvel.metainfo.xml" ||
    fail "the metainfo has no release entry for version $version"

# The case file type compiles, and *.korvel files are of it.
mime=$work/mime
mkdir -p "$mime/packages"
cp "$root/usr/share/mime/packages/korvel.xml" "$mime/packages/"
if update-mime-database "$mime" >"$work/mime.log" 2>&1; then
    grep -qx 'application/x-korvel-case:\*\.korvel' <(grep -v '^#' "$mime/globs2" | cut -d: -f2-) ||
        fail "*.korvel is not application/x-korvel-case"
    grep -q 'application/x-korvel-case application/json' "$mime/subclasses" || fail "the case type is not JSON"
else
    cat "$work/mime.log" >&2
    fail "update-mime-database rejects the case file type"
fi

for size in "${sizes[@]}"; do
    png=$root/usr/share/icons/hicolor/${size}x${size}/apps/korvel.png
    [ -f "$png" ] || continue
    file -b "$png" | grep -q "PNG image data, $size x $size" || fail "$png is $(file -b "$png")"
done
for page in korvel korvel-batch; do
    gz=$root/usr/share/man/man1/$page.1.gz
    [ -f "$gz" ] || continue
    gzip -t "$gz" || fail "$gz is not gzip"
    gzip -dc "$gz" | grep -q "^\.TH ${page^^} 1 .*\"Korvel $version\"" || fail "$page.1: no .TH line with version $version"
done

# The programs run from the unpacked copy: the batch runner, and the program's --version, which needs
# no display.
out=$(env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/korvel-batch" --version) || fail "korvel-batch --version failed"
[ "$out" = "korvel-batch $version" ] || fail "korvel-batch --version printed '$out'"
out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/usr/bin/korvel" --version) ||
    fail "korvel --version failed"
[ "$out" = "korvel $version" ] || fail "korvel --version printed '$out'"
"$root/usr/bin/korvel-batch" --builtin L=6 M=6 --steps 4 >"$work/batch.log" || fail "korvel-batch could not run the model"

if [ $failures -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "package checks passed"
