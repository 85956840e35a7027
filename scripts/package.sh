#!/usr/bin/env bash
# Builds the Release Velkorin.exe and HelpVelkorin.chm, and writes the installer and the
# portable zip:
#   dist/Velkorin-<version>.msi            (wixl, from package/Velkorin.wxs)
#   dist/Velkorin-<version>-portable.zip   (the program, its help, README.txt, LICENSE and the
#                                           Group Policy template)
# The version is the CMake project version. A package of another version (to try an upgrade)
# is built with: bash scripts/package.sh <version> [output directory]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
bash scripts/setup.sh

default_version=$(sed -n 's/^set(VELKORIN_VERSION \([0-9.]*\) CACHE.*/\1/p' CMakeLists.txt)
version=${1:-$default_version}
dist=${2:-$root/dist}
if [ "$version" = "$default_version" ]; then
    build=$root/build/win64 # the tree the tests use: from a built tree nothing is built again
else
    build=$root/build/package-$version
fi

cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release \
    -DVELKORIN_VERSION="$version" >/dev/null
cmake --build "$build" -j "$(nproc)" --target Velkorin help_file_chm >/dev/null

# Windows Installer wants three numbers: 1.0 is 1.0.0.
msi_version=$version
while [ "$(tr -cd . <<<"$msi_version" | wc -c)" -lt 2 ]; do msi_version=$msi_version.0; done

# wixl takes the files by relative names, from one directory.
stage=$build/package
rm -rf "$stage"
mkdir -p "$stage/zip/en-US" "$dist"
cp "$build/Velkorin.exe" "$build/HelpVelkorin.chm" package/Velkorin.wxs resources/velkorin.ico \
    "$stage/"
sed 's/$/\r/' LICENSE >"$stage/LICENSE.txt"
(cd "$stage" && wixl -a x64 -D Version="$msi_version" -D Program=Velkorin.exe -D Help=HelpVelkorin.chm \
    -D Licence=LICENSE.txt -D Icon=velkorin.ico -o "Velkorin-$version.msi" Velkorin.wxs)
# wixl writes the root of HKMU registry values as 4, which Windows Installer does not know; the
# table's root for "per machine or per user" is -1.
msibuild "$stage/Velkorin-$version.msi" -q 'UPDATE `Registry` SET `Root` = -1 WHERE `Root` = 4'
# The computer's event folder and its value, for all users only: wixl writes no component
# conditions.
msibuild "$stage/Velkorin-$version.msi" -q \
    "UPDATE \`Component\` SET \`Condition\` = 'ALLUSERS=1' WHERE \`Component\` = 'EventFolder'"
# wixl knows no MoveFile table. For all users (the EventFolder component), what Velkorin wrote
# beside an older program moves into the computer's event folder by the standard MoveFiles action:
# from beside the program in Program Files (an earlier 64-bit version), and from the folder that
# OLDERFOLDER names (set only when upgrading from the 32-bit package).
msibuild "$stage/Velkorin-$version.msi" -q 'CREATE TABLE `MoveFile` (`FileKey` CHAR(72) NOT NULL,
    `Component_` CHAR(72) NOT NULL, `SourceName` CHAR(255) LOCALIZABLE,
    `DestName` CHAR(255) LOCALIZABLE, `SourceFolder` CHAR(72), `DestFolder` CHAR(72) NOT NULL,
    `Options` SHORT NOT NULL PRIMARY KEY `FileKey`)'
for moved in 'EventFilesBesideProgram:InformationSW*:INSTALLDIR' \
    'HistoryBesideProgram:Velkorin.log*:INSTALLDIR' 'OlderEventFiles:InformationSW*:OLDERFOLDER' \
    'OlderHistory:Velkorin.log*:OLDERFOLDER'; do
    IFS=: read -r key name from <<<"$moved"
    msibuild "$stage/Velkorin-$version.msi" -q "INSERT INTO \`MoveFile\` (\`FileKey\`,
        \`Component_\`, \`SourceName\`, \`SourceFolder\`, \`DestFolder\`, \`Options\`)
        VALUES ('$key', 'EventFolder', '$name', '$from', 'EVENTFOLDER', 1)"
done
msibuild "$stage/Velkorin-$version.msi" -q 'INSERT INTO `InstallExecuteSequence` (`Action`,
    `Sequence`) VALUES ('"'"'MoveFiles'"'"', 3800)'
mv "$stage/Velkorin-$version.msi" "$dist/"

# The zip: its files only, without directories of the build machine, with Windows line ends
# in its texts, and the same bytes for the same files.
cp "$build/Velkorin.exe" "$build/HelpVelkorin.chm" package/Velkorin.admx "$stage/zip/"
cp package/en-US/Velkorin.adml "$stage/zip/en-US/"
sed 's/$/\r/' package/README.txt >"$stage/zip/README.txt"
cp "$stage/LICENSE.txt" "$stage/zip/"
rm -f "$dist/Velkorin-$version-portable.zip"
(cd "$stage/zip" && TZ=UTC touch -t 202601010000 Velkorin.exe HelpVelkorin.chm README.txt \
    LICENSE.txt Velkorin.admx en-US en-US/Velkorin.adml &&
    zip -q -X -9 "$dist/Velkorin-$version-portable.zip" Velkorin.exe HelpVelkorin.chm \
        README.txt LICENSE.txt Velkorin.admx en-US/Velkorin.adml)

# The template beside the installer, for administrators.
mkdir -p "$dist/PolicyDefinitions/en-US"
cp package/Velkorin.admx "$dist/PolicyDefinitions/"
cp package/en-US/Velkorin.adml "$dist/PolicyDefinitions/en-US/"

ls -l "$dist/Velkorin-$version.msi" "$dist/Velkorin-$version-portable.zip"
