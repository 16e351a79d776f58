; Korvanta's per-user installer. Built by scripts/package.sh:
;
;   makensis -DVERSION=1.0.5 -DEXE_X64=... -DEXE_X86=... -DGUIDE_JA=...
;            -DGUIDE_EN=... -DLICENSE_FILE=... -DICON=... -DOUTFILE=...
;            [-DSIGN_COMMAND="..."] packaging/korvanta.nsi
;
; Installs for the current user only, without administrator rights, into
; %LOCALAPPDATA%\Programs\Korvanta, where the program can write its
; Korvanta.ini beside itself. A running Korvanta is ended the way its own
; menu ends it (WM_COMMAND IDM_EXIT to the "KORVANTA" window), so that it
; saves its settings, and started again afterwards.
;
; Command line:  /S           silent
;                /NOSTARTUP   no shortcut in the Startup folder (it is made by default)
; Uninstaller:   /S           silent
;                /REMOVESETTINGS  Korvanta.ini goes too (it is kept by default)

Unicode true
ManifestDPIAware true
SetCompressor /SOLID lzma
RequestExecutionLevel user

!macro REQUIRE name
  !ifndef ${name}
    !error "${name} is not defined: scripts/package.sh gives it on makensis' command line"
  !endif
!macroend
!insertmacro REQUIRE VERSION
!insertmacro REQUIRE EXE_X64
!insertmacro REQUIRE EXE_X86
!insertmacro REQUIRE GUIDE_JA
!insertmacro REQUIRE GUIDE_EN
!insertmacro REQUIRE LICENSE_FILE
!insertmacro REQUIRE ICON
!insertmacro REQUIRE OUTFILE

!include MUI2.nsh
!include LogicLib.nsh
!include x64.nsh
!include FileFunc.nsh
!include WinMessages.nsh
!include Sections.nsh

!define PRODUCT "Korvanta"
!define PUBLISHER "The Korvanta developers"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Korvanta"
!define WINDOW_CLASS "KORVANTA"
!define IDM_EXIT 105
; how long a running Korvanta gets to save its settings and end
!define EXIT_WAIT_MS 20000

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Korvanta"
BrandingText "${PRODUCT} ${VERSION}"

; the uninstaller is signed before it is packed, when a certificate is given
!ifdef SIGN_COMMAND
  !uninstfinalize '${SIGN_COMMAND} "%1"'
!endif

; the version resource of setup.exe: four numbers
!searchparse /noerrors "${VERSION}.0.0.0" "" V1 "." V2 "." V3 "." V4
VIProductVersion "${V1}.${V2}.${V3}.${V4}"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "LegalCopyright" "Copyright (c) 2026 ${PUBLISHER}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC

!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "$(RunNow)"
!define MUI_FINISHPAGE_RUN_FUNCTION StartKorvanta

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "Japanese"
!insertmacro MUI_LANGUAGE "English"

LangString SecProgram ${LANG_JAPANESE} "Korvanta (必須)"
LangString SecProgram ${LANG_ENGLISH} "Korvanta (required)"
LangString SecStartup ${LANG_JAPANESE} "Windows の起動時に Korvanta を開始する"
LangString SecStartup ${LANG_ENGLISH} "Start Korvanta when Windows starts"
LangString RunNow ${LANG_JAPANESE} "Korvanta を開始する"
LangString RunNow ${LANG_ENGLISH} "Start Korvanta"
LangString Ending ${LANG_JAPANESE} "実行中の Korvanta を終了しています..."
LangString Ending ${LANG_ENGLISH} "Closing the running Korvanta..."
LangString NotEnded ${LANG_JAPANESE} "実行中の Korvanta が終了しません。Korvanta を終了してから、もう一度お試しください。"
LangString NotEnded ${LANG_ENGLISH} "The running Korvanta does not exit. Please exit Korvanta and try again."
LangString UnSecProgram ${LANG_JAPANESE} "Korvanta"
LangString UnSecProgram ${LANG_ENGLISH} "Korvanta"
LangString UnSecSettings ${LANG_JAPANESE} "設定 (Korvanta.ini) も削除する"
LangString UnSecSettings ${LANG_ENGLISH} "Also remove the settings (Korvanta.ini)"

; 1 when a Korvanta was running before the installation
Var WasRunning

; ---------------------------------------------------------------------------
; Shared by installer and uninstaller

; Japanese when Windows' UI language is Japanese, English otherwise.
!macro PICK_LANGUAGE
  System::Call 'kernel32::GetUserDefaultUILanguage() i .r0'
  IntOp $0 $0 & 0x3FF
  ${If} $0 = 0x11
    StrCpy $LANGUAGE ${LANG_JAPANESE}
  ${Else}
    StrCpy $LANGUAGE ${LANG_ENGLISH}
  ${EndIf}
!macroend

