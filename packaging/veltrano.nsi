; The Windows installer, built by scripts/windows with Debian's makensis:
;   makensis -DVERSION=0.1 -DFILES=dist/windows -DOUTFILE=dist/veltrano-windows-setup.exe veltrano.nsi
; It puts the programs, the read-me and the FlightGear protocol file in Program Files\VELTRANO and
; adds Start-menu entries. The program keeps SETUPSIM.CAP in the folder it is started in, and a
; user may not write in Program Files, so its entry starts it in %APPDATA%\VELTRANO, which the
; installer makes. The uninstaller removes what was installed and keeps the settings there.

Unicode true
; A 64-bit installer for the 64-bit programs, which also runs where no 32-bit Windows layer does.
Target amd64-unicode
SetCompressor /SOLID lzma

!define APP "VELTRANO"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${APP}"

Name "${APP}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${APP}"
RequestExecutionLevel admin
VIProductVersion "${VERSION}.0.0"
VIAddVersionKey "ProductName" "${APP}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${APP} installer"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "VELTRANO maintainers"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section
  ; The Start-menu entries and the settings folder are the installing user's own.
  SetShellVarContext current
  SetRegView 64
  SetOutPath "$INSTDIR"
  File "${FILES}\veltrano.exe"
  File "${FILES}\simserver.exe"
  File "${FILES}\flight-check.exe"
  File "${FILES}\README.txt"
  File "${FILES}\veltrano.xml"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateDirectory "$APPDATA\${APP}"
  CreateDirectory "$SMPROGRAMS\${APP}"
  ; A shortcut's working folder is the output folder in force when it is made.
  SetOutPath "$APPDATA\${APP}"
  CreateShortcut "$SMPROGRAMS\${APP}\${APP}.lnk" "$INSTDIR\veltrano.exe"
  CreateShortcut "$SMPROGRAMS\${APP}\Simulated flight.lnk" "$INSTDIR\simserver.exe"
  CreateShortcut "$SMPROGRAMS\${APP}\Settings folder.lnk" "$APPDATA\${APP}"
  SetOutPath "$INSTDIR"
  CreateShortcut "$SMPROGRAMS\${APP}\Read me.lnk" "$INSTDIR\README.txt"
  CreateShortcut "$SMPROGRAMS\${APP}\Uninstall ${APP}.lnk" "$INSTDIR\uninstall.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${APP}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\veltrano.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext current
  SetRegView 64
  ; File by file, so that nothing the user put in the folder goes with it.
  Delete "$INSTDIR\veltrano.exe"
  Delete "$INSTDIR\simserver.exe"
  Delete "$INSTDIR\flight-check.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\veltrano.xml"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"

  Delete "$SMPROGRAMS\${APP}\${APP}.lnk"
  Delete "$SMPROGRAMS\${APP}\Simulated flight.lnk"
  Delete "$SMPROGRAMS\${APP}\Settings folder.lnk"
  Delete "$SMPROGRAMS\${APP}\Read me.lnk"
  Delete "$SMPROGRAMS\${APP}\Uninstall ${APP}.lnk"
  RMDir "$SMPROGRAMS\${APP}"
  ; $APPDATA\${APP} stays: it holds the user's settings.
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
