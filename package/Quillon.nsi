; The Quillon installer. makensis -DVERSION=X.Y.Z -DSTAGE=<folder of the zip's files> -DICON=<.ico>
; -DOUTFILE=<setup.exe> [-DAMD64] Quillon.nsi
; Shipped as a 32-bit installer (it runs on every Windows Quillon runs on); -DAMD64 builds the
; same installer as a 64-bit program, which is what the package test can run under Wine here.
;
; Unattended use: /S installs or uninstalls silently; /D=<folder> (last) chooses the folder of a
; first install (an upgrade defaults to the installed one); /StartTray also starts the tray icon
; after a silent install. Every step goes to the log, %TEMP%\Quillon-setup.log (the
; uninstaller's: %TEMP%\Quillon-uninstall.log), and the exit code tells how it ended: 0 done;
; 3010 done, a reboot finishes it; else the failed command's own exit code (the table in the
; README; 1460 when it did not end in time, 2 when it could not be started).

Unicode true
!ifndef VERSION | STAGE | OUTFILE | ICON
    !error "VERSION, STAGE, OUTFILE and ICON must be defined"
!endif
!ifdef AMD64
    Target amd64-unicode
    !define STARTUPINFO_SIZE 104
!else
    Target x86-unicode
    !define STARTUPINFO_SIZE 68
!endif

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "x64.nsh"

!define PRODUCT "Quillon"
!define PUBLISHER "Velmora"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillon"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define SERVICE_KEY "SYSTEM\CurrentControlSet\Services\Quillon"
; The current user's tray holds this name in the session (a probe only: nothing is trusted on it).
!define TRAY_MUTEX "Local\QuillonTrayIconStartup"
!define SETTINGS_SHORTCUT "Quillon Settings.lnk"
; Bounds of the commands the installer runs, in milliseconds. A stop waits for the service's
; own bounded stop (60 s) and its process; the others are quick.
!define STOP_BOUND 150000
!define START_BOUND 130000
!define COMMAND_BOUND 60000
!define EXIT_INSTANCES_BOUND 30000
; Exit codes of the installer besides the commands' own (Windows' error numbers).
!define EXIT_NOT_STARTED 2
!define EXIT_TIMEOUT 1460
!define EXIT_REBOOT 3010

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
; "C:\Program Files" on either Windows, also from the 32-bit installer on 64-bit Windows. An
; installed copy's folder replaces it (.onInit), so that an upgrade keeps the service's folder.
InstallDir "$PROGRAMFILES64\${PRODUCT}"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
ShowInstDetails show
ShowUninstDetails show
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (c) Quillon developers"

; The program the installer runs for the one-shot commands: the build for this Windows, not
; the launcher, so that a command that outlives its bound is the process that gets ended.
Var Program
Var LogFile
; Whether the current user's tray ran before the upgrade asked it to exit.
Var TrayWasRunning
; Whether a program file waits for the reboot to be replaced.
Var ProgramsDeferred
; The options of the tray the installer has the desktop shell start.
Var TrayOptions

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Open Quillon Settings"
!define MUI_FINISHPAGE_RUN_FUNCTION OpenSettings
!insertmacro MUI_PAGE_LICENSE "${STAGE}/LICENSE.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; Writes a line to the details and to the log file.
!macro Log TEXT
    Push "${TEXT}"
    !ifdef __UNINSTALL__
        Call un.Log
    !else
        Call Log
    !endif
!macroend

; Runs "<DIRECTORY>\<program> -Quiet ARGUMENTS", waits at most BOUND ms (then ends it) and
; leaves its exit code in $0: a number, "timeout" or "not started".
!macro RunQuillon DIRECTORY ARGUMENTS BOUND
    StrCpy $R9 '"${DIRECTORY}\$Program" -Quiet ${ARGUMENTS}'
    StrCpy $R8 ${BOUND}
    !insertmacro Log "Running $R9"
    !ifdef __UNINSTALL__
        Call un.RunBounded
    !else
        Call RunBounded
    !endif
    !insertmacro Log "  ended: $0"
!macroend

; The installer's exit code for a command's result in $0, into $1.
!macro ExitCodeOf
    ${If} $0 == "timeout"
        StrCpy $1 ${EXIT_TIMEOUT}
    ${ElseIf} $0 == "not started"
        StrCpy $1 ${EXIT_NOT_STARTED}
    ${Else}
        StrCpy $1 $0
    ${EndIf}