; Ends a running Korvanta as its menu's exit does, and waits for its process
; to be gone, so that it has saved its settings. $0 on return: 0 nothing was
; running, 1 it ended, 2 it is still running.
!macro END_KORVANTA un
Function ${un}EndKorvanta
  FindWindow $1 "${WINDOW_CLASS}"
  ${If} $1 = 0
    StrCpy $0 0
    Return
  ${EndIf}
  DetailPrint "$(Ending)"
  System::Call 'user32::GetWindowThreadProcessId(p r1, *i .r2) i'
  ; SYNCHRONIZE
  System::Call 'kernel32::OpenProcess(i 0x00100000, i 0, i r2) p .r3'
  SendMessage $1 ${WM_COMMAND} ${IDM_EXIT} 0 /TIMEOUT=${EXIT_WAIT_MS}
  StrCpy $0 1
  ${If} $3 P<> 0
    System::Call 'kernel32::WaitForSingleObject(p r3, i ${EXIT_WAIT_MS}) i .r4'
    System::Call 'kernel32::CloseHandle(p r3)'
    ${If} $4 <> 0
      StrCpy $0 2
    ${EndIf}
  ${Else}
    ; no handle on the process: its window going is the best sign there is
    StrCpy $4 0
    ${DoWhile} $4 < ${EXIT_WAIT_MS}
      FindWindow $1 "${WINDOW_CLASS}"
      ${IfThen} $1 = 0 ${|} ${Break} ${|}
      Sleep 100
      IntOp $4 $4 + 100
    ${Loop}
    ${IfThen} $1 <> 0 ${|} StrCpy $0 2 ${|}
    Sleep 1000
  ${EndIf}
FunctionEnd
!macroend
!insertmacro END_KORVANTA ""
!insertmacro END_KORVANTA "un."

; ---------------------------------------------------------------------------
; Installer

Function StartKorvanta
  SetOutPath "$INSTDIR"
  Exec '"$INSTDIR\Korvanta.exe"'
FunctionEnd

Section "$(SecProgram)" SecMain
  SectionIn RO
  Call EndKorvanta
  ${If} $0 = 2
    MessageBox MB_OK|MB_ICONSTOP "$(NotEnded)" /SD IDOK
    SetErrorLevel 2
    Abort
  ${EndIf}
  ${IfThen} $0 = 1 ${|} StrCpy $WasRunning 1 ${|}

  SetOutPath "$INSTDIR"
  SetOverwrite on
  ; a 32-bit installer: on 64-bit Windows the 64-bit program
  ${If} ${RunningX64}
    File "/oname=Korvanta.exe" "${EXE_X64}"
  ${Else}
    File "/oname=Korvanta.exe" "${EXE_X86}"
  ${EndIf}
  File "/oname=README-ja.txt" "${GUIDE_JA}"
  File "/oname=README-en.txt" "${GUIDE_EN}"
  File "/oname=LICENSE.txt" "${LICENSE_FILE}"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  CreateShortcut "$SMPROGRAMS\Korvanta.lnk" "$INSTDIR\Korvanta.exe" "" "$INSTDIR\Korvanta.exe" 0
  ; the Startup section makes it again when it is chosen
  Delete "$SMSTARTUP\Korvanta.lnk"

  WriteRegStr HKCU "${UNINST_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINST_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\Korvanta.exe,0"
  WriteRegStr HKCU "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINST_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINST_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINST_KEY}" "EstimatedSize" "$0"
SectionEnd

Section "$(SecStartup)" SecStartupShortcut
  CreateShortcut "$SMSTARTUP\Korvanta.lnk" "$INSTDIR\Korvanta.exe" "" "$INSTDIR\Korvanta.exe" 0
SectionEnd

Function .onInit
  SetShellVarContext current
  !insertmacro PICK_LANGUAGE
  StrCpy $WasRunning 0
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/NOSTARTUP" $1
  ${IfNot} ${Errors}
    !insertmacro UnselectSection ${SecStartupShortcut}
  ${EndIf}
FunctionEnd

; a copy that was running before comes back; an interactive installation
; starts it from its last page
Function .onInstSuccess
  ${If} $WasRunning = 1
  ${AndIf} ${Silent}
    Call StartKorvanta
  ${EndIf}
FunctionEnd

; ---------------------------------------------------------------------------
; Uninstaller

Section "un.$(UnSecProgram)" UnSecMain
  SectionIn RO
  Call un.EndKorvanta
  ${If} $0 = 2
    MessageBox MB_OK|MB_ICONSTOP "$(NotEnded)" /SD IDOK
    SetErrorLevel 2
    Abort
  ${EndIf}
  Delete "$SMPROGRAMS\Korvanta.lnk"
  Delete "$SMSTARTUP\Korvanta.lnk"
  Delete "$INSTDIR\Korvanta.exe"
  Delete "$INSTDIR\README-ja.txt"
  Delete "$INSTDIR\README-en.txt"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\Uninstall.exe"
  DeleteRegKey HKCU "${UNINST_KEY}"
  ; stays while Korvanta.ini is in it
  RMDir "$INSTDIR"
SectionEnd

Section /o "un.$(UnSecSettings)" UnSecSettingsFile
  Delete "$INSTDIR\Korvanta.ini"
  RMDir "$INSTDIR"
SectionEnd

; after the sections, whose indexes it uses
Function un.onInit
  SetShellVarContext current
  !insertmacro PICK_LANGUAGE
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/REMOVESETTINGS" $1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${UnSecSettingsFile}
  ${EndIf}
FunctionEnd
