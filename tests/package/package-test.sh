#!/usr/bin/env bash
# The installer and the portable zip, as a user and an administrator meet them. Builds both
# with scripts/package.sh (and an installer of the next version, for the upgrade), reads the
# installer's tables with msiinfo, the zip's listing and the Group Policy template, then runs
# package_tests.exe under Wine, each case in a fresh prefix of its own. Usage: package-test.sh
# <the Windows build directory>.
set -uo pipefail
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")/../.." && pwd)
work=$build/package-runs
rm -rf "$work"
mkdir -p "$work"
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

version=$(sed -n 's/^set(VELKORIN_VERSION \([0-9.]*\) CACHE.*/\1/p' "$here/CMakeLists.txt")
IFS=. read -r major minor patch <<<"$version"
next=$major.${minor:-0}.$((${patch:-0} + 1))
bash "$here/scripts/package.sh" >"$work/package.log" 2>&1 || { cat "$work/package.log"; exit 1; }
bash "$here/scripts/package.sh" "$next" "$work/next" >>"$work/package.log" 2>&1 ||
    { cat "$work/package.log"; exit 1; }
msi=$here/dist/Velkorin-$version.msi
zip=$here/dist/Velkorin-$version-portable.zip

# --- Sizes: each under 1 MB.
for artifact in "$msi" "$zip"; do
    size=$(stat -c %s "$artifact")
    echo "$(basename "$artifact"): $size bytes"
    [ "$size" -lt 1048576 ] || fail "$(basename "$artifact") is $size bytes"
done

# --- The installer's tables (msiinfo writes the streams of a table it exports into the
# working directory: the work directory takes them).
cd "$work"
table() { msiinfo export "$msi" "$1" | tr -d '\r' | tail -n +4; }
sequence() { table InstallExecuteSequence | awk -F'\t' -v a="$1" '$1 == a { print $3 }'; }
row() { # table, the row's fields joined by tabs, as a pattern
    table "$1" | grep -qP "^$2" || fail "$1 has no row $2"
}
row Property 'ProductName\tVelkorin$'
row Property "ProductVersion\t$version(\.0)*\$"
row Property 'Manufacturer\tMarbrook$'
row Property 'ARPPRODUCTICON\tVelkorin.ico$'
row Property 'ARPHELPLINK\thttps://'
row Property 'UpgradeCode\t\{B527C515-3A78-460C-8A3A-09B794E84C94\}$'
row Icon 'Velkorin.ico\t'
row Shortcut 'VelkorinShortcut\tProgramMenuFolder\t(\w+\|)?Velkorin\t'
for file in Velkorin.exe HelpVelkorin.chm LICENSE.txt; do
    row File "$file\t\w+\t(\w+\|)?$file\t"
done
[ "$(table File | wc -l)" -eq 3 ] || fail "the installer holds other files than its three"
# A package for 64-bit Windows: its platform, and every component in the 64-bit views (256).
msiinfo suminfo "$msi" | grep -qx 'Template: x64;1033' || fail "the package is not for x64"
table Component | awk -F'\t' '!(int($4 / 256) % 2) { print "FAIL: component " $1 " is not 64-bit"; bad = 1 }
    END { exit bad }' || failures=$((failures + 1))
