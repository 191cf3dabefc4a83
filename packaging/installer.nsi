; Installer for もちぽて, built by tools/release with makensis -INPUTCHARSET UTF8.
;
; Puts the saver and its tune into the system folder, where Windows looks for
; screen savers: $SYSDIR with the file-system redirection left on, so a 32-bit
; installer lands in SysWOW64 on 64-bit Windows and in System32 on 32-bit
; Windows. The uninstaller, the read-me texts and the uninstall record go to a
; folder of their own under Program Files.
;
; Defines given by tools/release:
;   SCR_FILE, MID_FILE, README_JA, README_EN   files to pack
;   OUT_FILE                                   the installer to write
;   TEST_AMD64 (optional)                      a 64-bit installer, only for
;                                              testing on machines that cannot
;                                              run 32-bit code: it installs
;                                              into the 64-bit System32
;
; Command line: /S silent; /ACTIVE=1 makes it the current screen saver (the
; default in the interactive installer, not in a silent one), /ACTIVE=0 does
; not; /D=folder sets the folder of the uninstaller and the read-me texts.

!ifdef TEST_AMD64
  Target amd64-unicode
!else
  Target x86-unicode
!endif

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include x64.nsh

!define PRODUCT "もちぽて"
!define VERSION "1.0.3.1"
!define PUBLISHER "Mochipote Project"
!define SAVER_NAME "もちぽて.scr"
!define TUNE_NAME "もちぽて.mid"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define DESKTOP_KEY "Control Panel\Desktop"
; The user's screen-saver choice before ours, kept per user so that the
; uninstaller can put it back.
!define RECORD_KEY "Software\${PRODUCT}"
!define SPI_SETSCREENSAVEACTIVE 17
!define SPIF_UPDATE_AND_NOTIFY 3

Name "${PRODUCT}"
OutFile "${OUT_FILE}"
!ifdef TEST_AMD64
  InstallDir "$PROGRAMFILES64\${PRODUCT}"
!else
  InstallDir "$PROGRAMFILES\${PRODUCT}"
!endif
RequestExecutionLevel admin
SetCompressor /SOLID lzma
ShowInstDetails show
ShowUninstDetails show
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "LegalCopyright" "(C) 2026 ${PUBLISHER}"

Var SaverPath       ; where the saver really is, as Windows sees it
Var SaverShortPath  ; the same in 8.3 form, or empty when the volume has none

!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; The first language is the one used when the system's is neither.
!insertmacro MUI_LANGUAGE "Japanese"
!insertmacro MUI_LANGUAGE "English"

LangString SecSaverName ${LANG_JAPANESE} "もちぽて (スクリーンセーバーと BGM)"
LangString SecSaverName ${LANG_ENGLISH} "Mochipote (screen saver and music)"
LangString SecActivateName ${LANG_JAPANESE} "現在のスクリーンセーバーに設定する"
LangString SecActivateName ${LANG_ENGLISH} "Make it the current screen saver"

; --- Where the saver lives ---------------------------------------------------
; $SYSDIR is what the files are written to; the registry values need the
; folder the file really is in, which for a 32-bit installer on 64-bit Windows
; is SysWOW64.
!macro ResolveSaverPath un
Function ${un}ResolveSaverPath
  StrCpy $0 $SYSDIR
  !ifndef TEST_AMD64
    ${If} ${RunningX64}
      StrCpy $0 "$WINDIR\SysWOW64"
    ${EndIf}
  !endif
  StrCpy $SaverPath "$0\${SAVER_NAME}"
  ClearErrors
  GetFullPathName /SHORT $SaverShortPath $SaverPath
  ${If} ${Errors}
    StrCpy $SaverShortPath ""
  ${EndIf}
FunctionEnd

; Pushes 1 when the value on the stack names our saver (long or short path, or
; any path ending in our file name), else 0.
Function ${un}IsOurSaver
  Exch $1
  Push $2
  StrCpy $2 0
  ${If} $1 == $SaverPath
    StrCpy $2 1
  ${ElseIf} $SaverShortPath != ""
  ${AndIf} $1 == $SaverShortPath
    StrCpy $2 1
  ${Else}
    ${${un}GetFileName} $1 $1
    ${If} $1 == "${SAVER_NAME}"
      StrCpy $2 1
    ${EndIf}
  ${EndIf}
  StrCpy $1 $2
  Pop $2
  Exch $1
