; Quillet's installer: a per-user install that needs no administrator rights.
;   makensis -DVERSION=1.0.0 -DEXE=path\to\quillet.exe -DICON=path\to\quillet.ico -DOUTFILE=quillet-setup.exe quillet.nsi
; Silent: quillet-setup.exe /S [/D=folder]; the uninstaller: uninstall.exe /S [/REMOVESETTINGS]
; (the settings are kept unless the user asks for them to go too).

Unicode true
!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "nsDialogs.nsh"

!ifndef VERSION
  !define VERSION "1.0.0"
!endif
!define PRODUCT "Quillet"
!define MAKER "Velmora"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillet"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define SETTINGS_KEY "Software\Velmora\Quillet"
; The hidden window that owns the tray icon; closing it ends the program cleanly, icon and all.
!define TRAY_CLASS "QuilletTray"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\Quillet"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
SetCompressor /SOLID lzma
; The uninstaller is signed as it is written into the installer (package.sh gives the command).
!ifdef SIGN_UNINSTALLER
  !uninstfinalize '${SIGN_UNINSTALLER}'
!endif
BrandingText "${MAKER} ${PRODUCT} ${VERSION}"
VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "CompanyName" "${MAKER}"
VIAddVersionKey "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "${MAKER}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\quillet.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start Quillet now"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

UninstPage custom un.OptionsPage un.OptionsLeave
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

Var RemoveSettings
Var RemoveSettingsBox

; Asks a running Quillet to end (its tray window removes the icon as it goes), then waits for it.
!macro CloseRunningQuillet un
Function ${un}CloseRunningQuillet
  StrCpy $1 0
  loop:
    FindWindow $0 "${TRAY_CLASS}" ""
    ${If} $0 == 0
      Return
    ${EndIf}
    ${If} $1 == 0
      SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=2000
    ${EndIf}
    Sleep 100
    IntOp $1 $1 + 1
    IntCmp $1 50 0 loop 0
  ; Still there after five seconds: end it.
  nsExec::Exec 'taskkill /F /IM quillet.exe'
FunctionEnd
!macroend
!insertmacro CloseRunningQuillet ""
!insertmacro CloseRunningQuillet "un."

Section "Quillet" SecMain
  SectionIn RO
  Call CloseRunningQuillet
  SetOutPath "$INSTDIR"
  File "/oname=quillet.exe" "${EXE}"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  SetShellVarContext current
  CreateShortcut "$SMPROGRAMS\Quillet.lnk" "$INSTDIR\quillet.exe" "" "$INSTDIR\quillet.exe" 0

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${MAKER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\quillet.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Function un.onInit
  StrCpy $RemoveSettings 0
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/REMOVESETTINGS" $1
  ${IfNot} ${Errors}
    StrCpy $RemoveSettings 1
  ${EndIf}
FunctionEnd

Function un.OptionsPage
  !insertmacro MUI_HEADER_TEXT "Uninstall Quillet" "Quillet will be removed from this computer."
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateLabel} 0 0 100% 24u "Quillet will be closed if it is running, and its program, Start-menu shortcut and start-with-Windows entry removed."
  Pop $0
  ${NSD_CreateCheckbox} 0 36u 100% 12u "Also remove my Quillet settings (user name, password, interval)"
  Pop $RemoveSettingsBox
  ${If} $RemoveSettings == 1
    ${NSD_Check} $RemoveSettingsBox
  ${EndIf}
  nsDialogs::Show
FunctionEnd

Function un.OptionsLeave
  ${NSD_GetState} $RemoveSettingsBox $RemoveSettings
  ${If} $RemoveSettings == ${BST_CHECKED}
    StrCpy $RemoveSettings 1
  ${Else}
    StrCpy $RemoveSettings 0
  ${EndIf}
FunctionEnd

Section "Uninstall"
  Call un.CloseRunningQuillet
  Delete "$INSTDIR\quillet.exe"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  SetShellVarContext current
  Delete "$SMPROGRAMS\Quillet.lnk"
  DeleteRegValue HKCU "${RUN_KEY}" "Quillet"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  ${If} $RemoveSettings == 1
    DeleteRegKey HKCU "${SETTINGS_KEY}"
    DeleteRegKey /ifempty HKCU "Software\Velmora"
  ${EndIf}
SectionEnd
