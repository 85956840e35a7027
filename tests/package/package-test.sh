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
# For all users: into Program Files, and the Users group (S-1-5-32-545) may add files to the
# folder and change what is added there, while the program and its help are given back to
# SYSTEM and Administrators, read and run for Users.
row CustomAction 'AllUsersFolder\t\d+\tINSTALLDIR\t\[ProgramFiles64Folder\]Velkorin\\'
row CustomAction 'GrantUsersTheEventFiles\t\d+\tICACLS\t"\[INSTALLDIR\]\." /grant \*S-1-5-32-545:\(OI\)\(IO\)M \*S-1-5-32-545:\(WD,AD\)'
for file in Velkorin.exe HelpVelkorin.chm; do
    row CustomAction "Seal\w+\t\d+\tICACLS\t\"\[INSTALLDIR\]$file\" /inheritance:r /grant:r \*S-1-5-18:F \*S-1-5-32-544:F \*S-1-5-32-545:RX"
done
row CustomAction 'FindIcacls\t\d+\tICACLS\t\[System64Folder\]icacls.exe'
row CustomAction 'FindReg\t\d+\tREGEXE\t\[System64Folder\]reg.exe'
for action in GrantUsersTheEventFiles SealProgram SealHelp; do
    # Deferred (1024) and without impersonation (2048): run by the installer service.
    type=$(table CustomAction | awk -F'\t' -v a="$action" '$1 == a { print $2 }')
    [ $((type & 3072)) -eq 3072 ] || fail "$action is not deferred without impersonation ($type)"
    row InstallExecuteSequence "$action\tALLUSERS=1 AND NOT REMOVE\t"
done
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
sequence() { table InstallExecuteSequence | awk -F'\t' -v a="$1" '$1 == a { print $3 }'; }
# Upgrading an installation for all users from the 32-bit package: the older folder's event
# files and history move with the program, and start with Windows names the new program.
row MoveFile 'OlderEventFiles\tProgram\tInformationSW\*\t\tOLDERFOLDER\tINSTALLDIR\t1$'
row MoveFile 'OlderHistory\tProgram\tVelkorin\.log\*\t\tOLDERFOLDER\tINSTALLDIR\t1$'
row InstallExecuteSequence 'MoveFiles\t\t3800$'
row CustomAction 'MoveFromOlderFolder\t\d+\tOLDERFOLDER\t\[OLDERMACHINEFOLDER\]'
row InstallExecuteSequence 'MoveFromOlderFolder\tALLUSERS=1 AND NOT Installed AND OLDERMACHINEFOLDER AND WIX_UPGRADE_DETECTED\t'
row CustomAction 'RunTheNewProgram\t\d+\tREGEXE\tadd "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run" /v Velkorin /d "\\"\[INSTALLDIR\]Velkorin\.exe\\"" /f /reg:64\t'
for action in GrantUsersTheEventFiles SealProgram SealHelp RemoveMachineRunValue \
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

# --- The Group Policy template: well formed, every policy named in the language file, and
# each writing the settings key in both registry views, in the forms the settings store reads
# (numbers as REG_DWORD, flags as the text 1 or 0).
admx=$here/package/Velkorin.admx
adml=$here/package/en-US/Velkorin.adml
xmllint --noout "$admx" "$adml" || fail "the template is not well formed"
xpath() { xmllint --xpath "$2" "$1" 2>/dev/null; }
for id in $(xpath "$admx" '//*[local-name()="policy"]/@displayName | //*[local-name()="policy"]/@explainText | //*[local-name()="item"]/@displayName' |
    grep -o 'string\.[A-Za-z_]*' | sed 's/string\.//' | sort -u); do
    [ -n "$(xpath "$adml" "//*[local-name()='string'][@id='$id']")" ] || fail "no text for $id"
done
key='Software\MarbrookVKRN\Velkorin'
wowkey='Software\WOW6432Node\MarbrookVKRN\Velkorin'
writes() { # value name, the form: decimal or string; each view must have it
    local name=$1 form=$2 view
    for view in "$key" "$wowkey"; do
        count=$(xpath "$admx" "count(//*[@key='$view' and @valueName='$name']//*[local-name()='$form'] | //*[local-name()='policy'][@key='$view' and @valueName='$name']/*[local-name()='enabledValue']/*[local-name()='$form'] | //*[local-name()='policy'][@key='$view']//*[local-name()='enum'][@valueName='$name']//*[local-name()='value']/*[local-name()='$form'])")
        [ "${count:-0}" -gt 0 ] || fail "the template does not write $name as $form under $view"
    done
}
writes Skins decimal
writes Today decimal
writes FontColor decimal
writes Minimize string
writes Load string
[ "$(xpath "$admx" 'count(//*[local-name()="policy"])')" -eq 5 ] || fail "not five policies"
xpath "$admx" '//*[local-name()="text"][@valueName="Velkorin"]/@expandable' | grep -q true ||
    fail "the start-with-Windows path is not expandable"

# --- Under Wine, each case in a fresh prefix.
wine_case() { # name, test, locale, extra environment
    local name=$1 test=$2 locale=$3
    shift 3
    echo "package: $test"
    mkdir -p "$work/$name"
    env WINEPREFIX="$work/$name/prefix" WINE_LC_ALL="$locale" DISPLAY= \
        "$here/scripts/wine-run.sh" wineboot -i >/dev/null 2>&1
    env WINEPREFIX="$work/$name/prefix" WINE_LC_ALL="$locale" DISPLAY= \
        VELKORIN_MSI="Z:${msi//\//\\}" VELKORIN_NEXT_MSI="Z:${work//\//\\}\\next\\Velkorin-$next.msi" \
        VELKORIN_NEXT_VERSION="$next" VELKORIN_OLDER_MSI="Z:${here//\//\\}\\tests\\package\\Velkorin-1.0.msi" \
        "$@" \
        "$here/scripts/wine-run.sh" "$build/package_tests.exe" --gtest_filter="Package.$test" \
        --gtest_brief=1 || fail "$test"
    env WINEPREFIX="$work/$name/prefix" wineserver -k >/dev/null 2>&1 || true
}
wine_case user ForTheUserItInstallsStartsAndGoesLeavingTheEvents en_US.UTF-8
wine_case all-users ForAllUsersItGoesIntoProgramFiles en_US.UTF-8
wine_case upgrade AnUpgradeReplacesTheProgramAndKeepsEventsSettingsAndStartWithWindows en_US.UTF-8
wine_case from-32-bit OverThe32BitPackageForTheUserItKeepsEventsSettingsAndStartWithWindows en_US.UTF-8
wine_case from-32-bit-all-users OverThe32BitPackageForAllUsersTheEventsMoveIntoThe64BitProgramFiles \
    en_US.UTF-8
# Unpacked into a folder with a blank and accented letters (a UTF-8 host locale names it).
portable="$work/portable/Zeitplan für Käthe"
mkdir -p "$portable"
unzip -q "$zip" -d "$portable"
wine_case portable ThePortableProgramRunsFromAFolderNamedWithABlankAndAccents C.UTF-8 \
    VELKORIN_PORTABLE="Z:${portable//\//\\}"

echo "package: $failures failed"
[ "$failures" -eq 0 ]