FunctionEnd
!macroend
!insertmacro ResolveSaverPath ""
!insertmacro ResolveSaverPath "un."

; --- Install -----------------------------------------------------------------
Section "$(SecSaverName)" SecSaver
  SectionIn RO
  Call ResolveSaverPath

  SetOutPath "$SYSDIR"
  File "/oname=${SAVER_NAME}" "${SCR_FILE}"
  File "/oname=${TUNE_NAME}" "${MID_FILE}"

  SetOutPath "$INSTDIR"
  File "/oname=readme-ja.txt" "${README_JA}"
  File "/oname=readme-en.txt" "${README_EN}"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$SaverPath,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "$(SecActivateName)" SecActivate
  ; Remember the user's own choice once, not ours on a reinstall.
  ClearErrors
  ReadRegStr $0 HKCU "${RECORD_KEY}" "Recorded"
  ${If} ${Errors}
    ClearErrors
    ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
    ${IfNot} ${Errors}
      Push $0
      Call IsOurSaver
      Pop $1
      ${If} $1 == 0
        WriteRegStr HKCU "${RECORD_KEY}" "PreviousScreenSaver" $0
      ${EndIf}
    ${EndIf}
    ClearErrors
    ReadRegStr $0 HKCU "${DESKTOP_KEY}" "ScreenSaveActive"
    ${IfNot} ${Errors}
      WriteRegStr HKCU "${RECORD_KEY}" "PreviousScreenSaveActive" $0
    ${EndIf}
    WriteRegStr HKCU "${RECORD_KEY}" "Recorded" "1"
  ${EndIf}

  ; The 8.3 form where the volume has one, as the system itself stores it.
  ${If} $SaverShortPath != ""
    WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" $SaverShortPath
  ${Else}
    WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" $SaverPath
  ${EndIf}
  System::Call 'user32::SystemParametersInfo(i ${SPI_SETSCREENSAVEACTIVE}, i 1, p 0, i ${SPIF_UPDATE_AND_NOTIFY})'
  WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" "1"
SectionEnd

Function .onInit
  ; Interactive: offered and ticked. Silent: only when asked for.
  ${If} ${Silent}
    !insertmacro UnselectSection ${SecActivate}
  ${EndIf}
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/ACTIVE=" $1
  ${IfNot} ${Errors}
    ${If} $1 == "1"
      !insertmacro SelectSection ${SecActivate}
    ${Else}
      !insertmacro UnselectSection ${SecActivate}
    ${EndIf}
  ${EndIf}
FunctionEnd

; --- Uninstall ---------------------------------------------------------------
Section "Uninstall"
  Call un.ResolveSaverPath

  ; Give the user's own screen saver back, or none, when ours is current.
  ClearErrors
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${IfNot} ${Errors}
    Push $0
    Call un.IsOurSaver
    Pop $1
    ${If} $1 == 1
      ClearErrors
      ReadRegStr $0 HKCU "${RECORD_KEY}" "PreviousScreenSaver"
      ${If} ${Errors}
        DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
      ${Else}
        WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" $0
      ${EndIf}
      ClearErrors
      ReadRegStr $0 HKCU "${RECORD_KEY}" "PreviousScreenSaveActive"
      ${If} ${Errors}
        StrCpy $0 "0"
      ${EndIf}
      System::Call 'user32::SystemParametersInfo(i ${SPI_SETSCREENSAVEACTIVE}, i $0, p 0, i ${SPIF_UPDATE_AND_NOTIFY})'
      WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" $0
    ${EndIf}
  ${EndIf}
  DeleteRegKey HKCU "${RECORD_KEY}"

  Delete /REBOOTOK "$SYSDIR\${SAVER_NAME}"
  Delete /REBOOTOK "$SYSDIR\${TUNE_NAME}"
  Delete "$INSTDIR\readme-ja.txt"
  Delete "$INSTDIR\readme-en.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  ; The settings the saver wrote when the user pressed OK in its dialog.
  Delete "$WINDIR\もちぽて.ini"

  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
