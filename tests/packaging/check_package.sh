#!/usr/bin/env bash
# check_package.sh CPACK BUILD_DIR VERSION
# Builds the Debian package from the build folder (gzip instead of xz: the
# contents are what is checked here, and gzip is quick) and checks it from
# outside, without installing it: the file name, the files it holds, its
# control fields (dependencies computed by dpkg-shlibdeps, maintainer
# script), and its .desktop files, metainfo, MIME type and manual pages with
# the validators present on the machine.
set -euo pipefail
cpack=$1
build=$2
version=$3
out=$build/package-check
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

rm -rf "$out"
mkdir -p "$out"
cd "$build"
if ! "$cpack" -G DEB -D CPACK_DEBIAN_COMPRESSION_TYPE=gzip -B "$out" >"$out/cpack.log" 2>&1; then
    cat "$out/cpack.log" >&2
    echo "FAIL: cpack failed" >&2
    exit 1
fi
deb=$out/telmira_${version}_amd64.deb
if [ ! -f "$deb" ]; then
    ls "$out" >&2
    echo "FAIL: no package $deb" >&2
    exit 1
fi

# The files.
contents=$(dpkg-deb -c "$deb" | awk '{ print $6 }')
for file in ./usr/bin/Telmira ./usr/bin/telmira-codage ./usr/share/telmira/telmira \
            ./usr/share/icons/hicolor/scalable/apps/telmira.svg \
            ./usr/share/applications/telmira.desktop \
            ./usr/share/applications/telmira-codage.desktop \
            ./usr/share/mime/packages/telmira-analyse.xml \
            ./usr/share/metainfo/org.telmira.telmira.metainfo.xml \
            ./usr/share/man/man1/Telmira.1.gz ./usr/share/man/man1/telmira-codage.1.gz \
            ./usr/share/man/fr/man1/Telmira.1.gz ./usr/share/man/fr/man1/telmira-codage.1.gz; do
    grep -qxF "$file" <<<"$contents" || fail "the package lacks $file"
done
# The template is a data file, not a program; nothing outside /usr.
grep -qxF ./usr/bin/telmira <<<"$contents" && fail "the template lies in /usr/bin"
grep -v -e '^\./$' -e '^\./usr/' <<<"$contents" && fail "files outside /usr"

# The control fields.
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = telmira ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version)"
[ "$(field Architecture)" = amd64 ] || fail "Architecture: $(field Architecture)"
depends=$(field Depends)
for library in libqt6widgets6 libqt6core6 libsqlite3-0 libc6; do
    grep -qE "(^|, )$library( |,|$)" <<<"$depends" || fail "Depends lacks $library: $depends"
done
[ -n "$(field Description)" ] || fail "no Description"
info=$(dpkg-deb -I "$deb")
grep -qE "^ +[0-9]+ bytes, +[0-9]+ lines +\* +postinst " <<<"$info" \
    || fail "no executable postinst in the control archive"
# No postrm: it would keep the package in dpkg's "config-files" state after
# `apt-get remove`.
grep -qE " (postrm|conffiles) " <<<"$info" && fail "postrm or conffiles in the control archive"

# The files themselves.
root=$out/root
dpkg-deb -x "$deb" "$root"
for entry in telmira telmira-codage; do
    desktop=$root/usr/share/applications/$entry.desktop
    program=$(sed -n 's/^Exec="\{0,1\}\([^" ]*\)"\{0,1\}.*/\1/p' "$desktop")
    [ "$program" = "/usr/bin/$( [ $entry = telmira ] && echo Telmira || echo telmira-codage)" ] \
        || fail "$entry.desktop runs $program"
    if command -v desktop-file-validate >/dev/null; then
        report=$(desktop-file-validate "$desktop" 2>&1) || fail "$entry.desktop: $report"
        [ -z "$report" ] || fail "$entry.desktop: $report"
    fi
done
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$root/usr/share/metainfo/org.telmira.telmira.metainfo.xml" \
        >"$out/appstream.log" 2>&1 || { cat "$out/appstream.log" >&2; fail "metainfo invalid"; }
fi
if command -v xmllint >/dev/null; then
    xmllint --noout "$root/usr/share/mime/packages/telmira-analyse.xml" || fail "MIME type unreadable"
fi
for page in "$root"/usr/share/man/man1/*.gz "$root"/usr/share/man/fr/man1/*.gz; do
    gzip -t "$page" || fail "$page is not gzip"
done
cmp -s "$root/usr/share/telmira/telmira" "$build/telmira" || fail "the template differs from the build's"

if [ "$failures" -gt 0 ]; then
    exit 1
fi
echo "telmira_${version}_amd64.deb: $(stat -c %s "$deb") bytes; Depends: $depends"
