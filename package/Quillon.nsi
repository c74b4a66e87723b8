; The Quillon installer. makensis -DVERSION=X.Y.Z -DSTAGE=<folder of the zip's files> -DICON=<.ico>
; -DOUTFILE=<setup.exe> [-DAMD64] Quillon.nsi
; Shipped as a 32-bit installer (it runs on every Windows Quillon runs on); -DAMD64 builds the
; same installer as a 64-bit program, which is what the package test can run under Wine here.

Unicode true
!ifndef VERSION | STAGE | OUTFILE | ICON
    !error "VERSION, STAGE, OUTFILE and ICON must be defined"
!endif
!ifdef AMD64
    Target amd64-unicode
!else
    Target x86-unicode
!endif

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "x64.nsh"

!define PRODUCT "Quillon"
!define PUBLISHER "Velmora"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillon"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define SERVICE_KEY "SYSTEM\CurrentControlSet\Services\Quillon"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
; "C:\Program Files" on either Windows, also from the 32-bit installer on 64-bit Windows.
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

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_COMPONENTSPAGE_NODESC
!insertmacro MUI_PAGE_LICENSE "${STAGE}/LICENSE.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; Service, Run key and uninstall entry live in the 64-bit registry on 64-bit Windows, where the
; service control manager and Add/Remove Programs look first.
Function .onInit
    ${If} ${RunningX64}
        SetRegView 64
    ${EndIf}
FunctionEnd

Function un.onInit
    ${If} ${RunningX64}
        SetRegView 64
    ${EndIf}
FunctionEnd

; Runs "Quillon.exe ARGUMENTS" from DIRECTORY and leaves its exit code in $0.
!macro RunQuillon DIRECTORY ARGUMENTS
    DetailPrint "Quillon.exe ${ARGUMENTS}"
    ClearErrors
    ExecWait '"${DIRECTORY}\Quillon.exe" ${ARGUMENTS}' $0
    ${If} ${Errors}
        StrCpy $0 "not started"
    ${EndIf}
!macroend

Section "Quillon" SecProgram
    SectionIn RO
    ; An installed service runs the program about to be replaced: stop it first, with the new
    ; programs from the installer's own temporary folder.
    ReadRegStr $1 HKLM "${SERVICE_KEY}" "ImagePath"
    ${If} $1 != ""
        InitPluginsDir
        SetOutPath "$PLUGINSDIR"
        File "${STAGE}/Quillon.exe" "${STAGE}/Quillon.x64.exe" "${STAGE}/Quillon.x86.exe"
        !insertmacro RunQuillon "$PLUGINSDIR" "-StopService"
    ${EndIf}

    SetOutPath "$INSTDIR"
    File "${STAGE}/Quillon.exe" "${STAGE}/Quillon.x64.exe" "${STAGE}/Quillon.x86.exe"
    File "${STAGE}/README.txt" "${STAGE}/LICENSE.txt"
    !if /FileExists "${STAGE}/MacBookPro.dat"
        File "${STAGE}/MacBookPro.dat"
    !endif
    WriteUninstaller "$INSTDIR\Uninstall.exe"

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
    !insertmacro RunQuillon "$INSTDIR" "-AddServiceIfNotAdded"
    ${If} $0 != 0
        MessageBox MB_ICONSTOP "Quillon could not add its service (exit code $0)." /SD IDOK
        SetErrorLevel 2
        Abort
    ${EndIf}
    !insertmacro RunQuillon "$INSTDIR" "-StartService"
    ${If} $0 != 0
        MessageBox MB_ICONSTOP "Quillon could not start its service (exit code $0)." /SD IDOK
        SetErrorLevel 2
        Abort
    ${EndIf}

    ; The tray icon with the settings, for every user at logon, and in the Start menu.
    WriteRegStr HKLM "${RUN_KEY}" "${PRODUCT}" '"$INSTDIR\Quillon.exe" -TrayIcon'
    SetShellVarContext all
    CreateShortCut "$SMPROGRAMS\Quillon Settings.lnk" "$INSTDIR\Quillon.exe" "-TrayIcon"