!macroend

; Logs the reason, tells it (not under /S), sets the exit code from $0 and ends the install.
!macro Fail REASON
    !insertmacro Log "${REASON}"
    !insertmacro ExitCodeOf
    MessageBox MB_ICONSTOP "${REASON}$\r$\nThe log is $LogFile." /SD IDOK
    SetErrorLevel $1
    Abort "${REASON}"
!macroend

!macro DefineFunctions UN
    Function ${UN}Log
        Exch $R0
        Push $R1
        DetailPrint $R0
        ClearErrors
        FileOpen $R1 $LogFile a
        ${IfNot} ${Errors}
            FileSeek $R1 0 END
            FileWrite $R1 "$R0$\r$\n"
            FileClose $R1
        ${EndIf}
        Pop $R1
        Pop $R0
    FunctionEnd

    ; ExecWait has no bound: CreateProcess, a bounded wait, TerminateProcess as the last
    ; resort. $R9 the command line, $R8 the bound; the result in $0.
    Function ${UN}RunBounded
        System::Alloc ${STARTUPINFO_SIZE}
        Pop $R1
        System::Call "*$R1(i ${STARTUPINFO_SIZE})"
        System::Alloc 32
        Pop $R2
        System::Call "kernel32::CreateProcessW(p 0, w R9, p 0, p 0, i 0, i 0, p 0, p 0, p R1, p R2) i .R3"
        ${If} $R3 == 0
            StrCpy $0 "not started"
        ${Else}
            System::Call "*$R2(p .R4, p .R5)"
            System::Call "kernel32::WaitForSingleObject(p R4, i R8) i .R6"
            ${If} $R6 == 0
                System::Call "kernel32::GetExitCodeProcess(p R4, *i .R7)"
                StrCpy $0 $R7
            ${Else}
                System::Call "kernel32::TerminateProcess(p R4, i ${EXIT_TIMEOUT})"
                System::Call "kernel32::WaitForSingleObject(p R4, i 5000)"
                StrCpy $0 "timeout"
            ${EndIf}
            System::Call "kernel32::CloseHandle(p R4)"
            System::Call "kernel32::CloseHandle(p R5)"
        ${EndIf}
        System::Free $R1
        System::Free $R2
    FunctionEnd

    ; Service, Run key and uninstall entry live in the 64-bit registry on 64-bit Windows,
    ; where the service control manager and Add/Remove Programs look first.
    Function ${UN}Prepare
        ${If} ${RunningX64}
            SetRegView 64
            StrCpy $Program "Quillon.x64.exe"
        ${Else}
            StrCpy $Program "Quillon.x86.exe"
        ${EndIf}
    FunctionEnd
!macroend
!insertmacro DefineFunctions ""
!insertmacro DefineFunctions "un."

Function .onInit
    Call Prepare
    StrCpy $LogFile "$TEMP\Quillon-setup.log"
    Delete $LogFile
    ; An upgrade goes into the installed folder, where the service and its settings are,
    ; unless /D named another.
    ${If} $INSTDIR == "$PROGRAMFILES64\${PRODUCT}"
        ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
        ${If} $0 != ""
            StrCpy $INSTDIR $0
        ${EndIf}
    ${EndIf}
FunctionEnd

Function un.onInit
    Call un.Prepare
    StrCpy $LogFile "$TEMP\Quillon-uninstall.log"
    Delete $LogFile
FunctionEnd

; The installer runs elevated, but the tray belongs to the user of the desktop, unelevated (with
; an administrator's credentials on a standard user's desktop, that user is someone else): the
; program asks the desktop shell to start it ("-StartAsDesktopUser"). Without a desktop shell
; (session 0, nobody signed in) nothing starts and the log says so; the Run key starts it at the
; next logon. $TrayOptions: the options.
Function StartAsDesktopUser
    !insertmacro RunQuillon "$INSTDIR" "-StartAsDesktopUser $TrayOptions" ${COMMAND_BOUND}
    ${If} $0 != 0
        !insertmacro Log "The desktop shell did not start Quillon.exe $TrayOptions (exit code $0): the tray icon starts at the next logon."
    ${EndIf}
FunctionEnd

; The finish page's choice.
Function OpenSettings
    StrCpy $TrayOptions "-Settings"
    Call StartAsDesktopUser
FunctionEnd

