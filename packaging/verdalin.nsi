; The Windows setup program: a per-user install of Verdalin, without administrator rights.
; makensis -DVERSION=x.y.z -DSTAGE=folder -DICON=verdalin.ico -DOUTFILE=setup.exe verdalin.nsi
; STAGE holds verdalin.exe, README.txt, LICENSE.txt and THIRD-PARTY-NOTICES.txt.
; A 64-bit setup program for the 64-bit program: it runs where the program runs, also on a
; system without 32-bit support.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user

!include "MUI2.nsh"
!include "FileFunc.nsh"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Verdalin"
!define MAIN_WINDOW_CLASS "VerdalinMainWindow"
; The program keeps its settings in %APPDATA%\Verdalin when this file is beside it.
!define INSTALLED_MARKER "Verdalin_Installed.txt"

Name "Verdalin ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Verdalin"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "Verdalin ${VERSION}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "Verdalin"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "Verdalin ${VERSION} setup"
VIAddVersionKey /LANG=1033 "CompanyName" "The Verdalin developers"
VIAddVersionKey /LANG=1033 "LegalCopyright" "The Verdalin developers (MIT licence)"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\verdalin.exe"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; A running program holds its executable: it has to end first.
!macro REFUSE_WHILE_RUNNING
  FindWindow $0 "${MAIN_WINDOW_CLASS}"
  StrCmp $0 0 +3
    MessageBox MB_OK|MB_ICONEXCLAMATION "Verdalin is running. Quit it from its tray menu, then try again." /SD IDOK
    Abort
!macroend

Function .onInit
  !insertmacro REFUSE_WHILE_RUNNING
FunctionEnd

Function un.onInit
  !insertmacro REFUSE_WHILE_RUNNING
FunctionEnd

Section "Verdalin"
  SetShellVarContext current
  SetOutPath "$INSTDIR"
  File "${STAGE}\verdalin.exe"
  File "${STAGE}\Verdalin_Presets.ini"
  File "${STAGE}\README.txt"
  File "${STAGE}\LICENSE.txt"
  File "${STAGE}\THIRD-PARTY-NOTICES.txt"
  FileOpen $0 "$INSTDIR\${INSTALLED_MARKER}" w
  FileWrite $0 "Installed by the Verdalin ${VERSION} setup program.$\r$\n"
  FileWrite $0 "This copy keeps its settings in $APPDATA\Verdalin.$\r$\n"
  FileClose $0
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\Verdalin.lnk" "$INSTDIR\verdalin.exe" "" "$INSTDIR\verdalin.exe" 0

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Verdalin"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "The Verdalin developers"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\verdalin.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "URLInfoAbout" "http://verdal.in/"
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; The program's files and entries go; the settings in %APPDATA%\Verdalin, the CSV logs and
; anything else the user left in the folder stay.
Section "Uninstall"
  SetShellVarContext current
  Delete "$INSTDIR\verdalin.exe"
  Delete "$INSTDIR\Verdalin_Presets.ini"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\THIRD-PARTY-NOTICES.txt"
  Delete "$INSTDIR\${INSTALLED_MARKER}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Verdalin.lnk"
  Delete "$SMSTARTUP\Verdalin.lnk"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