row Upgrade '\{B527C515-3A78-460C-8A3A-09B794E84C94\}'
# Per user by default: the summary's Word Count (msiinfo calls it Source) says no elevation is
# needed (bit 8).
words=$(msiinfo suminfo "$msi" | sed -n 's/^Source: \([0-9]*\).*/\1/p')
[ -n "$words" ] && [ $((words & 8)) -ne 0 ] || fail "the package asks for administrator rights ($words)"
# For all users: into Program Files, with the rights Windows gives it: no action grants anything
# on the program's folder or its files. The events go to the computer's event folder in
# ProgramData, whose owner and rights are set by actions that fail the installation when they
# fail (no 64, "continue on error", in their type).
row CustomAction 'AllUsersFolder\t\d+\tINSTALLDIR\t\[ProgramFiles64Folder\]Velkorin\\'
table CustomAction | grep -P '\tICACLS\t.*\[INSTALLDIR\]' && fail "an action changes the rights of the program's folder"
msiinfo tables "$msi" | grep -qx LockPermissions && fail "the package sets rights by LockPermissions"
row Directory 'EVENTFOLDER\tCommonAppDataFolder\tVelkorin$'
row Component 'EventFolder\t\{[-0-9A-F]+\}\tEVENTFOLDER\t260\tALLUSERS=1\t'
row CreateFolder 'EVENTFOLDER\tEventFolder$'
row Registry '\w+\t2\tSoftware\\MarbrookVKRN\\Velkorin\tEventFolder\t\[EVENTFOLDER\]\tEventFolder$'
row CustomAction 'OwnEventFolder\t\d+\tICACLS\t"\[EVENTFOLDER\]\." /setowner \*S-1-5-32-544\t'
row CustomAction 'ShareEventFolder\t\d+\tICACLS\t"\[EVENTFOLDER\]\." /inheritance:r /grant:r \*S-1-5-18:\(OI\)\(CI\)F \*S-1-5-32-544:\(OI\)\(CI\)F \*S-1-5-32-545:\(OI\)\(CI\)RX \*S-1-5-32-545:\(WD,AD\) \*S-1-5-32-545:\(OI\)\(IO\)M\t'
# (Type 50: the program a property names.)
for action in $(table CustomAction | awk -F'\t' '$3 == "ICACLS" && $2 % 64 == 50 { print $1 }'); do
    type=$(table CustomAction | awk -F'\t' -v a="$action" '$1 == a { print $2 }')
    # Deferred (1024) and without impersonation (2048): run by the installer service.
    [ $((type & 3072)) -eq 3072 ] || fail "$action is not deferred without impersonation ($type)"
    [ $((type & 64)) -eq 0 ] || fail "$action does not fail the installation when it fails ($type)"
    row InstallExecuteSequence "$action\tALLUSERS=1 AND NOT REMOVE\t"
    [ "$(sequence "$action")" -gt "$(sequence MoveFiles)" ] || fail "$action before the events move in"
    [ "$(sequence "$action")" -gt "$(sequence CreateFolders)" ] || fail "$action before the folder is made"
done
row CustomAction 'FindIcacls\t\d+\tICACLS\t\[System64Folder\]icacls.exe'
row CustomAction 'FindReg\t\d+\tREGEXE\t\[System64Folder\]reg.exe'
row InstallExecuteSequence 'AllUsersFolder\tALLUSERS=1 AND NOT Installed\t'
row InstallUISequence 'AllUsersFolder\tALLUSERS=1 AND NOT Installed\t'
# Removing or upgrading, the folder is read back: from the computer's key for all users.
# The type's 16 is the 64-bit view, where this package writes; the 32-bit 1.0 package wrote
# into the 32-bit view.
row RegLocator 'MachineFolder\t2\tSoftware\\Marbrook\\Velkorin Installer\tInstallDir\t18$'
row RegLocator 'OlderMachineFolder\t2\tSoftware\\Marbrook\\Velkorin Installer\tInstallDir\t2$'
row RegLocator 'OlderRunValue\t2\tSoftware\\Microsoft\\Windows\\CurrentVersion\\Run\tVelkorin\t2$'
row Registry '\w+\t-1\tSoftware\\Marbrook\\Velkorin Installer\tInstallDir\t\[INSTALLDIR\]\tProgram'
row InstallExecuteSequence 'InstalledForAllUsers\tInstalled AND MACHINEFOLDER AND ALLUSERS=1\t'
run_key='\\Software\\Microsoft\\Windows\\CurrentVersion\\Run" /v Velkorin /f'
row CustomAction "RemoveMachineRunValue\t\d+\tREGEXE\tdelete \"HKLM$run_key /reg:64\t"
row CustomAction "RemoveOlderMachineRunValue\t\d+\tREGEXE\tdelete \"HKLM$run_key /reg:32\t"
row CustomAction "RemoveUserRunValue\t\d+\tREGEXE\tdelete \"HKCU$run_key\t"
row InstallExecuteSequence 'RemoveMachineRunValue\tREMOVE="ALL" AND NOT UPGRADINGPRODUCTCODE AND NOT UPGRADING\t'
row InstallExecuteSequence 'RemoveUserRunValue\tREMOVE="ALL" AND NOT UPGRADINGPRODUCTCODE AND NOT UPGRADING\t'
# Every deferred action lies inside the script: after InstallInitialize, before InstallFinalize.
# Upgrading an installation for all users, what Velkorin wrote beside the older program moves
# into the computer's event folder: from Program Files, and from the 32-bit package's folder.
row MoveFile 'EventFilesBesideProgram\tEventFolder\tInformationSW\*\t\tINSTALLDIR\tEVENTFOLDER\t1$'
row MoveFile 'HistoryBesideProgram\tEventFolder\tVelkorin\.log\*\t\tINSTALLDIR\tEVENTFOLDER\t1$'
row MoveFile 'OlderEventFiles\tEventFolder\tInformationSW\*\t\tOLDERFOLDER\tEVENTFOLDER\t1$'
row MoveFile 'OlderHistory\tEventFolder\tVelkorin\.log\*\t\tOLDERFOLDER\tEVENTFOLDER\t1$'
row InstallExecuteSequence 'MoveFiles\t\t3800$'
row CustomAction 'MoveFromOlderFolder\t\d+\tOLDERFOLDER\t\[OLDERMACHINEFOLDER\]'
row InstallExecuteSequence 'MoveFromOlderFolder\tALLUSERS=1 AND NOT Installed AND OLDERMACHINEFOLDER AND WIX_UPGRADE_DETECTED\t'
row CustomAction 'RunTheNewProgram\t\d+\tREGEXE\tadd "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run" /v Velkorin /d "\\"\[INSTALLDIR\]Velkorin\.exe\\"" /f /reg:64\t'
for action in OwnEventFolder ShareEventFolder RemoveMachineRunValue \
    RemoveOlderMachineRunValue RemoveUserRunValue RunTheNewProgram ForgetTheOlderRunValue; do
    at=$(sequence "$action")
    [ "$at" -gt "$(sequence InstallInitialize)" ] && [ "$at" -lt "$(sequence InstallFinalize)" ] ||
        fail "$action runs outside the installation script ($at)"