; One program file: replaced now, or, when a running process still holds it, renamed out of
; the way (Windows lets a running program's file be renamed; the old file goes at the next
; reboot) and replaced now all the same; when even that fails, replaced at the next reboot,
; which the user is told.
!macro ReplaceProgram NAME
    StrCpy $R7 0
    ${If} ${FileExists} "$INSTDIR\${NAME}"
        ClearErrors
        Delete "$INSTDIR\${NAME}"
        ${If} ${Errors}
            Delete "$INSTDIR\${NAME}.old"
            ClearErrors
            Rename "$INSTDIR\${NAME}" "$INSTDIR\${NAME}.old"
            ${If} ${Errors}
                StrCpy $R7 1
            ${Else}
                !insertmacro Log "${NAME} is in use: renamed to ${NAME}.old, which goes at the next reboot."
                ; MOVEFILE_DELAY_UNTIL_REBOOT: a leftover needs no reboot of its own.
                System::Call "kernel32::MoveFileExW(w '$INSTDIR\${NAME}.old', p 0, i 4)"
            ${EndIf}
        ${EndIf}
    ${EndIf}
    ${If} $R7 == 0
        File "${STAGE}/${NAME}"
    ${Else}
        !insertmacro Log "${NAME} is in use: it is replaced at the next reboot."
        StrCpy $ProgramsDeferred 1
        File "/oname=$INSTDIR\${NAME}.new" "${STAGE}/${NAME}"
        Rename /REBOOTOK "$INSTDIR\${NAME}.new" "$INSTDIR\${NAME}"
    ${EndIf}
!macroend

Section "Quillon" SecProgram
    SectionIn RO
    !insertmacro Log "Quillon ${VERSION} setup into $INSTDIR"
    InitPluginsDir
    SetOutPath "$PLUGINSDIR"
    File "${STAGE}/Quillon.x64.exe" "${STAGE}/Quillon.x86.exe"

    ; An installed service runs the program about to be replaced: stop it first, with the new
    ; program from the installer's own temporary folder (an older one may not know -Quiet).
    ReadRegStr $2 HKLM "${SERVICE_KEY}" "ImagePath"
    ${If} $2 != ""
        !insertmacro RunQuillon "$PLUGINSDIR" "-StopService" ${STOP_BOUND}
        ${If} $0 != 0
            !insertmacro Log "The service did not stop (exit code $0): its programs may be replaced only at the next reboot."
        ${EndIf}
    ${EndIf}

    ; Every tray icon, session agent and background engine of the folder, in every session,
    ; is asked to exit; the current user's tray starts again at the end.
    StrCpy $TrayWasRunning 0
    StrCpy $ProgramsDeferred 0
    ${If} ${FileExists} "$INSTDIR\*.exe"
        System::Call "kernel32::OpenMutexW(i 0x00100000, i 0, w '${TRAY_MUTEX}') p .R0"
        ${If} $R0 != 0
            System::Call "kernel32::CloseHandle(p R0)"
            StrCpy $TrayWasRunning 1
        ${EndIf}
        !insertmacro RunQuillon "$PLUGINSDIR" "-ExitInstances $INSTDIR" ${EXIT_INSTANCES_BOUND}
        ${If} $0 != 0
            !insertmacro Log "Not every running Quillon exited (exit code $0)."
        ${EndIf}
    ${EndIf}

    SetOutPath "$INSTDIR"
    !insertmacro ReplaceProgram "Quillon.exe"
    !insertmacro ReplaceProgram "Quillon.x64.exe"
    !insertmacro ReplaceProgram "Quillon.x86.exe"
    File "${STAGE}/README.txt" "${STAGE}/LICENSE.txt"
    !if /FileExists "${STAGE}/MacBookPro.dat"
        File "${STAGE}/MacBookPro.dat"
    !endif
    WriteUninstaller "$INSTDIR\Uninstall.exe"
    ; Settings.dat stays: it seeds each user's own settings at their first start.
    ; Older versions wrote crash files and markers beside the programs; they now live in
    ; protected folders of their own. Crash files hold key records: they go.
    Delete "$INSTDIR\CrashLog_*.txt"
    Delete "$INSTDIR\MiniDump_*.dmp"
    Delete "$INSTDIR\FullDump_*.dmp"
    Delete "$INSTDIR\UninstallDrivers"
    Delete "$INSTDIR\UninstallDriversDone"
    Delete "$INSTDIR\UninstallDriversFailed"
    ${If} ${FileExists} "$INSTDIR\Rebootneeded"
        !insertmacro Log "An earlier driver change waits for a reboot."
        Delete "$INSTDIR\Rebootneeded"
        SetRebootFlag true
    ${EndIf}

    ; The LocalSystem service runs these programs: nobody but administrators may change them.
    ; A program still waiting for the reboot cannot do it; that install is not finished.
    !insertmacro RunQuillon "$INSTDIR" "-ProtectProgramFolder" ${COMMAND_BOUND}
    ${If} $0 != 0
        !insertmacro Fail "Quillon could not protect its program folder $INSTDIR against changes by other users (exit code $0). Choose a folder on a local NTFS drive, such as the one under Program Files; if a program file waits for the reboot, reboot and run the setup again."
    ${EndIf}

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Quillon.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1

    ; The service, added (or its program path mended) and started by the program itself.
    !insertmacro RunQuillon "$INSTDIR" "-AddServiceIfNotAdded" ${COMMAND_BOUND}
    ${If} $0 != 0
        !insertmacro Fail "Quillon could not add its service (exit code $0)."
    ${EndIf}
    !insertmacro RunQuillon "$INSTDIR" "-StartService" ${START_BOUND}
    ${If} $0 != 0
        !insertmacro Fail "Quillon could not start its service (exit code $0)."
    ${EndIf}

    ; The tray icon for every user at logon; the Start menu opens the settings.
    WriteRegStr HKLM "${RUN_KEY}" "${PRODUCT}" '"$INSTDIR\Quillon.exe" -TrayIcon'
    SetShellVarContext all
    CreateShortCut "$SMPROGRAMS\${SETTINGS_SHORTCUT}" "$INSTDIR\Quillon.exe" "-Settings"

    ${GetParameters} $2
    ClearErrors
    ${GetOptions} $2 "/StartTray" $3
    ${If} $TrayWasRunning == 1
    ${OrIfNot} ${Errors}
        StrCpy $TrayOptions "-TrayIcon"
        Call StartAsDesktopUser
    ${EndIf}

    ${If} $ProgramsDeferred == 1
        !insertmacro Log "A program file is replaced at the next reboot."
        MessageBox MB_ICONINFORMATION "A Quillon program file was in use and is replaced when Windows restarts. Restart Windows to finish the installation." /SD IDOK
    ${EndIf}
    ${If} ${RebootFlag}
        !insertmacro Log "A reboot finishes the installation."
        SetErrorLevel ${EXIT_REBOOT}
    ${EndIf}
    !insertmacro Log "Installed."
