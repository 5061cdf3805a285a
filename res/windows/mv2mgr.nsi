; The Windows installer: both programs, the help pages and a short README,
; a Start menu entry, .eep files opening in the editor, and an uninstaller
; that leaves the person's backups and port settings alone.
; makensis -DVERSION=2.8 -DSTAGE=folder -DICON=mv2mgr.ico -DOUTFILE=setup.exe mv2mgr.nsi
; ICON is the build's icon 240 (made from the SVG), the one in mv2mgr.exe.
; The programs are 64-bit; so is the installer.
Target amd64-unicode
!include "MUI2.nsh"

Name "Morvel2 Standalone Editor ${VERSION}"
OutFile "${OUTFILE}"
; Per user, beside the person's other programs: the port settings file lives
; beside the program, so its folder must be the person's to write.
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\mv2mgr"
InstallDirRegKey HKCU "Software\mv2mgr" "InstallDir"
SetCompressor /SOLID lzma

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\mv2mgr"

Section "Install"
  SetOutPath "$INSTDIR"
  File "${STAGE}\mv2mgr.exe"
  File "${STAGE}\mv2mgr-cli.exe"
  File "${STAGE}\README.txt"
  SetOutPath "$INSTDIR\help"
  File /r "${STAGE}\help\*.*"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; Icon 240 is the program's only icon, and so its first.
  CreateShortcut "$SMPROGRAMS\Morvel2 Standalone Editor.lnk" "$INSTDIR\mv2mgr.exe" "" "$INSTDIR\mv2mgr.exe" 0

  ; .eep files open in the editor.
  WriteRegStr HKCU "Software\Classes\.eep" "" "mv2mgr.eep"
  WriteRegStr HKCU "Software\Classes\mv2mgr.eep" "" "Morvel2 keyer memory"
  WriteRegStr HKCU "Software\Classes\mv2mgr.eep\DefaultIcon" "" "$INSTDIR\mv2mgr.exe,-240"
  WriteRegStr HKCU "Software\Classes\mv2mgr.eep\shell\open\command" "" '"$INSTDIR\mv2mgr.exe" "%1"'

  WriteRegStr HKCU "Software\mv2mgr" "InstallDir" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Morvel2 Standalone Editor"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\mv2mgr.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "mv2mgr developers"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  ; Only what the installer put there: mv2mgr.cfg beside the program and the
  ; backups under %LOCALAPPDATA%\mv2mgr stay, and so the folder, if it holds them.
  Delete "$INSTDIR\mv2mgr.exe"
  Delete "$INSTDIR\mv2mgr-cli.exe"
  Delete "$INSTDIR\README.txt"
  RMDir /r "$INSTDIR\help"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Morvel2 Standalone Editor.lnk"
  ReadRegStr $0 HKCU "Software\Classes\.eep" ""
  StrCmp $0 "mv2mgr.eep" 0 +2
    DeleteRegKey HKCU "Software\Classes\.eep"
  DeleteRegKey HKCU "Software\Classes\mv2mgr.eep"
  DeleteRegKey HKCU "Software\mv2mgr"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
