; The Windows installer: Calibrix, the kestrava tool, the help and the
; recorded-take driver into the product folder, the Sonalve plug-in into the
; VST2 folder the player picks, the installation entry Help reads, an
; uninstall entry and Start-menu shortcuts.
;
; makensis -DVERSION=1.2.3 -DPAYLOAD=<cmake --install prefix> -DLICENSE_FILE=<LICENSE> -DOUTFILE=<Setup.exe> Installer.nsi
;
; Silent use: Setup.exe /S [/VSTDIR=folder] [/D=folder]  (/D last, unquoted)

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh
!include Sections.nsh
!include x64.nsh

!define PRODUCT "Kestrava Sonalve"
!define PUBLISHER "Kestrava Sonalve"
!define INSTALL_KEY "SOFTWARE\${PRODUCT}"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
; An upgrade goes where the last install went.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileDescription" "${PRODUCT} installer"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "Copyright (c) 2026 ${PUBLISHER}"

Var VstDir

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${LICENSE_FILE}"
!insertmacro MUI_PAGE_COMPONENTS
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE ProductFolderLeave
!insertmacro MUI_PAGE_DIRECTORY
; The second folder page chooses where hosts find the plug-in.
!define MUI_PAGE_CUSTOMFUNCTION_PRE VstFolderPre
!define MUI_PAGE_HEADER_TEXT "Choose the Plug-in Folder"
!define MUI_PAGE_HEADER_SUBTEXT "Choose the folder your host scans for VST 2.4 plug-ins."
!define MUI_DIRECTORYPAGE_VARIABLE $VstDir
!define MUI_DIRECTORYPAGE_TEXT_TOP "Setup will install the Sonalve plug-in (VST 2.4) in the following folder, where your host looks for plug-ins. To install it in a different folder, click Browse and select another folder."
!define MUI_DIRECTORYPAGE_TEXT_DESTINATION "VST2 plug-in folder"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\Calibrix.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start Calibrix"
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; Help finds Help.chm as Install_Dir + "\Kestrava Sonalve\Help.chm", so the
; product folder always carries the product's name.
!macro ProductFolder
    ${GetFileName} "$INSTDIR" $0
    ${If} $0 != "${PRODUCT}"
        StrCpy $INSTDIR "$INSTDIR\${PRODUCT}"
    ${EndIf}
!macroend

Section "Calibrix and help" SecProgram
    SectionIn RO
    !insertmacro ProductFolder
    SetOutPath "$INSTDIR"
    File "${PAYLOAD}\Calibrix.exe"
    File "${PAYLOAD}\kestrava.exe"
    File "${PAYLOAD}\Help.chm"
    File "${PAYLOAD}\KestravaFileAsio.dll"
    WriteUninstaller "$INSTDIR\Uninstall.exe"

    SetRegView 64
    ${GetParent} "$INSTDIR" $0
    WriteRegStr HKLM "${INSTALL_KEY}" "Install_Dir" "$0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Calibrix.exe"
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1

    SetShellVarContext all
    CreateDirectory "$SMPROGRAMS\${PRODUCT}"
    CreateShortcut "$SMPROGRAMS\${PRODUCT}\Calibrix.lnk" "$INSTDIR\Calibrix.exe"
    CreateShortcut "$SMPROGRAMS\${PRODUCT}\Help.lnk" "$INSTDIR\Help.chm"
SectionEnd

Section "Sonalve (VST2)" SecPlugin
    SetOutPath "$VstDir"
    File "${PAYLOAD}\VST2\Sonalve.dll"
    SetRegView 64
    WriteRegStr HKLM "${UNINSTALL_KEY}" "VstDir" "$VstDir"
SectionEnd

Section /o "Take driver (ASIO)" SecTakeDriver
    ExecWait '"$SYSDIR\regsvr32.exe" /s "$INSTDIR\KestravaFileAsio.dll"' $0
    ${If} $0 != 0
        DetailPrint "regsvr32 could not register the recorded-take driver (exit $0)"
    ${EndIf}
    SetRegView 64
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "TakeDriverRegistered" 1
SectionEnd

Section "-Size"
    SetRegView 64
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    IntFmt $0 "0x%08X" $0
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

LangString DESC_Program ${LANG_ENGLISH} "Calibrix, the measurement program; the kestrava command-line tool; the help."
LangString DESC_Plugin ${LANG_ENGLISH} "Sonalve, the plug-in that runs a correction inside your host."
LangString DESC_TakeDriver ${LANG_ENGLISH} "An ASIO driver that plays a recorded take, for measuring without an audio interface."
!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
    !insertmacro MUI_DESCRIPTION_TEXT ${SecProgram} $(DESC_Program)
    !insertmacro MUI_DESCRIPTION_TEXT ${SecPlugin} $(DESC_Plugin)
    !insertmacro MUI_DESCRIPTION_TEXT ${SecTakeDriver} $(DESC_TakeDriver)
!insertmacro MUI_FUNCTION_DESCRIPTION_END

Function .onInit
    SetRegView 64
    ; The plug-in folder: /VSTDIR= on the command line, else the last
    ; install's, else the common one.
    ReadRegStr $VstDir HKLM "${UNINSTALL_KEY}" "VstDir"
    ${If} $VstDir == ""
        StrCpy $VstDir "$COMMONFILES64\VST2"
    ${EndIf}
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/VSTDIR=" $1
    ${IfNot} ${Errors}
        StrCpy $VstDir $1
    ${EndIf}
    !insertmacro ProductFolder
FunctionEnd

Function ProductFolderLeave
    !insertmacro ProductFolder
FunctionEnd

Function VstFolderPre
    ${IfNot} ${SectionIsSelected} ${SecPlugin}
        Abort
    ${EndIf}
FunctionEnd

Section "Uninstall"
    SetRegView 64
    ReadRegDWORD $0 HKLM "${UNINSTALL_KEY}" "TakeDriverRegistered"
    ${If} $0 == 1
        ExecWait '"$SYSDIR\regsvr32.exe" /s /u "$INSTDIR\KestravaFileAsio.dll"'
    ${EndIf}
    ReadRegStr $1 HKLM "${UNINSTALL_KEY}" "VstDir"
    ${If} $1 != ""
        Delete "$1\Sonalve.dll"
        RMDir "$1"
    ${EndIf}

    Delete "$INSTDIR\Calibrix.exe"
    Delete "$INSTDIR\kestrava.exe"
    Delete "$INSTDIR\Help.chm"
    Delete "$INSTDIR\KestravaFileAsio.dll"
    Delete "$INSTDIR\Uninstall.exe"
    RMDir "$INSTDIR"

    SetShellVarContext all
    Delete "$SMPROGRAMS\${PRODUCT}\Calibrix.lnk"
    Delete "$SMPROGRAMS\${PRODUCT}\Help.lnk"
    RMDir "$SMPROGRAMS\${PRODUCT}"

    ; The player's settings (HKCU) and correction files (Documents) stay.
    DeleteRegKey HKLM "${INSTALL_KEY}"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