SectionEnd

; Unchecked unless the user ticks it, and so never in a silent uninstall: the configuration stays.
Section /o "un.Remove my settings (Settings.dat)" SecSettings
    SetShellVarContext current
    Delete "$APPDATA\${PRODUCT}\Settings.dat"
    Delete "$APPDATA\${PRODUCT}\Settings.dat.new"
    RMDir "$APPDATA\${PRODUCT}"
    Delete "$INSTDIR\Settings.dat"
    Delete "$INSTDIR\Settings.dat.new"
SectionEnd

; Asks the service to remove the drivers through the marker files of its state folder,
; %ProgramData%\Quillon (only administrators and the service can write there; the service made
; it at its first start, so an absent folder means it never ran and installed nothing). A
; needed reboot sets the uninstaller's reboot flag.
Function un.RemoveDrivers
    SetShellVarContext all
    StrCpy $4 "$APPDATA\${PRODUCT}"
    !insertmacro RunQuillon "$INSTDIR" "-StopService" ${STOP_BOUND}
    ${IfNot} ${FileExists} "$4\*.*"
        !insertmacro Log "No service state folder $4: the service never installed its drivers."
        Return
    ${EndIf}
    ClearErrors
    FileOpen $2 "$4\UninstallDrivers" w
    ${IfNot} ${Errors}
        FileWriteByte $2 1
        FileClose $2
    ${EndIf}
    !insertmacro RunQuillon "$INSTDIR" "-StartService" ${START_BOUND}
    ${If} $0 == 0
        StrCpy $3 0
        ${DoUntil} ${FileExists} "$4\UninstallDriversDone"
            ; The service kept the drivers: a class filter list could not be edited.
            ${If} ${FileExists} "$4\UninstallDriversFailed"
                !insertmacro Log "The service kept the drivers: a device class's filter list could not be edited."
                MessageBox MB_ICONEXCLAMATION "Quillon could not remove its keyboard and mouse drivers; they stay installed, so that the keyboard and mouse keep working." /SD IDOK
                ${Break}
            ${EndIf}
            ${If} $3 >= 240
                !insertmacro Log "The service did not answer the driver removal request within 60 s."
                ${Break}
            ${EndIf}
            Sleep 250
            IntOp $3 $3 + 1
        ${Loop}
    ${EndIf}
    Delete "$4\UninstallDriversDone"
    Delete "$4\UninstallDriversFailed"
    Delete "$4\UninstallDrivers"