done
[ "$(sequence AllUsersFolder)" -lt "$(sequence CostFinalize)" ] || fail "AllUsersFolder after costing"
[ "$(sequence FindIcacls)" -lt "$(sequence InstallInitialize)" ] || fail "FindIcacls too late"

# --- The zip: exactly its files.
listing=$(unzip -Z1 "$zip" | sort | tr '\n' ' ')
expected="HelpVelkorin.chm LICENSE.txt README.txt Velkorin.admx Velkorin.exe en-US/Velkorin.adml "
[ "$listing" = "$expected" ] || fail "the zip holds: $listing"
for file in Velkorin.exe HelpVelkorin.chm; do
    cmp -s <(unzip -p "$zip" "$file") "$build/$file" || fail "the zip's $file is not the build's"
done
unzip -p "$zip" LICENSE.txt | grep -q 'Copyright (c) 2026 Marbrook' || fail "no MIT licence of Marbrook"

# --- The program: it runs as whoever starts it, without virtualisation (asInvoker), imports
# only Windows' own libraries, and restricts the libraries loaded later to the system folder.
exe=$build/Velkorin.exe
grep -aq 'requestedExecutionLevel level="asInvoker"' "$exe" || fail "the manifest does not say asInvoker"
imports=$(x86_64-w64-mingw32-objdump -p "$exe")
for dll in $(sed -n 's/^\s*DLL Name: //p' <<<"$imports"); do
    case ${dll,,} in
    advapi32.dll | comctl32.dll | comdlg32.dll | gdi32.dll | kernel32.dll | msvcrt.dll | ole32.dll | \
        oleaut32.dll | shell32.dll | user32.dll) ;;
    *) fail "the program imports $dll" ;;
    esac
done
grep -q SetDefaultDllDirectories <<<"$imports" ||
    fail "the program does not restrict where libraries load from"

