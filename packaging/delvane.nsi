; The Windows installer of Delvane for Windows NT and Vistrel.
;   makensis -DVERSION=4.0.1 -DSTAGE=DIR -DOUTFILE=FILE packaging/delvane.nsi
; STAGE holds the release's files (scripts/package puts them there). /S
; installs and uninstalls silently; /AllUsers (administrators) or /CurrentUser
; choose the installation on the command line, the second page otherwise.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma

!define PRODUCT "Delvane for Windows NT and Vistrel"
!define PUBLISHER "Tessaloom"
!define FOLDER "Tessaloom\Delvane"
!define MENU_FOLDER "Delvane"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\TessaloomDelvane"

; "Highest": an administrator is asked to elevate and may choose either
; installation, a standard user installs for the current user only.
!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_INSTALLMODE_INSTDIR "${FOLDER}"
!define MULTIUSER_USE_PROGRAMFILES64
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_VALUENAME "InstallMode"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_VALUENAME "InstallLocation"
!include MultiUser.nsh
!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh

Name "${PRODUCT}"
OutFile "${OUTFILE}"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (c) ${PUBLISHER}"

!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\dlvnt.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start Delvane for Windows NT"
!define MUI_FINISHPAGE_RUN_NOTCHECKED
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${STAGE}\LICENSE.txt"
!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Function .onInit
  !insertmacro MULTIUSER_INIT
FunctionEnd

Function un.onInit
  !insertmacro MULTIUSER_UNINIT
FunctionEnd

!macro OpenWithVistrel EXT
  WriteRegStr SHCTX "Software\Classes\SystemFileAssociations\${EXT}\shell\Vistrel" "" "Open with Vistrel"
  WriteRegStr SHCTX "Software\Classes\SystemFileAssociations\${EXT}\shell\Vistrel\command" "" '"$INSTDIR\vistrel.exe" "%1"'
!macroend

!macro NoOpenWithVistrel EXT
  DeleteRegKey SHCTX "Software\Classes\SystemFileAssociations\${EXT}\shell\Vistrel"
  DeleteRegKey /ifempty SHCTX "Software\Classes\SystemFileAssociations\${EXT}\shell"
  DeleteRegKey /ifempty SHCTX "Software\Classes\SystemFileAssociations\${EXT}"
!macroend

Section "Programs" SecPrograms
  SectionIn RO
  SetOutPath "$INSTDIR"
  File "${STAGE}\dlvnt.exe"
  File "${STAGE}\vistrel.exe"
  File "${STAGE}\nubrik.dll"
  File "${STAGE}\dlvnt-cli.exe"
  File "${STAGE}\vistrel-cli.exe"
  File "${STAGE}\README.txt"
  File "${STAGE}\LICENSE.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateDirectory "$SMPROGRAMS\${MENU_FOLDER}"
  CreateShortcut "$SMPROGRAMS\${MENU_FOLDER}\Delvane for Windows NT.lnk" "$INSTDIR\dlvnt.exe"
  CreateShortcut "$SMPROGRAMS\${MENU_FOLDER}\Vistrel.lnk" "$INSTDIR\vistrel.exe"

  ; The automation server through which dlvnt opens a file in vistrel:
  ; machine-wide for all users, under the user's own classes otherwise.
  ExecWait '"$INSTDIR\vistrel.exe" /REGSERVER' $0
  ${If} $0 != 0
    DetailPrint "vistrel.exe /REGSERVER failed ($0): dlvnt cannot open files in Vistrel"
    SetErrorLevel 3
  ${EndIf}

  ; "Open with Vistrel" on the context menu of the files it shows.
  !insertmacro OpenWithVistrel ".exe"
  !insertmacro OpenWithVistrel ".dll"
  !insertmacro OpenWithVistrel ".ocx"
  !insertmacro OpenWithVistrel ".cpl"
  !insertmacro OpenWithVistrel ".sys"

  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\dlvnt.exe"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallMode" "$MultiUser.InstallMode"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" ${SIZE_KB}
SectionEnd

Section "Uninstall"
  ExecWait '"$INSTDIR\vistrel.exe" /UNREGSERVER' $0
  ${If} $0 != 0
    DetailPrint "vistrel.exe /UNREGSERVER failed ($0)"
    SetErrorLevel 3
  ${EndIf}
  Delete "$INSTDIR\dlvnt.exe"
  Delete "$INSTDIR\vistrel.exe"
  Delete "$INSTDIR\nubrik.dll"
  Delete "$INSTDIR\dlvnt-cli.exe"
  Delete "$INSTDIR\vistrel-cli.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  ; The publisher's folder above it, when nothing else is in it.
  ${GetParent} "$INSTDIR" $1
  ${GetFileName} "$1" $2
  ${If} $2 == "Tessaloom"
    RMDir "$1"
  ${EndIf}
  Delete "$SMPROGRAMS\${MENU_FOLDER}\Delvane for Windows NT.lnk"
  Delete "$SMPROGRAMS\${MENU_FOLDER}\Vistrel.lnk"
  RMDir "$SMPROGRAMS\${MENU_FOLDER}"
  !insertmacro NoOpenWithVistrel ".exe"
  !insertmacro NoOpenWithVistrel ".dll"
  !insertmacro NoOpenWithVistrel ".ocx"
  !insertmacro NoOpenWithVistrel ".cpl"
  !insertmacro NoOpenWithVistrel ".sys"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
SectionEnd