SectionEnd

; Unchecked unless the user ticks it, and so never in a silent uninstall: the configuration stays.
Section /o "un.Remove my settings (Settings.dat)" SecSettings
    Delete "$INSTDIR\Settings.dat"
    Delete "$INSTDIR\Settings.dat.new"
SectionEnd

; Asks the service to remove the drivers, through the marker files of the program folder:
; what "Quillon.exe -UninstallDrivers" does, but with a bounded wait and without its message
; boxes, which would hold up a silent uninstall (it reports a needed reboot in a box). A
; needed reboot sets the uninstaller's reboot flag.
Function un.RemoveDrivers
    !insertmacro RunQuillon "$INSTDIR" "-StopService"
    ClearErrors
    FileOpen $2 "$INSTDIR\UninstallDrivers" w
    ${IfNot} ${Errors}
        FileWriteByte $2 1
        FileClose $2
    ${EndIf}
    !insertmacro RunQuillon "$INSTDIR" "-StartService"
    ${If} $0 == 0
        StrCpy $3 0
        ${DoUntil} ${FileExists} "$INSTDIR\UninstallDriversDone"
            ; The service kept the drivers: a class filter list could not be edited.
            ${If} ${FileExists} "$INSTDIR\UninstallDriversFailed"
                MessageBox MB_ICONEXCLAMATION "Quillon could not remove its keyboard and mouse drivers; they stay installed, so that the keyboard and mouse keep working." /SD IDOK
                ${Break}
            ${EndIf}
            ${If} $3 >= 240
                DetailPrint "The service did not answer the driver removal request within 60 s."
                ${Break}
            ${EndIf}
            Sleep 250
            IntOp $3 $3 + 1
        ${Loop}
    ${EndIf}
    Delete "$INSTDIR\UninstallDriversDone"
    Delete "$INSTDIR\UninstallDriversFailed"
    Delete "$INSTDIR\UninstallDrivers"
    ${If} ${FileExists} "$INSTDIR\Rebootneeded"
        Delete "$INSTDIR\Rebootneeded"
        SetRebootFlag true
    ${EndIf}
FunctionEnd

Section "-un.Quillon"
    ; The service removes the drivers when asked, then goes.
    ReadRegStr $1 HKLM "${SERVICE_KEY}" "ImagePath"
    ${If} $1 != ""
        Call un.RemoveDrivers
        !insertmacro RunQuillon "$INSTDIR" "-RemoveService"
        ${If} $0 != 0
            MessageBox MB_ICONEXCLAMATION "Quillon could not remove its service (exit code $0)." /SD IDOK
        ${EndIf}
    ${EndIf}

    DeleteRegValue HKLM "${RUN_KEY}" "${PRODUCT}"
    SetShellVarContext all
    Delete "$SMPROGRAMS\Quillon Settings.lnk"

    ; A running tray icon holds its program: such files go at the next restart.
    Delete /REBOOTOK "$INSTDIR\Quillon.exe"
    Delete /REBOOTOK "$INSTDIR\Quillon.x64.exe"
    Delete /REBOOTOK "$INSTDIR\Quillon.x86.exe"
    Delete "$INSTDIR\MacBookPro.dat"
    Delete "$INSTDIR\README.txt"
    Delete "$INSTDIR\LICENSE.txt"
    Delete "$INSTDIR\CrashLog_*.txt"
    Delete "$INSTDIR\MiniDump_*.dmp"
    Delete "$INSTDIR\FullDump_*.dmp"
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
        MessageBox MB_YESNO|MB_ICONQUESTION "You need to reboot to finish uninstallation. Reboot now?" /SD IDNO IDNO +2
        Reboot
    ${EndIf}
SectionEnd
