; The per-user installer of the Windows programs: no administrator rights, every file in one
; folder under the user's own programs, one Start-menu entry, and an uninstaller that removes
; them, the folder and its entry in the list of installed programs.
;   makensis -DVERSION=1.0.0 -DSTAGE=FOLDER -DICON=FILE.ico -DOUTFILE=SETUP.exe tqconverter.nsi
; STAGE holds what the zip holds: the two programs, README.txt and licenses/.
; A 64-bit installer for 64-bit programs (and Wine without its 32-bit half runs it).
Target amd64-unicode
!ifndef VERSION | STAGE | ICON | OUTFILE
  !error "VERSION, STAGE, ICON and OUTFILE are given by the build"
!endif

!define PRODUCT "TQ5A to TQ6A Project Converter"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\tqconverter"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\tqconverter"
SetCompressor /SOLID lzma
ShowInstDetails nevershow
ShowUninstDetails nevershow

!include "MUI2.nsh"
!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\tqconverter.exe"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Japanese"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "${PRODUCT} setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "Plant engineering"

Function .onInit
  SetShellVarContext current
FunctionEnd

Function un.onInit
  SetShellVarContext current
FunctionEnd

Section
  ; The user's own programs folder may not exist yet; if this installer makes it, the uninstaller
  ; removes it again when it is left empty.
  StrCpy $0 0
  IfFileExists "$LOCALAPPDATA\Programs\*.*" +2
    StrCpy $0 1
  SetOutPath "$INSTDIR"
  File "${STAGE}\tqconverter.exe"
  File "${STAGE}\tqconv.exe"
  File "${STAGE}\README.txt"
  SetOutPath "$INSTDIR\licenses"
  File "${STAGE}\licenses\*.txt"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\tqconverter.exe"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\tqconverter.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "MadeProgramsFolder" $0
SectionEnd

; Only the files the installer put there: a file the user added to the folder keeps the folder.
Section "Uninstall"
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  Delete "$INSTDIR\licenses\*.txt"
  RMDir "$INSTDIR\licenses"
  Delete "$INSTDIR\tqconverter.exe"
  Delete "$INSTDIR\tqconv.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  ReadRegDWORD $0 HKCU "${UNINSTALL_KEY}" "MadeProgramsFolder"
  StrCmp $0 1 0 +2
    RMDir "$LOCALAPPDATA\Programs"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