# --- The Group Policy template: well formed, every policy named in the language file, and
# each a policy: it writes the policies key only, in one view, under the setting's own value
# name as a REG_DWORD, for the computer and for the user.
admx=$here/package/Velkorin.admx
adml=$here/package/en-US/Velkorin.adml
xmllint --noout "$admx" "$adml" || fail "the template is not well formed"
xpath() { xmllint --xpath "$2" "$1" 2>/dev/null; }
for id in $(xpath "$admx" '//*[local-name()="policy"]/@displayName | //*[local-name()="policy"]/@explainText | //*[local-name()="item"]/@displayName' |
    grep -o 'string\.[A-Za-z_]*' | sed 's/string\.//' | sort -u); do
    [ -n "$(xpath "$adml" "//*[local-name()='string'][@id='$id']")" ] || fail "no text for $id"
done
policies='Software\Policies\MarbrookVKRN\Velkorin'
[ "$(xpath "$admx" 'count(//*[local-name()="policy"])')" -eq 5 ] || fail "not five policies"
[ "$(xpath "$admx" "count(//*[@key and @key!='$policies'])")" -eq 0 ] ||
    fail "the template writes outside $policies"
[ "$(xpath "$admx" "count(//*[local-name()='policy'][@class!='Both'])")" -eq 0 ] ||
    fail "a policy is not for both the computer and the user"
[ "$(xpath "$admx" 'count(//*[local-name()="string"] | //*[local-name()="text"] | //*[local-name()="delete"])')" -eq 0 ] ||
    fail "the template writes something else than numbers"
writes() { # value name: some policy writes it as a number
    count=$(xpath "$admx" "count(//*[local-name()='policy'][@valueName='$1']/*[local-name()='enabledValue']/*[local-name()='decimal'] | //*[local-name()='enum'][@valueName='$1']//*[local-name()='decimal'])")
    [ "${count:-0}" -gt 0 ] || fail "the template does not write $1 as a number"
}
for name in Skins Today FontColor Minimize; do writes "$name"; done
[ "$(xpath "$admx" "count(//*[local-name()='decimal'][@valueName='LaterMinutes'][@minValue='0'])")" -eq 1 ] ||
    fail "the template does not limit Later in minutes from 0"

# --- Under Wine, each case in a fresh prefix.
fresh_prefix() { # name, locale
    mkdir -p "$work/$1"
    env WINEPREFIX="$work/$1/prefix" WINE_LC_ALL="$2" DISPLAY= \
        "$here/scripts/wine-run.sh" wineboot -i >/dev/null 2>&1
}
run_case() { # name, test, locale, extra environment
    local name=$1 test=$2 locale=$3
    shift 3
    echo "package: $test"
    env WINEPREFIX="$work/$name/prefix" WINE_LC_ALL="$locale" DISPLAY= \
        VELKORIN_MSI="Z:${msi//\//\\}" VELKORIN_NEXT_MSI="Z:${work//\//\\}\\next\\Velkorin-$next.msi" \
        VELKORIN_NEXT_VERSION="$next" VELKORIN_OLDER_MSI="Z:${here//\//\\}\\tests\\package\\Velkorin-1.0.msi" \
        "$@" \
        "$here/scripts/wine-run.sh" "$build/package_tests.exe" --gtest_filter="Package.$test" \
        --gtest_brief=1 || fail "$test"
    env WINEPREFIX="$work/$name/prefix" wineserver -k >/dev/null 2>&1 || true
}
wine_case() { # name, test, locale, extra environment
    fresh_prefix "$1" "$3"
    run_case "$@"
}
wine_case user ForTheUserItInstallsStartsAndGoesLeavingTheEvents en_US.UTF-8
wine_case all-users ForAllUsersItGoesIntoProgramFiles en_US.UTF-8
run_case all-users ForAllUsersAnotherCopyKeepsItsEventsBesideItself en_US.UTF-8
wine_case upgrade AnUpgradeReplacesTheProgramAndKeepsEventsSettingsAndStartWithWindows en_US.UTF-8
wine_case from-32-bit OverThe32BitPackageForTheUserItKeepsEventsSettingsAndStartWithWindows en_US.UTF-8
wine_case from-32-bit-all-users OverThe32BitPackageForAllUsersTheEventsMoveIntoProgramData \
    en_US.UTF-8
wine_case from-beside-program ForAllUsersAnUpgradeMovesTheEventsFromBesideTheProgramIntoProgramData \
    en_US.UTF-8
# An icacls that fails, preferred to Wine's own (which succeeds at anything).
fresh_prefix failing-icacls en_US.UTF-8
cp "$build/failing_tool.exe" "$work/failing-icacls/prefix/drive_c/windows/system32/icacls.exe"
run_case failing-icacls ForAllUsersAFailingSafetyActionFailsTheInstallation en_US.UTF-8 \
    WINEDLLOVERRIDES="mscoree,mshtml=;icacls.exe=n"
# Unpacked into a folder with a blank and accented letters (a UTF-8 host locale names it).
portable="$work/portable/Zeitplan für Käthe"
mkdir -p "$portable"
unzip -q "$zip" -d "$portable"
wine_case portable ThePortableProgramRunsFromAFolderNamedWithABlankAndAccents C.UTF-8 \
    VELKORIN_PORTABLE="Z:${portable//\//\\}"

echo "package: $failures failed"
[ "$failures" -eq 0 ]