FunctionEnd

Section "-un.Quillon"
    !insertmacro Log "Quillon ${VERSION} uninstall from $INSTDIR"
    ; The service removes the drivers when asked, then goes.
    ReadRegStr $1 HKLM "${SERVICE_KEY}" "ImagePath"
    ${If} $1 != ""
        Call un.RemoveDrivers
        !insertmacro RunQuillon "$INSTDIR" "-RemoveService" ${STOP_BOUND}
        ${If} $0 != 0
            !insertmacro Log "Quillon could not remove its service (exit code $0)."
            MessageBox MB_ICONEXCLAMATION "Quillon could not remove its service (exit code $0). The log is $LogFile." /SD IDOK
            !insertmacro ExitCodeOf
            SetErrorLevel $1
        ${EndIf}
    ${EndIf}
    ; Trays and agents of every session let go of the programs.
    !insertmacro RunQuillon "$INSTDIR" "-ExitInstances" ${EXIT_INSTANCES_BOUND}

    DeleteRegValue HKLM "${RUN_KEY}" "${PRODUCT}"
    SetShellVarContext all
    Delete "$SMPROGRAMS\${SETTINGS_SHORTCUT}"
    ; The service's state: markers and its crash files (they hold key records).
    ${If} ${FileExists} "$APPDATA\${PRODUCT}\Rebootneeded"
        SetRebootFlag true
    ${EndIf}
    Delete "$APPDATA\${PRODUCT}\Rebootneeded"
    Delete "$APPDATA\${PRODUCT}\CrashLog_*.txt"
    Delete "$APPDATA\${PRODUCT}\MiniDump_*.dmp"
    Delete "$APPDATA\${PRODUCT}\FullDump_*.dmp"
    RMDir "$APPDATA\${PRODUCT}"

    ; A program still held goes at the next restart.
    Delete /REBOOTOK "$INSTDIR\Quillon.exe"
    Delete /REBOOTOK "$INSTDIR\Quillon.x64.exe"
    Delete /REBOOTOK "$INSTDIR\Quillon.x86.exe"
    Delete /REBOOTOK "$INSTDIR\Quillon.exe.old"
    Delete /REBOOTOK "$INSTDIR\Quillon.x64.exe.old"
    Delete /REBOOTOK "$INSTDIR\Quillon.x86.exe.old"
    Delete /REBOOTOK "$INSTDIR\Quillon.exe.new"
    Delete /REBOOTOK "$INSTDIR\Quillon.x64.exe.new"
    Delete /REBOOTOK "$INSTDIR\Quillon.x86.exe.new"
    Delete "$INSTDIR\MacBookPro.dat"
    Delete "$INSTDIR\README.txt"
    Delete "$INSTDIR\LICENSE.txt"
    Delete "$INSTDIR\CrashLog_*.txt"
    Delete "$INSTDIR\MiniDump_*.dmp"
    Delete "$INSTDIR\FullDump_*.dmp"
    Delete "$INSTDIR\Rebootneeded"
    Delete "$INSTDIR\Uninstall.exe"
    ; Only when empty: a kept Settings.dat keeps its folder (and nothing waits for a restart to
    ; remove it); else at the restart when a program file waits for it too.
    ${If} ${RebootFlag}
    ${AndIfNot} ${FileExists} "$INSTDIR\Settings.dat"
        RMDir /REBOOTOK "$INSTDIR"
    ${Else}
        RMDir "$INSTDIR"
    ${EndIf}
    DeleteRegKey HKLM "${UNINSTALL_KEY}"

    ${If} ${RebootFlag}
        !insertmacro Log "A reboot finishes the uninstall."
        SetErrorLevel ${EXIT_REBOOT}
        MessageBox MB_YESNO|MB_ICONQUESTION "You need to reboot to finish uninstallation. Reboot now?" /SD IDNO IDNO +2
        Reboot
    ${EndIf}
    !insertmacro Log "Uninstalled."
SectionEnd
